#pragma once

#include <QByteArray>
#include <QString>

// INSEE's ZIP is read in a module of its own, loaded when such a file is
// imported: QuaZip and the libraries it brings stay out of every other start.
namespace velmaris {

inline constexpr char kInseeZipModule[] = "libvelmaris_zip.so";
inline constexpr char kInseeZipEntry[] = "velmaris_insee_csv_from_zip";

// The module's entry: the CSV of INSEE's values in the ZIP at path
// (valeurs_trimestrielles.csv, else its one CSV), never more than limit bytes.
// False, with the reason in French (no final stop), when it cannot be read.
using InseeZipEntry = bool (*)(const QString& path, qint64 limit, QByteArray* csv, QString* reason);

} // namespace velmaris
