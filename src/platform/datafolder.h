#pragma once

#include <QString>

namespace velmaris {

// Where the index file and the settings file live.
struct DataFolders {
    QString indexFolder;    // folder of VELMARIS.TXT
    QString settingsFolder; // folder of Velmaris.ini
};

// A portable copy (its own folder writable) keeps everything beside the
// program. An installed copy cannot write there, so it uses the user's data
// folder, into which the shipped index file is copied on first start. A folder
// given on the command line always holds the index file.
DataFolders chooseDataFolders(const QString& commandLineFolder, const QString& programFolder,
                              bool programFolderWritable, const QString& userDataFolder);

// Whether a file can really be created in the folder.
bool folderWritable(const QString& folder);

// The same for this program: its own folder and QStandardPaths::AppDataLocation.
DataFolders dataFolders(const QString& commandLineFolder);

} // namespace velmaris
