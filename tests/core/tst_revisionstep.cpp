// SPDX-License-Identifier: GPL-3.0-or-later
// The one revision step: exact index values, rent x new / base under each
// rounding mode, and the grid's chain against the register's lawful revision.
#include "duedates.h"
#include "indexvalue.h"
#include "lawfulrevision.h"
#include "lease.h"
#include "numbers.h"
#include "revision.h"
#include "revisionstep.h"
#include "testmain.h"

#include <QRandomGenerator>
#include <QTest>

using namespace velmaris;

namespace {

IndexValue value(double v)
{
    return IndexValue::fromDouble(v).value();
}

// rent x n / b to the nearest cent, halves away from zero, worked out apart
// from the code under test.
qint64 nearestCent(qint64 rent, qint64 n, qint64 b)
{
    __extension__ typedef __int128 Wide;
    const Wide p = Wide(rent) * n;
    return qint64((2 * p + b) / (2 * Wide(b)));
}

qint64 centBelow(qint64 rent, qint64 n, qint64 b)
{
    __extension__ typedef __int128 Wide;
    return qint64(Wide(rent) * n / b);
}

// An index text with five decimals, as a file may hold it: 100,00000 to 199,99999.
QString fiveDecimals(QRandomGenerator& random)
{
    const quint32 units = 10'000'000 + random.bounded(10'000'000u);
    return QStringLiteral("%1.%2").arg(units / 100000).arg(units % 100000, 5, 10, QChar(u'0'));
}

// Five consecutive quarters, newest first, `newest` and the same quarter a year
// earlier holding the given values in every series of their era.
IndexTable yearTable(Quarter newest, double newValue, double baseValue, int icc, int baseIcc)
{
    IndexTable table;
    Quarter q = newest;
    for (int k = 0; k < 5; ++k, q = q.previous()) {
        IndexRow row;
        row.quarter = q;
        row.published = q.lastDay().addDays(15);
        const double v = k == 0 ? newValue : k == 4 ? baseValue : 100;
        row.irl = row.irlCorse = row.irlOutreMer = row.average = v;
        row.icc = qint16(k == 0 ? icc : k == 4 ? baseIcc : 1000);
        table.rows.push_back(row);
    }
    return table;
}

} // namespace

class TestRevisionStep : public QObject {
    Q_OBJECT

private slots:
    void indexValues_data();
    void indexValues();
    void revisedRent_data();
    void revisedRent();
    void gridAndRegisterAgree();
};

