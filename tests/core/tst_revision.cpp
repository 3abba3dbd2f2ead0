// SPDX-License-Identifier: GPL-3.0-or-later
// The rent revision, the rent-box normalisation and the lease-date lookup,
// without any widget.
#include "dates.h"
#include "leasedate.h"
#include "numbers.h"
#include "rententry.h"
#include "revision.h"
#include "testmain.h"

#include <QTest>

#include <optional>

using namespace velmaris;

namespace {

const QLocale kFrench(QLocale::French, QLocale::France);

// A table of n quarters, newest first from the given one, published mid-month
// after each quarter, every index filled with harmless values.
IndexTable makeTable(int newestYear, int newestQuarter, int n)
{
    IndexTable table;
    Quarter q(newestYear, newestQuarter);
    for (int k = 0; k < n; ++k, q = q.previous()) {
        IndexRow row;
        row.quarter = q;
        row.published = q.lastDay().addDays(15);
        row.icc = 1000;
        row.average = 1000;
        row.irl = 100;
        table.rows.push_back(row);
    }
    return table;
}

// The rent typed at row r, with the lease-date box holding leaseText.
Schedule revise(const IndexTable& table, int r, const QString& rent, QStringView leaseText = {},
                bool reeval = false)
{
    RevisionRequest request;
    request.reference = table.rows[std::size_t(r)].quarter;
    request.cents = typedRentCents(rent).value_or(0);
    request.leaseDate = parseFrenchDate(leaseText);
    request.reeval = reeval;
    return reviseRents(table, request);
}

// What the rent column shows, row by row.
QStringList rents(const IndexTable& table, const Schedule& schedule)
{
    QStringList list;
    for (const IndexRow& row : table.rows)
        list << rentText(schedule, row.quarter, kFrench);
    return list;
}

} // namespace

class TestRevision : public QObject {
    Q_OBJECT

private slots:
    void workedExample();
    void seriesRule_data();
    void seriesRule();
    void reevalOnFallingIndex_data();
    void reevalOnFallingIndex();
    void baseIsTheRoundedAmount();
    void referenceRowEdges_data();
    void referenceRowEdges();
    void leaseDateGivesFirstYear_data();
    void leaseDateGivesFirstYear();
    void missingDivisorStops();
    void missingNewIndexStops();
    void unknownReferenceQuarter();
    void typedRents_data();
    void typedRents();
    void normaliseRent_data();
    void normaliseRent();
    void leaseRow_data();
    void leaseRow();
};

// Reference row 10 in the third quarter of 2004, so the first year is 2004 and
// both anniversaries fall under the IRL.
void TestRevision::workedExample()
{
    IndexTable table = makeTable(2007, 1, 15);
    QCOMPARE(table.rows[10].label(), QStringLiteral("3è tr.2004"));
    table.rows[10].irl = 105.0;
    table.rows[6].irl = 107.3;
    table.rows[2].irl = 109.9;
    table.rows[10].published = QDate(2004, 10, 15);

    const Schedule schedule = revise(table, 10, QStringLiteral("850"));
    QVERIFY(schedule.ok());

    QStringList expected{QString(),
                         QStringLiteral("Loyer 2006"),
                         QStringLiteral(" 889,67"),
                         QString(),
                         QString(),
                         QStringLiteral("Loyer 2005"),
                         QStringLiteral(" 868,62"),
                         QString(),
                         QString(),
                         QStringLiteral("Loyer 2004"),
                         QStringLiteral(" 850,00"),
                         QString(),
                         QString(),
                         QString(),
                         QString()};
    QCOMPARE(rents(table, schedule), expected);
    // Each anniversary keeps what it was computed from.
    const ScheduleEntry* second = schedule.find(Quarter(2006, 3));
    QVERIFY(second);
    QCOMPARE(second->kind, ScheduleEntry::Kind::Revised);
    QCOMPARE(second->cents, qint64(88967));
    QCOMPARE(second->series, IndexSeries::Irl);
    QCOMPARE(second->newIndex.toDouble(), 109.9);
    QCOMPARE(second->baseIndex.toDouble(), 107.3);
    QCOMPARE(schedule.find(Quarter(2004, 2)), nullptr); // older than the reference
}

