// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "inseesdmx.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace velmaris {

// What INSEE's website gives for one or more series: a CSV file
// (valeurs_trimestrielles.csv), alone or in the ZIP it is downloaded in.
struct InseeFile {
    std::vector<SdmxSeries> series; // one per idBank column, observations newest first
    QString error;                  // why it cannot be read, in French

    bool ok() const { return error.isEmpty(); }
};

// Reads INSEE's CSV: a few header rows ("Libellé", "idBank", "Dernière mise
// à jour", "Période"), then one row per quarter, newest first, semicolons
// between quoted fields, each series followed by its column of codes. A
// quarter without a value (not published yet) is left out.
InseeFile parseInseeCsv(const QByteArray& csv);

} // namespace velmaris
