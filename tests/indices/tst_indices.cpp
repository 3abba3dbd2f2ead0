#include "dates.h"
#include "gridline.h"
#include "indexfile.h"
#include "numbers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    return lines({"' sources: INSEE", "", "32005\t110.57\t12/01/2006",
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
    void frenchDates_data();
    void frenchDates();
    void sameDayNextYear();
    void quarterLabels_data();
    void quarterLabels();
    void parsesRowsAroundTheSwitchRow();
    void recordsSplitAtCommas();
    void averages_data();
    void averages();
    void onlyComments();
    void corruptFiles_data();
    void corruptFiles();
    void failedLoadKeepsTheTable();
    void reloadKeepsRentsAndResetsScalars();
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
    QCOMPARE(velmaris::formatAmount(value, kFrench), text);
    // Every amount reads back as its rounded value.
    QCOMPARE(velmaris::parseNumber(text),
             velmaris::parseNumber(velmaris::formatAmount(velmaris::parseNumber(text), kFrench)));
}

void TestIndices::formatGeneral_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1276.0 << "1276";
    QTest::newRow("quarter") << 1271.25 << "1271,25";
    QTest::newRow("irl") << 110.08 << "110,08";
    QTest::newRow("shortest") << 1000.5 << "1000,5";
}

void TestIndices::formatGeneral()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(velmaris::formatGeneral(value, kFrench), text);
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

void TestIndices::quarterLabels_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");
    QTest::newRow("1") << "12019"
                       << "1er tr.2019";
    QTest::newRow("2") << "22005"
                       << "2è tr.2005";
    QTest::newRow("3") << "31999"
                       << "3è tr.1999";
    QTest::newRow("4") << "42024"
                       << "4è tr.2024";
    QTest::newRow("other digit") << "52019"
                                 << "2019";
}

void TestIndices::quarterLabels()
{
    QFETCH(QString, key);
    QFETCH(QString, label);
    QCOMPARE(quarterLabel(key), label);
}

void TestIndices::parsesRowsAroundTheSwitchRow()
{
    const IndexFileResult r = parseIndexFile(sampleFile());
    QVERIFY(r.ok());
    QCOMPARE(int(r.rows.size()), 7);
    // Above the switch row: the IRL alone.
    QCOMPARE(r.rows[0].label, QStringLiteral("3è tr.2005"));
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
    for (const IndexRow& row : r.rows)
        QVERIFY(row.rent.isEmpty());
}

void TestIndices::recordsSplitAtCommas()
{
    // A comma ends a record; what follows is one more record.
    const IndexFileResult r =
        parseIndexFile(lines({"22005\t1276\t12/10/2005, 12005\t1270\t08/07/2005"}));
    QVERIFY(r.ok());
    QCOMPARE(int(r.rows.size()), 2);
    QCOMPARE(r.rows[1].label, QStringLiteral("1er tr.2005"));
    QCOMPARE(r.rows[1].icc, 1270);
}

void TestIndices::averages_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("rowsWithAverage");
    QTest::newRow("five rows: none") << 5 << 0;
    QTest::newRow("six rows: rows 0 to 2") << 6 << 3;
    QTest::newRow("seven rows: rows 0 to 3") << 7 << 4;
}

void TestIndices::averages()
{
    QFETCH(int, rowCount);
    QFETCH(int, rowsWithAverage);
    QByteArray bytes;
    for (int i = 0; i < rowCount; ++i)
        bytes += QStringLiteral("%1%2\t%3\t01/01/%4\r\n")
                     .arg(i == 0 ? QStringLiteral("22005") : QStringLiteral("1"))
                     .arg(i == 0 ? QString() : QString::number(2004 - i))
                     .arg(1000 + 4 * i)
                     .arg(2005 - i)
                     .toLatin1();
    const IndexFileResult r = parseIndexFile(bytes);
    QVERIFY(r.ok());
    for (int i = 0; i < rowCount; ++i) {
        const double expected = i < rowsWithAverage ? 1000 + 4 * i + 6 : 0;
        QCOMPARE(r.rows[std::size_t(i)].average, expected);
    }
}

void TestIndices::onlyComments()
{
    IndexTable table;
    const IndexFileResult r = parseIndexFile(lines({"' nothing", "", "'more"}));
    QVERIFY(r.ok());
    installRows(table, r.rows, QDateTime());
    QCOMPARE(table.lastRow(), -1);
    QCOMPARE(table.scrollMaximum(), -20);
}

