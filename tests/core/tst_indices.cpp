// SPDX-License-Identifier: GPL-3.0-or-later
#include "amounts.h"
#include "datafolder.h"
#include "dates.h"
#include "gridline.h"
#include "indexfile.h"
#include "indexrestore.h"
#include "indexseries.h"
#include "numbers.h"
#include "quarter.h"
#include "testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <clocale>

#include <sys/stat.h>
#include <unistd.h>

#include "testsupport.h"

using namespace velmaris;

namespace {

QByteArray lines(std::initializer_list<const char*> list)
{
    QByteArray bytes;
    for (const char* l : list)
        bytes += QByteArray(l) + "\r\n";
    return bytes;
}

// Six ICC quarters below the switch row, two IRL-only rows above it.
QByteArray sampleFile()
{
    return lines({"' sources : INSEE", "", "32005\t110.57\t12/01/2006",
                  "22005\t1276\t12/10/2005\t110.08", "12005\t1270\t08/07/2005\t109.64",
                  "42004\t1269\t08/04/2005", "32004\t1272\t10/01/2005", "22004\t1225\t08/10/2004",
                  "12004\t1214\t09/07/2004"});
}

const QLocale kFrench(QLocale::French, QLocale::France);

} // namespace

class TestIndices : public QObject {
    Q_OBJECT

private slots:
    void parseNumber_data();
    void parseNumber();
    void formatAmount_data();
    void formatAmount();
    void formatGeneral_data();
    void formatGeneral();
    void indexValues_data();
    void indexValues();
    void scaledRatios_data();
    void scaledRatios();
    void numbersIgnoreTheCLocale();
    void frenchDates_data();
    void frenchDates();
    void sameDayNextYear();
    void quarters_data();
    void quarters();
    void quarterPeriods();
    void parsesRowsAroundTheSwitchRow();
    void recordsSplitAtCommas();
    void territoryColumns();
    void averages_data();
    void averages();
    void onlyComments_data();
    void onlyComments();
    void damagedFiles_data();
    void damagedFiles();
    void harmlessVariants_data();
    void harmlessVariants();
    void emptyIccIsNoValue();
    void onlyRegularFilesAreRead();
    void failedLoadKeepsTheTable();
    void shippedCopyPutBack_data();
    void shippedCopyPutBack();
    void putBackAdviceNamesBothFiles();
    void reloadResetsScalars();
    void resolvePath_data();
    void resolvePath();
    void gridBoldRules_data();
    void gridBoldRules();
    void gridLineValues();
    void gridPastTheEndIsEmpty();
    void shippedFile();
};

void TestIndices::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("point") << "1234.5" << 1234.5;
    QTest::newRow("comma") << "1234,5" << 1234.5;
    QTest::newRow("blank in thousands") << "1 000,50" << 1000.5;
    QTest::newRow("leading blanks") << "   850" << 850.0;
    QTest::newRow("trailing text") << "12abc" << 12.0;
    QTest::newRow("leading text") << "abc12" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("negative") << "-3,25" << -3.25;
    QTest::newRow("second comma stops") << "1,2,3" << 1.2;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("e without digits") << "12e" << 12.0;
    QTest::newRow("formatted amount") << " 850,00" << 850.0;
    QTest::newRow("caption") << "Loyer 2007" << 0.0;
    QTest::newRow("lone point") << "." << 0.0;
}

void TestIndices::parseNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    bool overflow = true;
    QCOMPARE(velmaris::parseNumber(text, &overflow), value);
    QVERIFY(!overflow);
}

void TestIndices::formatAmount_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("under a thousand") << 850.0 << " 850,00";
    QTest::newRow("thousands") << 1234.567 << "1 234,57";
    QTest::newRow("millions") << 1234567.0 << "1234 567,00";
    QTest::newRow("half cent up") << 1000.005 << "1 000,01";
    QTest::newRow("binary tail") << 2.675 << " 2,68";
    QTest::newRow("zero") << 0.0 << " 0,00";
    QTest::newRow("small") << 0.004 << " 0,00";
    QTest::newRow("carry") << 999.995 << "1 000,00";
    QTest::newRow("tenths") << 1000.5 << "1 000,50";
    QTest::newRow("negative") << -850.0 << "- 850,00";
    QTest::newRow("under one") << 0.5 << " 0,50";
    QTest::newRow("exact tie at 15 digits") << 2216448902564.625 << "2216448902 564,63";
    QTest::newRow("typed 999,999") << velmaris::parseNumber(u"999,999") << "1 000,00";
    QTest::newRow("typed 1000,005") << velmaris::parseNumber(u"1000,005") << "1 000,01";
}

void TestIndices::formatAmount()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    auto gridText = [](double v) {
        return amountText(roundToCents(v).value_or(0), AmountLayout::Grid, kFrench.decimalPoint());
    };
    QCOMPARE(gridText(value), text);
    // Every amount reads back as its rounded value.
    QCOMPARE(velmaris::parseNumber(text),
             velmaris::parseNumber(gridText(velmaris::parseNumber(text))));
}

