// SPDX-License-Identifier: GPL-3.0-or-later
// The register's schema, version by version, and how a register's version is
// read and brought up to date. A step, once shipped, never changes: files in
// the field were made by it.
#include "leasestore.h"

#include "leasestore_p.h"
#include "quoting.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace velmaris::storeinternal {

namespace {

// Version 1, as the first Velmaris register wrote it. A new file is created
// with it and then migrated, so that every file goes the same way.
const char* const kSchemaV1[] = {
    "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "INSERT INTO schema_version (version) VALUES (1)",
    "CREATE TABLE leases ("
    " id INTEGER PRIMARY KEY,"
    " reference TEXT NOT NULL UNIQUE,"
    " tenant TEXT NOT NULL DEFAULT '',"
    " address TEXT NOT NULL DEFAULT '',"
    " postal_code TEXT NOT NULL DEFAULT '',"
    " furnished INTEGER NOT NULL DEFAULT 0,"
    " signing_date TEXT NOT NULL,"
    " start_date TEXT NOT NULL,"
    " reference_quarter TEXT NOT NULL DEFAULT '',"
    " revision_day INTEGER NOT NULL DEFAULT 0,"
    " revision_month INTEGER NOT NULL DEFAULT 0,"
    " clause TEXT NOT NULL DEFAULT 'hausse',"
    " dpe_class TEXT NOT NULL DEFAULT '',"
    " dpe_date TEXT NOT NULL DEFAULT '',"
    " rent_cents INTEGER NOT NULL,"
    " charges_cents INTEGER NOT NULL DEFAULT 0,"
    " notes TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE revisions ("
    " id INTEGER PRIMARY KEY,"
    " lease_id INTEGER NOT NULL REFERENCES leases(id) ON DELETE CASCADE,"
    " due_date TEXT NOT NULL,"
    " request_date TEXT NOT NULL,"
    " effective_date TEXT NOT NULL,"
    " old_rent_cents INTEGER NOT NULL,"
    " new_rent_cents INTEGER NOT NULL,"
    " base_quarter TEXT NOT NULL,"
    " base_value REAL NOT NULL,"
    " new_quarter TEXT NOT NULL,"
    " new_value REAL NOT NULL,"
    " series TEXT NOT NULL,"
    " notes TEXT NOT NULL DEFAULT '')",
};

// Version 2: the territory becomes a column of its own (editable, first taken
// from the postal code by territoriesFromPostalCodes()), the revision known
// before the register, an index for the history, and the history made
// append-only in the file itself (a record goes only with its lease).
const char* const kMigrationTo2[] = {
    "ALTER TABLE leases ADD COLUMN territory TEXT NOT NULL DEFAULT 'metropole'",
    "ALTER TABLE leases ADD COLUMN prior_revision TEXT NOT NULL DEFAULT ''",
    "CREATE INDEX revisions_by_lease ON revisions (lease_id, due_date)",
    "CREATE TRIGGER revisions_no_update BEFORE UPDATE ON revisions"
    " BEGIN SELECT RAISE(ABORT, 'historique en ajout seul'); END",
    "CREATE TRIGGER revisions_no_delete BEFORE DELETE ON revisions"
    " WHEN EXISTS (SELECT 1 FROM leases WHERE id = OLD.lease_id)"
    " BEGIN SELECT RAISE(ABORT, 'historique en ajout seul'); END",
    "UPDATE schema_version SET version = 2",
};

// Version 3: the rents a landlord actually charged, period by period, for the
// audit of a lease; they go with their lease.
const char* const kMigrationTo3[] = {
    "CREATE TABLE charged_rents ("
    " id INTEGER PRIMARY KEY,"
    " lease_id INTEGER NOT NULL REFERENCES leases(id) ON DELETE CASCADE,"
    " month TEXT NOT NULL,"
    " rent_cents INTEGER NOT NULL,"
    " request_date TEXT NOT NULL DEFAULT '',"
    " UNIQUE (lease_id, month))",
    "UPDATE schema_version SET version = 3",
};

// Version 4: each lease counts its changes, so that a change made from a
// copy read before another one is refused instead of undoing it.
const char* const kMigrationTo4[] = {
    "ALTER TABLE leases ADD COLUMN version INTEGER NOT NULL DEFAULT 1",
    "UPDATE schema_version SET version = 4",
};

// Version 5: the town beside the postal code (the address's last line), and
// who the landlord is, which sets the renewal term of an unfurnished lease.
const char* const kMigrationTo5[] = {
    "ALTER TABLE leases ADD COLUMN town TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE leases ADD COLUMN landlord_kind TEXT NOT NULL DEFAULT 'physique'",
    "UPDATE schema_version SET version = 5",
};

// Version 6: each record says who applied it (the desk's user) and when
// (UTC, ISO), for an office where several people revise.
const char* const kMigrationTo6[] = {
    "ALTER TABLE revisions ADD COLUMN applied_by TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE revisions ADD COLUMN applied_at TEXT NOT NULL DEFAULT ''",
    "UPDATE schema_version SET version = 6",
};

// Version 8: the register's owners (every lease belongs to one; the lease's
// landlord kind follows its owner's), the agency that manages it, and the
// office's index figures (the index file's text, one row, on a server register).
const char* const kMigrationTo8[] = {
    "CREATE TABLE owners ("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " address TEXT NOT NULL DEFAULT '',"
    " postal_code TEXT NOT NULL DEFAULT '',"
    " town TEXT NOT NULL DEFAULT '',"
    " kind TEXT NOT NULL DEFAULT 'physique',"
    " email TEXT NOT NULL DEFAULT '',"
    " phone TEXT NOT NULL DEFAULT '',"
    " notes TEXT NOT NULL DEFAULT '',"
    " version INTEGER NOT NULL DEFAULT 1)",
    "ALTER TABLE leases ADD COLUMN owner_id INTEGER REFERENCES owners(id)",
    "CREATE INDEX leases_by_owner ON leases (owner_id)",
    "CREATE TABLE agency ("
    " id INTEGER PRIMARY KEY CHECK (id = 1),"
    " name TEXT NOT NULL,"
    " address TEXT NOT NULL DEFAULT '',"
    " postal_code TEXT NOT NULL DEFAULT '',"
    " town TEXT NOT NULL DEFAULT '',"
    " card_number TEXT NOT NULL DEFAULT '',"
    " card_chamber TEXT NOT NULL DEFAULT '',"
    " guarantor_name TEXT NOT NULL DEFAULT '',"
    " guarantor_address TEXT NOT NULL DEFAULT '',"
    " email TEXT NOT NULL DEFAULT '',"
    " phone TEXT NOT NULL DEFAULT '',"
    " version INTEGER NOT NULL DEFAULT 1)",
    // The desks' own landlords already taken in, so that an owner deleted
    // afterwards does not come back at the next opening.
    "CREATE TABLE adopted_landlords (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE)",
    "CREATE TABLE index_figures ("
    " id INTEGER PRIMARY KEY CHECK (id = 1),"
    " content TEXT NOT NULL,"
    " version INTEGER NOT NULL DEFAULT 1,"
    " updated_by TEXT NOT NULL DEFAULT '',"
    " updated_at TEXT NOT NULL DEFAULT '')",
};

// Version 9: the tenant's e-mail address, and the letters that went out: the
// day each revision's letter was sent, printed or saved, and how; the request
// of the revision dates from it.
QStringList migrationTo9(bool server)
{
    const QString date = server ? QStringLiteral("DATE") : QStringLiteral("TEXT");
    QStringList steps = {
        QStringLiteral("ALTER TABLE leases ADD COLUMN tenant_email TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE TABLE letters_sent ("
                       " id %1 PRIMARY KEY,"
                       " lease_id %2 NOT NULL REFERENCES leases(id) ON DELETE CASCADE,"
                       " due_date %3 NOT NULL,"
                       " sent_on %3 NOT NULL,"
                       " channel TEXT NOT NULL,"
                       " sent_by TEXT NOT NULL DEFAULT '',"
                       " sent_at %4)")
            .arg(server ? QStringLiteral("BIGSERIAL") : QStringLiteral("INTEGER"),
                 server ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER"), date,
                 server ? QStringLiteral("TIMESTAMPTZ")
                        : QStringLiteral("TEXT NOT NULL DEFAULT ''")),
        QStringLiteral("CREATE INDEX letters_sent_by_lease ON letters_sent (lease_id, due_date)"),
    };
    return steps << ruleSteps(server, 9) << QStringLiteral("UPDATE schema_version SET version = 9");
}

// The append-only history on a server: PostgreSQL's triggers call a function.
// The lease of a cascaded delete is already gone when its records go.
const char* const kServerHistoryGuard[] = {
    "CREATE FUNCTION revisions_append_only() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " IF TG_OP = 'UPDATE' OR EXISTS (SELECT 1 FROM leases WHERE id = OLD.lease_id) THEN"
    " RAISE EXCEPTION 'historique en ajout seul'; END IF; RETURN OLD; END $$",
    "CREATE TRIGGER revisions_no_update BEFORE UPDATE ON revisions"
    " FOR EACH ROW EXECUTE FUNCTION revisions_append_only()",
    "CREATE TRIGGER revisions_no_delete BEFORE DELETE ON revisions"
    " FOR EACH ROW EXECUTE FUNCTION revisions_append_only()",
};

// The same step in PostgreSQL's words: its own keys and 64-bit integers, its
// doubles, its triggers.
void addStep(QStringList& steps, const char* sql, bool server)
{
    QString step = QString::fromLatin1(sql);
    if (server) {
        if (step.startsWith(u"CREATE TRIGGER")) {
            if (step.contains(u"revisions_no_update"))
                for (const char* guard : kServerHistoryGuard)
                    steps << QString::fromLatin1(guard);
            return;
        }
        step.replace(QStringLiteral("INTEGER PRIMARY KEY"),
                     QStringLiteral("BIGSERIAL PRIMARY KEY"));
        step.replace(QStringLiteral(" INTEGER"), QStringLiteral(" BIGINT"));
        step.replace(QStringLiteral(" REAL"), QStringLiteral(" DOUBLE PRECISION"));
    }
    steps << step;
}

} // namespace

