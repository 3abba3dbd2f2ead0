// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "safefile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmaris {

// Where the index file, the settings file and the program's other data live.
struct DataFolders {
    QString indexFolder;    // folder of VELMARIS.TXT
    QString settingsFolder; // folder of Velmaris.ini
    QString dataFolder;     // folder of the program's other data (Velmaris.sqlite)
    bool installed = false; // an installed copy: everything in the user's data folder
    QString shippedIndex;   // the index file shipped with an installed copy
    QString problem;        // why the data folder could not be prepared (dataFolders), in French
};

// An installed copy (its index file shipped in ../share/velmaris/) keeps
// everything in the user's data folder, whoever runs it; any other copy is
// portable and keeps everything beside the program. A folder given on the
// command line always holds the index file. Only looks: nothing is written.
DataFolders chooseDataFolders(const QString& commandLineFolder, const QString& programFolder,
                              const QString& userDataFolder);

// Makes an installed copy's data folder and, on its first start, puts the
// shipped index file there. A copy made earlier is never replaced, and a
// folder that belongs to another user (root run with someone's HOME) is
// neither made nor written. Gives the reason, in French, when that could not
// be done; empty when all is well.
QString prepareDataFolders(const DataFolders& folders);

// The folders of this program (its own folder, QStandardPaths::AppDataLocation),
// prepared as above.
DataFolders dataFolders(const QString& commandLineFolder);

// Why the lease register may not live in folder, in French; empty when it may:
// the folder must exist, be a folder, and belong to the user running the program.
QString dataFolderRefusal(const QString& folder);

// The index file shipped with an installed copy of this program; empty for a
// portable copy.
QString shippedIndexFile();

// The index file in folder, with or without its trailing separator (either
// kind): the one way every part of the program names it.
QString indexFileIn(const QString& folder);

// Largest index file read: far more than any real one, and a guard against a
// device or a wrong file given by mistake. The shipped copy, a download and the
// file on disk are all held to it.
inline constexpr qint64 kMaxIndexFileBytes = 4 * 1024 * 1024;

// The files of the program's own data in these folders: the index file, the
// settings, the register with its journals and the copies kept beside it.
QStringList programFiles(const DataFolders& folders);

// Why path may not be written because it is the index file an installed copy
// was shipped with (shipped; none when empty), reached by any name; empty when
// it is another file. No one writes it, root included.
QString shippedFileRefusal(const QString& path, const QString& shipped);

// Why an output the user chose (an export, a PDF, a backup) may not go to path,
// in French; empty when it may. Besides writeRefusal: never one of the
// program's own files, whatever the name it is reached by (a link, another
// spelling of the path, a hard link).
QString outputRefusal(const QString& path, const DataFolders& folders);

// The system's name of the account the program runs as (its number when it
// has none), whatever the environment says.
QString accountName();

} // namespace velmaris
