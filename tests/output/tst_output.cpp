// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard text, the report layout and the report drawn into a PDF file.
#include "clipboardtext.h"
#include "letterprinter.h"
#include "pdflines.h"
#include "reportlayout.h"
#include "reportprinter.h"
#include "reportrows.h"
#include "revision.h"
#include "testmain.h"
#include "testsupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace velmaris;
using namespace velmaris::test;

namespace {

const QString kHeadReeval = QStringLiteral("\t\tMoyennes des\tIndice de\tDate de\tMontant du\r\n"
                                           "Trimestre\tIndice\t4 derniers\tréférence\tparution au\t"
                                           "loyer (réévalué)\r\n"
                                           "\t\tindices\tdes loyers\tJournal Officiel\t"
                                           "(hors charges)\r\n");

QString headings(bool reeval)
{
    QString text = kHeadReeval;
    if (!reeval)
        text.replace(QStringLiteral("(réévalué)"), QStringLiteral("(augmenté)"));
    return text;
}

IndexRow row(Quarter quarter, qint16 icc, double average, double irl, QDate published)
{
    IndexRow r;
    r.quarter = quarter;
    r.icc = icc;
    r.average = average;
    r.irl = irl;
    r.published = published;
    return r;
}

// Newest first: IRL-only quarters, then two with an ICC and its average.
IndexTable sampleTable()
{
    IndexTable t;
    t.rows = {
        row({2025, 3}, 0, 0, 145.77, QDate(2025, 10, 15)),
        row({2025, 2}, 0, 0, 146.68, QDate(2025, 7, 16)),
        row({2025, 1}, 0, 0, 145.47, QDate(2025, 4, 16)),
        row({2024, 4}, 1276, 1271.25, 0, QDate(2005, 10, 6)),
        row({2024, 3}, 1270, 1267.5, 0, QDate(2005, 7, 1)),
    };
    return t;
}

IndexTable longTable(int rows)
{
    IndexTable t;
    Quarter q(2100, 4);
    for (int i = 0; i < rows; ++i, q = q.previous())
        t.rows.push_back(row(q, qint16(1000 + i), 1000.5 + i, 0, QDate(2000, 1, 1).addDays(i)));
    return t;
}

// The rents shown beside those tables: on the sample, a rent typed on its 4th
// row with a revised one two rows up; on a long table, an amount on every row.
Schedule scheduleFor(const IndexTable& t)
{
    Schedule s;
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
        ScheduleEntry e{t.rows[i].quarter};
        if (t.rows.size() != 5) {
            e.kind = ScheduleEntry::Kind::Revised;
            e.cents = qint64(500 + i) * 100;
        } else if (i == 1) {
            e.kind = ScheduleEntry::Kind::Revised;
            e.cents = 92137;
        } else if (i == 2) {
            e.kind = ScheduleEntry::Kind::Caption;
            e.year = 2025;
        } else if (i == 3) {
            e.kind = ScheduleEntry::Kind::Reference;
            e.cents = 85000;
        } else if (i == 4) {
            break; // older than the reference
        }
        s.entries.push_back(e);
    }
    return s;
}

const QLocale kFrench(QLocale::French, QLocale::France);

// Every character 0.2 cm wide (0.25 in bold).
double textWidth(const QString& text, bool bold)
{
    return double(text.size()) * (bold ? 0.25 : 0.2);
}

// The texts of each line of a page, "|" between them, by their top.
std::map<double, QString> linesOf(const ReportLayout& layout, int page)
{
    std::map<double, QString> lines;
    for (const PlacedText& t : layout.texts)
        if (t.page == page)
            lines[t.y] += (lines.count(t.y) ? QStringLiteral("|") : QString()) + t.text;
    return lines;
}

} // namespace

class TestOutput : public QObject {
    Q_OBJECT

private slots:
    void clipboardText_data();
    void clipboardText();
    void columnStarts();
    void headingLayout();
    void rowsDownToReference();
    void pageBreaks();
    void fontChoice_data();
    void fontChoice();
    void pdfReport();
};

