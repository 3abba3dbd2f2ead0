// SPDX-License-Identifier: GPL-3.0-or-later
// "À faire…" from the register window, and the last days to ask said on the
// main window's status line at start.
#include "leasestore.h"
#include "letterdialog.h"
#include "mainwindow.h"
#include "messagecatcher.h"
#include "registersession.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"
#include "todolistdialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velmaris;

namespace {

const QString kShippedFolder = QStringLiteral(VELMARIS_SOURCE_DIR "/data");

// Revised by hand a year before `due`, its yearly revision on that day and month.
Lease lease(const QString& reference, const QDate& due, DpeClass dpe = DpeClass::None)
{
    Lease l;
    l.reference = reference;
    l.tenant = QStringLiteral("Locataire ") + reference;
    l.address = QStringLiteral("3 rue des Lilas");
    l.postalCode = QStringLiteral("69003");
    l.signingDate = l.startDate = due.addYears(-5);
    l.priorRevision = due.addYears(-1);
    l.rentCents = 85000;
    l.dpeClass = dpe;
    if (dpe != DpeClass::None)
        l.dpeDate = due.addYears(-5);
    return l;
}

void store(const QString& folder, const std::vector<Lease>& leases)
{
    LeaseStore s;
    QVERIFY2(s.open(folder), qPrintable(s.error()));
    QVERIFY2(s.importLeases(leases), qPrintable(s.error()));
}

void screenshot(QWidget* w, const QString& name)
{
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") == 1)
        w->grab().save(QStringLiteral("/tmp/afaire_%1.png").arg(name));
}

QStringList column(const QTableWidget* table, int c)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->item(row, c)->text();
    return texts;
}

} // namespace

class TestTodoList : public QObject {
    Q_OBJECT

private slots:
    void listFollowsTheRegister();
    void statusLineAtStart_data();
    void statusLineAtStart();
};

void TestTodoList::listFollowsTheRegister()
{
    QTemporaryDir dir;
    test::Messages messages;
    store(dir.path(), {lease(QStringLiteral("A-1"), QDate(2025, 3, 1)),
                       lease(QStringLiteral("G-1"), QDate(2025, 3, 1), DpeClass::G),
                       lease(QStringLiteral("B-1"), QDate(2025, 6, 1)),
                       lease(QStringLiteral("C-1"), QDate(2025, 1, 20))});
    Settings settings;
    MainWindow w(settings, kShippedFolder, QString());
    w.setRegisterFolder(dir.path());
    w.load();
    w.show();
    QTest::mouseClick(w.baux, Qt::LeftButton);
    RegisterWindow* r = w.registerWindow();
    QVERIFY(r);
    r->setToday(QDate(2026, 1, 15));
    r->resize(1024, 768);
    screenshot(r, QStringLiteral("registre"));

    QVERIFY(r->afaire->isEnabled());
    QTest::mouseClick(r->afaire, Qt::LeftButton);
    QPointer<TodoListDialog> d = r->findChild<TodoListDialog*>();
    QVERIFY(d && d->isVisible());
    QVERIFY(messages.texts.isEmpty());
    QTest::qWait(20);
    screenshot(d, QStringLiteral("liste"));
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") == 1) {
        const QSize shown = d->size();
        d->resize(1024, 768);
        screenshot(d, QStringLiteral("liste1024"));
        d->resize(shown);
    }

    // B-1's last day is 136 days off; the most urgent first, then by reference.
    QCOMPARE(column(d->liste, 0),
             (QStringList{QStringLiteral("C-1"), QStringLiteral("A-1"), QStringLiteral("G-1")}));
    QCOMPARE(column(d->liste, 2),
             (QStringList{QStringLiteral("20/01/2025"), QStringLiteral("01/03/2025"),
                          QStringLiteral("01/03/2025")}));
    QCOMPARE(column(d->liste, 3),
             (QStringList{QStringLiteral("19/01/2026"), QStringLiteral("28/02/2026"),
                          QStringLiteral("28/02/2026")}));
    QCOMPARE(d->liste->item(1, 4)->text(), QStringLiteral("écrire la lettre maintenant"));
    QCOMPARE(d->liste->item(2, 4)->text(), QStringLiteral("gelé (DPE F/G)\u00a0: rien à demander"));
    QVERIFY2(d->compte->text().contains(QStringLiteral("2 révisions à demander")),
             qPrintable(d->compte->text()));

    // "Lettre…" opens the chosen lease's letter over the list.
    d->liste->selectRow(1);
    QTest::mouseClick(d->lettre, Qt::LeftButton);
    QPointer<LetterDialog> letter = d->findChild<LetterDialog*>();
    QVERIFY(letter && letter->isVisible());
    QVERIFY2(letter->texte->toPlainText().contains(QStringLiteral("Locataire A-1")),
             qPrintable(letter->texte->toPlainText()));
    letter->close();
    QTRY_VERIFY(!letter);

    // A lease revised elsewhere leaves the list as soon as the session says so.
    LeaseStore& s = r->session().store();
    const std::optional<Lease> c1 = s.findLease(QStringLiteral("C-1"));
    QVERIFY(c1);
    QVERIFY(s.removeLease(c1->id));
    r->session().announce(0);
    QCOMPARE(column(d->liste, 0), (QStringList{QStringLiteral("A-1"), QStringLiteral("G-1")}));
    QCOMPARE(d->liste->selectedItems().front()->row(), 0);

    // Mnemonics of their own.
    QStringList letters;
    for (QPushButton* b : d->findChildren<QPushButton*>())
        letters << b->text().mid(b->text().indexOf(u'&') + 1, 1).toLower();
    letters.removeDuplicates();
    QCOMPARE(letters.size(), d->findChildren<QPushButton*>().size());

    QTest::mouseClick(d->fermer, Qt::LeftButton);
    QTRY_VERIFY(!d);
}

