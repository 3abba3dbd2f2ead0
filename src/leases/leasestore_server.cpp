// SPDX-License-Identifier: GPL-3.0-or-later
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
        return QStringLiteral("aucun certificat d’autorité n’est donné\u00a0: sslmode=verify-full ou "
                              "verify-ca en demande un (sslrootcert= dans l’adresse, "
                              "SSLROOTCERT dans la section [REGISTRE] des réglages)");
    if (mentions(error, {"does not match host name", "ne correspond pas au nom d’hôte"}))
        return QStringLiteral("le certificat du serveur est établi pour un autre nom que celui "
                              "de l’adresse");
    if (mentions(error, {"certificate verify failed", "self-signed certificate",
                         "unable to get local issuer"}))
        return QStringLiteral("le certificat du serveur n’est pas signé par l’autorité de "
                              "certification donnée (sslrootcert)");
    if (mentions(error, {"does not support SSL", "ne supporte pas SSL"}))
        return QStringLiteral("le serveur n’accepte pas les connexions chiffrées (TLS) que "
                              "demande sslmode");
    if (mentions(error, {"no encryption", "SSL off", "sans chiffrement"}))
        return QStringLiteral("le serveur n’accepte que les connexions chiffrées\u00a0: indiquez "
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
               && mentions(error, {"does not exist", "n’existe pas"}));
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
        return QStringLiteral("Le serveur refuse l’accès au registre des baux ") + server
               + QStringLiteral("\u00a0: mot de passe absent ou incorrect.");
    // Before the missing base: libpq says a missing certificate "does not exist" too.
    if (const QString tls = tlsProblem(error); !tls.isEmpty())
        return QStringLiteral("Le registre des baux ") + server
               + QStringLiteral(" n’est pas ouvert\u00a0: ") + tls + u'.';
    if (noSuchDatabase(error))
        return QStringLiteral("La base du registre des baux ") + server
               + QStringLiteral(" n’existe pas sur le serveur\u00a0: demandez à l’administrateur de "
                                "la créer.");
    if (error.type() == QSqlError::ConnectionError)
        return QStringLiteral("Le serveur du registre des baux ") + server
               + QStringLiteral(" ne répond pas\u00a0: vérifiez qu’il est en marche et joignable "
                                "depuis ce poste.");
    if (code == u"42501")
        return QStringLiteral("Le serveur refuse cette opération sur le registre des baux ")
               + server
               + QStringLiteral("\u00a0: les droits du rôle connecté ne la permettent pas (%1)\u00a0; "
                                "demandez à l’administrateur du serveur les droits d’un poste.")
                     .arg(error.databaseText().trimmed());
    if (const QString refused = refusedValueText(error.databaseText(), server);
        code == u"23514" && !refused.isEmpty())
        return refused;
    if (code.startsWith(u"23"))
        return QStringLiteral("Le registre des baux ") + server
               + QStringLiteral(" refuse cette modification (un autre poste vient d’enregistrer "
                                "la même référence ?)\u00a0; rien n’a été enregistré.");
    const StoreError kind = serverKindOf(error);
    if (kind == StoreError::Busy)
        return QStringLiteral("Le registre des baux ") + server
               + QStringLiteral(" est occupé par un autre poste. Réessayez dans un instant.");
    if (kind != StoreError::Unavailable)
        return storeErrorText(kind, where);
    // The server is gone mid-way, and it drops what the transaction had begun.
    if (connectionLost(error))
        return QStringLiteral("La connexion au serveur du registre des baux ") + server
               + QStringLiteral(" a été coupée\u00a0; rien n’a été enregistré. Réessayez quand le "
                                "serveur répondra de nouveau.");
    return QStringLiteral("Erreur du serveur du registre des baux ") + server
           + QStringLiteral("\u00a0: ") + error.databaseText().trimmed() + u'.';
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
        return fail(QStringLiteral("Le pilote PostgreSQL de Qt n’est pas installé (paquet "
                                   "libqt6sql6-psql)\u00a0: le registre des baux ")
                        + quoted(m_path) + QStringLiteral(" n’est pas disponible."),
                    StoreError::Unavailable);
    if (!server.isValid())
        return fail(QStringLiteral("Le nom de la base du registre des baux manque."),
                    StoreError::Unavailable);
    if (const QString refusal = serverOptionsRefusal(server); !refusal.isEmpty())
        return fail(QStringLiteral("Le registre des baux ") + quoted(m_path)
                        + QStringLiteral(" n’est pas ouvert\u00a0: ") + refusal + u'.',
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
        // Another desk's lock is waited for as long as a file's would be; the
        // register's own schema, the same for every desk, never a schema of
        // the role's whatever its search_path. One trip through the network.
        else if (!run(db,
                      QStringLiteral("SET lock_timeout = %1; SET client_min_messages = warning; "
                                     "SET search_path TO %2")
                          .arg(m_busyTimeout)
                          .arg(QString::fromLatin1(kServerSchema)),
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
                    + QStringLiteral(" ne concerne que le registre en fichier SQLite\u00a0: le registre "
                                     "du serveur ")
                    + quoted(m_path)
                    + QStringLiteral(" est sauvegardé par le serveur lui-même, ou copié dans un "
                                     "fichier avec --copy-register."),
                StoreError::Refused);
}

} // namespace velmaris