// Anniversary on row 0, previous anniversary on row 4: each series gives a
// different amount, and row 4's values differ too, so taking the divisor from
// another series than the dividend shows.
void TestRevision::seriesRule_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("lease");
    QTest::addColumn<QString>("expected");

    const QString irl = QStringLiteral("1 200,00"); // 1000 x 120 / 100
    const QString avg = QStringLiteral("1 071,43"); // 1000 x 1050 / 980
    const QString icc = QStringLiteral("1 100,00"); // 1000 x 1100 / 1000
    QTest::newRow("after 2005: IRL") << "1er tr.2006"
                                     << "" << irl;
    QTest::newRow("3rd quarter 2005: IRL") << "3è tr.2005"
                                           << "" << irl;
    QTest::newRow("4th quarter 2005: IRL") << "4è tr.2005"
                                           << "" << irl;
    QTest::newRow("2nd quarter 2005, no lease date: IRL") << "2è tr.2005"
                                                          << "" << irl;
    QTest::newRow("2nd quarter 2005, lease not a date: IRL") << "2è tr.2005"
                                                             << "bientôt" << irl;
    QTest::newRow("2nd quarter 2005, lease in January: IRL") << "2è tr.2005"
                                                             << "01/01/2004" << irl;
    QTest::newRow("2nd quarter 2005, lease in April: IRL") << "2è tr.2005"
                                                           << "30/04/2004" << irl;
    QTest::newRow("2nd quarter 2005, lease in May: average") << "2è tr.2005"
                                                             << "01/05/2004" << avg;
    QTest::newRow("2nd quarter 2005, lease in December: average") << "2è tr.2005"
                                                                  << "31/12/2004" << avg;
    QTest::newRow("1st quarter 2005: average") << "1er tr.2005"
                                               << "" << avg;
    QTest::newRow("2004: average") << "4è tr.2004"
                                   << "" << avg;
    QTest::newRow("1995: average") << "1er tr.1995"
                                   << "" << avg;
    QTest::newRow("1994: ICC") << "4è tr.1994"
                               << "" << icc;
}

void TestRevision::seriesRule()
{
    QFETCH(QString, label);
    QFETCH(QString, lease);
    QFETCH(QString, expected);

    const Quarter anniversary = *Quarter::fromLabel(label);
    IndexTable table = makeTable(anniversary.year(), anniversary.number(), 6);
    table.rows[0].icc = 1100;
    table.rows[0].average = 1050;
    table.rows[0].irl = 120;
    table.rows[4].icc = 1000;
    table.rows[4].average = 980;
    table.rows[4].irl = 100;

    const Schedule schedule = revise(table, 4, QStringLiteral("1000"), lease);
    QVERIFY(schedule.ok());
    QCOMPARE(rentText(schedule, anniversary, kFrench), expected);
}

void TestRevision::reevalOnFallingIndex_data()
{
    QTest::addColumn<bool>("reeval");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    // IRL 100, then 98, then 99.
    QTest::newRow("unchecked: the fall is not applied, the next rise starts from the kept rent")
        << false << "1 000,00"
        << "1 010,20";
    QTest::newRow("checked: the rent falls") << true << " 980,00"
                                             << " 990,00";
}

void TestRevision::reevalOnFallingIndex()
{
    QFETCH(bool, reeval);
    QFETCH(QString, first);
    QFETCH(QString, second);

    IndexTable table = makeTable(2012, 1, 9);
    table.rows[8].irl = 100;
    table.rows[4].irl = 98;
    table.rows[0].irl = 99;

    const Schedule schedule = revise(table, 8, QStringLiteral("1000"), {}, reeval);
    QVERIFY(schedule.ok());
    QCOMPARE(rentText(schedule, table.rows[4].quarter, kFrench), first);
    QCOMPARE(rentText(schedule, table.rows[0].quarter, kFrench), second);
    QCOMPARE(schedule.find(table.rows[4].quarter)->kept, !reeval);
}

// 1000,50 x 1.0254 = 1025.9127, shown 1 025,91; the next year starts from
// 1025.91, not from the unrounded amount (which would give 1 030,52).
void TestRevision::baseIsTheRoundedAmount()
{
    IndexTable table = makeTable(2012, 1, 9);
    table.rows[8].irl = 100;
    table.rows[4].irl = 102.54;
    table.rows[0].irl = 103;

    const Schedule schedule = revise(table, 8, QStringLiteral("1000,5"));
    QVERIFY(schedule.ok());
    const QStringList r = rents(table, schedule);
    QCOMPARE(r[8], QStringLiteral("1 000,50"));
    QCOMPARE(r[4], QStringLiteral("1 025,91"));
    QCOMPARE(r[0], QStringLiteral("1 030,51"));
}