void TestTodoList::statusLineAtStart_data()
{
    QTest::addColumn<int>("daysLeft"); // from today to the end of the delay; 0: no register
    QTest::addColumn<int>("count");

    QTest::newRow("two to ask, the nearest in 30 days") << 30 << 2;
    QTest::newRow("one") << 45 << 1;
    QTest::newRow("none within 60 days") << 90 << 0;
    QTest::newRow("no register: none made") << 0 << 0;
}

// The status line reads the register at start with the real day: the leases
// are placed from it.
void TestTodoList::statusLineAtStart()
{
    QFETCH(int, daysLeft);
    QFETCH(int, count);
    QTemporaryDir dir;
    test::Messages messages;
    const QDate today = QDate::currentDate();
    const QDate due = today.addDays(daysLeft).addYears(-1);
    if (daysLeft > 0) {
        std::vector<Lease> leases{lease(QStringLiteral("A-1"), due)};
        if (count == 2)
            leases.push_back(lease(QStringLiteral("A-2"), due.addDays(10)));
        store(dir.path(), leases);
    }

    Settings settings;
    RegisterSession session(dir.path());
    MainWindow w(settings, kShippedFolder, QString());
    w.setRegisterSession(session);
    w.load();
    w.show();
    const QString before = w.statut->text();
    QTest::qWait(50);

    const QDate deadline = today.addDays(daysLeft);
    if (count == 0) {
        QCOMPARE(w.statut->text(), before);
    } else {
        const QString what =
            count == 1 ? QStringLiteral("1 révision") : QStringLiteral("2 révisions");
        QTRY_COMPARE(w.statut->text(), what + QStringLiteral(" à demander avant le ")
                                           + deadline.toString(u"dd/MM/yyyy")
                                           + QStringLiteral(" — voir Baux"));
    }
    screenshot(&w, QStringLiteral("statut%1").arg(count));
    QVERIFY(messages.texts.isEmpty());
    QCOMPARE(QFile::exists(dir.filePath(LeaseStore::fileName())), daysLeft > 0);
    // Closed again: the register window's own opening is the one that speaks.
    QVERIFY(!session.store().isOpen());
}

VELMARIS_TEST(TestTodoList)
#include "tst_todolist.moc"
