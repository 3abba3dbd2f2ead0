#pragma once

#include "inseesdmx.h"
#include "sdmxmerge.h"
#include "settings.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>
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

// Reads the file at path: a ZIP (told by its content) through QuaZip, its
// valeurs_trimestrielles.csv, or the CSV itself.
InseeFile readInseeFile(const QString& path);

// The series of a file put in the columns they fill, by idBank: the IRL's,
// and those the settings give for Corsica and the overseas departments.
// An error names a series that is none of them.
struct InseeColumns {
    InseeSeries columns;
    QString error;
};
InseeColumns inseeColumns(const InseeFile& file, const UpdateSettings& settings);

// Merges INSEE's file at inseePath into the index file at indexPath and
// writes it safely. ask is asked whether INSEE's values replace the ones typed
// by hand; without it they are refused and named. Empty when done or when
// there was nothing to add, with *summary saying which; otherwise why not, in
// French, the index file left as it was.
QString importInseeFile(const QString& indexPath, const QString& inseePath,
                        const UpdateSettings& settings, const QDate& today,
                        const std::function<bool(const QString&)>& ask, QString* summary);

} // namespace velmaris
