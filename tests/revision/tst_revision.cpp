// The rent revision, the rent-box normalisation and the lease-date lookup,
// without any widget.
#include "leasedate.h"
#include "numbers.h"
#include "rententry.h"
#include "revision.h"

#include <QTest>

#include <optional>

using namespace velmaris;

namespace {

const QLocale kFrench(QLocale::French, QLocale::France);

// Quarter labels going back from a newest quarter: label(2007, 4, 0) is
// "4è tr.2007", label(2007, 4, 1) is "3è tr.2007".
QString quarterText(int year, int quarter, int back)
{
    int index = year * 4 + (quarter - 1) - back;
    const int q = index % 4 + 1;
    const int y = index / 4;
    return (q == 1 ? QStringLiteral("1er tr.") : QString::number(q) + QStringLiteral("è tr."))
           + QString::number(y);
}

// A table of n quarters, newest first, published mid-month after each quarter,
// every index filled with harmless values and every rent holding junk, so that
// a row the revision forgets shows up.
IndexTable makeTable(int newestYear, int newestQuarter, int n)
{
    IndexTable table;
    for (int k = 0; k < n; ++k) {
        IndexRow row;
        row.label = quarterText(newestYear, newestQuarter, k);
        int index = newestYear * 4 + (newestQuarter - 1) - k;
        row.published = QDate(index / 4, (index % 4) * 3 + 3, 15).addMonths(1);
        row.icc = 1000;
        row.average = 1000;
        row.irl = 100;
        row.rent = QStringLiteral("vieux");
        table.rows.push_back(row);
    }
    return table;
}

QStringList rents(const IndexTable& table)
{
    QStringList list;
    for (const IndexRow& row : table.rows)
        list << row.rent;
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
    void textThatIsNoNumber();
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
    QCOMPARE(table.rows[10].label, QStringLiteral("3è tr.2004"));
    table.rows[10].irl = 105.0;
    table.rows[6].irl = 107.3;
    table.rows[2].irl = 109.9;
    table.rows[10].rent = QStringLiteral("850");

    const RevisionResult result = reviseRents(table, 10, u"", false, kFrench);
    QVERIFY(result.ok());

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
    QCOMPARE(rents(table), expected);
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

    IndexTable table = makeTable(2006, 1, 6);
    table.rows[0].label = label;
    table.rows[0].icc = 1100;
    table.rows[0].average = 1050;
    table.rows[0].irl = 120;
    table.rows[4].icc = 1000;
    table.rows[4].average = 980;
    table.rows[4].irl = 100;
    table.rows[4].rent = QStringLiteral("1000");

    QVERIFY(reviseRents(table, 4, lease, false, kFrench).ok());
    QCOMPARE(table.rows[0].rent, expected);
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
    table.rows[8].rent = QStringLiteral("1000");

    QVERIFY(reviseRents(table, 8, u"", reeval, kFrench).ok());
    QCOMPARE(table.rows[4].rent, first);
    QCOMPARE(table.rows[0].rent, second);
}

// 1000,50 x 1.0254 = 1025.9127, shown 1 025,91; the next year starts from
// 1025.91, not from the unrounded amount (which would give 1 030,52).
void TestRevision::baseIsTheRoundedAmount()
{
    IndexTable table = makeTable(2012, 1, 9);
    table.rows[8].irl = 100;
    table.rows[4].irl = 102.54;
    table.rows[0].irl = 103;
    table.rows[8].rent = QStringLiteral("1000,5");

    QVERIFY(reviseRents(table, 8, u"", false, kFrench).ok());
    QCOMPARE(table.rows[8].rent, QStringLiteral("1 000,50"));
    QCOMPARE(table.rows[4].rent, QStringLiteral("1 025,91"));
    QCOMPARE(table.rows[0].rent, QStringLiteral("1 030,51"));
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
    table.rows[reference].rent = QStringLiteral("500");
    QVERIFY(reviseRents(table, reference, u"", false, kFrench).ok());
    QCOMPARE(rents(table), expected);
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
    table.rows[4].rent = QStringLiteral("700");
    QVERIFY(reviseRents(table, 4, lease, false, kFrench).ok());
    QCOMPARE(table.rows[3].rent, caption);
}

// The first IRL anniversary divides by the IRL of the year before; an old file
// without it stops the run at that row.
void TestRevision::missingDivisorStops()
{
    IndexTable table = makeTable(2006, 1, 12);
    QCOMPARE(table.rows[4].label, QStringLiteral("1er tr.2005"));
    table.rows[8].average = 1000;
    table.rows[4].average = 1020;
    table.rows[4].irl = 0;
    table.rows[8].rent = QStringLiteral("600");

    const RevisionResult result = reviseRents(table, 8, u"", false, kFrench);
    QVERIFY(!result.ok());
    QCOMPARE(result.stoppedRow, 0);
    QCOMPARE(result.missingRow, 4);
    QCOMPARE(result.series, IndexSeries::Irl);
    QCOMPARE(result.message, QStringLiteral("Indice manquant : IRL du 1er tr.2005."));

    const QString e;
    QCOMPARE(rents(table),
             (QStringList{e, e, e, QStringLiteral("Loyer 2005"), QStringLiteral(" 612,00"), e, e,
                          QStringLiteral("Loyer 2004"), QStringLiteral(" 600,00"), e, e, e}));
}

// A reference rent that is no number stays as typed and revises to zero.
void TestRevision::textThatIsNoNumber()
{
    IndexTable table = makeTable(2012, 1, 5);
    table.rows[4].rent = QStringLiteral("abc");
    QVERIFY(reviseRents(table, 4, u"", true, kFrench).ok());
    QCOMPARE(table.rows[4].rent, QStringLiteral("abc"));
    QCOMPARE(table.rows[0].rent, QStringLiteral(" 0,00"));
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
        table.rows.push_back(r);
    }
    QCOMPARE(findLeaseRow(table, lease), row);
    if (row >= 0)
        QCOMPARE(topRowShowing(row), topRow);
}

QTEST_GUILESS_MAIN(TestRevision)
#include "tst_revision.moc"
