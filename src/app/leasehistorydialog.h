// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "leasestore.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPlainTextEdit;
class QTableWidget;

namespace velmaris {

// "Historique": every revision recorded for a lease, oldest first, with all
// that was recorded; the notes of the chosen one in full below.
class LeaseHistoryDialog : public QDialog {
    Q_OBJECT

public:
    enum Column {
        DueDate,
        RequestDate,
        EffectiveDate,
        OldRent,
        NewRent,
        BaseQuarter,
        BaseValue,
        NewQuarter,
        NewValue,
        Series,
        AppliedBy,
        Notes,
        ColumnCount
    };

    // `letters`: the revision letters that went out, listed under the table.
    LeaseHistoryDialog(const Lease& lease, const std::vector<RevisionRecord>& history,
                       const std::vector<SentLetter>& letters = {}, QWidget* parent = nullptr);

    QLabel* bail = nullptr;
    QLabel* lettres = nullptr;
    QTableWidget* revisions = nullptr;
    QPlainTextEdit* notesrevision = nullptr;

private:
    // One recorded revision into row r of the table.
    void fillRow(int r, const RevisionRecord& rec);

    std::vector<RevisionRecord> m_history;
};

} // namespace velmaris
