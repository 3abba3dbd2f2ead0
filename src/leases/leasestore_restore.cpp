// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing a backup back: checked first, brought to this program's schema on a
// copy, then put in place of every lease in one transaction, after a dated
// copy of the register as it was. Other copies of the program see the change
// as any other commit; nothing is ever half replaced.
#include "leasestore.h"
#include "typography.h"

#include "leasestore_p.h"
#include "quoting.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace velmaris {

using namespace storeinternal;

namespace {

const QString kRestoredLeaseColumns = QStringLiteral(
    "id, reference, tenant, address, postal_code, territory, furnished, signing_date, "
    "start_date, reference_quarter, revision_day, revision_month, clause, dpe_class, dpe_date, "
    "rent_cents, charges_cents, prior_revision, notes, town, landlord_kind, owner_id, "
    "tenant_email");
const QString kOwnerColumns =
    QStringLiteral("id, name, address, postal_code, town, kind, email, phone, notes");
const QString kAgencyColumns =
    QStringLiteral("id, name, address, postal_code, town, card_number, card_chamber, "
                   "guarantor_name, guarantor_address, email, phone, version");
const QString kChargedColumns = QStringLiteral("id, lease_id, month, rent_cents, request_date");
const QString kSentColumns =
    QStringLiteral("id, lease_id, due_date, sent_on, channel, sent_by, sent_at");

// The landlord a backup carries, then the table taken out of the copy: the
// register itself never holds it.
std::optional<BackupLandlord> takeLandlord(QSqlDatabase db, QSqlError* error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT key, value FROM backup_landlord")))
        return std::nullopt;
    BackupLandlord landlord;
    QString lines[5];
    while (query.next()) {
        const QString key = query.value(0).toString(), value = query.value(1).toString();
        if (key == u"NOM")
            landlord.name = value;
        else if (key == u"LIEU")
            landlord.place = value;
        else if (key.size() == 8 && key.startsWith(u"ADRESSE") && key[7] >= u'1' && key[7] <= u'5')
            lines[key[7].unicode() - u'1'] = value;
    }
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty())
            landlord.address << line;
    }
    query.finish();
    run(db, QStringLiteral("DROP TABLE backup_landlord"), error);
    return landlord;
}