void TestRevisionStep::indexValues_data()
{
    QTest::addColumn<double>("number");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("text");
    QTest::newRow("two decimals") << 145.47 << qint64(145'470'000) << "145,47";
    QTest::newRow("average of ICC") << 1271.75 << qint64(1'271'750'000) << "1271,75";
    QTest::newRow("whole") << 1190.0 << qint64(1'190'000'000) << "1190";
    // Ten-thousandths would round these: both must stay as they read.
    QTest::newRow("five decimals") << 131.12345 << qint64(131'123'450) << "131,12345";
    QTest::newRow("six decimals") << 0.000001 << qint64(1) << "0,000001";
    QTest::newRow("largest ICC") << 32767.0 << qint64(32'767'000'000) << "32767";
    QTest::newRow("zero is no value") << 0.0 << qint64(-1) << "0";
    QTest::newRow("negative") << -145.47 << qint64(-1) << "0";
    QTest::newRow("too large") << 100000.0 << qint64(-1) << "0";
    QTest::newRow("not a number") << qQNaN() << qint64(-1) << "0";
}

void TestRevisionStep::indexValues()
{
    QFETCH(double, number);
    QFETCH(qint64, units);
    QFETCH(QString, text);
    const std::optional<IndexValue> v = IndexValue::fromDouble(number);
    QCOMPARE(v ? v->units() : qint64(-1), units);
    QCOMPARE(indexText(number), text);
}

void TestRevisionStep::revisedRent_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<qint64>("rent");
    QTest::addColumn<double>("newIndex");
    QTest::addColumn<double>("baseIndex");
    QTest::addColumn<qint64>("expected");
    const int grid = int(RentRounding::Grid), reg = int(RentRounding::Register);

    QTest::newRow("grid: shipped 2019 to 2020")
        << grid << qint64(85000) << 130.59 << 129.99 << qint64(85392);
    QTest::newRow("grid: average of ICC")
        << grid << qint64(300000) << 1271.75 << 1225.5 << qint64(311322);
    // 1000,01 x 0,5 = 500,005: a half cent, away from zero.
    QTest::newRow("grid: exact half cent")
        << grid << qint64(100001) << 50.0 << 100.0 << qint64(50001);
    QTest::newRow("grid: just below the half")
        << grid << qint64(100001) << 49.99 << 100.0 << qint64(49990);
    QTest::newRow("grid: no change")
        << grid << qint64(123456) << 145.77 << 145.77 << qint64(123456);
    QTest::newRow("grid: fall") << grid << qint64(100000) << 98.0 << 100.0 << qint64(98000);
    QTest::newRow("grid: one cent") << grid << qint64(1) << 1.5 << 1.0 << qint64(2);
    QTest::newRow("grid: large rent")
        << grid << qint64(99999999999) << 146.68 << 145.47 << qint64(100831786622);

    // The register takes the cent below: the legal ceiling. 12,50 x 101.32 /
    // 100 = 12,665 exactly -> 12,66; 25,115 -> 25,11; 865,437... -> 865,43.
    QTest::newRow("register: exact half, cent below")
        << reg << qint64(1250) << 101.32 << 100.0 << qint64(1266);
    QTest::newRow("register: another half")
        << reg << qint64(2500) << 100.46 << 100.0 << qint64(2511);
    QTest::newRow("register: below half")
        << reg << qint64(85000) << 144.64 << 142.06 << qint64(86543);
    // The national housing agency's example: 500 x 129,38 / 127,22 = 508,4892... -> 508,48.
    QTest::newRow("register: agency example")
        << reg << qint64(50000) << 129.38 << 127.22 << qint64(50848);
    // 1 000 x 144,64 / 142,06 = 1 018,161... -> 1 018,16.
    QTest::newRow("register: Q4 lease of the publication boundary")
        << reg << qint64(100000) << 144.64 << 142.06 << qint64(101816);
    // A fall is at least the index change: 999,920... -> 999,92 (and never 999,93).
    QTest::newRow("register: fall, cent below")
        << reg << qint64(100000) << 125.27 << 125.29 << qint64(99984);
    QTest::newRow("register: above half")
        << reg << qint64(85000) << 142.06 << 137.26 << qint64(87972);
    QTest::newRow("register: average with quarters")
        << reg << qint64(50000) << 1271.75 << 1227.25 << qint64(51812);
    QTest::newRow("register: fall") << reg << qint64(100000) << 125.28 << 125.29 << qint64(99992);
    QTest::newRow("register: largest rent")
        << reg << kMaxAmountCents << 9999.99 << 0.01 << qint64(9'999'989'999'000'001);
    // 850 x 144.0461 / 146.01906 = 838,515...: the cent below, 838,51.
    QTest::newRow("register: five decimals")
        << reg << qint64(85000) << 144.0461 << 146.01906 << qint64(83851);
}

void TestRevisionStep::revisedRent()
{
    QFETCH(int, mode);
    QFETCH(qint64, rent);
    QFETCH(double, newIndex);
    QFETCH(double, baseIndex);
    QFETCH(qint64, expected);
    QCOMPARE(velmaris::revisedRent(rent, value(newIndex), value(baseIndex), RentRounding(mode)),
             expected);
}

// Random leases: the grid's chain and the register's lawful revision, for the
// same quarter, rent and indices, take the same indices; the grid gives the
// nearest cent of the exact product, the register the cent below.
void TestRevisionStep::gridAndRegisterAgree()
{
    QRandomGenerator random(20'260'118);
    constexpr Territory territories[] = {Territory::Metropole, Territory::Corse,
                                         Territory::OutreMer};
    for (int i = 0; i < 20000; ++i) {
        // From the ICC of 1990 to the IRL of the 2030s, so that every series is drawn.
        const Quarter newest(1990 + int(random.bounded(45)), 1 + int(random.bounded(4)));
        const double newValue = parseIndexValue(fiveDecimals(random)).value();
        const double baseValue = parseIndexValue(fiveDecimals(random)).value();
        const int icc = 900 + int(random.bounded(600)), baseIcc = 900 + int(random.bounded(600));
        const IndexTable table = yearTable(newest, newValue, baseValue, icc, baseIcc);
        const IndexRow& base = table.rows.back();

        Lease lease;
        lease.reference = QStringLiteral("L%1").arg(i);
        lease.territory = territories[random.bounded(3)];
        lease.signingDate = lease.startDate = base.published.addDays(30);
        lease.referenceQuarter = base.quarter;
        lease.clause = random.bounded(2) ? Clause::HausseEtBaisse : Clause::HausseSeulement;
        lease.rentCents = 1 + qint64(random.bounded(10'000'000));
        const QDate due = revisionDateIn(lease, lease.startDate.year() + 1);
        const LawfulRevision lawful = reviseLease(lease, {}, table, due);
        QVERIFY2(lawful.computed, qPrintable(lawful.error));
        QCOMPARE(lawful.newQuarter, newest);

        RevisionRequest request;
        request.reference = base.quarter;
        request.cents = lease.rentCents;
        request.leaseDate = lease.signingDate;
        request.reeval = lease.clause == Clause::HausseEtBaisse;
        const Schedule schedule = reviseRents(table, request);
        const ScheduleEntry* entry = schedule.find(newest);
        QVERIFY(entry && entry->kind == ScheduleEntry::Kind::Revised);

        // The same indices on both sides, where the series are the same.
        const bool sameSeries =
            lawful.series == entry->series
            || (entry->series == IndexSeries::Irl && lawful.series != IndexSeries::Icc
                && lawful.series != IndexSeries::Average);
        QVERIFY(sameSeries);
        QCOMPARE(value(lawful.newValue), entry->newIndex);
        QCOMPARE(value(lawful.baseValue), entry->baseIndex);

        const qint64 n = entry->newIndex.units(), b = entry->baseIndex.units();
        const bool kept = n < b && !request.reeval;
        const qint64 expected = kept ? lease.rentCents : nearestCent(lease.rentCents, n, b);
        const qint64 floor = kept ? lease.rentCents : centBelow(lease.rentCents, n, b);
        if (entry->cents != expected || lawful.newRentCents != floor)
            QFAIL(qPrintable(QStringLiteral("case %1: %2 x %3 / %4 gives %5 on the grid, %6 in "
                                            "the register, %7 expected")
                                 .arg(i)
                                 .arg(lease.rentCents)
                                 .arg(entry->newIndex.text(), entry->baseIndex.text())
                                 .arg(entry->cents)
                                 .arg(lawful.newRentCents)
                                 .arg(floor)));
    }
}

VELMARIS_TEST(TestRevisionStep)
#include "tst_revisionstep.moc"
