// SPDX-License-Identifier: GPL-3.0-or-later
// What the register refuses to hold, said once for both back ends: a server
// gets typed columns and CHECK constraints, an SQLite file triggers with the
// same conditions. A row written by another tool is refused as ours would be.
#include "leasestore_p.h"

#include "quoting.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace velmaris::storeinternal {

namespace {

enum class Check {
    Date,
    OptionalDate,
    OptionalTimestamp,
    Flag,
    PostalCode,
    OneOf,
    Quarter,
    OptionalQuarter,
    Positive,
    NotNegative,
    PositiveDecimal,
    Range
};

struct Rule {
    const char* table;
    const char* column;
    const char16_t* label;
    Check check;
    const char* values = nullptr; // OneOf: the SQL list; Range: "low AND high"
    int since = 7;                // the schema version that brought the rule
};

const Rule kRules[] = {
    {"leases", "postal_code", u"code postal", Check::PostalCode},
    {"leases", "territory", u"territoire", Check::OneOf, "'', 'metropole', 'corse', 'outremer'"},
    {"leases", "furnished", u"meublé", Check::Flag},
    {"leases", "signing_date", u"date de signature", Check::Date},
    {"leases", "start_date", u"date d’effet", Check::Date},
    {"leases", "reference_quarter", u"trimestre de référence", Check::OptionalQuarter},
    {"leases", "revision_day", u"jour de révision", Check::Range, "0 AND 31"},
    {"leases", "revision_month", u"mois de révision", Check::Range, "0 AND 12"},
    {"leases", "clause", u"clause", Check::OneOf, "'hausse', 'hausse_baisse'"},
    {"leases", "dpe_class", u"classe DPE", Check::OneOf, "'', 'A', 'B', 'C', 'D', 'E', 'F', 'G'"},
    {"leases", "dpe_date", u"date du DPE", Check::OptionalDate},
    {"leases", "rent_cents", u"loyer", Check::Positive},
    {"leases", "charges_cents", u"charges", Check::NotNegative},
    {"leases", "prior_revision", u"date de dernière révision", Check::OptionalDate},
    {"leases", "version", u"version", Check::Positive},
    {"leases", "landlord_kind", u"bailleur", Check::OneOf, "'physique', 'morale'"},
    {"revisions", "due_date", u"date de révision", Check::Date},
    {"revisions", "request_date", u"date de la demande", Check::Date},
    {"revisions", "effective_date", u"date d’effet de la révision", Check::Date},
    {"revisions", "old_rent_cents", u"ancien loyer", Check::Positive},
    {"revisions", "new_rent_cents", u"nouveau loyer", Check::Positive},
    {"revisions", "base_quarter", u"trimestre de l’indice de base", Check::Quarter},
    {"revisions", "base_value", u"indice de base", Check::PositiveDecimal},
    {"revisions", "new_quarter", u"trimestre du nouvel indice", Check::Quarter},
    {"revisions", "new_value", u"nouvel indice", Check::PositiveDecimal},
    {"revisions", "series", u"série d’indices", Check::OneOf,
     "'icc', 'moyenne', 'irl', 'irl_corse', 'irl_outremer'"},
    {"revisions", "applied_at", u"date d’enregistrement", Check::OptionalTimestamp},
    {"charged_rents", "month", u"mois du loyer payé", Check::Date},
    {"charged_rents", "rent_cents", u"loyer payé", Check::Positive},
    {"charged_rents", "request_date", u"date de demande du loyer payé", Check::OptionalDate},
    {"owners", "postal_code", u"code postal du bailleur", Check::PostalCode, nullptr, 8},
    {"owners", "kind", u"type de bailleur", Check::OneOf, "'physique', 'sci', 'societe'", 8},
    {"owners", "version", u"version du bailleur", Check::Positive, nullptr, 8},
    {"agency", "postal_code", u"code postal de l’agence", Check::PostalCode, nullptr, 8},
    {"agency", "version", u"version de l’agence", Check::Positive, nullptr, 8},
    {"index_figures", "version", u"version des indices", Check::Positive, nullptr, 8},
    {"letters_sent", "due_date", u"date de révision de la lettre", Check::Date, nullptr, 9},
    {"letters_sent", "sent_on", u"date d’envoi de la lettre", Check::Date, nullptr, 9},
    {"letters_sent", "channel", u"envoi de la lettre", Check::OneOf,
     "'courriel', 'impression', 'pdf'", 9},
    {"letters_sent", "sent_at", u"date d’enregistrement de la lettre", Check::OptionalTimestamp,
     nullptr, 9},
};

QString ruleName(const Rule& rule)
{
    return QString::fromLatin1(rule.table) + u'_' + QString::fromLatin1(rule.column);
}

// How the rule reads a column c. Dialect: the SQLite file; a server register
// before its columns are typed (text and doubles, as versions up to 6 made
// them); a server register after (types say the dates, flags and decimals).
enum class Dialect { Sqlite, ServerText, ServerTyped };

QString condition(const Rule& rule, Dialect d, const QString& c)
{
    const bool lite = d == Dialect::Sqlite;
    // SQLite compares any text above any number: a number must be one.
    // A modifier makes SQLite's date() carry 30 February over into March.
    const QString integer = lite ? QStringLiteral("typeof(%1) = 'integer' AND ").arg(c) : QString();
    switch (rule.check) {
    case Check::Date:
        return lite                       ? QStringLiteral("date(%1, '+0 days') IS %1").arg(c)
               : d == Dialect::ServerText ? QStringLiteral("pg_temp.velmaris_is(%1, 'date')").arg(c)
                                          : QString();
    case Check::OptionalDate:
        return lite ? QStringLiteral("(%1 = '' OR date(%1, '+0 days') IS %1)").arg(c)
               : d == Dialect::ServerText
                   ? QStringLiteral("(%1 = '' OR pg_temp.velmaris_is(%1, 'date'))").arg(c)
                   : QString();
    case Check::OptionalTimestamp:
        return lite ? QStringLiteral("(%1 = '' OR datetime(%1) IS NOT NULL)").arg(c)
               : d == Dialect::ServerText
                   ? QStringLiteral("(%1 = '' OR pg_temp.velmaris_is(%1, 'timestamptz'))").arg(c)
                   : QString();
    case Check::Flag:
        return d == Dialect::ServerTyped ? QString() : QStringLiteral("%1 IN (0, 1)").arg(c);
    case Check::PostalCode:
        return lite ? QStringLiteral("(%1 = '' OR %1 GLOB '[0-9][0-9][0-9][0-9][0-9]' OR "
                                     "%1 GLOB '2[AB][0-9][0-9][0-9]')")
                          .arg(c)
                    : QStringLiteral("%1 ~ '^([0-9]{5}|2[AB][0-9]{3})?$'").arg(c);
    case Check::OneOf:
        return QStringLiteral("%1 IN (%2)").arg(c, QString::fromLatin1(rule.values));
    case Check::Quarter:
        return lite ? QStringLiteral("%1 GLOB '[1-4][0-9][0-9][0-9][0-9]'").arg(c)
                    : QStringLiteral("%1 ~ '^[1-4][0-9]{4}$'").arg(c);
    case Check::OptionalQuarter:
        return lite ? QStringLiteral("(%1 = '' OR %1 GLOB '[1-4][0-9][0-9][0-9][0-9]')").arg(c)
                    : QStringLiteral("%1 ~ '^([1-4][0-9]{4})?$'").arg(c);
    case Check::Positive:
        return integer + QStringLiteral("%1 > 0").arg(c);
    case Check::NotNegative:
        return integer + QStringLiteral("%1 >= 0").arg(c);
    case Check::PositiveDecimal:
        return lite ? QStringLiteral("typeof(%1) IN ('real', 'integer') AND %1 > 0").arg(c)
                    : QStringLiteral("%1 > 0").arg(c);
    case Check::Range:
        return integer + QStringLiteral("%1 BETWEEN %2").arg(c, QString::fromLatin1(rule.values));
    }
    return {};
}

// The key a person knows a row by: the lease's reference, an owner's name.
QString rowOwner(const Rule& rule)
{
    if (qstrcmp(rule.table, "leases") == 0)
        return QStringLiteral("reference");
    if (qstrcmp(rule.table, "revisions") == 0 || qstrcmp(rule.table, "charged_rents") == 0
        || qstrcmp(rule.table, "letters_sent") == 0)
        return QStringLiteral("(SELECT reference FROM leases WHERE leases.id = lease_id)");
    return qstrcmp(rule.table, "owners") == 0 ? QStringLiteral("name") : QStringLiteral("'—'");
}

// What a person calls a row of the rule's table.
QString rowKind(const Rule& rule)
{
    if (qstrcmp(rule.table, "owners") == 0)
        return QStringLiteral("bailleur");
    if (qstrcmp(rule.table, "agency") == 0)
        return QStringLiteral("agence");
    if (qstrcmp(rule.table, "index_figures") == 0)
        return QStringLiteral("indices");
    return QStringLiteral("bail");
}

// Server columns and their types from version 7 on. An absent date is NULL.
const char* const kServerTypes[] = {
    "ALTER TABLE leases ALTER COLUMN furnished DROP DEFAULT,"
    " ALTER COLUMN furnished TYPE BOOLEAN USING furnished <> 0,"
    " ALTER COLUMN furnished SET DEFAULT false,"
    " ALTER COLUMN signing_date TYPE DATE USING signing_date::date,"
    " ALTER COLUMN start_date TYPE DATE USING start_date::date,"
    " ALTER COLUMN dpe_date DROP NOT NULL, ALTER COLUMN dpe_date DROP DEFAULT,"
    " ALTER COLUMN dpe_date TYPE DATE USING NULLIF(dpe_date, '')::date,"
    " ALTER COLUMN prior_revision DROP NOT NULL, ALTER COLUMN prior_revision DROP DEFAULT,"
    " ALTER COLUMN prior_revision TYPE DATE USING NULLIF(prior_revision, '')::date",
    "ALTER TABLE revisions"
    " ALTER COLUMN due_date TYPE DATE USING due_date::date,"
    " ALTER COLUMN request_date TYPE DATE USING request_date::date,"
    " ALTER COLUMN effective_date TYPE DATE USING effective_date::date,"
    " ALTER COLUMN base_value TYPE NUMERIC(12, 4) USING round(base_value::numeric, 4),"
    " ALTER COLUMN new_value TYPE NUMERIC(12, 4) USING round(new_value::numeric, 4),"
    " ALTER COLUMN applied_at DROP NOT NULL, ALTER COLUMN applied_at DROP DEFAULT,"
    " ALTER COLUMN applied_at TYPE TIMESTAMPTZ USING NULLIF(applied_at, '')::timestamptz",
    "ALTER TABLE charged_rents"
    " ALTER COLUMN month TYPE DATE USING month::date,"
    " ALTER COLUMN request_date DROP NOT NULL, ALTER COLUMN request_date DROP DEFAULT,"
    " ALTER COLUMN request_date TYPE DATE USING NULLIF(request_date, '')::date",
    "ALTER TABLE schema_version ADD PRIMARY KEY (version)",
};

// Whether a text reads as a value of a type, for the look before the types
// change: PostgreSQL 15 has no test that does not fail.
const char kServerIsFunction[] =
    "CREATE OR REPLACE FUNCTION pg_temp.velmaris_is(t text, type text) RETURNS boolean"
    " LANGUAGE plpgsql AS $$ BEGIN"
    " IF type = 'date' THEN"
    "  IF t !~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$' THEN RETURN false; END IF;"
    "  PERFORM t::date;"
    " ELSE PERFORM t::timestamptz; END IF;"
    " RETURN true;"
    " EXCEPTION WHEN others THEN RETURN false; END $$";

} // namespace