// Brings the copy to this program's schema, in one transaction.
bool migrateCopy(QSqlDatabase db, int version, QString* refused, QSqlError* error)
{
    if (!run(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    if (!migrateSchema(db, version, false, refused, error)) {
        run(db, QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    return run(db, QStringLiteral("COMMIT"), error);
}

// A whole, compact copy of the database open on a connection.
QSqlError vacuumInto(const QString& connection, const QString& target)
{
    QSqlQuery copy(QSqlDatabase::database(connection, false));
    copy.prepare(QStringLiteral("VACUUM INTO ?"));
    copy.addBindValue(target);
    return copy.exec() ? QSqlError() : copy.lastError();
}

// What in one lease row of a backup no register of this program would hold.
QStringList rowProblems(const QSqlQuery& q)
{
    QStringList problems;
    const auto unknown = [&](int column, bool known, const char16_t* what) {
        if (!known)
            problems << QString::fromUtf16(what) + u' ' + quoted(q.value(column).toString());
    };
    const QString territory = q.value(5).toString();
    unknown(5, territory.isEmpty() || territoryFromText(territory).has_value(),
            u"territoire inconnu");
    const QString clause = q.value(12).toString();
    unknown(12, clause == u"hausse" || clause == u"hausse_baisse", u"clause inconnue");
    const QString quarter = q.value(9).toString();
    unknown(9, quarter.isEmpty() || Quarter::fromKey(quarter).has_value(),
            u"trimestre de référence invalide");
    unknown(13, dpeFromText(q.value(13).toString()).has_value(), u"classe DPE inconnue");
    unknown(21, landlordKindFromText(q.value(21).toString()).has_value(), u"bailleur inconnu");
    for (const auto& [column, what] : {std::pair{14, u"date du DPE invalide"},
                                       std::pair{17, u"date de dernière révision invalide"}}) {
        const QString date = q.value(column).toString();
        unknown(column, date.isEmpty() || dateFromKey(date).isValid(), what);
    }
    // Every rule the form and the import apply; a territory still to choose
    // (an older register's) stays to choose.
    Lease lease = leaseFromRow(q);
    if (lease.territory == Territory::Unset)
        lease.territory = Territory::Metropole;
    problems << validateLease(lease);
    return problems;
}

// Why the backup's leases cannot come back, naming the first leases at fault;
// empty when each holds as the form and the import would take it.
QString restoredLeasesProblem(QSqlDatabase db, QSqlError* error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT ") + kLeaseColumns + QStringLiteral(" FROM leases"))) {
        *error = q.lastError();
        return {};
    }
    QStringList faults;
    int count = 0;
    while (q.next())
        if (const QStringList problems = rowProblems(q); !problems.isEmpty() && count++ < 5)
            faults << QStringLiteral("bail %1\u00a0: %2")
                          .arg(quoted(q.value(1).toString()), problems.join(QStringLiteral(", ")));
    if (count > 5)
        faults << QStringLiteral("et ") + countOf(count - 5, u"autre bail", u"autres baux");
    return faults.join(QStringLiteral("\u00a0; "));
}

} // namespace

bool LeaseStore::restoreFrom(const QString& source, QString* keptCopy, BackupLandlord* landlord)
{
    if (!checkWritable())
        return false;
    if (isServer())
        return refuseOnServer(QStringLiteral("La restauration d’une sauvegarde"));
    auto refuse = [&](StoreError kind, const QString& why) {
        return fail(QStringLiteral("La sauvegarde ") + quotedPath(source)
                        + QStringLiteral(" n’est pas restaurée\u00a0: ") + why
                        + QStringLiteral("\u00a0; le registre n’a pas été modifié."),
                    kind);
    };
    if (QFileInfo(source).absoluteFilePath() == QFileInfo(m_path).absoluteFilePath())
        return refuse(StoreError::Refused, QStringLiteral("c’est le registre lui-même"));

    // The backup is read on a connection of its own and copied beside the
    // register: the backup itself is never written to.
    QString name;
    // A backup that does not hold is refused as a file, whatever its fault:
    // the register itself is fine.
    const FileCheck check = checkRegisterFile(source, false, &name);
    if (!check.ok)
        return refuse(check.kind == StoreError::Busy ? StoreError::Busy : StoreError::Refused,
                      check.reason);
    const QString temp = m_path
                         + QStringLiteral(".restauration-%1-%2")
                               .arg(QCoreApplication::applicationPid())
                               .arg(QRandomGenerator::system()->generate64(), 16, 16, QChar(u'0'));
    QFile::remove(temp);
    QSqlError e = vacuumInto(name, temp);
    closeConnection(name);
    auto cleanUp = [&temp] {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        QFile::remove(temp + QStringLiteral("-wal"));
        QFile::remove(temp + QStringLiteral("-shm"));
    };
    if (e.isValid()) {
        cleanUp();
        return refuse(kindOf(e), describe(e, m_path));
    }
    // The steps said as they go (a restore of a large register takes seconds);
    // stopped before the replacement commits, nothing is changed.
    constexpr int kSteps = 6;
    if (!reportProgress(1, kSteps)) {
        cleanUp();
        return false;
    }

    std::optional<BackupLandlord> carried;
    name.clear();
    const FileCheck copyCheck = checkRegisterFile(temp, true, &name);
    if (!copyCheck.ok) {
        cleanUp();
        return refuse(StoreError::Refused, copyCheck.reason);
    }
    QString faults;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (run(db, QStringLiteral("PRAGMA journal_mode = DELETE"), &e)
            && (copyCheck.version == kSchemaVersion
                || migrateCopy(db, copyCheck.version, &faults, &e))) {
            faults = restoredLeasesProblem(db, &e);
            // The history and the rents charged, by the rules the register holds.
            if (faults.isEmpty() && !e.isValid())
                faults = valuesRefused(db, false, &e, kSchemaVersion);
        }
        if (!e.isValid() && faults.isEmpty())
            carried = takeLandlord(db, &e);
    }
    closeConnection(name);
    if (e.isValid()) {
        cleanUp();
        return refuse(kindOf(e), describe(e, m_path));
    }
    // A backup edited by hand is refused whole, as an import is.
    if (!faults.isEmpty()) {
        cleanUp();
        return refuse(StoreError::Refused, QStringLiteral("elle contient des valeurs "
                                                          "impossibles (")
                                               + faults + u')');
    }

    // The register as it was stays beside it, under the date of its
    // replacement, copied once the replacement holds the write lock: a
    // revision another program records is either in that copy or waits and
    // lands in the restored register.
    QString kept;
    if (!reportProgress(2, kSteps)) {
        cleanUp();
        return false;
    }
    const bool ok = replaceFrom(temp, [&] { return keepCopy(&kept) && reportProgress(3, kSteps); });
    cleanUp();
    if (!ok) {
        if (!kept.isEmpty())
            QFile::remove(kept);
        return false;
    }
    if (keptCopy)
        *keptCopy = kept;
    if (landlord && carried)
        *landlord = *carried;
    return true;
}

bool LeaseStore::keepCopy(QString* kept)
{
    // A connection of its own: the register's holds the write lock, and
    // reading goes on beside a write.
    static std::atomic<int> count{0};
    const QString name = QStringLiteral("velmaris-kept-%1").arg(++count);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        ok = db.open()
                 ? copyTo(datedCopyName(m_path, QDateTime::currentDateTime()), nullptr, kept, db)
                 : failSql(db.lastError());
    }
    closeConnection(name);
    return ok;
}

