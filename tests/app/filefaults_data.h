// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the file-fault tests write and read: small disks, bulky files, sample
// letters and reports.
#include "auditreport.h"
#include "revisionletter.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/mount.h>
#include <sys/statvfs.h>

namespace velmaris::test {

inline const QString kShipped = QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT");

inline bool inMountNamespace()
{
    return qEnvironmentVariableIntValue("VELMARIS_MOUNT_NAMESPACE") == 1;
}

inline qint64 freeBytes(const QString& folder)
{
    struct statvfs fs;
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return -1;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

inline bool mountSmallDisk(const QString& folder)
{
    return QDir().mkpath(folder)
           && ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k") == 0;
}

// Fills the disk of folder until only `leave` bytes are free.
inline void fillLeaving(const QString& folder, qint64 leave)
{
    QFile filler(QDir(folder).filePath(QStringLiteral("remplissage")));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray page(4096, '\0');
    while (freeBytes(folder) > leave)
        QVERIFY(filler.write(page) == page.size() && filler.flush());
    filler.close();
    QVERIFY2(freeBytes(folder) <= leave, "the disk did not fill");
}

// The index file with its newest quarter left out: a download brings it back.
inline QByteArray olderIndexFile()
{
    QByteArray bytes = readAll(kShipped);
    qsizetype at = 0;
    while (bytes.at(at) == '\'')
        at = bytes.indexOf('\n', at) + 1;
    bytes.remove(at, bytes.indexOf('\n', at) + 1 - at);
    return bytes;
}

// Settings large enough that rewriting them needs more than one free page.
inline QByteArray bulkySettings()
{
    QByteArray ini = "[FTP]\r\nADRESS=http://127.0.0.1/telechar/VELMARIS.TXT\r\n[NOTES]\r\n";
    for (int i = 0; i < 70; ++i)
        ini += "NOTE" + QByteArray::number(i) + '=' + QByteArray(90, 'x') + "\r\n";
    return ini;
}

inline QByteArray leasesCsv(int count)
{
    QByteArray csv = "reference;locataire;adresse;code_postal;date_signature;date_effet;"
                     "trimestre_reference;clause;dpe;loyer;charges\n";
    for (int i = 0; i < count; ++i)
        csv += "R-" + QByteArray::number(i)
               + ";Mme Martin;12 rue des Lilas, Lyon;69003;15/10/2019;01/11/2019;3è tr.2019;"
                 "à la hausse seulement;D;850,00;60,00\n";
    return csv;
}

inline RevisionLetter sampleLetter()
{
    RevisionLetter letter;
    letter.reference = QStringLiteral("A-12");
    letter.sender = {QStringLiteral("Jean Martin"), QStringLiteral("12 avenue Foch"),
                     QStringLiteral("69006 Lyon")};
    letter.recipient = {QStringLiteral("Mme Durand"), QStringLiteral("3 rue des Lilas"),
                        QStringLiteral("69003 Lyon")};
    letter.placeAndDate = QStringLiteral("Lyon, le 2 avril 2026");
    letter.subject = QStringLiteral("Objet\u00a0: révision annuelle du loyer");
    letter.salutation = QStringLiteral("Madame,");
    letter.closing = QStringLiteral("Je vous prie d’agréer, Madame, mes salutations.");
    letter.signature = QStringLiteral("Jean Martin");
    return letter;
}

inline AuditReport sampleReport()
{
    AuditReport report;
    report.title = QStringLiteral("Audit du bail A-12");
    AuditBlock block;
    block.text = QStringLiteral("Le loyer facturé suit le loyer légal.");
    report.blocks = {block, block};
    return report;
}

} // namespace velmaris::test
