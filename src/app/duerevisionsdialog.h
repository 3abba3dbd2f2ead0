// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "duebatch.h"
#include "indextable.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace velmaris {

class LeaseStore;
class RegisterSession;

// "Appliquer les révisions dues…": every lease due at the day, its lawful
// revision asked that day, shown first; "Enregistrer" records at once every one
// that can be, each checked as "Appliquer" checks it, and the list then says
// what was recorded and, for the others, why not.
class DueRevisionsDialog : public QDialog {
    Q_OBJECT

public:
    DueRevisionsDialog(RegisterSession& session, const IndexTable& table, const QDate& day,
                       QWidget* parent = nullptr);

    const DueBatch& batch() const { return m_batch; }

    QTableWidget* liste = nullptr;
    QLabel* compte = nullptr;
    QPushButton* enregistrer = nullptr;
    QPushButton* fermer = nullptr;

signals:
    // Revisions were recorded: the register changed.
    void recorded();

private:
    void fill();
    void record();

    RegisterSession& m_session;
    LeaseStore& m_store;
    DueBatch m_batch;
    bool m_done = false;
};

} // namespace velmaris
