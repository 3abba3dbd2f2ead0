// SPDX-License-Identifier: GPL-3.0-or-later
// The register window on an office's server: the password asked once, and
// the leases another desk adds shown without a click.
#include "leaseform.h"
#include "leaserevisiondialog.h"
#include "leasestore.h"
#include "mainwindow.h"
#include "messagecatcher.h"
#include "passworddialog.h"
#include "pgcluster.h"
#include "registersession.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include "testsupport.h"

using namespace velmaris;
using namespace velmaris::test;

namespace {

// A lease of the office's, due every 1 March.
Lease officeLease(const QString& reference)
{
    Lease lease;
    lease.reference = reference;
    lease.tenant = QStringLiteral("Mme Durand");
    lease.postalCode = QStringLiteral("69003");
    lease.signingDate = lease.startDate = QDate(2020, 3, 1);
    lease.rentCents = 85000;
    return lease;
}

// One desk of the office: its main window on the server's register.
struct Desk {
    Messages messages;
    Settings settings;
    RegisterSession session;
    std::unique_ptr<MainWindow> w;

    explicit Desk(const RegisterServer& server)
    {
        session.setServer(server);
        w = std::make_unique<MainWindow>(settings, QStringLiteral(VELMARIS_SOURCE_DIR "/data"),
                                         QString());
        w->setRegisterSession(session);
        w->load();
        w->show();
    }
    // "Baux" clicked: the register window.
    RegisterWindow* openRegister()
    {
        QTest::mouseClick(w->baux, Qt::LeftButton);
        return w->registerWindow();
    }
    // "Modifier…" on the lease of that reference: its form.
    LeaseForm* editLease(RegisterWindow* r, const QString& reference)
    {
        r->selectLease(session.store().findLease(reference)->id);
        QTest::mouseClick(r->modifier, Qt::LeftButton);
        for (LeaseForm* f : r->findChildren<LeaseForm*>())
            if (f->isVisible())
                return f;
        return nullptr;
    }
};

} // namespace

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

    void twoDesksNeverUndoEachOther();
    void readingDeskIsToldWhy();
    void lostServerIsAStateNotADeadEnd();

    void passwordOnceThenLiveRefresh()
    {
        const QString user = QString::fromLatin1(PgCluster::kPasswordUser);
        QVERIFY(m_pg.createDatabase(QStringLiteral("bureau"), user));
        // An empty database: the register is made there once the user says so.
        QStringList questions;
        MessageBox::setQuestionHandler([&](const QString&, const QString& text) {
            questions << text;
            return true;
        });
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
            auto* dialog = qobject_cast<PasswordDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++asked;
            dialog->grab().save(QStringLiteral("/tmp/velmaris-password.png"));
            QVERIFY(!dialog->memoriser->isChecked()); // kept only when asked
            dialog->memoriser->setChecked(true);
            QTest::keyClicks(dialog->motdepasse, QString::fromLatin1(PgCluster::kPassword));
            QTest::mouseClick(dialog->ok, Qt::LeftButton);
        });
        answer.start(50);
        QTest::mouseClick(w.baux, Qt::LeftButton);
        RegisterWindow* r = w.registerWindow();
        QVERIFY(r);
        QVERIFY2(session.store().isOpen(), qPrintable(session.store().error()));
        QVERIFY(session.store().isServer());
        QCOMPARE(asked, 1);
        // Kept in the desktop's keyring, or said why not (no keyring in a headless session).
        const keyring::Read back =
            keyring::readPassword(QStringLiteral("postgresql://") + session.server()->display());
        if (back.found)
            QCOMPARE(back.password, QString::fromLatin1(PgCluster::kPassword));
        else
            QVERIFY2(messages.texts.join(u'|').contains(
                         QStringLiteral("Le mot de passe n’est pas mémorisé\u00a0: ")),
                     qPrintable(messages.texts.join(u'|')));
        MessageBox::setQuestionHandler(nullptr);
        QCOMPARE(questions.size(), 1);
        QVERIFY(questions.first().contains(QStringLiteral("ne contient pas encore de registre")));
        // The server keeps its own backups: the file's buttons say so, greyed.
        for (QPushButton* b : {r->sauvegarder, r->restaurer}) {
            QVERIFY(!b->isEnabled());
            QVERIFY(b->toolTip().contains(QStringLiteral("--copy-register")));
        }

        LeaseStore desk;
        RegisterServer other = m_pg.server(QStringLiteral("bureau"), user);
        other.password = QString::fromLatin1(PgCluster::kPassword);
        QVERIFY2(desk.openServer(other), qPrintable(desk.error()));
        const Lease lease = officeLease(QStringLiteral("BUR-1"));
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