void TestIndices::formatGeneral_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1276.0 << "1276";
    QTest::newRow("quarter") << 1271.25 << "1271,25";
    QTest::newRow("irl") << 110.08 << "110,08";
    QTest::newRow("shortest") << 1000.5 << "1000,5";
    // Both sides of the two-decimal shortcut must write what %.15g writes.
    QTest::newRow("trailing zero dropped") << 145.70 << "145,7";
    QTest::newRow("hundredths only") << 0.05 << "0,05";
    QTest::newRow("negative") << -12.34 << "-12,34";
    QTest::newRow("three decimals") << 145.775 << "145,775";
    QTest::newRow("a third") << 1.0 / 3 << "0,333333333333333";
    QTest::newRow("just under the shortcut's bound") << 999999999.99 << "999999999,99";
    QTest::newRow("beyond it") << 1234567890.5 << "1234567890,5";
    QTest::newRow("large: exponent") << 1e20 << "1E+20";
}

void TestIndices::formatGeneral()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(velmaris::formatGeneral(value, kFrench), text);
}

void TestIndices::indexValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // -1: refused
    QTest::newRow("point") << "145.77" << 145.77;
    QTest::newRow("comma") << "145,77" << 145.77;
    QTest::newRow("whole") << "1276" << 1276.0;
    QTest::newRow("blanks around") << " 145.77 " << 145.77;
    QTest::newRow("no decimals after the point") << "145." << 145.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("zero reads, refused later") << "0" << 0.0;
    QTest::newRow("two points") << "145.7.7" << -1.0;
    QTest::newRow("minus") << "-145" << -1.0;
    QTest::newRow("plus") << "+145" << -1.0;
    QTest::newRow("nan") << "nan" << -1.0;
    QTest::newRow("inf") << "inf" << -1.0;
    QTest::newRow("exponent") << "1e3" << -1.0;
    QTest::newRow("blank inside") << "1 276" << -1.0;
    QTest::newRow("trailing text") << "145.77x" << -1.0;
    QTest::newRow("lone point") << "." << -1.0;
    QTest::newRow("empty") << "" << -1.0;
}

void TestIndices::indexValues()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(parseIndexValue(text).value_or(-1), value);
}

void TestIndices::scaledRatios_data()
{
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<qint64>("numerator");
    QTest::addColumn<qint64>("denominator");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("exact") << qint64(100000) << qint64(102) << qint64(100) << qint64(102000);
    QTest::newRow("half cent up") << qint64(100001) << qint64(1) << qint64(2) << qint64(50001);
    QTest::newRow("below the half")
        << qint64(100001) << qint64(4999) << qint64(10000) << qint64(49990);
    QTest::newRow("negative, away from zero")
        << qint64(-100001) << qint64(1) << qint64(2) << qint64(-50001);
    // Beyond 64 bits on the way: 10^15 x 10^12 / 10^12.
    QTest::newRow("wide product") << qint64(1'000'000'000'000'000) << qint64(1'000'000'000'000)
                                  << qint64(1'000'000'000'000) << qint64(1'000'000'000'000'000);
    QTest::newRow("clamped to 64 bits") << std::numeric_limits<qint64>::max() << qint64(3)
                                        << qint64(1) << std::numeric_limits<qint64>::max();
    QTest::newRow("no denominator") << qint64(85000) << qint64(1) << qint64(0) << qint64(0);
}

void TestIndices::scaledRatios()
{
    QFETCH(qint64, cents);
    QFETCH(qint64, numerator);
    QFETCH(qint64, denominator);
    QFETCH(qint64, expected);
    QCOMPARE(scaledRatio(cents, numerator, denominator), expected);
}

// The program reads its data the same way whatever the C library's locale:
// under fr_FR strtod stops at the point.
void TestIndices::numbersIgnoreTheCLocale()
{
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    for (const char* name : {"fr_FR.UTF-8", "de_DE.UTF-8", "C"}) {
        if (!std::setlocale(LC_ALL, name))
            continue; // not generated on this machine
        QCOMPARE(velmaris::parseNumber(u"145.77"), 145.77);
        QCOMPARE(velmaris::parseNumber(u"1 234,50"), 1234.5);
        QCOMPARE(parseIndexValue(u"145.77").value_or(0), 145.77);
        QCOMPARE(roundToCents(850.505).value_or(0), qint64(85051));
        QCOMPARE(velmaris::formatGeneral(145.77, kFrench), QStringLiteral("145,77"));
        QCOMPARE(amountText(95319, AmountLayout::Grid), QStringLiteral(" 953,19"));
        const IndexFileResult r = parseIndexFile(lines({"32025\t145.77\t15/10/2025"}));
        QVERIFY(r.ok());
        QCOMPARE(r.rows[0].irl, 145.77);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

void TestIndices::frenchDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("full") << "15/10/2019" << QDate(2019, 10, 15);
    QTest::newRow("short parts") << "5/3/2019" << QDate(2019, 3, 5);
    QTest::newRow("two-digit 20xx") << "01/02/29" << QDate(2029, 2, 1);
    QTest::newRow("two-digit 19xx") << "01/02/30" << QDate(1930, 2, 1);
    QTest::newRow("dashes") << "15-10-2019" << QDate(2019, 10, 15);
    QTest::newRow("dots") << "15.10.2019" << QDate(2019, 10, 15);
    QTest::newRow("blanks around") << "  15/10/2019 " << QDate(2019, 10, 15);
    QTest::newRow("impossible") << "31/02/2020" << QDate();
    QTest::newRow("mixed separators") << "15/10-2019" << QDate();
    QTest::newRow("words") << "demain" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("month first is not read") << "10/15/2019" << QDate();
}

void TestIndices::frenchDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseFrenchDate(text).value_or(QDate()), date);
    if (date.isValid())
        QCOMPARE(formatShortDate(date, kFrench), date.toString(QStringLiteral("dd/MM/yyyy")));
}

void TestIndices::sameDayNextYear()
{
    QCOMPARE(velmaris::sameDayNextYear(QDate(2024, 2, 29)), QDate(2025, 3, 1));
    QCOMPARE(velmaris::sameDayNextYear(QDate(2024, 3, 15)), QDate(2025, 3, 15));
}

void TestIndices::quarters_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QDate>("lastDay");
    QTest::newRow("1") << "12019"
                       << "1er tr.2019" << QDate(2019, 3, 31);
    QTest::newRow("2") << "22005"
                       << "2è tr.2005" << QDate(2005, 6, 30);
    QTest::newRow("3") << "31999"
                       << "3è tr.1999" << QDate(1999, 9, 30);
    QTest::newRow("4") << "42024"
                       << "4è tr.2024" << QDate(2024, 12, 31);
    QTest::newRow("blanks around") << " 22005 "
                                   << "2è tr.2005" << QDate(2005, 6, 30);
    QTest::newRow("quarter 9") << "92005" << QString() << QDate();
    QTest::newRow("quarter 0") << "02005" << QString() << QDate();
    QTest::newRow("two-digit year") << "305" << QString() << QDate();
    QTest::newRow("five-digit year") << "320190" << QString() << QDate();
    QTest::newRow("blank inside") << "3 2019" << QString() << QDate();
    QTest::newRow("letters") << "3è tr" << QString() << QDate();
    QTest::newRow("empty") << "" << QString() << QDate();
}