QStringList ruleSteps(bool server, int version)
{
    QStringList steps;
    if (server) {
        for (const Rule& rule : kRules) {
            if (rule.since != version)
                continue;
            const QString check =
                condition(rule, Dialect::ServerTyped, QString::fromLatin1(rule.column));
            if (!check.isEmpty())
                steps << QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 CHECK (%3)")
                             .arg(QString::fromLatin1(rule.table), ruleName(rule), check);
        }
        return steps;
    }
    // One trigger per table and change, raising the rule's name.
    QStringList tables;
    for (const Rule& rule : kRules)
        if (rule.since == version && !tables.contains(QString::fromLatin1(rule.table)))
            tables << QString::fromLatin1(rule.table);
    for (const QString& table : tables) {
        QString cases;
        for (const Rule& rule : kRules) {
            if (rule.since == version && table == QLatin1StringView(rule.table))
                cases += QStringLiteral(" WHEN NOT (%1) THEN RAISE(ABORT, '%2')")
                             .arg(condition(rule, Dialect::Sqlite,
                                            QStringLiteral("NEW.") + QString::fromLatin1(rule.column)),
                                  ruleName(rule));
        }
        // The history is append-only: no update to check.
        const QStringList events = table == u"revisions"
                                       ? QStringList{QStringLiteral("INSERT")}
                                       : QStringList{QStringLiteral("INSERT"), QStringLiteral("UPDATE")};
        for (const QString& event : events)
            steps << QStringLiteral("CREATE TRIGGER %1_checks_%2 BEFORE %3 ON %1 BEGIN "
                                    "SELECT CASE%4 END; END")
                         .arg(table, event.toLower(), event, cases);
    }
    return steps;
}