// Two desks on one register: desk 1 saves a new rent and note while desk 2
// edits the same lease; desk 2's form shows them at once (the server's
// notice), yet its save is refused until the user has been told.
void TestRegisterServer::twoDesksNeverUndoEachOther()
{
    QVERIFY(m_pg.createDatabase(QStringLiteral("deuxbureaux")));
    const RegisterServer server = m_pg.server(QStringLiteral("deuxbureaux"));
    LeaseStore desk1;
    QVERIFY2(desk1.openServer(server), qPrintable(desk1.error()));
    const Lease lease = officeLease(QStringLiteral("BUR-2"));
    QVERIFY(desk1.addLease(lease));

    Desk desk(server);
    RegisterWindow* r = desk.openRegister();
    QVERIFY(r && desk.session.store().isOpen());
    QPointer<LeaseForm> form = desk.editLease(r, QStringLiteral("BUR-2"));
    QVERIFY(form);
    form->charges->setText(QStringLiteral("40"));

    Lease changed = *desk1.findLease(QStringLiteral("BUR-2"));
    changed.rentCents = 90000;
    changed.notes = QStringLiteral("Loyer renégocié");
    QVERIFY(desk1.updateLease(changed));
    QTRY_COMPARE(form->notes->toPlainText(), QStringLiteral("Loyer renégocié"));

    QTest::mouseClick(form->enregistrer, Qt::LeftButton);
    QVERIFY2(desk.messages.texts.value(0).startsWith(
                 QStringLiteral("Ce bail a été modifié par ailleurs depuis son ouverture.")),
             qPrintable(desk.messages.texts.value(0)));
    QCOMPARE(desk1.findLease(QStringLiteral("BUR-2"))->chargesCents, qint64(0));
    QTest::mouseClick(form->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!form);
    const Lease stored = *desk1.findLease(QStringLiteral("BUR-2"));
    QCOMPARE(stored.rentCents, qint64(90000));
    QCOMPARE(stored.notes, QStringLiteral("Loyer renégocié"));
    QCOMPARE(stored.chargesCents, qint64(4000));
}

// A desk whose role may only read: the window opens in "Lecture seule", its
// writing buttons greyed, each saying why.
void TestRegisterServer::readingDeskIsToldWhy()
{
    QVERIFY(m_pg.createDatabase(QStringLiteral("consultation")));
    {
        LeaseStore owner;
        QVERIFY(owner.openServer(m_pg.server(QStringLiteral("consultation"))));
        const Lease lease = officeLease(QStringLiteral("CON-1"));
        QVERIFY(owner.addLease(lease));
    }
    QVERIFY2(m_pg.makeDeskRoles(QStringLiteral("consultation")), qPrintable(m_pg.why()));
    QVERIFY(m_pg.exec(QStringLiteral("consultation"),
                      QStringLiteral("CREATE ROLE consultant LOGIN IN ROLE velmaris_lecture")));

    Desk desk(m_pg.server(QStringLiteral("consultation"), QStringLiteral("consultant")));
    RegisterWindow* r = desk.openRegister();
    QVERIFY(r && desk.session.store().isOpen());
    QCOMPARE(r->filter().sourceModel()->rowCount(), 1);
    QVERIFY2(desk.messages.texts.value(0).contains(QStringLiteral("ne peut être que lu")),
             qPrintable(desk.messages.texts.value(0)));
    // "Réviser" computes; its "Appliquer" is greyed and says why.
    r->selectLease(desk.session.store().findLease(QStringLiteral("CON-1"))->id);
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    LeaseRevisionDialog* revision = r->findChild<LeaseRevisionDialog*>();
    QVERIFY(revision && !revision->appliquer->isEnabled());
    QVERIFY2(revision->appliquer->toolTip().contains(QStringLiteral("n’a que le droit de le lire")),
             qPrintable(revision->appliquer->toolTip()));
    revision->close();
    for (QPushButton* b : {r->ajouter, r->importer}) {
        QVERIFY(!b->isEnabled());
        QVERIFY2(b->toolTip().contains(
                     QStringLiteral("Lecture seule\u00a0: le rôle «\u00a0consultant\u00a0» n’a que le droit de "
                                    "le lire.")),
                 qPrintable(b->toolTip()));
    }
}

// The server stops while a form is open with text typed: the save says the
// server is gone, the form keeps the text, the window says it is trying again
// and greys what cannot work; the server back, the window reconnects by
// itself and the same "Enregistrer" saves.
void TestRegisterServer::lostServerIsAStateNotADeadEnd()
{
    QVERIFY(m_pg.createDatabase(QStringLiteral("coupure")));
    {
        LeaseStore owner;
        QVERIFY(owner.openServer(m_pg.server(QStringLiteral("coupure"))));
        QVERIFY(owner.addLease(officeLease(QStringLiteral("COU-1"))));
    }
    Desk desk(m_pg.server(QStringLiteral("coupure")));
    RegisterWindow* r = desk.openRegister();
    QVERIFY(r && desk.session.store().isOpen());
    r->setRetryInterval(1);
    QPointer<LeaseForm> form = desk.editLease(r, QStringLiteral("COU-1"));
    QVERIFY(form);
    form->locataire->setText(QStringLiteral("M. Martin"));

    QVERIFY2(m_pg.pause(), qPrintable(m_pg.why()));
    QTest::mouseClick(form->enregistrer, Qt::LeftButton);
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->locataire->text(), QStringLiteral("M. Martin"));
    QVERIFY2(!desk.messages.texts.isEmpty()
                 && !desk.messages.texts.last().contains(QStringLiteral("n’est pas ouvert")),
             qPrintable(desk.messages.texts.join(u'\n')));
    QTRY_VERIFY(r->etat->isVisible()
                && r->etat->text().startsWith(QStringLiteral("Serveur injoignable")));
    QVERIFY(!r->ajouter->isEnabled());

    QVERIFY2(m_pg.resume(), qPrintable(m_pg.why()));
    QTRY_VERIFY_WITH_TIMEOUT(desk.session.store().isOpen() && !r->etat->isVisible(), 15000);
    QVERIFY(r->ajouter->isEnabled());
    QTest::mouseClick(form->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!form);
    QCOMPARE(desk.session.store().findLease(QStringLiteral("COU-1"))->tenant,
             QStringLiteral("M. Martin"));
}

VELMARIS_TEST(TestRegisterServer)
#include "tst_registerserver.moc"