bool LeaseStore::replaceFrom(const QString& copy, const std::function<bool()>& keepOld)
{
    QSqlDatabase db = database();
    QSqlError e;
    QSqlQuery attach(db);
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS restored"));
    attach.addBindValue(copy);
    if (!attach.exec())
        return failSql(attach.lastError());
    attach.finish();
    bool ok = false;
    {
        Transaction transaction(db);
        if (!transaction.begun()) {
            e = transaction.error();
        } else {
            // Restored leases count their versions on from every version seen
            // here: a form opened before the restore can never write over them.
            const QString cols = kRestoredLeaseColumns;
            ok = keepOld()
                 && run(db,
                        QStringLiteral("CREATE TEMP TABLE restore_base AS SELECT coalesce(max("
                                       "version), 0) AS v FROM main.leases"),
                        &e)
                 && run(db,
                        QStringLiteral("CREATE TEMP TABLE restore_owner_base AS SELECT "
                                       "coalesce(max(version), 0) AS v FROM main.owners"),
                        &e)
                 && run(db, QStringLiteral("DELETE FROM main.leases"), &e)
                 && run(db, QStringLiteral("DELETE FROM main.owners"), &e)
                 && run(db, QStringLiteral("DELETE FROM main.agency"), &e)
                 && run(db, QStringLiteral("DELETE FROM main.adopted_landlords"), &e)
                 && run(db,
                        QStringLiteral("INSERT INTO main.owners (") + kOwnerColumns
                            + QStringLiteral(", version) SELECT ") + kOwnerColumns
                            + QStringLiteral(", version + (SELECT v FROM restore_owner_base) "
                                             "FROM restored.owners"),
                        &e)
                 && run(db,
                        QStringLiteral("INSERT INTO main.agency (") + kAgencyColumns
                            + QStringLiteral(") SELECT ") + kAgencyColumns
                            + QStringLiteral(" FROM restored.agency"),
                        &e)
                 && run(db,
                        QStringLiteral("INSERT INTO main.adopted_landlords (id, key) SELECT id, "
                                       "key FROM restored.adopted_landlords"),
                        &e)
                 && reportProgress(4, 6)
                 && run(db,
                        QStringLiteral("INSERT INTO main.leases (") + cols
                            + QStringLiteral(", version) SELECT ") + cols
                            + QStringLiteral(", version + (SELECT v FROM restore_base) FROM "
                                             "restored.leases"),
                        &e)
                 && reportProgress(5, 6)
                 && run(db,
                        QStringLiteral("INSERT INTO main.revisions (") + kRevisionColumns
                            + QStringLiteral(") SELECT ") + kRevisionColumns
                            + QStringLiteral(" FROM restored.revisions"),
                        &e)
                 && run(db,
                        QStringLiteral("INSERT INTO main.charged_rents (") + kChargedColumns
                            + QStringLiteral(") SELECT ") + kChargedColumns
                            + QStringLiteral(" FROM restored.charged_rents"),
                        &e)
                 && run(db,
                        QStringLiteral("INSERT INTO main.letters_sent (") + kSentColumns
                            + QStringLiteral(") SELECT ") + kSentColumns
                            + QStringLiteral(" FROM restored.letters_sent"),
                        &e)
                 && run(db, QStringLiteral("DROP TABLE temp.restore_base"), &e)
                 && run(db, QStringLiteral("DROP TABLE temp.restore_owner_base"), &e)
                 && transaction.commit();
            if (!ok && !e.isValid())
                e = transaction.error();
        }
    }
    run(db, QStringLiteral("DETACH DATABASE restored"), nullptr);
    if (!ok && e.isValid())
        return failSql(e);
    if (!ok)
        return false; // the kept copy said why
    return true;
}

} // namespace velmaris