void TestOutput::clipboardText_data()
{
    QTest::addColumn<IndexTable>("table");
    QTest::addColumn<int>("reference"); // the grid's reference row
    QTest::addColumn<bool>("reeval");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no reference") << sampleTable() << -1 << true << headings(true);
    QTest::newRow("no reference, augmenté") << sampleTable() << -1 << false << headings(false);
    QTest::newRow("empty table") << IndexTable{} << -1 << true << headings(true);
    // The newest quarter has no ICC: two empty cells, then an empty rent.
    QTest::newRow("reference 0") << sampleTable() << 0 << true
                                 << headings(true)
                                        + QStringLiteral(
                                            "3è tr.2025\t\t\t145,77\t15/10/2025\t\r\n");
    const QString revised = QStringLiteral("3è tr.2025\t\t\t145,77\t15/10/2025\t\r\n"
                                           "2è tr.2025\t\t\t146,68\t16/07/2025\t 921,37\r\n"
                                           "1er tr.2025\t\t\t145,47\t16/04/2025\tLoyer 2025\r\n"
                                           "4è tr.2024\t1276\t1271,25\t\t06/10/2005\t 850,00\r\n");
    QTest::newRow("revision, réévalué") << sampleTable() << 3 << true << headings(true) + revised;
    QTest::newRow("revision, augmenté") << sampleTable() << 3 << false << headings(false) + revised;
    // A reference left over from a longer table stops at the last row.
    QTest::newRow("reference past the end")
        << sampleTable() << 40 << true
        << headings(true) + revised
               + QStringLiteral("3è tr.2024\t1270\t1267,5\t\t01/07/2005\t\r\n");
}

void TestOutput::clipboardText()
{
    QFETCH(IndexTable, table);
    QFETCH(int, reference);
    QFETCH(bool, reeval);
    QFETCH(QString, expected);
    QCOMPARE(velmaris::clipboardText(table, reference, scheduleFor(table), reeval, kFrench),
             expected);
}

void TestOutput::columnStarts()
{
    // 19 cm printable: 17 cm between the margins, columns of 17/6 cm.
    const auto starts = reportColumnStarts(19.0);
    const double w = 17.0 / 6;
    QCOMPARE(starts[0], 0.0);
    for (int k = 2; k <= kReportColumns; ++k)
        QVERIFY2(qAbs(starts[std::size_t(k - 1)] - (1 + (k - 1) * w)) < 1e-12,
                 qPrintable(QString::number(k)));
    QVERIFY(qAbs(starts[5] - (19.0 - 1.0 - w)) < 1e-12); // the last column ends at the margin
}

void TestOutput::headingLayout()
{
    ReportRows rows = reportRows(sampleTable(), -1, {}, true, kFrench);
    rows.heading.printed = QDate(2026, 12, 9);
    const ReportLayout layout = layoutReport(rows, {19.0, 27.0, 0.5}, textWidth);
    const auto starts = reportColumnStarts(19.0);
    struct Expected {
        double y;
        double x; // a column's start, or where a right-aligned text ends
        const char* text;
    };
    // The rent column stands against the right margin, 1 cm in.
    const Expected expected[] = {
        {0, 0, "Révision du loyer"},
        {0.5, 0, "Établi le 9 décembre 2026"},
        {1.5, starts[2], "Moyennes des"},
        {1.5, starts[3], "Indice de"},
        {1.5, starts[4], "Date de"},
        {1.5, 18.0, "Montant du"},
        {2.0, starts[0], "Trimestre"},
        {2.0, starts[1], "Indice"},
        {2.0, starts[2], "4 derniers"},
        {2.0, starts[3], "référence"},
        {2.0, starts[4], "parution au"},
        {2.0, 18.0, "loyer (réévalué)"},
        {2.5, starts[2], "indices"},
        {2.5, starts[3], "des loyers"},
        {2.5, starts[4], "Journal Officiel"},
        {2.5, 18.0, "(hors charges)"},
        {26.5, 18.0, "Page 1/1"},
    };
    QCOMPARE(layout.texts.size(), std::size(expected));
    for (std::size_t i = 0; i < layout.texts.size(); ++i) {
        const PlacedText& t = layout.texts[i];
        const QString text = QString::fromUtf8(expected[i].text);
        QCOMPARE(t.text, text);
        QCOMPARE(t.page, 0);
        QCOMPARE(t.y, expected[i].y);
        const bool right = expected[i].x == 18.0;
        QCOMPARE(t.x + (right ? textWidth(text, t.bold) * t.scale : 0), expected[i].x);
        QCOMPARE(t.bold, i == 0);
    }
    // A heading wider than its column is set smaller to keep it.
    QVERIFY(layout.texts[11].scale < 1);
    QCOMPARE(layout.texts[11].x, starts[5]);
    QCOMPARE(layout.pages, 1);
}