void TestIndices::quarters()
{
    QFETCH(QString, key);
    QFETCH(QString, label);
    QFETCH(QDate, lastDay);
    const std::optional<Quarter> q = Quarter::fromKey(key);
    QCOMPARE(q.has_value(), !label.isEmpty());
    if (!q)
        return;
    QCOMPARE(q->label(), label);
    QCOMPARE(q->key(), key.trimmed());
    QCOMPARE(q->lastDay(), lastDay);
    QCOMPARE(Quarter::fromLabel(label), q);
    QCOMPARE(Quarter::containing(lastDay), q);
    QCOMPARE(Quarter::containing(lastDay.addDays(1)), q->next());
    QCOMPARE(q->next().previous(), q);
    QCOMPARE(q->yearEarlier().next().next().next().next(), q);
    QCOMPARE(q->next().quartersSince(*q), 1);
    QVERIFY(q->previous() < *q && *q < q->next());
}

void TestIndices::quarterPeriods()
{
    QCOMPARE(Quarter::fromPeriod(u"2024-Q2"), Quarter(2024, 2));
    QCOMPARE(Quarter::fromPeriod(u"2025-T3"), Quarter(2025, 3));
    QCOMPARE(Quarter::fromPeriod(u"2024-Q5"), std::nullopt);
    QCOMPARE(Quarter::fromPeriod(u"2024-M02"), std::nullopt);
    QCOMPARE(Quarter::fromLabel(u"2019"), std::nullopt);
    QCOMPARE(Quarter(2005, 1).next(), Quarter(2005, 2));
    QCOMPARE(Quarter(2005, 1).previous(), Quarter(2004, 4));
}

void TestIndices::parsesRowsAroundTheSwitchRow()
{
    const IndexFileResult r = parseIndexFile(sampleFile());
    QVERIFY2(r.ok(), qPrintable(corruptionDetail(r)));
    QCOMPARE(int(r.rows.size()), 7);
    // Above the switch row: the IRL alone.
    QCOMPARE(r.rows[0].label(), QStringLiteral("3è tr.2005"));
    QCOMPARE(r.rows[0].icc, 0);
    QCOMPARE(r.rows[0].irl, 110.57);
    QCOMPARE(r.rows[0].published, QDate(2006, 1, 12));
    // The switch row itself reads the ICC, with the IRL in column 4.
    QCOMPARE(r.rows[1].icc, 1276);
    QCOMPARE(r.rows[1].irl, 110.08);
    QCOMPARE(r.rows[1].published, QDate(2005, 10, 12));
    // Column 4 absent below the switch: no IRL.
    QCOMPARE(r.rows[3].icc, 1269);
    QCOMPARE(r.rows[3].irl, 0.0);
    QCOMPARE(r.rows[3].published, QDate(2005, 4, 8));
}

