// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A throwaway PostgreSQL cluster for the tests of the shared register:
// initdb into a temporary folder, the server on a Unix socket there (no TCP),
// stopped and removed after. Run as "nobody" when the tests run as root, as
// CI does: the server refuses to run as root.

#include "registerserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>

#include <unistd.h>

namespace velmaris::test {

class PgCluster {
public:
    static constexpr const char* kUser = "velmaris";
    // A role that logs in by password only, for the refusals.
    static constexpr const char* kPasswordUser = "guichet";
    static constexpr const char* kPassword = "bon-mot-de-passe";

    ~PgCluster() { stop(); }

    // Where initdb and pg_ctl are, empty when PostgreSQL is not installed.
    static QString binaries()
    {
        if (const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
            !initdb.isEmpty())
            return QFileInfo(initdb).absolutePath();
        QDir versions(QStringLiteral("/usr/lib/postgresql"));
        const QStringList found =
            versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
        for (const QString& version : found) {
            const QString bin = versions.filePath(version + QStringLiteral("/bin"));
            if (QFile::exists(bin + QStringLiteral("/initdb")))
                return bin;
        }
        return {};
    }

    // Starts the cluster; false with why() when it cannot. With tlsPort, it
    // also listens on 127.0.0.1 at that port, TLS only, with a certificate for
    // "localhost" signed by authority() (openssl makes both).
    bool start(int tlsPort = 0)
    {
        m_bin = binaries();
        if (m_bin.isEmpty())
            return failed(QStringLiteral("PostgreSQL binaries not installed"));
        if (!m_dir.isValid())
            return failed(QStringLiteral("no temporary folder"));
        m_asNobody = ::geteuid() == 0;
        if (m_asNobody
            && !run(QStringLiteral("chown"), {QStringLiteral("nobody:"), m_dir.path()}, false))
            return false;
        const QString data = dataDir();
        if (!run(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), QString::fromLatin1(kUser),
                  QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("--no-locale"),
                  QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-sync")}))
            return false;
        QFile hba(data + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || hba.write(QByteArray("local all ") + kPasswordUser
                         + " scram-sha-256\nlocal all all trust\nhostssl all all 127.0.0.1/32 "
                           "trust\n")
                   < 0)
            return failed(QStringLiteral("pg_hba.conf not written"));
        hba.close();
        QString options =
            QStringLiteral("-k %1 -c listen_addresses= -F -p %2").arg(m_dir.path()).arg(kPort);
        if (tlsPort) {
            if (!makeCertificates())
                return false;
            options = QStringLiteral("-k %1 -c listen_addresses=127.0.0.1 -F -p %2 -c ssl=on "
                                     "-c ssl_cert_file=%3 -c ssl_key_file=%4")
                          .arg(m_dir.path())
                          .arg(tlsPort)
                          .arg(m_dir.filePath(QStringLiteral("server.crt")),
                               m_dir.filePath(QStringLiteral("server.key")));
            m_port = tlsPort;
        }
        m_options = options;
        if (!resume())
            return false;
        return exec(QStringLiteral("postgres"),
                    QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
                        .arg(QString::fromLatin1(kPasswordUser), QString::fromLatin1(kPassword)));
    }

    void stop()
    {
        if (!m_running)
            return;
        for (const QString& name : std::as_const(m_connections))
            QSqlDatabase::removeDatabase(name);
        m_connections.clear();
        m_running = false;
        run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"),
                                       QStringLiteral("immediate"), QStringLiteral("stop")});
    }

