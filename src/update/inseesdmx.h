// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "quarter.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace velmaris {

// INSEE's series of the rent reference index (mainland France) on its SDMX
// web service, the program's default address. The service's address followed
// by an idBank gives the whole series, newest quarter first; no key is needed.
inline constexpr QStringView kIrlSeriesAddress =
    u"https://bdm.insee.fr/series/sdmx/data/SERIES_BDM/001515333";
inline constexpr QStringView kIrlIdBank = kIrlSeriesAddress.last(9);
// The construction cost index, base 100 in the 4th quarter 1953: the older
// quarters of the index file.
inline constexpr QStringView kIccIdBank = u"000008630";
inline constexpr QStringView kInseeSeriesService = kIrlSeriesAddress.chopped(9);

// One quarter of a series, its value as INSEE wrote it ("145.77").
struct SdmxObservation {
    Quarter quarter;
    QString text;
    double value = 0;
};

// One series of a StructureSpecificData reply.
struct SdmxSeries {
    QString idBank;
    QDate lastUpdate;                          // LAST_UPDATE: the last release; invalid when absent
    std::vector<SdmxObservation> observations; // newest first, one per quarter

    const SdmxObservation* find(Quarter quarter) const;
};

struct SdmxReply {
    SdmxSeries series;
    QString error; // why the reply was refused, in French; empty when it was read

    bool ok() const { return error.isEmpty(); }
};

// Whether a reply is XML (an SDMX reply, or an error page) rather than an
// index file in the program's own format, which never starts with "<".
bool looksLikeXml(const QByteArray& body);

// Reads the series idBank from a StructureSpecificData reply. Refuses XML cut
// short, an error page, a reply without that series (none, or another), a
// period that is no quarter, a quarter given twice and a value that is not a
// plain decimal ("145.77"), each with a French reason.
SdmxReply parseSdmxSeries(const QByteArray& xml, QStringView idBank);

// The idBank an address asks for: its last path segment when made of digits,
// otherwise the IRL's.
QString idBankOf(const QUrl& address);

// The same service's address for another series: the last path segment
// replaced by idBank, the query kept.
QUrl seriesAddress(const QUrl& address, const QString& idBank);

// A plain decimal: digits, then optionally a point and digits; blanks around
// are ignored. Read without regard to any locale; nothing for anything else
// ("1,5", "-3", "1e2", "NaN", "").
std::optional<double> plainDecimal(QStringView text);

} // namespace velmaris