QStringList migrationSteps(int fromVersion, bool server, int toVersion)
{
    struct Step {
        const char* const* sql;
        std::size_t count;
    };
    const Step steps[] = {
        {kSchemaV1, std::size(kSchemaV1)},         {kMigrationTo2, std::size(kMigrationTo2)},
        {kMigrationTo3, std::size(kMigrationTo3)}, {kMigrationTo4, std::size(kMigrationTo4)},
        {kMigrationTo5, std::size(kMigrationTo5)}, {kMigrationTo6, std::size(kMigrationTo6)},
    };
    QStringList result;
    for (int version = fromVersion + 1; version <= toVersion; ++version) {
        if (version == 7) {
            result << typedSchemaSteps(server);
        } else if (version == 8) {
            for (const char* sql : kMigrationTo8)
                addStep(result, sql, server);
            result << ruleSteps(server, 8)
                   << QStringLiteral("UPDATE schema_version SET version = 8");
        } else if (version == 9) {
            result << migrationTo9(server);
        } else
            for (std::size_t i = 0; i < steps[version - 1].count; ++i)
                addStep(result, steps[version - 1].sql[i], server);
    }
    return result;
}

bool migrateSchema(QSqlDatabase db, int from, bool server, QString* refused, QSqlError* error)
{
    const auto runAll = [&](const QStringList& steps) {
        for (const QString& sql : steps)
            if (!run(db, sql, error))
                return false;
        return true;
    };
    if (!runAll(migrationSteps(from, server, std::min(6, LeaseStore::kSchemaVersion))))
        return false;
    if (from >= 1 && from < 2 && !territoriesFromPostalCodes(db, error))
        return false;
    if (from >= 1 && from < 7) {
        // Rows another tool wrote that the typed schema would refuse, or
        // read as something else: said, and nothing changed.
        *refused = valuesRefused(db, server, error);
        if (error->isValid() || !refused->isEmpty())
            return false;
    }
    return runAll(migrationSteps(std::max(from, 6), server));
}