QStringList typedSchemaSteps(bool server)
{
    QStringList steps;
    if (server) {
        for (const char* sql : kServerTypes)
            steps << QString::fromLatin1(sql);
    } else {
        steps << QStringLiteral("CREATE UNIQUE INDEX schema_version_key ON schema_version "
                                "(version)");
    }
    steps << ruleSteps(server, 7) << QStringLiteral("UPDATE schema_version SET version = 7");
    return steps;
}

QString valuesRefused(QSqlDatabase db, bool server, QSqlError* error, int upTo)
{
    if (server && !run(db, QString::fromLatin1(kServerIsFunction), error))
        return {};
    QSqlQuery query(db);
    for (const Rule& rule : kRules) {
        if (rule.since > upTo)
            continue;
        const QString column = QString::fromLatin1(rule.column);
        const QString sql =
            QStringLiteral("SELECT %1, %2 FROM %3 WHERE NOT (%4) LIMIT 1")
                .arg(rowOwner(rule), column, QString::fromLatin1(rule.table),
                     condition(rule, server ? Dialect::ServerText : Dialect::Sqlite, column));
        if (!query.exec(sql)) {
            *error = query.lastError();
            return {};
        }
        if (query.next())
            return QStringLiteral("%1 %2\u00a0: %3 %4")
                .arg(rowKind(rule), quoted(query.value(0).toString()), QString::fromUtf16(rule.label),
                     quoted(query.value(1).toString()));
    }
    return {};
}