void TestIndices::recordsSplitAtCommas()
{
    // A comma ends a record; what follows is one more record.
    const IndexFileResult r =
        parseIndexFile(lines({"22005\t1276\t12/10/2005, 12005\t1270\t08/07/2005"}));
    QVERIFY(r.ok());
    QCOMPARE(int(r.rows.size()), 2);
    QCOMPARE(r.rows[1].label(), QStringLiteral("1er tr.2005"));
    QCOMPARE(r.rows[1].icc, 1270);
}

void TestIndices::territoryColumns()
{
    // Newer than the 2nd quarter 2005, columns 4 and 5 hold the Corsica and
    // overseas IRL; a row without them has neither.
    const IndexFileResult r = parseIndexFile(
        lines({"32025\t145.77\t15/10/2025\t141.58\t142.97", "22025\t146.68\t16/07/2025",
               "12025\t145.47\t16/04/2025\t\t142.67\t"}));
    QVERIFY2(r.ok(), qPrintable(corruptionDetail(r)));
    QCOMPARE(r.rows[0].irlCorse, 141.58);
    QCOMPARE(r.rows[0].irlOutreMer, 142.97);
    QCOMPARE(r.rows[1].irlCorse, 0.0);
    QCOMPARE(r.rows[2].irlCorse, 0.0);
    QCOMPARE(r.rows[2].irlOutreMer, 142.67);
    QCOMPARE(seriesValue(r.rows[0], IndexSeries::IrlCorse), 141.58);
    QCOMPARE(seriesValue(r.rows[1], IndexSeries::IrlCorse), 0.0);
    QCOMPARE(seriesName(IndexSeries::IrlOutreMer), QStringLiteral("IRL outre-mer"));

    // Up to the 2nd quarter 2022 the three series are one.
    IndexRow shared;
    shared.quarter = Quarter(2022, 2);
    shared.irl = 135.84;
    QCOMPARE(seriesValue(shared, IndexSeries::IrlOutreMer), 135.84);
    shared.quarter = Quarter(2022, 3);
    QCOMPARE(seriesValue(shared, IndexSeries::IrlOutreMer), 0.0);
}

// Consecutive quarters from the 2nd of 2005 down, ICC 1000 + 4i on row i, the
// ICC of the rows in `gaps` left empty.
QByteArray iccFile(int rowCount, std::initializer_list<int> gaps = {})
{
    QByteArray bytes;
    Quarter q(2005, 2);
    for (int i = 0; i < rowCount; ++i, q = q.previous()) {
        const bool gap = std::find(gaps.begin(), gaps.end(), i) != gaps.end();
        bytes += q.key().toLatin1() + '\t' + (gap ? QByteArray() : QByteArray::number(1000 + 4 * i))
                 + '\t' + q.lastDay().addDays(15).toString(u"dd/MM/yyyy").toLatin1() + "\r\n";
    }
    return bytes;
}

void TestIndices::averages_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<double>>("averages");
    QTest::newRow("five rows: none") << iccFile(5) << QList<double>{0, 0, 0, 0, 0};
    QTest::newRow("six rows: rows 0 to 2")
        << iccFile(6) << QList<double>{1006, 1010, 1014, 0, 0, 0};
    QTest::newRow("seven rows: rows 0 to 3")
        << iccFile(7) << QList<double>{1006, 1010, 1014, 1018, 0, 0, 0};
    // An empty ICC is no zero: no average counts it.
    QTest::newRow("one ICC missing") << iccFile(8, {3}) << QList<double>{0, 0, 0, 0, 1022, 0, 0, 0};
}

void TestIndices::averages()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<double>, averages);
    const IndexFileResult r = parseIndexFile(bytes);
    QVERIFY2(r.ok(), qPrintable(corruptionDetail(r)));
    QList<double> got;
    for (const IndexRow& row : r.rows)
        got << row.average;
    QCOMPARE(got, averages);
}

namespace {

// Twelve quarters across the change of series, line 1 a comment, the 3rd
// quarter 2006 on line 2 down to the 4th quarter 2003 on line 13.
QList<QByteArray> goodLines()
{
    return {"' fichier d'essai",
            "32006\t107.69\t13/10/2006",
            "22006\t107.07\t13/07/2006",
            "12006\t106.62\t13/04/2006",
            "42005\t106.41\t12/01/2006",
            "32005\t105.91\t12/10/2005",
            "22005\t1276\t12/10/2005\t105.60",
            "12005\t1270\t08/07/2005\t105.10",
            "42004\t1269\t08/04/2005\t104.60",
            "32004\t1272\t11/01/2005",
            "22004\t1225\t12/10/2004",
            "12004\t1209\t12/07/2004",
            "42003\t1214\t09/04/2004"};
}

QByteArray joined(const QList<QByteArray>& list, const QByteArray& end = "\r\n")
{
    QByteArray bytes;
    for (const QByteArray& l : list)
        bytes += l + end;
    return bytes;
}

// The good file with line n (1-based) replaced; an empty text removes it.
QByteArray withLine(int n, const QByteArray& text)
{
    QList<QByteArray> list = goodLines();
    if (text.isEmpty())
        list.removeAt(n - 1);
    else
        list[n - 1] = text;
    return joined(list);
}

// What a table holds, to compare two readings.
QStringList dump(const std::vector<IndexRow>& rows)
{
    QStringList out;
    for (const IndexRow& r : rows)
        out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                   .arg(r.quarter.key())
                   .arg(r.icc)
                   .arg(r.irl)
                   .arg(r.average)
                   .arg(r.published.toString(u"dd/MM/yyyy"))
                   .arg(r.irlCorse);
    return out;
}

} // namespace

