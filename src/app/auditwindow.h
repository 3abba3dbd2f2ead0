// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audit.h"
#include "auditreport.h"
#include "chargedrent.h"
#include "datafolder.h"
#include "indextable.h"
#include "lease.h"
#include "registersession.h"

#include <QDate>
#include <QDialog>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
class QTextBrowser;

namespace velmaris {

class LeaseStore;
class AuditWindow;

// Opens the audit of one lease of the register, not modal, deleted when it
// closes: the rents actually charged, typed or imported and kept in the
// register, and what the law allowed. Call it from the register window's
// auditRequested(leaseId) signal, with the window as parent (the audit closes
// with it), the register it shows and the program's index table, both of which
// must outlive the parent; today is the audit date. When the lease or its rents
// cannot be read it says why in an error box and returns nullptr: nothing is
// opened that could write over rents it could not read.
AuditWindow* showAudit(QWidget* parent, RegisterSession& session, qint64 leaseId,
                       const IndexTable& table, const QDate& today);

class AuditWindow : public QDialog {
    Q_OBJECT

public:
    AuditWindow(RegisterSession& session, const Lease& lease, std::vector<ChargedRent> periods,
                std::vector<RevisionRecord> history, const IndexTable& table, const QDate& today,
                QWidget* parent = nullptr);

    const Audit& audit() const { return m_audit; }
    // The periods as the table holds them, when every line is sound.
    std::optional<std::vector<ChargedRent>> typedPeriods(QStringList* problems = nullptr) const;
    // Whether what the table holds is in the register.
    bool isSaved() const { return m_saved; }
    // The program's files, which "Enregistrer en PDF…" never writes over.
    void setProgramFolders(const DataFolders& folders) { m_programFolders = folders; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The columns of the rents charged.
    enum Column { From, To, Rent, Request, Columns };

    void buildControls();
    void buildPeriodsPane(QWidget* splitter);
    void buildResultPane(QWidget* splitter);
    void fillPeriods(const std::vector<ChargedRent>& periods);
    void cellEdited(int row, int column);
    void addPeriod();
    void removePeriod();
    void importCsv();
    void periodsChanged();
    void save(const std::vector<ChargedRent>& periods);
    void showResult();
    void print();
    void savePdf();
    QString suggestedPdfPath() const;
    // The lease changed in the register (auditwindow_result.cpp): the audit is
    // done again on it, the rents typed kept.
    void leaseChanged(qint64 leaseId);
    // Who the report is established by, read from the register (its owner, the agency).
    void readAuthor();

    RegisterSession& m_session;
    LeaseStore& m_store;
    Lease m_lease;
    std::vector<RevisionRecord> m_history;
    const IndexTable& m_table;
    const QDate m_today;
    Audit m_audit;
    AuditAuthor m_author;
    bool m_saved = true;
    DataFolders m_programFolders;
    bool m_failureShown = false; // one error box per run of failed writes
    bool m_filling = false;

    QTableWidget* m_periods = nullptr;
    QLabel* m_state = nullptr;
    QTextBrowser* m_result = nullptr;
    QTableWidget* m_months = nullptr;
    QLabel* m_totals = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_pdf = nullptr;
};

} // namespace velmaris