bool territoriesFromPostalCodes(QSqlDatabase db, QSqlError* error)
{
    QSqlQuery read(db);
    if (!read.exec(QStringLiteral("SELECT id, postal_code FROM leases"))) {
        *error = read.lastError();
        return false;
    }
    QSqlQuery write(db);
    if (!write.prepare(QStringLiteral("UPDATE leases SET territory = ? WHERE id = ?"))) {
        *error = write.lastError();
        return false;
    }
    while (read.next()) {
        // Registers of that age took every 97xxx code as overseas: they read as before.
        Territory territory = territoryFromPostalCode(read.value(1).toString());
        if (territory == Territory::Unset)
            territory = Territory::OutreMer;
        write.addBindValue(territoryKey(territory));
        write.addBindValue(read.value(0));
        if (!write.exec()) {
            *error = write.lastError();
            return false;
        }
    }
    if (read.lastError().isValid()) {
        *error = read.lastError();
        return false;
    }
    return true;
}

} // namespace velmaris::storeinternal

namespace velmaris {

using namespace storeinternal;

int LeaseStore::readVersion(bool* ok)
{
    *ok = false;
    QSqlQuery query(database());
    const QString tables =
        // pg_tables lists every table, those the role may not read too: a
        // register it has no right on is not taken for an empty database.
        isServer() ? QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables "
                                    "WHERE schemaname = '%1'")
                         .arg(QString::fromLatin1(kServerSchema))
                   : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'");
    if (!query.exec(tables) || !query.next()) {
        failSql(query.lastError());
        return 0;
    }
    if (query.value(0).toInt() == 0) {
        *ok = true;
        return 0; // a new file
    }
    if (!query.exec(QStringLiteral("SELECT version FROM schema_version")) || !query.next()) {
        // Only a missing table says it is no register; anything else says why.
        if (isServer() && query.lastError().nativeErrorCode() == u"42501")
            fail(QStringLiteral("Le rôle connecté n’a pas le droit de lire le registre des baux ")
                     + quoted(m_path)
                     + QStringLiteral("\u00a0: demandez à l’administrateur du serveur les droits d’un "
                                      "poste (packaging/velmaris-roles.sql)."),
                 StoreError::ReadOnly);
        else if (isServer()
                     ? query.lastError().nativeErrorCode() != u"42P01"
                     : sqliteCode(query.lastError()) == 5 || sqliteCode(query.lastError()) == 6)
            failSql(query.lastError());
        else
            fail(quotedPath(m_path)
                     + QStringLiteral(" n’est pas un registre des baux de Velmaris\u00a0; il n’a pas "
                                      "été modifié."),
                 StoreError::Damaged);
        return 0;
    }
    *ok = true;
    return query.value(0).toInt();
}