// Every damaged copy is refused whole, at the right line, for a reason a
// person can act on.
void TestIndices::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");

    QTest::newRow("quarter twice")
        << withLine(4, "22006\t107.07\t13/07/2006") << 4 << "le 2è tr.2006 figure deux fois";
    QTest::newRow("quarter missing")
        << withLine(4, {}) << 4 << "le 1er tr.2006 manque entre le 2è tr.2006 et le 4è tr.2005";
    {
        QList<QByteArray> l = goodLines();
        l.removeAt(3);
        l.removeAt(3);
        QTest::newRow("two quarters missing")
            << joined(l) << 4
            << "les trimestres du 4è tr.2005 au 1er tr.2006 manquent entre le 2è tr.2006 et le "
               "3è tr.2005";
    }
    {
        QList<QByteArray> l = goodLines();
        l.swapItemsAt(2, 3);
        QTest::newRow("two quarters swapped")
            << joined(l) << 3 << "le 2è tr.2006 manque entre le 3è tr.2006 et le 1er tr.2006";
    }
    {
        QList<QByteArray> l = goodLines();
        std::reverse(l.begin() + 1, l.end());
        QTest::newRow("oldest first")
            << joined(l) << 3
            << "le 1er tr.2004 vient après le 4è tr.2003, plus ancien : les trimestres vont du "
               "plus récent au plus ancien";
    }
    QTest::newRow("nan ICC") << withLine(10, "32004\tnan\t11/01/2005") << 10
                             << "l'ICC du 3è tr.2004 « nan » n'est pas un nombre";
    QTest::newRow("negative IRL") << withLine(3, "22006\t-145\t13/07/2006") << 3
                                  << "l'IRL du 2è tr.2006 « -145 » n'est pas un nombre";
    QTest::newRow("two points") << withLine(3, "22006\t145.7.7\t13/07/2006") << 3
                                << "l'IRL du 2è tr.2006 « 145.7.7 » n'est pas un nombre";
    QTest::newRow("exponent") << withLine(3, "22006\t1e2\t13/07/2006") << 3
                              << "« 1e2 » n'est pas un nombre";
    // Beyond six decimals the revision could not hold the value exactly.
    QTest::newRow("seven decimals") << withLine(3, "22006\t107.0700001\t13/07/2006") << 3
                                    << "l'IRL du 2è tr.2006 « 107.0700001 » a plus de 6 décimales";
    QTest::newRow("zero IRL") << withLine(3, "22006\t0\t13/07/2006") << 3
                              << "l'IRL du 2è tr.2006 vaut 0 : un indice est toujours positif";
    QTest::newRow("IRL of 40000") << withLine(3, "22006\t40000\t13/07/2006") << 3
                                  << "l'IRL du 2è tr.2006 (40000) s'écarte de plus de 25 %";
    QTest::newRow("typo in the newest") << withLine(2, "32006\t1076.9\t13/10/2006") << 2
                                        << "l'IRL du 3è tr.2006 (1076,9) s'écarte de plus de 25 %";
    QTest::newRow("ICC typo") << withLine(9, "42004\t12690\t08/04/2005") << 9
                              << "l'ICC du 4è tr.2004 (12690) s'écarte de plus de 25 %";
    QTest::newRow("ICC beyond 16 bits")
        << withLine(9, "42004\t99999\t08/04/2005") << 9 << "trop grand pour un ICC";
    QTest::newRow("published a year late") << withLine(3, "22006\t107.07\t13/07/2007") << 3
                                           << "le 2è tr.2006 a paru le 13/07/2007, après le 3è "
                                              "tr.2006 paru le 13/10/2006";
    QTest::newRow("published before its quarter ended")
        << withLine(3, "22006\t107.07\t13/06/2006") << 3
        << "le 2è tr.2006 ne peut pas avoir paru le 13/06/2006";
    QTest::newRow("published two years on")
        << withLine(2, "32006\t107.69\t13/10/2008") << 2 << "ne peut pas avoir paru le 13/10/2008";
    QTest::newRow("not a date") << withLine(3, "22006\t107.07\t2006-07-13") << 3
                                << "la date de parution du 2è tr.2006 « 2006-07-13 » n'est pas "
                                   "une date";
    QTest::newRow("quarter 9") << withLine(7, "92005\t1276\t12/10/2005\t105.60") << 7
                               << "« 92005 » n'est pas un trimestre";
    QTest::newRow("comma in a comment")
        << withLine(1, "' sources : Insee, Journal Officiel") << 1
        << "« Journal Officiel » n'est pas un trimestre (chiffre du trimestre puis année, par "
           "exemple 32019) ; une virgule coupe la ligne en deux enregistrements, même dans un "
           "commentaire";
    QTest::newRow("one tab") << withLine(3, "22006\t107.07") << 3
                             << "la ligne du 2è tr.2006 doit tenir le trimestre, l'indice et la "
                                "date de parution";
    QTest::newRow("no tab") << withLine(3, "garbage") << 3 << "« garbage » n'est pas un trimestre";
    QTest::newRow("too many columns") << withLine(7, "22005\t1276\t12/10/2005\t105.60\t105.1") << 7
                                      << "la ligne du 2è tr.2005 a plus de 4 colonnes";
    QTest::newRow("html page") << QByteArray("<html><body>Error</body></html>") << 1
                               << "n'est pas un trimestre";
    QByteArray tooMany;
    Quarter q(9998, 4);
    for (int i = 0; i <= kMaxRows; ++i, q = q.previous())
        tooMany += q.key().toLatin1() + "\t1276\t"
                   + q.lastDay().addDays(1).toString(u"dd/MM/yyyy").toLatin1() + '\n';
    QTest::newRow("too many rows") << tooMany << kMaxRows + 1 << "plus de 32000 trimestres";
}

