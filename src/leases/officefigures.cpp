// SPDX-License-Identifier: GPL-3.0-or-later
// The office's index figures as a desk uses them: seeded or completed from
// the desk's own file, then copied into it and into the table.
#include "officefigures.h"

#include "datafolder.h"
#include "indexfile.h"
#include "quoting.h"
#include "safefile.h"

#include <QDateTime>
#include <QFileInfo>

namespace velmaris {

namespace {

// A sentence of the store's as a clause of another: no capital, no final stop.
QString clause(QString text)
{
    while (text.endsWith(u'.'))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

// The register's figures into the table and, when the file differs, into the
// desk's file. False, with *notice, when they do not read (never written so).
bool install(const LeaseStore::IndexFigures& figures, IndexTable& table, bool keepCopy,
             QString* notice)
{
    IndexFileResult read = parseIndexFile(figures.content);
    if (!read.ok()) {
        *notice += QStringLiteral("Les indices du registre ne se lisent pas (%1)\u00a0: ce poste "
                                  "calcule avec son propre fichier des indices. ")
                       .arg(corruptionDetail(read));
        return false;
    }
    const QString path = table.filePath;
    const FileRead onDisk = readRegularFile(path, kMaxIndexFileBytes);
    if (keepCopy && !(onDisk.ok() && onDisk.bytes == figures.content)) {
        QString reason;
        if (!writeFileSafely(path, figures.content, &reason))
            *notice += QStringLiteral("La copie des indices du registre n’a pas pu être écrite "
                                      "dans %1 (%2)\u00a0: ce poste calcule quand même avec les "
                                      "indices du registre. ")
                           .arg(quotedPath(path), reason);
    }
    installRows(table, std::move(read.rows), QFileInfo(path).lastModified(), figures.content);
    return true;
}

// The desk's own file beside it under a dated name, before the register's copy
// replaces it. False, with *notice, when it could not be kept.
bool keepAside(const QString& path, const QByteArray& bytes, const QString& why, QString* notice)
{
    const QString kept = path + QStringLiteral(".poste-")
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString reason;
    if (!writeFileSafely(kept, bytes, &reason)) {
        *notice += QStringLiteral("Le fichier des indices de ce poste n’est pas repris dans le "
                                  "registre (%1) et n’a pas pu être gardé de côté (%2)\u00a0: il "
                                  "reste tel quel, et ce poste calcule avec les indices du "
                                  "registre. ")
                       .arg(why, reason);
        return false;
    }
    *notice += QStringLiteral(
                   "Le fichier des indices de ce poste n’est pas repris dans le "
                   "registre\u00a0: %1. Ce poste calcule avec les indices du registre\u00a0; son "
                   "fichier est gardé sous %2. ")
                   .arg(why, quotedPath(kept));
    return true;
}

} // namespace

std::optional<OfficeFigures> takeOfficeFigures(LeaseStore& store, IndexTable& table,
                                               const DeskMerge& mergeDesk, const QDate& today)
{
    const FileRead desk = readRegularFile(table.filePath, kMaxIndexFileBytes);
    IndexFileResult deskRead;
    if (desk.ok())
        deskRead = parseIndexFile(desk.bytes);
    else
        deskRead.status = IndexFileResult::Status::Missing;
    std::optional<LeaseStore::IndexFigures> figures = store.indexFigures();
    if (!figures)
        return std::nullopt;
    OfficeFigures out;
    QString summary, refused;
    if (deskRead.ok() && desk.bytes != figures->content && !store.isReadOnly()) {
        IndexChange made;
        const auto merged = store.mergeIndexFigures([&](const QByteArray& current) {
            if (!current.isEmpty()) {
                made = mergeDesk(current, desk.bytes, today);
                return made;
            }
            // The first desk's file becomes the office's.
            made = IndexChange();
            made.bytes = desk.bytes;
            made.summary = QStringLiteral("Les indices du registre sont pris du fichier des "
                                          "indices de ce poste (jusqu’au %1).")
                               .arg(newestQuarter(deskRead.rows).label());
            return made;
        });
        if (merged) {
            if (merged->version != figures->version)
                summary = made.summary;
            figures = merged;
        } else if (store.errorKind() == StoreError::Refused) {
            refused = clause(store.error());
        } else {
            return std::nullopt;
        }
    }
    if (figures->content.isEmpty())
        return out; // none yet, and none this desk may give: it computes from its own file

    // What the desk's file holds that the register does not is never lost.
    bool keepCopy = true;
    if (desk.ok() && !desk.bytes.isEmpty() && desk.bytes != figures->content) {
        QString why = refused;
        if (!deskRead.ok()) {
            why = QStringLiteral("il ne se lit pas (%1)").arg(corruptionDetail(deskRead));
        } else if (why.isEmpty()) {
            const IndexChange left = mergeDesk(figures->content, desk.bytes, today);
            if (left.refused())
                why = left.refusal;
            else if (!left.bytes.isEmpty())
                why = store.isReadOnly()
                          ? QStringLiteral("ce poste ne peut que lire le registre (%1)")
                                .arg(store.readOnlyReason())
                          : QStringLiteral("le registre ne l’a pas pris");
        }
        if (!why.isEmpty())
            keepCopy = keepAside(table.filePath, desk.bytes, why, &out.notice);
    }
    out.taken = install(*figures, table, keepCopy, &out.notice);
    out.notice = out.notice.trimmed();
    if (!out.taken)
        return out;
    out.version = figures->version;
    out.summary = summary;
    return out;
}

std::optional<OfficeFigures> followOfficeFigures(LeaseStore& store, IndexTable& table, qint64 held)
{
    const std::optional<qint64> version = store.indexFiguresVersion();
    if (!version)
        return std::nullopt;
    OfficeFigures out;
    out.taken = held > 0;
    out.version = held;
    if (*version == held || *version == 0)
        return out;
    const std::optional<LeaseStore::IndexFigures> figures = store.indexFigures();
    if (!figures)
        return std::nullopt;
    if (figures->content.isEmpty() || !install(*figures, table, true, &out.notice)) {
        out.notice = out.notice.trimmed();
        return out;
    }
    out.taken = true;
    out.version = figures->version;
    out.notice = out.notice.trimmed();
    return out;
}

IndexTarget officeTarget(LeaseStore& store, IndexTable& table, qint64* version)
{
    IndexTarget target;
    target.shared = true;
    target.read = [&store](QString* why) -> std::optional<QByteArray> {
        const std::optional<LeaseStore::IndexFigures> figures = store.indexFigures();
        if (!figures) {
            *why = clause(store.error());
            return std::nullopt;
        }
        return figures->content;
    };
    target.write = [&store, &table, version](const IndexMerge& merge, QString* notice) {
        const std::optional<LeaseStore::IndexFigures> figures = store.mergeIndexFigures(merge);
        if (!figures)
            return clause(store.error());
        QString said;
        if (!figures->content.isEmpty() && (!version || *version != figures->version)
            && install(*figures, table, true, &said) && version)
            *version = figures->version;
        if (notice)
            *notice += said.trimmed();
        return QString();
    };
    return target;
}

} // namespace velmaris
