// SPDX-License-Identifier: GPL-3.0-or-later
// What the register's failures are, and what they say in French.
#include "leasestore.h"

#include "leasestore_p.h"
#include "quoting.h"

#include <QDir>
#include <QFileInfo>

namespace velmaris {

using namespace storeinternal;

namespace {

// Why SQLite could not open or make the file, as far as the folder tells.
QString cantOpenCause(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!file.exists() && !folder.isWritable())
        return QStringLiteral("\u00a0: le dossier ") + quotedPath(folder.filePath())
               + QStringLiteral(" est en lecture seule, le registre ne peut pas y être créé");
    if (file.exists() && !file.isReadable())
        return QStringLiteral("\u00a0: le fichier n’est pas lisible par l’utilisateur qui lance "
                              "Velmaris");
    if (!folder.isWritable())
        return QStringLiteral("\u00a0: le dossier ") + quotedPath(folder.filePath())
               + QStringLiteral(" est en lecture seule (SQLite y écrit son journal)");
    return {};
}

} // namespace

namespace storeinternal {

int sqliteCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

StoreError kindOf(const QSqlError& error)
{
    switch (sqliteCode(error)) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return StoreError::Busy;
    case 8: // SQLITE_READONLY
        return StoreError::ReadOnly;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return StoreError::Damaged;
    case 13: // SQLITE_FULL
        return StoreError::Full;
    default:
        return StoreError::Unavailable;
    }
}

QString describe(const QSqlError& error, const QString& path)
{
    const QString file = quotedPath(path);
    switch (sqliteCode(error)) {
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("Impossible d’ouvrir le registre des baux ") + file
               + cantOpenCause(path) + u'.';
    case 19: // SQLITE_CONSTRAINT
        if (const QString refused = refusedValueText(error.databaseText(), file);
            !refused.isEmpty())
            return refused;
        break;
    case 10: // SQLITE_IOERR
        return QStringLiteral("Erreur de lecture ou d’écriture sur le registre des baux ") + file
               + QStringLiteral("\u00a0; il n’a pas été modifié.");
    default:
        break;
    }
    const StoreError kind = kindOf(error);
    if (kind != StoreError::Unavailable)
        return storeErrorText(kind, path);
    return QStringLiteral("Erreur du registre des baux ") + file + QStringLiteral("\u00a0: ")
           + error.databaseText() + u'.';
}

} // namespace storeinternal

QString storeErrorText(StoreError kind, const QString& path)
{
    const QString file = quotedPath(path);
    switch (kind) {
    case StoreError::None:
        return {};
    case StoreError::NotOpen:
        return QStringLiteral("Le registre des baux n’est pas ouvert.");
    case StoreError::NotFound:
        return QStringLiteral("Ce bail n’est plus dans le registre.");
    case StoreError::Refused:
        return QStringLiteral("Le registre des baux ") + file
               + QStringLiteral(" refuse cette modification.");
    case StoreError::Conflict:
        return QStringLiteral("Ce bail a été modifié par ailleurs depuis son ouverture.");
    case StoreError::Busy:
        return QStringLiteral("Le registre des baux ") + file
               + QStringLiteral(" est occupé par un autre programme. Réessayez dans un instant.");
    case StoreError::ReadOnly:
        return QStringLiteral("Le registre des baux ") + file
               + QStringLiteral(" est en lecture seule\u00a0: la modification n’est pas enregistrée.");
    case StoreError::Full:
        return QStringLiteral("Le disque est plein\u00a0: le registre des baux ") + file
               + QStringLiteral(" n’a pas été modifié.");
    case StoreError::Damaged:
        return QStringLiteral("Le registre des baux ") + file
               + QStringLiteral(" est endommagé\u00a0; il n’a pas été modifié. Restaurez une copie "
                                "de sauvegarde ou déplacez ce fichier pour commencer un "
                                "nouveau registre.");
    case StoreError::Newer:
        return QStringLiteral("Le registre des baux ") + file
               + QStringLiteral(" a été écrit par une version plus récente de Velmaris\u00a0: "
                                "mettez le programme à jour pour l’ouvrir.");
    case StoreError::Password:
        return QStringLiteral("Le serveur refuse l’accès au registre des baux ") + file
               + QStringLiteral("\u00a0: mot de passe absent ou incorrect.");
    case StoreError::Unavailable:
        return QStringLiteral("Impossible d’ouvrir le registre des baux ") + file + u'.';
    case StoreError::NoRegister:
        return QStringLiteral("La base ") + file
               + QStringLiteral(" ne contient pas de registre des baux\u00a0: seuls un import de "
                                "baux, une copie de registre ou la fenêtre «\u00a0Baux\u00a0» (qui le "
                                "demande) en créent un.");
    case StoreError::Canceled:
        return QStringLiteral("Travail annulé\u00a0: le registre des baux ") + file
               + QStringLiteral(" n’a pas été modifié.");
    }
    return {};
}

} // namespace velmaris