void TestIndices::damagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, reason);
    const IndexFileResult r = parseIndexFile(bytes);
    QCOMPARE(r.status, IndexFileResult::Status::Corrupt);
    QCOMPARE(r.badLine, line);
    QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
    QVERIFY(r.rows.empty());
    QCOMPARE(loadFailureTitle(r), QStringLiteral("Réinstallation nécessaire"));
    QVERIFY(loadFailureText(r).startsWith(QStringLiteral("Fichier des indices corrompu\nligne ")
                                          + QString::number(line) + QStringLiteral(" : ")));
}

// A file with no quarter is refused, never taken for a table of no rows: an
// emptied file (a full disk) or one of comments alone says why.
void TestIndices::onlyComments_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray() << "le fichier est vide";
    QTest::newRow("comments and blanks")
        << lines({"' nothing", "", "'more", " \t "}) << "le fichier ne contient aucun trimestre";
    QTest::newRow("line ends alone") << QByteArray("\r\n\r\n") << "aucun trimestre";
}

void TestIndices::onlyComments()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const IndexFileResult r = parseIndexFile(bytes);
    QCOMPARE(r.status, IndexFileResult::Status::Corrupt);
    QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
    QCOMPARE(loadFailureText(r),
             QStringLiteral("Fichier des indices corrompu\n") + r.reason + u'.');

    // Read from the disk, the table in place is kept.
    QTemporaryDir dir;
    IndexTable table;
    table.filePath = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    test::writeAll(table.filePath, joined(goodLines()));
    QVERIFY(loadIndexTable(table).ok());
    const auto before = dump(table.rows);
    test::writeAll(table.filePath, bytes);
    QCOMPARE(loadIndexTable(table).status, IndexFileResult::Status::Corrupt);
    QCOMPARE(dump(table.rows), before);

    // No rows at all still scroll sanely.
    installRows(table, {}, QDateTime());
    QCOMPARE(table.lastRow(), -1);
    QCOMPARE(table.scrollMaximum(), -20);
}

// Copies that differ from the good file only in what the format allows read
// the same table.
void TestIndices::harmlessVariants_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("LF line ends") << joined(goodLines(), "\n");
    QTest::newRow("CR line ends") << joined(goodLines(), "\r");
    QTest::newRow("no line end at the end") << joined(goodLines()).chopped(2);
    QTest::newRow("blank after the 2005 key") << withLine(7, "22005 \t1276\t12/10/2005\t105.60");
    QTest::newRow("blanks around a key") << withLine(2, "  32006 \t107.69\t13/10/2006");
    QTest::newRow("another comment") << withLine(1, "' autre commentaire");
    QTest::newRow("empty lines and comments")
        << withLine(5, "42005\t106.41\t12/01/2006\r\n\r\n' x");
    QTest::newRow("trailing tabs") << withLine(3, "22006\t107.07\t13/07/2006\t\t");
    QTest::newRow("blanks around a value") << withLine(3, "22006\t 107.07 \t13/07/2006");
    QTest::newRow("six decimals") << withLine(3, "22006\t107.070000\t13/07/2006");
}

void TestIndices::harmlessVariants()
{
    QFETCH(QByteArray, bytes);
    const IndexFileResult good = parseIndexFile(joined(goodLines()));
    QVERIFY(good.ok());
    const IndexFileResult r = parseIndexFile(bytes);
    QVERIFY2(r.ok(), qPrintable(corruptionDetail(r)));
    QCOMPARE(dump(r.rows), dump(good.rows));
}

// A missing ICC is kept as missing, and so is its average.
void TestIndices::emptyIccIsNoValue()
{
    const IndexFileResult r = parseIndexFile(withLine(11, "22004\t\t12/10/2004"));
    QVERIFY2(r.ok(), qPrintable(corruptionDetail(r)));
    QCOMPARE(r.rows[9].icc, 0);
    QCOMPARE(r.rows[5].average, (1276 + 1270 + 1269 + 1272) / 4.0);
    for (int i : {6, 7, 8})
        QCOMPARE(r.rows[std::size_t(i)].average, 0.0);
}

