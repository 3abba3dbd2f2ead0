// The register on an office's PostgreSQL server: the connection, the news
// of the other desks' commits, and what its failures say in French.
#include "leasestore.h"

#include "leasestore_p.h"
#include "quoting.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace velmaris {

using namespace storeinternal;

namespace {

std::atomic<int> g_serverConnections{0};

bool mentions(const QSqlError& error, std::initializer_list<const char*> words)
{
    const QString text = error.databaseText() + u' ' + error.driverText();
    for (const char* word : words) {
        if (text.contains(QString::fromUtf8(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// At connection time libpq gives no SQLSTATE: its sentence (English, or
// French when the server or libpq speaks it) is all there is.
bool passwordRefused(const QSqlError& error)
{
    return error.nativeErrorCode().startsWith(u"28")
           || (error.type() == QSqlError::ConnectionError
               && mentions(error, {"password", "mot de passe"}));
}

// Why a connection's TLS failed, from libpq's sentence; empty when it is not
// about TLS.
QString tlsProblem(const QSqlError& error)
{
    if (error.type() != QSqlError::ConnectionError)
        return {};
    if (mentions(error, {"root certificate file", "certificat racine"}))
        return QStringLiteral("aucun certificat d'autorité n'est donné : sslmode=verify-full ou "
                              "verify-ca en demande un (sslrootcert= dans l'adresse, "
                              "SSLROOTCERT dans la section [REGISTRE] des réglages)");
    if (mentions(error, {"does not match host name", "ne correspond pas au nom d'hôte"}))
        return QStringLiteral("le certificat du serveur est établi pour un autre nom que celui "
                              "de l'adresse");
    if (mentions(error, {"certificate verify failed", "self-signed certificate",
                         "unable to get local issuer"}))
        return QStringLiteral("le certificat du serveur n'est pas signé par l'autorité de "
                              "certification donnée (sslrootcert)");
    if (mentions(error, {"does not support SSL", "ne supporte pas SSL"}))
        return QStringLiteral("le serveur n'accepte pas les connexions chiffrées (TLS) que "
                              "demande sslmode");
    if (mentions(error, {"no encryption", "SSL off", "sans chiffrement"}))
        return QStringLiteral("le serveur n'accepte que les connexions chiffrées : indiquez "
                              "sslmode=require (ou verify-full)");
    if (mentions(error, {"SSL", "certificate", "certificat"}))
        return QStringLiteral("la connexion chiffrée (TLS) avec le serveur a échoué (%1)")
            .arg(error.databaseText().trimmed());
    return {};
}

bool noSuchDatabase(const QSqlError& error)
{
    return error.nativeErrorCode() == u"3D000"
           || (error.type() == QSqlError::ConnectionError
               && mentions(error, {"does not exist", "n'existe pas"}));
}

} // namespace

namespace storeinternal {

bool onServer(const QSqlDatabase& db)
{
    return db.driverName() == u"QPSQL";
}

QString returningId(const QSqlDatabase& db)
{
    return onServer(db) ? QStringLiteral(" RETURNING id") : QString();
}

qint64 insertedId(QSqlQuery& query)
{
    const qint64 id =
        query.next() ? query.value(0).toLongLong() : query.lastInsertId().toLongLong();
    query.finish();
    return id;
}

bool connectionLost(const QSqlError& error)
{
    // No SQLSTATE outside the connection's opening: libpq found the socket closed.
    const QString code = error.nativeErrorCode();
    return error.type() != QSqlError::ConnectionError
           && (code.isEmpty() || code.startsWith(u"08") || code.startsWith(u"57P"));
}

StoreError serverKindOf(const QSqlError& error)
{
    const QString code = error.nativeErrorCode();
    if (passwordRefused(error))
        return StoreError::Password;
    if (code == u"40001" || code == u"40P01" || code == u"55P03")
        return StoreError::Busy;
    if (code == u"53100")
        return StoreError::Full;
    if (code == u"42501" || code == u"25006")
        return StoreError::ReadOnly;
    if (code.startsWith(u"23"))
        return StoreError::Refused;
    if (code.startsWith(u"XX"))
        return StoreError::Damaged;
    return StoreError::Unavailable;
}

QString describeServer(const QSqlError& error, const QString& where)
{
    const QString server = quoted(where);
    const QString code = error.nativeErrorCode();
    if (passwordRefused(error))
        return QStringLiteral("Le serveur refuse l'accès au registre des baux ") + server
               + QStringLiteral(" : mot de passe absent ou incorrect.");
    // Before the missing base: libpq says a missing certificate "does not exist" too.
    if (const QString tls = tlsProblem(error); !tls.isEmpty())
        return QStringLiteral("Le registre des baux ") + server
               + QStringLiteral(" n'est pas ouvert : ") + tls + u'.';
    if (noSuchDatabase(error))
        return QStringLiteral("La base du registre des baux ") + server
               + QStringLiteral(" n'existe pas sur le serveur : demandez à l'administrateur de "
                                "la créer.");
    if (error.type() == QSqlError::ConnectionError)
        return QStringLiteral("Le serveur du registre des baux ") + server
               + QStringLiteral(" ne répond pas : vérifiez qu'il est en marche et joignable "
                                "depuis ce poste.");
    if (code == u"42501")
        return QStringLiteral("Le serveur refuse cette opération sur le registre des baux ")
               + server
               + QStringLiteral(" : les droits du rôle connecté ne la permettent pas (%1) ; "
                                "demandez à l'administrateur du serveur les droits d'un poste.")
                     .arg(error.databaseText().trimmed());
    if (code.startsWith(u"23"))
        return QStringLiteral("Le registre des baux ") + server
               + QStringLiteral(" refuse cette modification (un autre poste vient d'enregistrer "
                                "la même référence ?) ; rien n'a été enregistré.");
    const StoreError kind = serverKindOf(error);
    if (kind == StoreError::Busy)
        return QStringLiteral("Le registre des baux ") + server
               + QStringLiteral(" est occupé par un autre poste. Réessayez dans un instant.");
    if (kind != StoreError::Unavailable)
        return storeErrorText(kind, where);
    // The server is gone mid-way, and it drops what the transaction had begun.
    if (connectionLost(error))
        return QStringLiteral("La connexion au serveur du registre des baux ") + server
               + QStringLiteral(" a été coupée ; rien n'a été enregistré. Réessayez quand le "
                                "serveur répondra de nouveau.");
    return QStringLiteral("Erreur du serveur du registre des baux ") + server
           + QStringLiteral(" : ") + error.databaseText().trimmed() + u'.';
}

} // namespace storeinternal

bool LeaseStore::openServer(const RegisterServer& server, Creation creation)
{
    m_creation = creation;
    close();
    m_error.clear();
    m_errorKind = StoreError::None;
    m_backup.clear();
    m_readOnly = false;
    m_readOnlyReason.clear();
    m_path = server.display();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return fail(QStringLiteral("Le pilote PostgreSQL de Qt n'est pas installé (paquet "
                                   "libqt6sql6-psql) : le registre des baux ")
                        + quoted(m_path) + QStringLiteral(" n'est pas disponible."),
                    StoreError::Unavailable);
    if (!server.isValid())
        return fail(QStringLiteral("Le nom de la base du registre des baux manque."),
                    StoreError::Unavailable);
    if (const QString refusal = serverOptionsRefusal(server); !refusal.isEmpty())
        return fail(QStringLiteral("Le registre des baux ") + quoted(m_path)
                        + QStringLiteral(" n'est pas ouvert : ") + refusal + u'.',
                    StoreError::Unavailable);
    m_server = server;
    if (!connectServer())
        return false;
    if (!placeServerSchema() || !prepareSchema() || !readPrivileges()) {
        close();
        return false;
    }
    m_notified = false;
    return true;
}

bool LeaseStore::connectServer()
{
    m_connection = QStringLiteral("velmaris-server-%1").arg(++g_serverConnections);
    QSqlError openError;
    {
        // No copy of the connection may outlive this block: close() removes it.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
        db.setHostName(m_server->host);
        db.setPort(m_server->port);
        db.setDatabaseName(m_server->database);
        db.setUserName(m_server->user);
        db.setPassword(m_server->password);
        db.setConnectOptions(serverConnectOptions(*m_server));
        QSqlError e;
        if (!db.open())
            openError = db.lastError();
        // Another desk's lock is waited for as long as a file's would be.
        else if (!run(db, QStringLiteral("SET lock_timeout = %1").arg(m_busyTimeout), &e)
                 || !run(db, QStringLiteral("SET client_min_messages = warning"), &e)
                 // The register's own schema, the same for every desk: never a
                 // schema of the role's, whatever its search_path.
                 || !run(db,
                         QStringLiteral("SET search_path TO ") + QString::fromLatin1(kServerSchema),
                         &e))
            openError = e;
        else if (db.driver()->subscribeToNotification(kChangeChannel.toString()))
            QObject::connect(
                db.driver(), &QSqlDriver::notification, db.driver(),
                [this](const QString&, QSqlDriver::NotificationSource source, const QVariant&) {
                    if (source != QSqlDriver::OtherSource)
                        return;
                    m_notified = true;
                    if (m_changeListener)
                        m_changeListener();
                });
    }
    if (openError.isValid()) {
        failSql(openError);
        close();
        return false;
    }
    return true;
}

void LeaseStore::setChangeListener(std::function<void()> listener)
{
    m_changeListener = std::move(listener);
}

bool LeaseStore::refuseOnServer(const QString& what)
{
    return fail(what
                    + QStringLiteral(" ne concerne que le registre en fichier SQLite : le registre "
                                     "du serveur ")
                    + quoted(m_path)
                    + QStringLiteral(" est sauvegardé par le serveur lui-même, ou copié dans un "
                                     "fichier avec --copy-register."),
                StoreError::Refused);
}

bool LeaseStore::placeServerSchema()
{
    const QString schema = QString::fromLatin1(kServerSchema);
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT EXISTS (SELECT FROM pg_namespace WHERE nspname = ?), "
                                 "to_regclass('public.schema_version') IS NOT NULL, "
                                 "(SELECT has_schema_privilege(oid, 'USAGE') FROM pg_namespace "
                                 "WHERE nspname = ?), "
                                 "(SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = "
                                 "'public')"));
    query.addBindValue(schema);
    query.addBindValue(schema);
    if (!query.exec() || !query.next())
        return failSql(query.lastError());
    const bool there = query.value(0).toBool(), inPublic = query.value(1).toBool();
    const bool usable = query.value(2).toBool();
    const bool publicTables = query.value(3).toLongLong() > 0;
    query.finish();
    if (there && !usable)
        return fail(QStringLiteral("Le rôle connecté n'a pas le droit de lire le registre des "
                                   "baux %1 (il lui manque : USAGE sur le schéma %2) : demandez à "
                                   "l'administrateur du serveur les droits d'un poste.")
                        .arg(quoted(m_path), schema),
                    StoreError::ReadOnly);
    if (there)
        return true;
    // Tables of something else: the address names the wrong database.
    if (!inPublic && publicTables)
        return fail(quoted(m_path)
                        + QStringLiteral(" n'est pas un registre des baux de Velmaris ; il n'a "
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
                                        "'charged_rents')"));
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
        {"has_table_privilege('leases', 'INSERT')", "INSERT sur leases"},
        {"has_table_privilege('leases', 'UPDATE')", "UPDATE sur leases"},
        {"has_table_privilege('leases', 'DELETE')", "DELETE sur leases"},
        {"has_table_privilege('revisions', 'INSERT')", "INSERT sur revisions"},
        {"has_table_privilege('revisions', 'DELETE')", "DELETE sur revisions"},
        {"has_table_privilege('charged_rents', 'INSERT')", "INSERT sur charged_rents"},
        {"has_table_privilege('charged_rents', 'DELETE')", "DELETE sur charged_rents"},
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
    constexpr int kReading = 3; // the first ones: what reading needs
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
        return fail(QStringLiteral("Le rôle %1 n'a pas le droit de lire le registre des baux %2 "
                                   "(il lui manque : %3) : demandez à l'administrateur du serveur "
                                   "les droits d'un poste.")
                        .arg(role, quoted(m_path), reading.join(QStringLiteral(", "))),
                    StoreError::ReadOnly);
    if (!writing.isEmpty()) {
        m_readOnly = true;
        m_readOnlyReason =
            writing.size() == int(std::size(rights)) - kReading
                ? QStringLiteral("le rôle %1 n'a que le droit de le lire").arg(role)
                : QStringLiteral("le rôle %1 n'a pas tous les droits d'y écrire (il lui manque : "
                                 "%2)")
                      .arg(role, writing.join(QStringLiteral(", ")));
    }
    return true;
}

} // namespace velmaris
