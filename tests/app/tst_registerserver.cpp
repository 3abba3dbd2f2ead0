// The register window on an office's server: the password asked once, and
// the leases another desk adds shown without a click.
#include "leasestore.h"
#include "mainwindow.h"
#include "messagecatcher.h"
#include "pgcluster.h"
#include "registersession.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "testsupport.h"

using namespace velmaris;
using namespace velmaris::test;

class TestRegisterServer : public QObject {
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

    void passwordOnceThenLiveRefresh()
    {
        const QString user = QString::fromLatin1(PgCluster::kPasswordUser);
        QVERIFY(m_pg.createDatabase(QStringLiteral("bureau"), user));
        Messages messages;
        Settings settings;
        RegisterSession session;
        session.setServer(m_pg.server(QStringLiteral("bureau"), user));
        MainWindow w(settings, QStringLiteral(VELMARIS_SOURCE_DIR "/data"), QString());
        w.setRegisterSession(session);
        w.load();
        w.show();

        int asked = 0;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, &answer, [&] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++asked;
            dialog->grab().save(QStringLiteral("/tmp/velmaris-password.png"));
            dialog->setTextValue(QString::fromLatin1(PgCluster::kPassword));
            dialog->accept();
        });
        answer.start(50);
        QTest::mouseClick(w.baux, Qt::LeftButton);
        RegisterWindow* r = w.registerWindow();
        QVERIFY(r);
        QVERIFY2(session.store().isOpen(), qPrintable(session.store().error()));
        QVERIFY(session.store().isServer());
        QCOMPARE(asked, 1);
        // The server keeps its own backups: the file's buttons say so, greyed.
        for (QPushButton* b : {r->sauvegarder, r->restaurer}) {
            QVERIFY(!b->isEnabled());
            QVERIFY(b->toolTip().contains(QStringLiteral("--copy-register")));
        }

        LeaseStore desk;
        RegisterServer other = m_pg.server(QStringLiteral("bureau"), user);
        other.password = QString::fromLatin1(PgCluster::kPassword);
        QVERIFY2(desk.openServer(other), qPrintable(desk.error()));
        Lease lease;
        lease.reference = QStringLiteral("BUR-1");
        lease.tenant = QStringLiteral("Mme Durand");
        lease.postalCode = QStringLiteral("69003");
        lease.signingDate = lease.startDate = QDate(2020, 3, 1);
        lease.rentCents = 85000;
        QVERIFY(desk.addLease(lease));
        QTRY_COMPARE(r->filter().sourceModel()->rowCount(), 1);
        r->grab().save(QStringLiteral("/tmp/velmaris-register-server.png"));

        // Opened again in the same run: the password kept is used, not asked.
        r->close();
        session.store().close();
        QTest::mouseClick(w.baux, Qt::LeftButton);
        QVERIFY(session.store().isOpen());
        QCOMPARE(asked, 1);
    }
};

VELMARIS_TEST(TestRegisterServer)
#include "tst_registerserver.moc"