void TestRevision::referenceRowEdges_data()
{
    QTest::addColumn<int>("reference");
    QTest::addColumn<QStringList>("expected");

    const QString e;
    const QString ref = QStringLiteral(" 500,00");
    QTest::newRow("newest quarter") << 0 << QStringList{ref, e, e, e, e, e, e, e, e, e};
    QTest::newRow("row 3: a caption, no anniversary")
        << 3 << QStringList{e, e, QStringLiteral("Loyer 2008"), ref, e, e, e, e, e, e};
    // Rows 9 to 0, IRL 100 throughout.
    QTest::newRow("last row") << 9 << QStringList{QStringLiteral("Loyer 2010"), ref, e, e,
                                                  QStringLiteral("Loyer 2009"), ref, e, e,
                                                  QStringLiteral("Loyer 2008"), ref};
}

void TestRevision::referenceRowEdges()
{
    QFETCH(int, reference);
    QFETCH(QStringList, expected);

    // Whatever the row, the reference quarter counts as published in 2008.
    IndexTable table = makeTable(2010, 4, 10);
    table.rows[reference].published = QDate(2008, 6, 1);
    const Schedule schedule = revise(table, reference, QStringLiteral("500"));
    QVERIFY(schedule.ok());
    QCOMPARE(rents(table, schedule), expected);
}

void TestRevision::leaseDateGivesFirstYear_data()
{
    QTest::addColumn<QString>("lease");
    QTest::addColumn<QString>("caption");

    // The reference quarter was published in 2011.
    QTest::newRow("empty: publication year") << ""
                                             << "Loyer 2011";
    QTest::newRow("a date: its year") << "12/02/2009"
                                      << "Loyer 2009";
    QTest::newRow("two-digit year") << "1.3.08"
                                    << "Loyer 2008";
    QTest::newRow("not a date: as if empty") << "31/02/2009"
                                             << "Loyer 2011";
}

void TestRevision::leaseDateGivesFirstYear()
{
    QFETCH(QString, lease);
    QFETCH(QString, caption);

    IndexTable table = makeTable(2012, 4, 6);
    table.rows[4].published = QDate(2011, 10, 15);
    const Schedule schedule = revise(table, 4, QStringLiteral("700"), lease);
    QVERIFY(schedule.ok());
    QCOMPARE(rents(table, schedule)[3], caption);
}

// The first IRL anniversary divides by the IRL of the year before; an old file
// without it stops the run at that row.
void TestRevision::missingDivisorStops()
{
    IndexTable table = makeTable(2006, 1, 12);
    QCOMPARE(table.rows[4].label(), QStringLiteral("1er tr.2005"));
    table.rows[8].average = 1000;
    table.rows[4].average = 1020;
    table.rows[4].irl = 0;
    table.rows[8].published = QDate(2004, 4, 15);

    const Schedule schedule = revise(table, 8, QStringLiteral("600"));
    QVERIFY(!schedule.ok());
    QCOMPARE(schedule.message,
             QStringLiteral(
                 "Indice manquant\u00a0: IRL du 1er tr.2005. Faites «\u00a0Mise à jour\u00a0», ou "
                 "saisissez-le par «\u00a0Saisir un indice…\u00a0» s’il vient de paraître."));

    const QString e;
    QCOMPARE(rents(table, schedule),
             (QStringList{e, e, e, QStringLiteral("Loyer 2005"), QStringLiteral(" 612,00"), e, e,
                          QStringLiteral("Loyer 2004"), QStringLiteral(" 600,00"), e, e, e}));
}

