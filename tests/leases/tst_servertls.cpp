// SPDX-License-Identifier: GPL-3.0-or-later
// A register on a server reached over TLS: the authority checked when asked
// for, and each refusal told by its cause.
#include "leasestore.h"
#include "pgcluster.h"
#include "testmain.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

class TestServerTls : public QObject {
    Q_OBJECT

    PgCluster m_pg;
    bool m_up = false;
    int m_port = 0;
    QTemporaryDir m_home; // no ~/.postgresql of the machine's user

private slots:
    void initTestCase()
    {
        if (PgCluster::binaries().isEmpty())
            QSKIP("PostgreSQL binaries not installed");
        // A port of this run's own on the loopback; the next ones if it is taken.
        for (int i = 0; i < 5 && !m_up; ++i) {
            m_port = 40000 + int(QCoreApplication::applicationPid() % 20000) + i * 97;
            m_up = m_pg.start(m_port);
        }
        QVERIFY2(m_up, qPrintable(m_pg.why()));
        QVERIFY(m_pg.createDatabase(QStringLiteral("chiffree")));
        qputenv("HOME", QFile::encodeName(m_home.path()));
    }
    void cleanupTestCase() { m_pg.stop(); }

    void connections_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("sslmode");
        QTest::addColumn<QString>("authority"); // "ca", "other" or none
        QTest::addColumn<QString>("refusal");   // empty: it opens
        QTest::newRow("require") << "127.0.0.1"
                                 << "require"
                                 << ""
                                 << "";
        QTest::newRow("verify-full") << "localhost"
                                     << "verify-full"
                                     << "ca"
                                     << "";
        QTest::newRow("wrong authority") << "localhost"
                                         << "verify-full"
                                         << "other"
                                         << "pas signé par l’autorité";
        QTest::newRow("no authority") << "localhost"
                                      << "verify-full"
                                      << ""
                                      << "aucun certificat d’autorité";
        QTest::newRow("another name") << "127.0.0.1"
                                      << "verify-full"
                                      << "ca"
                                      << "établi pour un autre nom";
        QTest::newRow("without TLS") << "127.0.0.1"
                                     << "disable"
                                     << ""
                                     << "n’accepte que les connexions chiffrées";
    }
    void connections()
    {
        QFETCH(QString, host);
        QFETCH(QString, sslmode);
        QFETCH(QString, authority);
        QFETCH(QString, refusal);
        RegisterServer server = m_pg.server(QStringLiteral("chiffree"));
        server.host = host;
        server.port = m_port;
        server.sslmode = sslmode;
        if (authority == u"ca")
            server.sslrootcert = m_pg.authority();
        else if (authority == u"other")
            server.sslrootcert = m_pg.otherAuthority();
        LeaseStore store;
        const bool opened = store.openServer(server);
        QVERIFY2(opened == refusal.isEmpty(), qPrintable(store.error()));
        if (!opened)
            QVERIFY2(store.error().contains(refusal), qPrintable(store.error()));
        else
            QVERIFY(store.leases().has_value());
    }
};

VELMARIS_TEST(TestServerTls)
#include "tst_servertls.moc"
