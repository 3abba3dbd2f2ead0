// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a shared register: its grid takes the register's index
// figures, and follows them when another desk adds a quarter.
#include "indexfiletarget.h"
#include "leasestore.h"
#include "mainwindow.h"
#include "messagecatcher.h"
#include "officefigures.h"
#include "pgcluster.h"
#include "registersession.h"
#include "settings.h"
#include "testmain.h"
#include "testsupport.h"
#include "typedindex.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

class TestOfficeIndex : public QObject {
    Q_OBJECT

    PgCluster m_pg;

private slots:
    void initTestCase()
    {
        const bool up = m_pg.start();
        if (!up && PgCluster::binaries().isEmpty())
            QSKIP("PostgreSQL binaries not installed");
        QVERIFY2(up, qPrintable(m_pg.why()));
    }
    void cleanupTestCase() { m_pg.stop(); }

    void gridFollowsAnotherDesk()
    {
        QVERIFY(m_pg.createDatabase(QStringLiteral("grille")));
        const RegisterServer server = m_pg.server(QStringLiteral("grille"));
        QTemporaryDir mine, theirs;
        QFile shipped(QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QByteArray file = shipped.readAll();
        writeAll(mine.filePath(QStringLiteral("VELMARIS.TXT")), file);

        Messages messages;
        Settings settings;
        RegisterSession session;
        session.setServer(server);
        MainWindow w(settings, mine.path(), QString());
        w.setRegisterSession(session);
        w.load();
        // Opened ("Baux", or a change of the indices): the desk's file seeds the register.
        QVERIFY2(session.openStore(Creation::Allowed), qPrintable(session.store().error()));
        QCOMPARE(session.store().indexFigures()->content, file);

        // Another desk types the 1st quarter 2026 into the register.
        LeaseStore other;
        QVERIFY(other.openServer(server));
        IndexTable table;
        table.filePath = theirs.filePath(QStringLiteral("VELMARIS.TXT"));
        const TypedIndex entry{
            Quarter(2026, 1), QStringLiteral("146,60"), {}, {}, QStringLiteral("15/04/2026")};
        QCOMPARE(saveTypedIndex(officeTarget(other, table), entry, QDate(2026, 4, 20)), QString());

        // Without a click, the grid and this desk's copy follow.
        QTRY_COMPARE(w.table().newestQuarter(), Quarter(2026, 1));
        QVERIFY(w.statut->text().contains(QStringLiteral("mis à jour par un autre poste")));
        QFile copy(mine.filePath(QStringLiteral("VELMARIS.TXT")));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll().contains("12026\t146.60"));
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(u'\n')));
    }
};

VELMARIS_TEST(TestOfficeIndex)
#include "tst_officeindex.moc"