void TestOutput::rowsDownToReference()
{
    const IndexTable table = sampleTable();
    ReportRows rows = reportRows(table, 3, scheduleFor(table), false, kFrench);
    rows.heading = reportHeading(table, 3, scheduleFor(table), QDate(2026, 12, 9), kFrench);
    const ReportLayout layout = layoutReport(rows, {19.0, 27.0, 0.5}, textWidth);
    const std::map<double, QString> lines = linesOf(layout, 0);
    QStringList texts;
    for (const auto& [y, line] : lines)
        texts << line;
    // Under the title, the revision; rows come after the headings and an
    // empty line, their numbers with a blank each side, the rents in euros.
    QCOMPARE(texts.mid(0, 4),
             (QStringList{QStringLiteral("Révision du loyer"),
                          QStringLiteral("Trimestre de référence\u00a0: 4e trimestre 2024"),
                          QStringLiteral("Loyer de référence hors charges\u00a0: 850,00\u00a0€"),
                          QStringLiteral("Établi le 9 décembre 2026")}));
    QCOMPARE(texts.mid(7),
             (QStringList{QStringLiteral("3è tr.2025| 145,77 |15/10/2025"),
                          QStringLiteral("2è tr.2025| 146,68 |16/07/2025|921,37\u00a0€"),
                          QStringLiteral("1er tr.2025| 145,47 |16/04/2025|Loyer 2025"),
                          QStringLiteral("4è tr.2024| 1276 | 1271,25 |06/10/2005|850,00\u00a0€"),
                          QStringLiteral("Page 1/1")}));
    QCOMPARE(std::next(lines.begin(), 7)->first, 4.5); // two lines under "(hors charges)"
    QCOMPARE(texts[6].section(u'|', -1), QStringLiteral("(hors charges)"));
    QCOMPARE(texts[5].section(u'|', -1), QStringLiteral("loyer (augmenté)"));
}

void TestOutput::pageBreaks()
{
    // 54 lines of 0.5 cm take 27 cm: the last page line holds its number
    // under an empty line.
    const ReportPage page{19.0, 27.5, 0.5};
    const IndexTable table = longTable(301);
    const ReportLayout layout = layoutReport(
        reportRows(table, table.lastRow(), scheduleFor(table), true, kFrench), page, textWidth);

    // Page 1: title, empty, 3 headings, empty, 47 rows; then 3 headings,
    // empty, 49 rows: 301 rows on 7 pages.
    QCOMPARE(layout.pages, 7);
    int expectedRow = 0;
    for (int p = 0; p < layout.pages; ++p) {
        const std::map<double, QString> lines = linesOf(layout, p);
        const double top = p == 0 ? 1.0 : 0;
        QCOMPARE(lines.begin()->second.section(u'|', 0, 0),
                 p == 0 ? QStringLiteral("Révision du loyer") : QStringLiteral("Moyennes des"));
        QCOMPARE(lines.at(top + 0.5).section(u'|', 0, 0), QStringLiteral("Trimestre"));
        QCOMPARE(lines.rbegin()->first, 27.0);
        QCOMPARE(lines.rbegin()->second, QStringLiteral("Page %1/7").arg(p + 1));
        QVERIFY(std::prev(lines.end(), 2)->first <= 26.0); // the last row, over an empty line
        for (const auto& [y, line] : lines)
            if (Quarter::fromLabel(line.section(u'|', 0, 0)))
                QCOMPARE(line.section(u'|', 0, 0), table.rows[std::size_t(expectedRow++)].label());
    }
    QCOMPARE(expectedRow, 301);
    QCOMPARE(std::prev(layout.texts.end(), 2)->text, QStringLiteral("800,00\u00a0€"));
    QCOMPARE(std::prev(layout.texts.end(), 2)->page, 6);
}

void TestOutput::fontChoice_data()
{
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("none") << QStringList{QStringLiteral("DejaVu Sans")} << QString();
    QTest::newRow("empty list") << QStringList{} << QString();
    QTest::newRow("Arial") << QStringList{QStringLiteral("Courier"), QStringLiteral("Arial")}
                           << QStringLiteral("Arial");
    QTest::newRow("order of preference")
        << QStringList{QStringLiteral("Courier"), QStringLiteral("Times New Roman")}
        << QStringLiteral("Times New Roman");
    QTest::newRow("case differs") << QStringList{QStringLiteral("MS Sans Serif"),
                                                 QStringLiteral("arial")}
                                  << QString();
    QTest::newRow("exact case") << QStringList{QStringLiteral("MS Sans Serif"),
                                               QStringLiteral("Ms Sans Serif")}
                                << QStringLiteral("Ms Sans Serif");
    QTest::newRow("last candidate")
        << QStringList{QStringLiteral("Courier New"), QStringLiteral("Courier")}
        << QStringLiteral("Courier");
}

