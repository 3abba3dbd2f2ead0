// SPDX-License-Identifier: GPL-3.0-or-later
// The "Baux" window while another copy of the program writes to the same
// register: nothing the other copy did is undone, nothing the user typed is
// lost; and the whole register saved and brought back from the window.
#include "auditwindow.h"
#include "filechoice.h"
#include "lawfulrevision.h"
#include "leaseform.h"
#include "leaserevisiondialog.h"
#include "leasestore.h"
#include "mainwindow.h"
#include "messagecatcher.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "testsupport.h"

using namespace velmaris;
using velmaris::test::Messages;

namespace {

const QString kShippedFolder = QStringLiteral(VELMARIS_SOURCE_DIR "/data");
const QString kConflict =
    QStringLiteral("Ce bail a été modifié par ailleurs depuis son ouverture.");
const QDate kToday(2025, 11, 15);

QDate day(const char* text)
{
    return QDate::fromString(QString::fromLatin1(text), u"dd/MM/yyyy");
}

// R-1, due on 01/03/2025 at 900,00.
Lease r1()
{
    Lease lease;
    lease.reference = QStringLiteral("R-1");
    lease.tenant = QStringLiteral("Mme Durand");
    lease.postalCode = QStringLiteral("69003");
    lease.signingDate = day("01/03/2020");
    lease.startDate = day("01/03/2020");
    lease.rentCents = 90000;
    lease.priorRevision = day("01/03/2024");
    return lease;
}

struct App {
    QTemporaryDir dir;
    Messages messages;
    Settings settings;
    std::unique_ptr<MainWindow> w;
    RegisterWindow* r = nullptr;
    LeaseStore other; // the other copy of the program

    App()
    {
        {
            LeaseStore s;
            s.open(dir.path());
            s.addLease(r1());
        }
        w = std::make_unique<MainWindow>(settings, kShippedFolder, QString());
        w->setRegisterFolder(dir.path());
        w->load();
        w->show();
        QTest::mouseClick(w->baux, Qt::LeftButton);
        r = w->registerWindow();
        r->setToday(kToday);
        r->selectLease(r->store().findLease(QStringLiteral("R-1"))->id);
        other.open(dir.path());
    }

    // The other copy applies R-1's revision of 01/03/2025.
    qint64 otherApplies()
    {
        const Lease lease = *other.findLease(QStringLiteral("R-1"));
        const LawfulRevision rev = reviseLease(lease, {}, w->table(), day("10/11/2025"));
        if (!rev.canApply() || !other.appendRevision(rev.record(lease.id), lease.version))
            return 0;
        return rev.newRentCents;
    }
};

template <typename T> T* dialogOf(QWidget* parent)
{
    for (T* d : parent->findChildren<T*>()) {
        if (d->isVisible())
            return d;
    }
    return nullptr;
}

void typeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

QString euros(qint64 cents)
{
    return QStringLiteral("%1,%2").arg(cents / 100).arg(cents % 100, 2, 10, QChar(u'0'));
}

} // namespace

class TestRegisterConflict : public QObject {
    Q_OBJECT

private slots:
    void formKeepsWhatWasTyped();
    void noticeNeverMovesTheCheckedVersion();
    void revisionFollowsTheRegister();
    void requestAfterTodayIsNotRecorded();
    void removalOfAChangedLease();
    void activationShowsOtherChanges();
    void openWindowsFollowTheLease();
    void backupAndRestoreFromTheWindow();
};

void TestRegisterConflict::formKeepsWhatWasTyped()
{
    App app;
    QTest::mouseClick(app.r->modifier, Qt::LeftButton);
    QPointer<LeaseForm> f = dialogOf<LeaseForm>(app.r);
    QVERIFY(f);
    typeInto(f->locataire, QStringLiteral("M. Martin"));
    typeInto(f->charges, QStringLiteral("45"));
    const qint64 revised = app.otherApplies();
    QVERIFY(revised > 90000);

    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QVERIFY(app.messages.texts.value(0).startsWith(kConflict + u'\n'));
    QVERIFY(app.messages.texts.value(0).contains(QStringLiteral("Modifié depuis\u00a0: Loyer")));
    QVERIFY(f && f->isVisible());
    // The user's typing is kept; what the user left follows the register.
    QCOMPARE(f->locataire->text(), QStringLiteral("M. Martin"));
    QCOMPARE(f->charges->text(), QStringLiteral("45"));
    QVERIFY(f->loyer->text().startsWith(euros(revised)));
    // The window shows the lease as it now is.
    QVERIFY(app.r->model().leaseAt(0)->rentCents == revised);

    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!f);
    const Lease stored = *app.other.findLease(QStringLiteral("R-1"));
    QCOMPARE(stored.tenant, QStringLiteral("M. Martin"));
    QCOMPARE(stored.chargesCents, qint64(4500));
    QCOMPARE(stored.rentCents, revised); // the revision is not undone
    QCOMPARE(app.other.history(stored.id)->size(), std::size_t(1));
}