bool LeaseStore::migrate(int from)
{
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun())
        return failSql(transaction.error());
    // Two desks opening a new database at once: the second waits for the
    // first one's schema, then finds it made.
    QSqlError e;
    if (isServer() && !run(db, QStringLiteral("SELECT pg_advisory_xact_lock(8367227)"), &e))
        return failSql(e);
    // Another program may have migrated the file between our look and our lock.
    bool ok = false;
    const int version = readVersion(&ok);
    if (!ok)
        return false;
    if (version != from)
        return version == kSchemaVersion ? transaction.commit() || failSql(transaction.error())
                                         : fail(QStringLiteral("Le registre des baux a changé "
                                                               "pendant son ouverture."),
                                                StoreError::Busy);
    QString refused;
    if (!migrateSchema(db, version, isServer(), &refused, &e)) {
        if (e.isValid())
            return failSql(e);
        return fail(QStringLiteral("Le registre des baux ") + quotedPath(m_path)
                        + QStringLiteral(" ne peut pas être mis à jour\u00a0: il contient une valeur "
                                         "que cette version refuse (")
                        + refused
                        + QStringLiteral("), sans doute écrite par un autre outil. Corrigez-la "
                                         "avec cet outil\u00a0; le registre n’a pas été modifié."),
                    StoreError::Damaged);
    }
    if (!transaction.commit())
        return failSql(transaction.error());
    return true;
}

} // namespace velmaris