void TestIndices::onlyRegularFilesAreRead()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    // A pipe would block forever, a device would never end: neither is opened.
    for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
        const IndexFileResult r = readIndexFile(path);
        QCOMPARE(r.status, IndexFileResult::Status::Corrupt);
        QCOMPARE(r.reason, QStringLiteral("ce n’est pas un fichier ordinaire"));
    }
    QCOMPARE(readIndexFile(dir.path()).reason, QStringLiteral("c’est un dossier, pas un fichier"));
#ifdef Q_OS_UNIX
    // A file that cannot be read is corrupt for the user, never missing nor empty.
    if (geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked"));
        test::writeAll(locked, joined(goodLines()));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        const IndexFileResult r = readIndexFile(locked);
        QCOMPARE(r.status, IndexFileResult::Status::Corrupt);
        QVERIFY2(r.reason.contains(QStringLiteral("accès refusé")), qPrintable(r.reason));
    }
#endif
    const QString big = dir.filePath(QStringLiteral("big"));
    test::writeAll(big, QByteArray(kMaxIndexFileBytes + 1, '\''));
    QVERIFY(readIndexFile(big).reason.contains(QStringLiteral("4 Mio")));
    QCOMPARE(readIndexFile(dir.filePath(QStringLiteral("none"))).status,
             IndexFileResult::Status::Missing);
}

void TestIndices::failedLoadKeepsTheTable()
{
    QTemporaryDir dir;
    IndexTable table;
    table.filePath = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    test::writeAll(table.filePath, sampleFile());
    QVERIFY(loadIndexTable(table).ok());
    QCOMPARE(table.lastRow(), 6);
    QCOMPARE(table.fileBytes, sampleFile());

    test::writeAll(table.filePath, lines({"32005\t110.57\t12/01/2006", "oops"}));
    QCOMPARE(loadIndexTable(table).status, IndexFileResult::Status::Corrupt);
    QCOMPARE(table.lastRow(), 6);
    QCOMPARE(table.rows[1].icc, 1276);

    QVERIFY(QFile::remove(table.filePath));
    const IndexFileResult missing = loadIndexTable(table);
    QCOMPARE(missing.status, IndexFileResult::Status::Missing);
    QCOMPARE(loadFailureTitle(missing),
             QStringLiteral("Installation incomplète, ou mauvais paramètres"));
    QCOMPARE(table.lastRow(), 6);
}

void TestIndices::reloadResetsScalars()
{
    IndexTable table;
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    QCOMPARE(table.rowOf(Quarter(2005, 1)), 2);
    QCOMPARE(table.rowOf(Quarter(2005, 4)), -1);
    QCOMPARE(table.rowOf(Quarter(2004, 1)), 6);
    QCOMPARE(table.rowOf(Quarter(2003, 4)), -1);
}

void TestIndices::resolvePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::newRow("none") << ""
                          << "/opt/velmaris/VELMARIS.TXT";
    QTest::newRow("slash") << "/data/"
                           << "/data/VELMARIS.TXT";
    QTest::newRow("backslash") << "C:\\Loyers\\"
                               << "C:\\Loyers\\VELMARIS.TXT";
    QTest::newRow("no separator") << "/home/me/mes loyers"
                                  << "/home/me/mes loyers/VELMARIS.TXT";
}

void TestIndices::resolvePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QCOMPARE(resolveIndexPath(folder, QStringLiteral("/opt/velmaris")), path);
}

void TestIndices::gridBoldRules_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<double>("average");
    QTest::addColumn<bool>("averageBold");
    QTest::addColumn<bool>("irlBold");
    QTest::newRow("2è tr.2005") << "2è tr.2005" << 1250.0 << false << false;
    QTest::newRow("1er tr.1995") << "1er tr.1995" << 1020.0 << true << false;
    QTest::newRow("4è tr.1994") << "4è tr.1994" << 1018.0 << false << false;
    QTest::newRow("IRL only") << "3è tr.2019" << 0.0 << true << true;
}

void TestIndices::gridBoldRules()
{
    QFETCH(QString, label);
    QFETCH(double, average);
    QFETCH(bool, averageBold);
    QFETCH(bool, irlBold);
    IndexTable table;
    IndexRow row;
    row.quarter = *Quarter::fromLabel(label);
    row.average = average;
    row.irl = 110.5;
    table.rows.push_back(row);
    const GridLine g = gridLine(table, GridView(), 0, kFrench);
    QCOMPARE(g.averageBold, averageBold);
    QCOMPARE(g.irlBold, irlBold);
}

void TestIndices::gridLineValues()
{
    IndexTable table;
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    GridView view{0, 2};

    // IRL-only row: blank ICC and average.
    GridLine g = gridLine(table, view, 0, kFrench);
    QCOMPARE(g.icc, QString());
    QCOMPARE(g.average, QString());
    QCOMPARE(g.irl, QStringLiteral("110,57"));
    QCOMPARE(g.date, QStringLiteral("12/01/2006"));
    QVERIFY(!g.reference);

    g = gridLine(table, view, 1, kFrench);
    QCOMPARE(g.icc, QStringLiteral("1276"));
    QCOMPARE(g.average, QStringLiteral("1271,75"));

    // Row 3 has no IRL: blank, not "0".
    g = gridLine(table, view, 3, kFrench);
    QCOMPARE(g.irl, QString());

    g = gridLine(table, view, 2, kFrench);
    QVERIFY(g.reference);
    QCOMPARE(g.quarter, Quarter(2005, 1));

    // One step down: line 1 shows what line 2 showed.
    view.topRow = 1;
    g = gridLine(table, view, 1, kFrench);
    QVERIFY(g.reference);
    QCOMPARE(g.label, QStringLiteral("1er tr.2005"));
}

