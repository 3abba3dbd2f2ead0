// SPDX-License-Identifier: GPL-3.0-or-later
// Where the register lives on an office's server (its own schema, made or
// moved there) and what the server lets the connected role do with it.
#include "leasestore.h"

#include "leasestore_p.h"
#include "quoting.h"

#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

bool LeaseStore::placeServerSchema()
{
    const QString schema = QString::fromLatin1(kServerSchema);
    QSqlQuery query(database());
    // The schema's name is the program's own: written in, one trip, no statement to prepare.
    if (!query.exec(QStringLiteral("SELECT EXISTS (SELECT FROM pg_namespace WHERE nspname = '%1'), "
                                   "to_regclass('public.schema_version') IS NOT NULL, "
                                   "(SELECT has_schema_privilege(oid, 'USAGE') FROM pg_namespace "
                                   "WHERE nspname = '%1'), "
                                   "(SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = "
                                   "'public')")
                        .arg(schema))
        || !query.next())
        return failSql(query.lastError());
    const bool there = query.value(0).toBool(), inPublic = query.value(1).toBool();
    const bool usable = query.value(2).toBool();
    const bool publicTables = query.value(3).toLongLong() > 0;
    query.finish();
    if (there && !usable)
        return fail(QStringLiteral("Le rôle connecté n’a pas le droit de lire le registre des "
                                   "baux %1 (il lui manque\u00a0: USAGE sur le schéma %2)\u00a0: demandez à "
                                   "l’administrateur du serveur les droits d’un poste.")
                        .arg(quoted(m_path), schema),
                    StoreError::ReadOnly);
    if (there)
        return true;
    // Tables of something else: the address names the wrong database.
    if (!inPublic && publicTables)
        return fail(quoted(m_path)
                        + QStringLiteral(" n’est pas un registre des baux de Velmaris\u00a0; il n’a "
                                         "pas été modifié."),
                    StoreError::Damaged);
    if (!inPublic && m_creation == Creation::Refused)
        return failKind(StoreError::NoRegister);
    if (inPublic) {
        // Moved only when this program can read it: a newer one's stays as it is.
        QSqlQuery version(database());
        if (!version.exec(QStringLiteral("SELECT version FROM public.schema_version"))
            || !version.next())
            return failSql(version.lastError());
        if (version.value(0).toInt() > kSchemaVersion)
            return failKind(StoreError::Newer);
    }
    // An earlier version's register, in "public": moved whole, with its
    // sequences and indexes, in one transaction.
    QSqlError e;
    Transaction transaction(database());
    bool ok = transaction.begun()
              && run(database(), QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + schema, &e);
    if (ok && inPublic) {
        QSqlQuery tables(database());
        ok = tables.exec(QStringLiteral("SELECT tablename FROM pg_catalog.pg_tables WHERE "
                                        "schemaname = 'public' AND tablename IN "
                                        "('schema_version', 'leases', 'revisions', "
                                        "'charged_rents', 'owners', 'agency', "
                                        "'adopted_landlords', 'index_figures', "
                                        "'letters_sent')"));
        QStringList names;
        while (ok && tables.next())
            names << tables.value(0).toString();
        if (!ok)
            e = tables.lastError();
        for (const QString& name : names)
            ok =
                ok
                && run(database(),
                       QStringLiteral("ALTER TABLE public.%1 SET SCHEMA %2").arg(name, schema), &e);
        // The history's guard goes with it.
        QSqlQuery guard(database());
        ok = ok
             && guard.exec(QStringLiteral(
                 "SELECT to_regprocedure('public.revisions_append_only()') IS NOT NULL"))
             && guard.next();
        if (ok && guard.value(0).toBool())
            ok = run(database(),
                     QStringLiteral("ALTER FUNCTION public.revisions_append_only() SET SCHEMA ")
                         + schema,
                     &e);
        else if (!ok && !e.isValid())
            e = guard.lastError();
    }
    if (!ok || !transaction.commit()) {
        if (!e.isValid())
            e = transaction.error();
        return failSql(e);
    }
    return true;
}