// The window learns of the other change before the user saves: the boxes the
// user left follow it, yet the save is still checked against the lease the
// user opened, so the other change is never written over unseen.
void TestRegisterConflict::noticeNeverMovesTheCheckedVersion()
{
    App app;
    QTest::mouseClick(app.r->modifier, Qt::LeftButton);
    QPointer<LeaseForm> f = dialogOf<LeaseForm>(app.r);
    QVERIFY(f);
    typeInto(f->locataire, QStringLiteral("M. Martin"));
    Lease changed = *app.other.findLease(QStringLiteral("R-1"));
    changed.notes = QStringLiteral("Préavis reçu");
    changed.rentCents = 95000;
    QVERIFY(app.other.updateLease(changed));
    app.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.w.get()));
    app.r->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.r));
    QTRY_COMPARE(f->notes->toPlainText(), QStringLiteral("Préavis reçu"));

    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.value(0),
             kConflict
                 + QStringLiteral("\nModifié depuis\u00a0: Loyer, Notes. Vos saisies sont gardées\u00a0; "
                                  "«\u00a0Enregistrer\u00a0» les enregistre sur ce nouvel état."));
    QVERIFY(f && f->isVisible());
    QCOMPARE(app.other.findLease(QStringLiteral("R-1"))->tenant, QStringLiteral("Mme Durand"));

    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!f);
    const Lease stored = *app.other.findLease(QStringLiteral("R-1"));
    QCOMPARE(stored.tenant, QStringLiteral("M. Martin"));
    QCOMPARE(stored.notes, QStringLiteral("Préavis reçu"));
    QCOMPARE(stored.rentCents, qint64(95000));
}

void TestRegisterConflict::revisionFollowsTheRegister()
{
    App app;
    QTest::mouseClick(app.r->reviser, Qt::LeftButton);
    QPointer<LeaseRevisionDialog> d = dialogOf<LeaseRevisionDialog>(app.r);
    QVERIFY(d);
    d->datedemande->setText(QStringLiteral("10/11/2025"));
    d->recompute();
    QVERIFY(d->appliquer->isEnabled());
    const qint64 revised = app.otherApplies();

    QTest::mouseClick(d->appliquer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.value(0), kConflict);
    QVERIFY(d && d->isVisible());
    // Computed again on the lease as it is: nothing is left to apply.
    QCOMPARE(d->lease().rentCents, revised);
    QVERIFY(d->ancienloyer->text().startsWith(euros(revised)));
    QVERIFY(!d->appliquer->isEnabled());
    QCOMPARE(app.other.history(d->lease().id)->size(), std::size_t(1));
}

void TestRegisterConflict::requestAfterTodayIsNotRecorded()
{
    App app;
    QTest::mouseClick(app.r->reviser, Qt::LeftButton);
    QPointer<LeaseRevisionDialog> d = dialogOf<LeaseRevisionDialog>(app.r);
    QVERIFY(d);
    d->datedemande->setText(QStringLiteral("16/11/2025")); // the day after kToday
    QVERIFY(!d->appliquer->isEnabled());
    QVERIFY(d->appliquer->toolTip().contains(QStringLiteral("après aujourd’hui (15/11/2025)")));
    QVERIFY(!d->nouveauloyer->text().isEmpty()); // the letter may still be prepared
    d->datedemande->setText(QStringLiteral("15/11/2025"));
    QVERIFY(d->appliquer->isEnabled());
}