QVariant copiedValue(QStringView table, QStringView column, const QVariant& value, bool toServer)
{
    for (const Rule& rule : kRules) {
        if (table != QLatin1StringView(rule.table) || column != QLatin1StringView(rule.column))
            continue;
        switch (rule.check) {
        case Check::Flag:
            return toServer ? QVariant(value.toInt() != 0) : QVariant(value.toBool() ? 1 : 0);
        case Check::Date:
        case Check::OptionalDate:
            return dateParam(dateFromValue(value), toServer);
        case Check::OptionalTimestamp: {
            const QDateTime moment = dateTimeFromValue(value);
            if (moment.isValid())
                return moment.toUTC().toString(Qt::ISODate);
            return toServer ? QVariant(QMetaType(QMetaType::QString))
                            : QVariant(QStringLiteral(""));
        }
        default:
            break;
        }
    }
    // The columns are NOT NULL: an empty text must not become a null one.
    return value.typeId() == QMetaType::QString ? QVariant(text(value.toString())) : value;
}

QString refusedValueText(const QString& databaseText, const QString& quotedRegister)
{
    for (const Rule& rule : kRules) {
        const QString name = ruleName(rule);
        // SQLite's trigger raises the bare name; PostgreSQL quotes its constraint's.
        if (databaseText.trimmed() == name || databaseText.contains(u'"' + name + u'"'))
            return QStringLiteral("Le registre des baux ") + quotedRegister
                   + QStringLiteral(" refuse une valeur impossible (")
                   + QString::fromUtf16(rule.label)
                   + QStringLiteral(")\u00a0; rien n’a été enregistré.");
    }
    return {};
}

} // namespace velmaris::storeinternal
