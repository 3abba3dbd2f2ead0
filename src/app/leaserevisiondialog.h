// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "lawfulrevision.h"
#include "lease.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace velmaris {

// "Réviser": the lawful revision of one lease for a request date, every step
// shown with its legal reference; "Appliquer" records it.
class LeaseRevisionDialog : public QDialog {
    Q_OBJECT

public:
    LeaseRevisionDialog(const Lease& lease, std::vector<RevisionRecord> history,
                        const IndexTable& table, const QDate& requestDate,
                        QWidget* parent = nullptr);

    // Records a revision: true when stored, else false with the reason in French.
    using Apply = std::function<bool(const RevisionRecord& record, QString* error)>;
    void setApply(Apply apply);
    // A register that cannot be written: the computation shows, "Appliquer" stays off.
    // why: what "Appliquer" says when greyed (a plain read-only register when empty).
    void setReadOnly(bool readOnly, const QString& why = {});

    // Computes again: the request date or the index table changed.
    void recompute();
    // The lease as the register now holds it (another copy changed it): computed again.
    void setLease(const Lease& lease, std::vector<RevisionRecord> history);
    const Lease& lease() const { return m_lease; }
    const LawfulRevision& revision() const { return m_revision; }

    QLineEdit* datedemande = nullptr;
    QLabel* etatrevision = nullptr;
    QLabel* ancienloyer = nullptr;
    QLabel* indicebase = nullptr;
    QLabel* nouvelindice = nullptr;
    QLabel* formule = nullptr;
    QLabel* nouveauloyer = nullptr;
    QLabel* priseeffet = nullptr;
    QTextBrowser* explications = nullptr;
    QPushButton* appliquer = nullptr;
    QPushButton* fermer = nullptr;

private:
    void buildControls();
    void apply();

    Lease m_lease;
    std::vector<RevisionRecord> m_history;
    const IndexTable& m_table;
    LawfulRevision m_revision;
    bool m_dateValid = true;
    bool m_readOnly = false;
    QString m_readOnlyWhy;
    QDate m_today;        // the day the dialog opened: no request is recorded after it
    bool m_ahead = false; // the request date lies after m_today
    Apply m_apply;
};

} // namespace velmaris
