// The clipboard text, the report layout and the report drawn into a PDF file.
#include "clipboardtext.h"
#include "letterprinter.h"
#include "reportlayout.h"
#include "reportprinter.h"
#include "reportrows.h"
#include "revision.h"
#include "testmain.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;

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
    const ReportLayout layout =
        layoutReport(reportRows(sampleTable(), -1, {}, true, kFrench), {19.0, 27.0, 0.5});
    const auto starts = reportColumnStarts(19.0);
    struct Expected {
        double y;
        int column;
        const char* text;
    };
    const Expected expected[] = {
        {0, 2, "Moyennes des"},       {0, 3, "Indice de"},        {0, 4, "Date de"},
        {0, 5, "Montant du"},         {0.5, 0, "Trimestre"},      {0.5, 1, "Indice"},
        {0.5, 2, "4 derniers"},       {0.5, 3, "référence"},      {0.5, 4, "parution au"},
        {0.5, 5, "loyer (réévalué)"}, {1.0, 2, "indices"},        {1.0, 3, "des loyers"},
        {1.0, 4, "Journal Officiel"}, {1.0, 5, "(hors charges)"},
    };
    QCOMPARE(layout.texts.size(), std::size(expected));
    for (std::size_t i = 0; i < layout.texts.size(); ++i) {
        const PlacedText& t = layout.texts[i];
        QCOMPARE(t.text, QString::fromUtf8(expected[i].text));
        QCOMPARE(t.page, 0);
        QCOMPARE(t.y, expected[i].y);
        QCOMPARE(t.x, starts[std::size_t(expected[i].column)]);
    }
    QCOMPARE(layout.pages, 1);
}

void TestOutput::rowsDownToReference()
{
    const ReportLayout layout =
        layoutReport(reportRows(sampleTable(), 3, scheduleFor(sampleTable()), false, kFrench),
                     {19.0, 27.0, 0.5});
    const auto starts = reportColumnStarts(19.0);
    // Rows start after the headings and one empty line; numbers carry a blank each side.
    const auto at = [&](double y) {
        QStringList texts;
        for (const PlacedText& t : layout.texts)
            if (t.y == y)
                texts << t.text;
        return texts;
    };
    QCOMPARE(at(1.5), QStringList());
    QCOMPARE(at(2.0), (QStringList{QStringLiteral("3è tr.2025"), QStringLiteral(" 145,77 "),
                                   QStringLiteral("15/10/2025")}));
    QCOMPARE(at(3.5), (QStringList{QStringLiteral("4è tr.2024"), QStringLiteral(" 1276 "),
                                   QStringLiteral(" 1271,25 "), QStringLiteral("06/10/2005"),
                                   QStringLiteral(" 850,00")}));
    // The reference row is the last line printed: its rent ends the report.
    const PlacedText& last = layout.texts.back();
    QCOMPARE(last.text, QStringLiteral(" 850,00"));
    QCOMPARE(last.x, starts[5]);
    QCOMPARE(last.y, 3.5);
    QVERIFY(at(4.0).isEmpty());
    QCOMPARE(at(1.0).last(), QStringLiteral("(hors charges)"));
    QCOMPARE(at(0.5).last(), QStringLiteral("loyer (augmenté)"));
}

void TestOutput::pageBreaks()
{
    // 55 lines of 0.5 cm fit in 27.7 cm; the 56th would pass the bottom.
    const ReportPage page{19.0, 27.7, 0.5};
    const IndexTable table = longTable(301);
    const ReportLayout layout =
        layoutReport(reportRows(table, table.lastRow(), scheduleFor(table), true, kFrench), page);

    // 3 headings + 1 empty + 301 rows = 305 lines with text: 6 pages of 55 lines.
    QCOMPARE(layout.pages, 6);
    int expectedRow = 0;
    int previousPage = 0;
    for (const PlacedText& t : layout.texts) {
        QVERIFY(t.y + page.lineHeight <= page.height + 1e-9);
        QVERIFY(t.page >= previousPage);
        if (t.page > previousPage) // each new page starts at its top
            QCOMPARE(t.y, 0.0);
        previousPage = t.page;
        if (t.page > 0)
            QVERIFY2(!t.text.contains(QStringLiteral("Trimestre"))
                         && !t.text.contains(QStringLiteral("Moyennes")),
                     qPrintable(t.text));
        if (t.x == 0 && Quarter::fromLabel(t.text))
            QCOMPARE(t.text, table.rows[std::size_t(expectedRow++)].label());
    }
    QCOMPARE(expectedRow, 301);
    QCOMPARE(layout.texts.back().text, QStringLiteral(" 800,00"));
    QCOMPARE(layout.texts.back().page, 5);
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
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    const auto render = [&](const IndexTable& table, int reference, const QString& name) {
        const QString path = dir.filePath(name + QStringLiteral(".pdf"));
        {
            QPdfWriter printer(path);
            printer.setResolution(1200);
            printer.setPageSize(QPageSize(QPageSize::A4));
            if (!drawReport(printer,
                            reportRows(table, reference, scheduleFor(table), true, kFrench)))
                return QString();
        }
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return QString();
        // NFKC spells out the ligatures the PDF keeps ("Officiel" has an ffi).
        return QString::fromUtf8(p.readAllStandardOutput())
            .normalized(QString::NormalizationForm_KC);
    };

    const QString text = render(sampleTable(), 3, QStringLiteral("short"));
    // Whatever face stands in for Arial, no heading runs into the next column:
    // the PDF's words stay apart ("desIndice" if they touch).
    // The saved PDF has the narrowest columns (15 mm margins).
    {
        QFile saved(dir.filePath(QStringLiteral("saved.pdf")));
        QVERIFY(saved.open(QIODevice::WriteOnly));
        saved.write(tableReportPdf(
            reportRows(sampleTable(), 3, scheduleFor(sampleTable()), false, kFrench)));
        saved.close();
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-bbox"), saved.fileName(), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
        const QString boxes =
            QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
        QStringList words;
        static const QRegularExpression word(QStringLiteral("<word [^>]*>([^<]*)</word>"));
        for (const QRegularExpressionMatch& m : word.globalMatch(boxes))
            words << m.captured(1);
        const std::pair<const char*, int> counts[] = {{"Moyennes", 1}, {"des", 2},   {"Indice", 2},
                                                      {"Officiel", 1}, {"(hors", 1}, {"loyer", 1}};
        for (const auto& [w, n] : counts)
            QVERIFY2(words.count(QString::fromUtf8(w)) == n, w);
    }
    QVERIFY(!text.isEmpty());
    for (const char* expected :
         {"Moyennes des", "Trimestre", "loyer (réévalué)", "Journal Officiel", "(hors charges)",
          "4è tr.2024", "1271,25", "850,00", "06/10/2005", "Loyer 2025"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(!text.contains(QStringLiteral("3è tr.2024"))); // below the reference row
    QCOMPARE(text.count(u'\f'), 1);                        // one page

    // A long table runs over several pages with the headings on the first only.
    const QString longText = render(longTable(301), 300, QStringLiteral("long"));
    QVERIFY(longText.count(u'\f') > 1);
    QCOMPARE(longText.count(QStringLiteral("Trimestre")), 1);
    QVERIFY(longText.section(u'\f', 1).contains(longTable(301).rows.back().label()));
    QVERIFY(longText.contains(QStringLiteral("800,00")));
}

VELMARIS_TEST(TestOutput)
#include "tst_output.moc"