bool LeaseStore::readPrivileges()
{
    // Each right on its own: has_table_privilege() is true when any one of a
    // list is held. A sequence the schema lacks needs no right.
    struct Right {
        const char* sql;
        const char* what;
    };
    static const Right rights[] = {
        {"has_table_privilege('leases', 'SELECT')", "SELECT sur leases"},
        {"has_table_privilege('revisions', 'SELECT')", "SELECT sur revisions"},
        {"has_table_privilege('charged_rents', 'SELECT')", "SELECT sur charged_rents"},
        {"has_table_privilege('owners', 'SELECT')", "SELECT sur owners"},
        {"has_table_privilege('agency', 'SELECT')", "SELECT sur agency"},
        {"has_table_privilege('index_figures', 'SELECT')", "SELECT sur index_figures"},
        {"has_table_privilege('letters_sent', 'SELECT')", "SELECT sur letters_sent"},
        {"has_table_privilege('leases', 'INSERT')", "INSERT sur leases"},
        {"has_table_privilege('leases', 'UPDATE')", "UPDATE sur leases"},
        {"has_table_privilege('leases', 'DELETE')", "DELETE sur leases"},
        {"has_table_privilege('revisions', 'INSERT')", "INSERT sur revisions"},
        {"has_table_privilege('revisions', 'DELETE')", "DELETE sur revisions"},
        {"has_table_privilege('charged_rents', 'INSERT')", "INSERT sur charged_rents"},
        {"has_table_privilege('charged_rents', 'DELETE')", "DELETE sur charged_rents"},
        {"has_table_privilege('index_figures', 'INSERT')", "INSERT sur index_figures"},
        {"has_table_privilege('index_figures', 'UPDATE')", "UPDATE sur index_figures"},
        {"has_table_privilege('owners', 'INSERT')", "INSERT sur owners"},
        {"has_table_privilege('owners', 'UPDATE')", "UPDATE sur owners"},
        {"has_table_privilege('owners', 'DELETE')", "DELETE sur owners"},
        {"has_table_privilege('agency', 'INSERT')", "INSERT sur agency"},
        {"has_table_privilege('agency', 'DELETE')", "DELETE sur agency"},
        {"has_table_privilege('adopted_landlords', 'INSERT')", "INSERT sur adopted_landlords"},
        {"has_table_privilege('letters_sent', 'INSERT')", "INSERT sur letters_sent"},
        {"coalesce(has_sequence_privilege(pg_get_serial_sequence('letters_sent', 'id'), "
         "'USAGE'), true)",
         "USAGE sur la séquence de letters_sent"},
        {"coalesce(has_sequence_privilege(pg_get_serial_sequence('owners', 'id'), 'USAGE'), "
         "true)",
         "USAGE sur la séquence de owners"},
        {"coalesce(has_sequence_privilege(pg_get_serial_sequence('adopted_landlords', 'id'), "
         "'USAGE'), true)",
         "USAGE sur la séquence de adopted_landlords"},
        {"coalesce(has_sequence_privilege(pg_get_serial_sequence('leases', 'id'), 'USAGE'), "
         "true)",
         "USAGE sur la séquence de leases"},
        {"coalesce(has_sequence_privilege(pg_get_serial_sequence('revisions', 'id'), 'USAGE'), "
         "true)",
         "USAGE sur la séquence de revisions"},
        {"coalesce(has_sequence_privilege(pg_get_serial_sequence('charged_rents', 'id'), "
         "'USAGE'), true)",
         "USAGE sur la séquence de charged_rents"},
    };
    constexpr int kReading = 7; // the first ones: what reading needs
    QStringList columns = {QStringLiteral("current_user")};
    for (const Right& right : rights)
        columns << QString::fromLatin1(right.sql);
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")))
        || !query.next())
        return failSql(query.lastError());
    QStringList reading, writing;
    for (int i = 0; i < int(std::size(rights)); ++i)
        if (!query.value(i + 1).toBool())
            (i < kReading ? reading : writing) << QString::fromUtf8(rights[i].what);
    const QString role = quoted(query.value(0).toString());
    if (!reading.isEmpty())
        return fail(QStringLiteral("Le rôle %1 n’a pas le droit de lire le registre des baux %2 "
                                   "(il lui manque\u00a0: %3)\u00a0: demandez à l’administrateur du serveur "
                                   "les droits d’un poste.")
                        .arg(role, quoted(m_path), reading.join(QStringLiteral(", "))),
                    StoreError::ReadOnly);
    if (!writing.isEmpty()) {
        m_readOnly = true;
        m_readOnlyReason =
            writing.size() == int(std::size(rights)) - kReading
                ? QStringLiteral("le rôle %1 n’a que le droit de le lire").arg(role)
                : QStringLiteral("le rôle %1 n’a pas tous les droits d’y écrire (il lui manque\u00a0: "
                                 "%2)")
                      .arg(role, writing.join(QStringLiteral(", ")));
    }
    return true;
}

} // namespace velmaris
