#pragma once

#include "indexseries.h"
#include "indextable.h"

#include <QLocale>
#include <QString>
#include <QStringView>

namespace velmaris {

// How a revision run ended.
struct RevisionResult {
    bool completed = true;
    // When it stopped: the anniversary row that could not be revised, the older
    // row whose index was missing, and in which series.
    int stoppedRow = -1;
    int missingRow = -1;
    IndexSeries series = IndexSeries::Irl;
    QString message; // "Indice manquant : IRL du 2è tr.2004."

    bool ok() const { return completed; }
};

// Rewrites the rent of every row from the one the user typed at referenceRow
// (its rent field holds the typed text): the reference rent formatted, then
// towards the newer quarters a year caption, two empty rows and the rent
// revised at each yearly anniversary; older rows are emptied.
//
// The first year is the lease date's when leaseDateText is a date, else the
// year the reference quarter was published. With reeval false a fall of the
// index never lowers the rent.
//
// A missing index at the previous anniversary stops the run: rows already
// revised stay, the newer ones are emptied, and the result names the gap.
RevisionResult reviseRents(IndexTable& table, int referenceRow, QStringView leaseDateText,
                           bool reeval, const QLocale& locale);

} // namespace velmaris
