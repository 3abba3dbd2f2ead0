// SPDX-License-Identifier: GPL-3.0-or-later
// --calendar from the command line: the file written, and the files and
// arguments it refuses without touching anything.
#include "cli.h"
#include "leasestore.h"
#include "testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "clifixture.h"
#include "testsupport.h"

using namespace velmaris;
using namespace velmaris::test;

namespace {

Lease lease(const QString& reference, const char* start, const char* prior)
{
    Lease l;
    l.reference = reference;
    l.tenant = QStringLiteral("Mme Durand");
    l.address = QStringLiteral("8 rue Paul Bert");
    l.postalCode = QStringLiteral("69003");
    l.town = QStringLiteral("Lyon");
    l.signingDate = l.startDate = day(start);
    l.rentCents = 78050;
    l.priorRevision = day(prior);
    return l;
}

void fill(const QString& folder)
{
    LeaseStore store;
    QVERIFY(store.open(folder));
    // A-12 comes on 15/03/2026; B-7 is due since 10/01/2026 (last day 09/01/2027).
    QVERIFY2(store.importLeases({lease(QStringLiteral("A-12"), "15/03/2020", "15/03/2025"),
                                 lease(QStringLiteral("B-7"), "10/01/2020", "10/01/2025")}),
             qPrintable(store.error()));
}

} // namespace

class TestCliCalendar : public QObject {
    Q_OBJECT

private slots:
    void written_data();
    void written();
    void refused_data();
    void refused();
};

void TestCliCalendar::written_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("events");
    QTest::newRow("twelve months") << QStringList{} << 3;
    QTest::newRow("one month") << QStringList{u"--months"_qs, u"1"_qs} << 1;
    QTest::newRow("two years") << QStringList{u"--months=24"_qs} << 7;
}

void TestCliCalendar::written()
{
    QFETCH(QStringList, extra);
    QFETCH(int, events);
    QTemporaryDir dir;
    fill(dir.path());
    const QString path = dir.filePath(QStringLiteral("échéances.ics"));
    const CommandLineResult r = runInFolder(
        dir.path(), QStringList{u"--calendar"_qs, path, u"--date"_qs, u"01/03/2026"_qs} + extra);
    QVERIFY2(r.status == 0, qPrintable(r.error));
    QVERIFY2(r.output.startsWith(QString::number(events)
                                 + (events == 1 ? u"\u00a0échéance écrite dans "_qs
                                                : u"\u00a0échéances écrites dans "_qs)),
             qPrintable(r.output));
    const QByteArray ics = readAll(path);
    QVERIFY(ics.startsWith("BEGIN:VCALENDAR\r\n"));
    QCOMPARE(ics.count("BEGIN:VEVENT"), events);
    QCOMPARE(ics.count("BEGIN:VALARM"), events);
    QVERIFY(ics.contains("DTSTART;VALUE=DATE:20260315\r\n"));
}

void TestCliCalendar::refused_data()
{
    QTest::addColumn<QString>("target"); // in the register's folder
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    const QString own = QStringLiteral("est un fichier de données de Velmaris");
    QTest::newRow("the register") << "Velmaris.sqlite" << QStringList{} << kExitRefused << own;
    QTest::newRow("the settings") << "Velmaris.ini" << QStringList{} << kExitRefused << own;
    QTest::newRow("a planted link")
        << "@link" << QStringList{} << kExitRefused << QStringLiteral("lien symbolique");
    QTest::newRow("no month") << "cal.ics" << QStringList{u"--months"_qs, u"0"_qs}
                              << kExitBadArguments << QStringLiteral("de 1 à 120");
    QTest::newRow("not a number") << "cal.ics" << QStringList{u"--months"_qs, u"douze"_qs}
                                  << kExitBadArguments << QStringLiteral("«\u00a0douze\u00a0»");
}

void TestCliCalendar::refused()
{
    QFETCH(QString, target);
    QFETCH(QStringList, extra);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    fill(dir.path());
    QString path = dir.filePath(target);
    const QString victim = dir.filePath(QStringLiteral("victime.txt"));
    if (target == u"@link") {
        writeAll(victim, "à garder");
        path = dir.filePath(QStringLiteral("cal.ics"));
        QVERIFY(QFile::link(victim, path));
    }
    const QByteArray before = readAll(path);
    const CommandLineResult r =
        runInFolder(dir.path(), QStringList{u"--calendar"_qs, path} + extra);
    QCOMPARE(r.status, status);
    QVERIFY2(r.error.contains(said), qPrintable(r.error));
    QCOMPARE(readAll(path), before);
    if (target == u"@link")
        QCOMPARE(readAll(victim), QByteArray("à garder"));
    else if (target == u"cal.ics")
        QVERIFY(!QFile::exists(path));
}

VELMARIS_TEST(TestCliCalendar)
#include "tst_clicalendar.moc"