void TestIndices::corruptFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::newRow("one tab") << lines({"' c", "22005\t1276"}) << 2;
    QTest::newRow("no tab") << lines({"22005\t1276\t12/10/2005", "garbage"}) << 2;
    QTest::newRow("bad date") << lines({"22005\t1276\t32/10/2005"}) << 1;
    QTest::newRow("html page") << QByteArray("<html><body>Error</body></html>") << 1;
    QTest::newRow("icc beyond 16 bits") << lines({"22005\t99999\t12/10/2005"}) << 1;
    QByteArray tooMany;
    for (int i = 0; i <= kMaxRows; ++i)
        tooMany += "22005\t1276\t12/10/2005\n";
    QTest::newRow("too many rows") << tooMany << kMaxRows + 1;
}

void TestIndices::corruptFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    const IndexFileResult r = parseIndexFile(bytes);
    QCOMPARE(r.status, IndexFileResult::Status::Corrupt);
    QCOMPARE(r.badLine, line);
    QVERIFY(r.rows.empty());
    QCOMPARE(loadFailureTitle(r), QStringLiteral("Réinstallation nécessaire"));
    QVERIFY(loadFailureText(r).startsWith(QStringLiteral("Fichier des indices corrompu")));
    QVERIFY(loadFailureText(r).contains(QString::number(line)));
}

void TestIndices::failedLoadKeepsTheTable()
{
    QTemporaryDir dir;
    IndexTable table;
    table.filePath = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    QFile f(table.filePath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(sampleFile());
    f.close();
    QVERIFY(loadIndexTable(table).ok());
    QCOMPARE(table.lastRow(), 6);

    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(lines({"32005\t110.57\t12/01/2006", "oops"}));
    f.close();
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

void TestIndices::reloadKeepsRentsAndResetsScalars()
{
    IndexTable table;
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    table.rows[2].rent = QStringLiteral(" 850,00");
    table.topRow = 3;
    table.referenceRow = 2;
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    QCOMPARE(table.rows[2].rent, QStringLiteral(" 850,00"));
    QCOMPARE(table.topRow, 0);
    QCOMPARE(table.referenceRow, -1);
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
    row.label = label;
    row.average = average;
    row.irl = 110.5;
    table.rows.push_back(row);
    const GridLine g = gridLine(table, 0, kFrench);
    QCOMPARE(g.averageBold, averageBold);
    QCOMPARE(g.irlBold, irlBold);
}

void TestIndices::gridLineValues()
{
    IndexTable table;
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    table.referenceRow = 2;
    table.rows[2].rent = QStringLiteral("1 234,50");

    // IRL-only row: blank ICC and average.
    GridLine g = gridLine(table, 0, kFrench);
    QCOMPARE(g.icc, QString());
    QCOMPARE(g.average, QString());
    QCOMPARE(g.irl, QStringLiteral("110,57"));
    QCOMPARE(g.date, QStringLiteral("12/01/2006"));
    QVERIFY(!g.reference);

    g = gridLine(table, 1, kFrench);
    QCOMPARE(g.icc, QStringLiteral("1276"));
    QCOMPARE(g.average, QStringLiteral("1271,75"));

    // Row 3 has no IRL: blank, not "0".
    g = gridLine(table, 3, kFrench);
    QCOMPARE(g.irl, QString());

    g = gridLine(table, 2, kFrench);
    QVERIFY(g.reference);
    QCOMPARE(g.rent, QStringLiteral("1 234,50"));

    // One step down: line 1 shows what line 2 showed.
    table.topRow = 1;
    g = gridLine(table, 1, kFrench);
    QVERIFY(g.reference);
    QCOMPARE(g.label, QStringLiteral("1er tr.2005"));
}

void TestIndices::gridPastTheEndIsEmpty()
{
    IndexTable table;
    installRows(table, parseIndexFile(sampleFile()).rows, QDateTime());
    const GridLine g = gridLine(table, 7, kFrench);
    QVERIFY(g.label.isEmpty() && g.date.isEmpty() && g.rent.isEmpty() && !g.reference);
}

void TestIndices::shippedFile()
{
    const IndexFileResult r =
        readIndexFile(QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT"));
    QVERIFY(r.ok());
    QVERIFY(r.rows.size() > 100);

    // Quarters follow one another, newest first, and so do the publications.
    auto quarterNumber = [](const QString& label) {
        return label.right(4).toInt() * 4 + (label.at(0).digitValue() - 1);
    };
    for (std::size_t i = 1; i < r.rows.size(); ++i) {
        QCOMPARE(quarterNumber(r.rows[i].label), quarterNumber(r.rows[i - 1].label) - 1);
        QVERIFY2(r.rows[i].published < r.rows[i - 1].published, qPrintable(r.rows[i].label));
    }

    auto find = [&](const QString& label) -> const IndexRow& {
        for (const IndexRow& row : r.rows)
            if (row.label == label)
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

QTEST_GUILESS_MAIN(TestIndices)
#include "tst_indices.moc"
