// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexchange.h"
#include "inseecsv.h"
#include "sdmxmerge.h"
#include "settings.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>
#include <vector>

namespace velmaris {

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
// The same where target keeps the figures (a shared register's, on a server):
// the question is asked before anything is locked, and the merge done again
// on the figures as they are when written.
QString importInseeFile(const IndexTarget& target, const QString& inseePath,
                        const UpdateSettings& settings, const QDate& today,
                        const std::function<bool(const QString&)>& ask, QString* summary);

} // namespace velmaris