// A missing index at the newer anniversary stops too: never 0,00, never the
// old rent shown as if revised.
void TestRevision::missingNewIndexStops()
{
    for (bool reeval : {false, true}) {
        IndexTable table = makeTable(2025, 3, 9);
        table.rows[0].irl = 0;
        const Schedule schedule = revise(table, 8, QStringLiteral("850"), {}, reeval);
        QVERIFY(!schedule.ok());
        QCOMPARE(
            schedule.message,
            QStringLiteral(
                "Indice manquant\u00a0: IRL du 3è tr.2025. Faites «\u00a0Mise à jour\u00a0», ou "
                "saisissez-le par «\u00a0Saisir un indice…\u00a0» s’il vient de paraître."));
        QCOMPARE(rents(table, schedule)[0], QString());
        QCOMPARE(rents(table, schedule)[4], QStringLiteral(" 850,00"));
    }
}

void TestRevision::unknownReferenceQuarter()
{
    const IndexTable table = makeTable(2025, 3, 9);
    RevisionRequest request;
    request.reference = Quarter(2026, 1);
    request.cents = 85000;
    const Schedule schedule = reviseRents(table, request);
    QVERIFY(!schedule.ok());
    QVERIFY(schedule.isEmpty());
    QCOMPARE(rentText(schedule, Quarter(2025, 3), kFrench), QString());
}

void TestRevision::typedRents_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("cents"); // -1: nothing to revise
    QTest::newRow("comma") << "1234,5" << qint64(123450);
    QTest::newRow("point") << "1234.5" << qint64(123450);
    QTest::newRow("grouped") << "1 000,50" << qint64(100050);
    QTest::newRow("euro sign") << QStringLiteral("850 \u20AC") << qint64(85000);
    QTest::newRow("half cent, as read") << "1000,005" << qint64(100001);
    QTest::newRow("trailing letters") << "12abc" << qint64(1200);
    QTest::newRow("no number") << "abc" << qint64(-1);
    QTest::newRow("zero") << "0" << qint64(-1);
    QTest::newRow("under half a cent") << "0,004" << qint64(-1);
    QTest::newRow("negative") << "-850" << qint64(-1);
    QTest::newRow("too large") << "1e400" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
}

void TestRevision::typedRents()
{
    QFETCH(QString, typed);
    QFETCH(qint64, cents);
    QCOMPARE(typedRentCents(typed).value_or(-1), cents);
}

void TestRevision::normaliseRent_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected"); // "-" for an overflow

    QTest::newRow("comma") << "1234,5"
                           << "1234,5";
    QTest::newRow("point") << "1234.5"
                           << "1234,5";
    QTest::newRow("grouped") << "1 000,50"
                             << "1000,5";
    QTest::newRow("trailing letters") << "12abc"
                                      << "12";
    QTest::newRow("no number") << "abc"
                               << "0";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("too large") << "1e400"
                               << "-";
    QTest::newRow("too large, negative") << "-1e400"
                                         << "-";
}

void TestRevision::normaliseRent()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    const std::optional<QString> text = normaliseRentText(typed, kFrench);
    QCOMPARE(text.value_or(QStringLiteral("-")), expected);
}

void TestRevision::leaseRow_data()
{
    QTest::addColumn<QDate>("lease");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("topRow");

    // Row k published on 15/01/2030 minus k months x 3 (see below).
    QTest::newRow("after the newest") << QDate(2031, 1, 1) << 0 << 0;
    QTest::newRow("on a publication day") << QDate(2027, 7, 15) << 10 << 0;
    QTest::newRow("the day before") << QDate(2027, 7, 14) << 11 << 0;
    QTest::newRow("row 19: last line, top 0") << QDate(2025, 4, 15) << 19 << 0;
    QTest::newRow("row 30: top row 11") << QDate(2022, 7, 15) << 30 << 11;
    QTest::newRow("oldest") << QDate(2020, 4, 15) << 39 << 20;
    QTest::newRow("before the oldest") << QDate(2020, 4, 14) << -1 << 0;
}

void TestRevision::leaseRow()
{
    QFETCH(QDate, lease);
    QFETCH(int, row);
    QFETCH(int, topRow);

    IndexTable table;
    for (int k = 0; k < 40; ++k) {
        IndexRow r;
        r.published = QDate(2030, 1, 15).addMonths(-3 * k);
        r.quarter = Quarter::containing(r.published).previous();
        table.rows.push_back(r);
    }
    QCOMPARE(findLeaseRow(table, lease), row);
    if (row >= 0)
        QCOMPARE(topRowShowing(row), topRow);
}

VELMARIS_TEST(TestRevision)
#include "tst_revision.moc"
