// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace velmaris {

// Why a file may not be written, in French; empty when it may. A symbolic link
// is never written through, nor a file in a folder that the user running the
// program does not own (root included).
QString writeRefusal(const QString& path);

// Replaces the file atomically with bytes, after writeRefusal. Every step is
// checked (creation, each write, the flush to the disk, the rename): true only
// once the bytes are on the disk. False with the reason in French ("disque
// plein"...) when the old file is left as it was.
bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// A file read whole, at most maxBytes of it. Only a regular file is opened: a
// pipe would block, a device never end, a folder has nothing to read.
struct FileRead {
    enum class Status { Ok, Missing, NotRegular, TooLarge, Unreadable };
    Status status = Status::Ok;
    QByteArray bytes; // Ok only
    QString reason;   // in French, without the file's name; empty when Ok

    bool ok() const { return status == Status::Ok; }
};
FileRead readRegularFile(const QString& path, qint64 maxBytes);

// "64 Mio", "4 Mio": a limit as the messages say it.
QString sizeText(qint64 bytes);

} // namespace velmaris