void TestRegisterConflict::removalOfAChangedLease()
{
    App app;
    MessageBox::setQuestionHandler([](const QString&, const QString&) { return true; });
    app.otherApplies();
    QTest::mouseClick(app.r->supprimer, Qt::LeftButton);
    MessageBox::setQuestionHandler(nullptr);
    QCOMPARE(app.messages.texts.value(0), kConflict);
    QVERIFY(app.other.findLease(QStringLiteral("R-1")));
    QCOMPARE(app.r->model().leaseCount(), 1);
}

void TestRegisterConflict::activationShowsOtherChanges()
{
    App app;
    Lease second = r1();
    second.reference = QStringLiteral("R-2");
    QVERIFY(app.other.addLease(second));
    QCOMPARE(app.r->model().leaseCount(), 1);
    app.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.w.get()));
    app.r->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.r));
    QTRY_COMPARE(app.r->model().leaseCount(), 2);
    QCOMPARE(app.r->selectedLeaseId(), app.other.findLease(QStringLiteral("R-1"))->id);
}

// The register window and an audit open beside it both follow a lease the
// other copy renamed, once the register window is back in front.
void TestRegisterConflict::openWindowsFollowTheLease()
{
    App app;
    const qint64 id = app.r->selectedLeaseId();
    QTest::mouseClick(app.r->audit, Qt::LeftButton);
    QPointer<AuditWindow> audit = dialogOf<AuditWindow>(app.r);
    QVERIFY(audit);
    QCOMPARE(audit->windowTitle(), QStringLiteral("Audit du bail R-1"));

    Lease renamed = *app.other.findLease(QStringLiteral("R-1"));
    renamed.reference = QStringLiteral("R-1 bis");
    QVERIFY(app.other.updateLease(renamed));
    app.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.w.get()));
    app.r->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.r));
    QTRY_COMPARE(app.r->model().leaseAt(app.r->model().rowOfLease(id))->reference,
                 QStringLiteral("R-1 bis"));
    QCOMPARE(audit->windowTitle(), QStringLiteral("Audit du bail R-1 bis"));
    QCOMPARE(app.r->selectedLeaseId(), id);
    audit->close();
}

void TestRegisterConflict::backupAndRestoreFromTheWindow()
{
    App app;
    const QString ini = app.dir.filePath(QStringLiteral("Velmaris.ini"));
    const LandlordSettings landlord{QStringLiteral("SCI Les Tilleuls"),
                                    {QStringLiteral("4 place Bellecour")},
                                    QStringLiteral("Lyon")};
    QVERIFY(writeLandlord(landlord, ini));
    app.settings.load(ini); // the program's settings, which the register window was lent
    QTemporaryDir saves;
    const QString backup = saves.filePath(QStringLiteral("registre.sqlite"));
    QString next = backup;
    FileChoice::setHandler([&next](bool, const QString&) { return next; });
    MessageBox::setQuestionHandler([](const QString&, const QString&) { return true; });

    QVERIFY(app.r->sauvegarder->isEnabled());
    QTest::mouseClick(app.r->sauvegarder, Qt::LeftButton);
    QVERIFY2(QFile::exists(backup), qPrintable(app.messages.texts.join(u'\n')));
    QVERIFY(app.messages.texts.value(0).startsWith(
        QStringLiteral("Le registre des baux est sauvegardé dans")));

    app.otherApplies();
    QVERIFY(writeLandlord({QStringLiteral("Autre"), {}, QString()}, ini));
    QTest::mouseClick(app.r->restaurer, Qt::LeftButton);
    QVERIFY2(app.messages.texts.value(1).startsWith(
                 QStringLiteral("Le registre des baux est restauré de")),
             qPrintable(app.messages.texts.join(u'\n')));
    QCOMPARE(app.r->model().leaseAt(0)->rentCents, qint64(90000));
    QCOMPARE(readLandlord(ini), landlord);

    // Never over the program's own files.
    next = app.dir.filePath(LeaseStore::fileName());
    QTest::mouseClick(app.r->sauvegarder, Qt::LeftButton);
    QVERIFY(app.messages.texts.value(2).startsWith(QStringLiteral("Sauvegarde impossible\u00a0: ")));
    FileChoice::setHandler(nullptr);
    MessageBox::setQuestionHandler(nullptr);
}

VELMARIS_TEST(TestRegisterConflict)
#include "tst_registerconflict.moc"
