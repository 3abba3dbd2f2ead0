// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datafolder.h"
#include "deadlines.h"
#include "indextable.h"
#include "registersession.h"

#include <QDate>
#include <QDialog>

#include <vector>

class QLabel;
class QLayout;
class QPushButton;
class QTableWidget;

namespace velmaris {

// "À faire…": every revision whose last day to ask comes within the warning
// (comingDeadlines()), the most urgent first, with what it asks of the
// landlord; "Lettre…" opens the letter of the lease chosen. The list follows
// the register as the session announces its changes.
class TodoListDialog : public QDialog {
    Q_OBJECT

public:
    // table: the main window's, read again at each change of the register.
    TodoListDialog(RegisterSession& session, const IndexTable& table, const QDate& today,
                   QWidget* parent = nullptr);

    // Reads the register again and fills the list; false when it cannot be
    // read (the reason is shown in the dialog).
    bool reload();
    // Whether the register could be read when the dialog was made.
    bool readable() const { return m_readable; }
    const std::vector<RevisionDeadline>& deadlines() const { return m_deadlines; }
    // The program's files, which a letter saved from here never writes over.
    void setProgramFolders(const DataFolders& folders) { m_programFolders = folders; }
    // "Lettre…" for the chosen line.
    void openLetter();

    QTableWidget* liste = nullptr;
    QLabel* compte = nullptr;
    QPushButton* lettre = nullptr;
    QPushButton* fermer = nullptr;

private:
    // The controls; the row of buttons kept in sight under the list.
    QLayout* buildControls();
    void updateButtons();
    qint64 chosenLease() const;

    RegisterSession& m_session;
    const IndexTable& m_table;
    QDate m_today;
    std::vector<RevisionDeadline> m_deadlines;
    DataFolders m_programFolders;
    bool m_readable = false;
};

// Entry point for the register window's "À faire…": the list over `parent`
// (window-modal, deleted when closed), which it returns; null, after one box
// says why, when the register cannot be read.
TodoListDialog* showTodoList(QWidget* parent, RegisterSession& session, const IndexTable& table,
                             const QDate& today, const DataFolders& programFolders);

} // namespace velmaris