    // The server stopped as a crash or a power cut would, and started again on
    // the same data; connections of the test's own are dropped.
    bool pause()
    {
        for (const QString& name : std::as_const(m_connections))
            QSqlDatabase::removeDatabase(name);
        m_connections.clear();
        m_running = false;
        return run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"),
                                              QStringLiteral("immediate"), QStringLiteral("stop")});
    }
    bool resume()
    {
        if (!run(QStringLiteral("pg_ctl"),
                 {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"),
                  m_dir.filePath(QStringLiteral("log")), QStringLiteral("-w"), QStringLiteral("-t"),
                  QStringLiteral("60"), QStringLiteral("-o"), m_options, QStringLiteral("start")}))
            return false;
        m_running = true;
        return true;
    }

    QString why() const { return m_why; }
    // The authority that signed the server's certificate, and one that did not.
    QString authority() const { return m_dir.filePath(QStringLiteral("ca.crt")); }
    QString otherAuthority() const { return m_dir.filePath(QStringLiteral("other.crt")); }
    QString socketFolder() const { return m_dir.path(); }
    static constexpr int kPort = 5432;

    // The address of a database of the cluster.
    RegisterServer server(const QString& database,
                          const QString& user = QString::fromLatin1(kUser)) const
    {
        RegisterServer server;
        server.host = m_dir.path();
        server.port = m_port;
        server.database = database;
        server.user = user;
        return server;
    }

    // A new empty database, owned by owner.
    bool createDatabase(const QString& name, const QString& owner = QString::fromLatin1(kUser))
    {
        return exec(QStringLiteral("postgres"),
                    QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(name, owner));
    }

    // A connection of the test's own (kept until stop()).
    QSqlDatabase connection(const QString& database)
    {
        const QString name = QStringLiteral("pgcluster-") + database;
        if (QSqlDatabase::contains(name))
            return QSqlDatabase::database(name);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(m_dir.path());
        db.setPort(m_port);
        db.setDatabaseName(database);
        db.setUserName(QString::fromLatin1(kUser));
        db.open();
        m_connections << name;
        return db;
    }

    // The shipped script's reading and writing roles, in database.
    bool makeDeskRoles(const QString& database)
    {
        QFile script(QStringLiteral(VELMARIS_SOURCE_DIR "/packaging/velmaris-roles.sql"));
        if (!script.open(QIODevice::ReadOnly))
            return failed(QStringLiteral("velmaris-roles.sql not read"));
        return exec(database, QString::fromUtf8(script.readAll()));
    }

    bool exec(const QString& database, const QString& sql)
    {
        QSqlQuery query(connection(database));
        if (query.exec(sql))
            return true;
        return failed(sql + QStringLiteral(": ") + query.lastError().text());
    }
    QVariant value(const QString& database, const QString& sql)
    {
        QSqlQuery query(connection(database));
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }

private:
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }

    // An authority, a server certificate for localhost it signs, and another
    // authority; the server's key readable by the server alone.
    bool makeCertificates()
    {
        const QStringList key = {
            QStringLiteral("-newkey"),  QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"),   QStringLiteral("-days"),
            QStringLiteral("2")};
        const auto openssl = [&](QStringList arguments) {
            QProcess process;
            process.setWorkingDirectory(m_dir.path());
            process.start(QStringLiteral("openssl"), arguments);
            return (process.waitForFinished(30000) && process.exitCode() == 0)
                   || failed(QStringLiteral("openssl: ")
                             + QString::fromLocal8Bit(process.readAllStandardError()));
        };
        QFile extension(m_dir.filePath(QStringLiteral("san.cnf")));
        if (!extension.open(QIODevice::WriteOnly)
            || extension.write("subjectAltName=DNS:localhost\n") < 0)
            return failed(QStringLiteral("san.cnf not written"));
        extension.close();
        const bool made =
            openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + key
                    + QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                                  QStringLiteral("-out"), QStringLiteral("ca.crt"),
                                  QStringLiteral("-subj"), QStringLiteral("/CN=Velmaris CA")})
            && openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + key
                       + QStringList{QStringLiteral("-keyout"), QStringLiteral("other.key"),
                                     QStringLiteral("-out"), QStringLiteral("other.crt"),
                                     QStringLiteral("-subj"), QStringLiteral("/CN=Autre CA")})
            && openssl(QStringList{QStringLiteral("req")} + key
                       + QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                                     QStringLiteral("-out"), QStringLiteral("server.csr"),
                                     QStringLiteral("-subj"), QStringLiteral("/CN=localhost")})
            && openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                        QStringLiteral("server.csr"), QStringLiteral("-CA"),
                        QStringLiteral("ca.crt"), QStringLiteral("-CAkey"),
                        QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                        QStringLiteral("-out"), QStringLiteral("server.crt"),
                        QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                        QStringLiteral("san.cnf")});
        if (!made)
            return false;
        const QString serverKey = m_dir.filePath(QStringLiteral("server.key"));
        QFile::setPermissions(serverKey, QFile::ReadOwner | QFile::WriteOwner);
        return !m_asNobody
               || run(QStringLiteral("chown"),
                      {QStringLiteral("nobody:"), serverKey,
                       m_dir.filePath(QStringLiteral("server.crt"))},
                      false);
    }

    bool failed(const QString& why)
    {
        m_why = why;
        return false;
    }

    bool run(const QString& program, QStringList arguments, bool asServerUser = true)
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        QString command = program == u"chown" ? program : m_bin + u'/' + program;
        if (asServerUser && m_asNobody) {
            arguments.prepend(command);
            arguments.prepend(QStringLiteral("--"));
            arguments.prepend(QStringLiteral("nobody"));
            arguments.prepend(QStringLiteral("-u"));
            command = QStringLiteral("runuser");
        }
        process.start(command, arguments);
        if (process.waitForFinished(90000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0)
            return true;
        return failed(program + QStringLiteral(" failed: ")
                      + QString::fromLocal8Bit(process.readAllStandardError()));
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/vpg-XXXXXX")};
    QString m_bin;
    QString m_why;
    QStringList m_connections;
    bool m_asNobody = false;
    bool m_running = false;
    int m_port = kPort; // of the socket, and of TCP when it listens there
    QString m_options;  // the server's, for resume()
};

} // namespace velmaris::test
