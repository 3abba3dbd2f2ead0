#pragma once

#include "inseesdmx.h"
#include "quarter.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <vector>

namespace velmaris {

// The index file completed from INSEE's series.
struct SdmxMerge {
    QByteArray bytes;               // the new file; empty when refused or already up to date
    std::vector<Quarter> added;     // the quarters added, newest first
    std::vector<Quarter> estimated; // those of them dated by the usual calendar
    QString error;                  // why nothing can be added, in French

    bool ok() const { return error.isEmpty(); }
    bool upToDate() const { return ok() && added.empty(); }
};

// When INSEE usually publishes a quarter: the 15th of the month after it ends.
QDate usualRelease(Quarter quarter);

// The comment line of the index file's header that lists the estimated dates.
inline constexpr QStringView kEstimatedDatesComment =
    u"' Dates de parution estimées (calendrier habituel de l'Insee) : ";

// Adds to the index file the quarters of the IRL series newer than its newest
// row, as IRL rows at the top of the data, right after the header comments;
// every other line stays as it was. The newest quarter added is dated by the
// series' LAST_UPDATE (when that falls after the quarter's end and before the
// next quarter's usual release), any other by usualRelease(), and those
// estimated dates are listed in a header comment. A Corsica or overseas series, when given,
// fills columns 4 and 5 of the new rows and must hold each of them.
//
// Refused, with the reason: a file that does not read, a past value of a series
// that differs from the file (the message names the quarter), a quarter
// missing between the file and the series, a newest quarter not ended by today.
SdmxMerge mergeSdmxSeries(const QByteArray& indexFile, const SdmxSeries& irl,
                          const SdmxSeries* corse, const SdmxSeries* outreMer, const QDate& today);

} // namespace velmaris