void TestOutput::fontChoice()
{
    QFETCH(QStringList, families);
    QFETCH(QString, chosen);
    QCOMPARE(reportFontFamily(families), chosen);
    // Paper takes nothing of what the windows chose for the screen: bold,
    // italic.
    const QFont screen = QGuiApplication::font();
    QFont unusual = screen;
    unusual.setBold(true);
    unusual.setItalic(true);
    QGuiApplication::setFont(unusual);
    const QFont font = reportFont(families);
    const QFont letter = letterFont(families);
    QGuiApplication::setFont(screen);
    QCOMPARE(font.pointSize(), 11);
    if (!chosen.isEmpty())
        QCOMPARE(font.families().value(0), chosen);
    for (const QFont& paper : {font, letter}) {
        QCOMPARE(paper.weight(), QFont::Normal);
        QCOMPARE(paper.style(), QFont::StyleNormal);
    }
}

void TestOutput::pdfReport()
{
    if (pdftotext().isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto save = [&](const IndexTable& table, int reference, const QString& name) {
        ReportRows rows = reportRows(table, reference, scheduleFor(table), true, kFrench);
        rows.heading =
            reportHeading(table, reference, scheduleFor(table), QDate(2026, 12, 9), kFrench);
        rows.heading.leaseDate = QDate(2023, 3, 15);
        const QString path = dir.filePath(name + QStringLiteral(".pdf"));
        writeAll(path, tableReportPdf(rows));
        if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") == 1) // to look at
            QFile::copy(path, QStringLiteral("/tmp/tableau-%1.pdf").arg(name));
        return path;
    };

    const QString path = save(sampleTable(), 3, QStringLiteral("short"));
    // NFKC turns the no-break spaces into blanks.
    const QString text = pdfRawText(path).normalized(QString::NormalizationForm_KC);
    for (const char* expected :
         {"Révision du loyer", "Trimestre de référence\u00a0: 4e trimestre 2024",
          "Loyer de référence hors charges\u00a0: 850,00 €", "Date du bail\u00a0: 15 mars 2023",
          "Établi le 9 décembre 2026", "Moyennes des", "Trimestre", "loyer (réévalué)",
          "Journal Officiel", "(hors charges)", "4è tr.2024", "1271,25", "06/10/2005", "Loyer 2025",
          "Page 1/1"})
        QVERIFY2(
            text.contains(QString::fromUtf8(expected).normalized(QString::NormalizationForm_KC)),
            expected);
    QVERIFY(!text.contains(QStringLiteral("3è tr.2024"))); // below the reference row
    QCOMPARE(text.count(u'\f'), 1);                        // one page
    // Whatever face stands in for Arial, no heading runs into the next column
    // (the PDF's words stay apart: "desIndice" if they touch), and the rents
    // end on one right edge.
    QStringList words;
    std::vector<double> rentEnds;
    for (const PdfLine& line : pdfLines(path)) {
        words << line.text.split(u' ');
        if (line.text.endsWith(u'€') && !line.text.contains(u':'))
            rentEnds.push_back(line.right);
    }
    const std::pair<const char*, int> counts[] = {{"Moyennes", 1}, {"des", 2},   {"Indice", 2},
                                                  {"Officiel", 1}, {"(hors", 1}, {"loyer", 2}};
    for (const auto& [w, n] : counts)
        QVERIFY2(words.count(QString::fromUtf8(w)) == n, w);
    QCOMPARE(rentEnds.size(), std::size_t(2));
    QVERIFY(qAbs(rentEnds[0] - rentEnds[1]) < 0.2);

    // A long table runs over pages that each have the column headings and their number.
    const IndexTable table = longTable(301);
    const QStringList pages = pdfRawText(save(table, 300, QStringLiteral("long")))
                                  .normalized(QString::NormalizationForm_KC)
                                  .split(u'\f', Qt::SkipEmptyParts);
    QVERIFY(pages.size() > 1);
    for (int p = 0; p < pages.size(); ++p) {
        QCOMPARE(pages[p].count(QStringLiteral("Trimestre")), p == 0 ? 2 : 1);
        QCOMPARE(pages[p].count(QStringLiteral("Révision du loyer")), p == 0 ? 1 : 0);
        QVERIFY(pages[p].contains(QStringLiteral("Page %1/%2").arg(p + 1).arg(pages.size())));
    }
    QVERIFY(pages.last().contains(table.rows.back().label()));
    QVERIFY(pages.last().contains(QStringLiteral("800,00 €")));
}

VELMARIS_TEST(TestOutput)
#include "tst_output.moc"