void TestIndices::gridPastTheEndIsEmpty()
{
    IndexTable table;
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    const GridLine g = gridLine(table, GridView(), 7, kFrench);
    QVERIFY(g.label.isEmpty() && g.date.isEmpty() && !g.quarter.isValid() && !g.reference);
}

void TestIndices::shippedFile()
{
    const IndexFileResult r =
        readIndexFile(QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT"));
    QVERIFY(r.ok());
    QVERIFY(r.rows.size() > 100);

    // Quarters follow one another, newest first, and so do the publications.
    for (std::size_t i = 1; i < r.rows.size(); ++i) {
        QCOMPARE(r.rows[i].quarter, r.rows[i - 1].quarter.previous());
        QVERIFY2(r.rows[i].published < r.rows[i - 1].published, qPrintable(r.rows[i].label()));
    }

    auto find = [&](const QString& label) -> const IndexRow& {
        for (const IndexRow& row : r.rows)
            if (row.label() == label)
                return row;
        static const IndexRow none;
        return none;
    };
    QCOMPARE(find(QStringLiteral("3è tr.2019")).irl, 129.99);
    QCOMPARE(find(QStringLiteral("3è tr.2019")).published, QDate(2019, 10, 16));
    QCOMPARE(find(QStringLiteral("2è tr.2005")).icc, 1276);
    QCOMPARE(find(QStringLiteral("2è tr.2005")).irl, 110.08);
    QCOMPARE(find(QStringLiteral("4è tr.1999")).icc, 1065);
    QCOMPARE(find(QStringLiteral("3è tr.2025")).irl, 145.77);
    // The IRL series starts at the fourth quarter of 2002.
    QCOMPARE(find(QStringLiteral("3è tr.2002")).irl, 0.0);
    QVERIFY(find(QStringLiteral("4è tr.2002")).irl > 0);
}

// The shipped copy replaces a broken file only when it reads itself, and what
// the broken file held is kept beside it.
void TestIndices::shippedCopyPutBack_data()
{
    QTest::addColumn<QByteArray>("current");
    QTest::addColumn<QByteArray>("shipped");
    QTest::addColumn<QString>("reason"); // empty: put back
    const QByteArray good = joined(goodLines());
    QTest::newRow("emptied file") << QByteArray() << good << "";
    QTest::newRow("damaged file") << QByteArray("12025\tx\r\n") << good << "";
    QTest::newRow("shipped copy broken too")
        << QByteArray() << QByteArray("garbage") << "est lui-même illisible";
    QTest::newRow("shipped copy empty") << QByteArray("x") << QByteArray() << "le fichier est vide";
}

void TestIndices::shippedCopyPutBack()
{
    QFETCH(QByteArray, current);
    QFETCH(QByteArray, shipped);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    const QString from = dir.filePath(QStringLiteral("share/VELMARIS.TXT"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("share"))));
    test::writeAll(path, current);
    test::writeAll(from, shipped);

    const QString why = putBackShippedIndex(from, path);
    const QStringList kept =
        QDir(dir.path()).entryList({QStringLiteral("VELMARIS.TXT.corrompu-*")}, QDir::Files);
    if (reason.isEmpty()) {
        QCOMPARE(why, QString());
        QCOMPARE(test::readAll(path), shipped);
        QCOMPARE(kept.size(), current.isEmpty() ? 0 : 1);
        if (!kept.isEmpty())
            QCOMPARE(test::readAll(dir.filePath(kept.front())), current);
    } else {
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(test::readAll(path), current);
        QVERIFY(kept.isEmpty());
    }
    // The file itself is never its own shipped copy.
    QVERIFY(!canPutBackShippedIndex(path, path));
    QVERIFY(!canPutBackShippedIndex(QString(), path));
}

void TestIndices::putBackAdviceNamesBothFiles()
{
    QTemporaryDir dir;
    const QString shipped = dir.filePath(QStringLiteral("share/VELMARIS.TXT"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("share"))));
    test::writeAll(shipped, joined(goodLines()));
    const QString path = dir.filePath(QStringLiteral("l'autre/VELMARIS.TXT"));
    const QString advice = putBackAdvice(shipped, path);
    // Pasted into a shell as it stands, even with a quote in a name.
    QVERIFY2(advice.contains(QStringLiteral("cp '") + shipped + QStringLiteral("' '")
                             + dir.filePath(QStringLiteral("l'\\''autre/VELMARIS.TXT'"))),
             qPrintable(advice));
    QVERIFY(putBackAdvice(QString(), path).contains(QStringLiteral("fichier des indices valide")));
}

VELMARIS_TEST(TestIndices)
#include "tst_indices.moc"
