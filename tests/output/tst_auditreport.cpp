// SPDX-License-Identifier: GPL-3.0-or-later
// The printed audit of a lease: its contents from worked audits, the layout
// of its pages (lines within the margins, tables carried over pages with their
// headings, the footer on each page), and the PDF read back.
#include "amounts.h"
#include "auditlayout.h"
#include "auditprinter.h"
#include "auditreport.h"
#include "leasefixture.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace velmaris;
using namespace velmaris::test;

namespace {

const IndexTable& table()
{
    static const IndexTable t = realTable();
    return t;
}

// "04/2021=800;05/2022=819,83@20/04/2022": month=rent[@request date].
std::vector<ChargedRent> periods(const QString& text)
{
    std::vector<ChargedRent> result;
    for (const QString& item : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u'=');
        const QStringList rent = parts.value(1).split(u'@');
        ChargedRent p;
        p.month = *parseMonth(parts[0]);
        p.rentCents = readAmount(rent[0]).value_or(0);
        if (rent.size() > 1)
            p.requestDate = day(rent[1].toLatin1().constData());
        result.push_back(p);
    }
    return result;
}

struct Case {
    Lease lease;
    Audit audit;
};

Case worked(const char* start, const char* postal, const char* dpe, const QString& charged,
            const char* auditDate)
{
    Case c;
    c.lease = makeLease(QStringLiteral("B-12"), day(start), 80000);
    c.lease.postalCode = QString::fromLatin1(postal);
    c.lease.territory = territoryFromPostalCode(c.lease.postalCode);
    c.lease.dpeClass = dpeFromText(QString::fromLatin1(dpe)).value_or(DpeClass::None);
    c.audit = auditLease(c.lease, periods(charged), {}, table(), day(auditDate));
    return c;
}

QStringList strings(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* t : texts)
        list << QString::fromUtf8(t);
    return list;
}

// The rows of one table in the report.
std::vector<QStringList> rowsOf(const AuditReport& report, int tableIndex, bool headings = false)
{
    std::vector<QStringList> rows;
    for (const AuditBlock& b : report.blocks)
        if (b.kind == AuditBlock::Kind::Row && b.table == tableIndex && b.headings == headings)
            rows.push_back(b.cells);
    return rows;
}

QString allText(const AuditReport& report)
{
    QStringList texts;
    for (const AuditBlock& b : report.blocks)
        texts << b.text << b.cells.join(u' ');
    return texts.join(u'\n');
}

// Every character 0,2 cm wide (bold 0,22), every line 0,5 cm high (the title 0,8).
AuditMetrics fakeMetrics(double width, double height)
{
    AuditMetrics m;
    m.width = width;
    m.height = height;
    m.textWidth = [](AuditStyle, bool bold, const QString& text) {
        return text.size() * (bold ? 0.22 : 0.2);
    };
    m.lineHeight = [](AuditStyle style) { return style == AuditStyle::Title ? 0.8 : 0.5; };
    return m;
}

QString pdfText(const QString& path)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    // NFKC spells out the ligatures the PDF keeps.
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

} // namespace

class TestAuditReport : public QObject {
    Q_OBJECT

private slots:
    void contents_data();
    void contents();
    void wrap_data();
    void wrap();
    void layout_data();
    void layout();
    void pdf();
    void pdfRefused();
};

void TestAuditReport::contents_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("postal");
    QTest::addColumn<QString>("dpe");
    QTest::addColumn<QString>("charged");
    QTest::addColumn<QString>("auditDate");
    QTest::addColumn<int>("barred");           // months marked past the three-year limit
    QTest::addColumn<QStringList>("revision"); // the last row of the revisions table
    QTest::addColumn<QStringList>("totals");   // the amount of each total row
    QTest::addColumn<QString>("claimableSince");

    // 812,87 owed (4th quarter 2021 over 4th 2020), 819,83 charged (1st quarter 2022).
    QTest::newRow("wrong quarter, partly past the three years")
        << "01/04/2021"
        << "69003"
        << ""
        << "04/2021=800;05/2022=819,83"
        << "15/09/2025" << 18
        << strings({"01/04/2022\ndemande 01/05/2022 (supposée)\neffet 01/05/2022",
                    "IRL\n4è tr.2021\u00a0: 132,62\nsur 4è tr.2020\u00a0: 130,52", "812,87 €",
                    "819,83 €\ndès 05/2022", "+6,96 €", "mauvais trimestre"})
        << strings({"+285,36 €", "285,36 €", "250,56 €"}) << "10/2022";
    QTest::newRow("increase during the F/G freeze")
        << "01/09/2022"
        << "69003"
        << "G"
        << "09/2022=800;09/2023=827,97"
        << "15/10/2025" << 2
        << strings({"01/09/2023\ndemande 01/09/2023 (supposée)",
                    "aucune\u00a0: loyer gelé\n(DPE F/G)", "800,00 €", "827,97 €\ndès 09/2023",
                    "+27,97 €", "hausse pendant le gel (DPE F/G)"})
        << strings({"+727,22 €", "727,22 €", "727,22 €"}) << "11/2022";
    QTest::newRow("clean, nothing barred") << "01/04/2023"
                                           << "69003"
                                           << ""
                                           << "04/2023=800;04/2024=827,97"
                                           << "15/09/2025" << 0 << QStringList()
                                           << strings({"0,00 €", "0,00 €", "0,00 €"}) << "04/2023";
}

void TestAuditReport::contents()
{
    QFETCH(QString, start);
    QFETCH(QString, postal);
    QFETCH(QString, dpe);
    QFETCH(QString, charged);
    QFETCH(QString, auditDate);
    QFETCH(int, barred);
    QFETCH(QStringList, revision);
    QFETCH(QStringList, totals);
    QFETCH(QString, claimableSince);

    const Case c = worked(start.toLatin1().constData(), postal.toLatin1().constData(),
                          dpe.toLatin1().constData(), charged, auditDate.toLatin1().constData());
    const AuditReport report = auditReport(c.lease, c.audit);
    QVERIFY(report.title.contains(QStringLiteral("B-12")));
    QCOMPARE(report.blocks.front().text, report.title);

    // The lease, each item once.
    const std::vector<QStringList> lease = rowsOf(report, kAuditLeaseTable);
    QStringList labels;
    for (const QStringList& row : lease)
        labels << row[0];
    QCOMPARE(labels,
             (strings({"Référence", "Locataire", "Adresse", "Territoire", "Signature",
                       "Prise d’effet", "Révision", "Trimestre de référence", "Clause", "DPE"})));
    QCOMPARE(lease[0][1], QStringLiteral("B-12"));
    QCOMPARE(lease[2][1], QStringLiteral("3 rue des Lilas\n") + postal);
    QCOMPARE(lease[5][1], start);

    // Each revision from the first rent.
    const std::vector<QStringList> revisions = rowsOf(report, kAuditRevisionTable);
    // and each revision date the landlord let pass, in its place.
    std::size_t unmade = 0;
    for (const AuditYear& y : c.audit.years)
        unmade += y.made ? 0 : 1;
    QCOMPARE(revisions.size(), c.audit.revisions.size() + 1 + unmade);
    QVERIFY(revisions.front()[0].startsWith(QStringLiteral("premier loyer")));
    QStringList lastMade, unmadeCauses;
    for (const QStringList& row : revisions) {
        if (!row[0].contains(QStringLiteral("non demandée")))
            lastMade = row;
        else
            unmadeCauses << row[5];
    }
    QStringList yearCauses;
    for (const AuditYear& y : c.audit.years)
        if (!y.made)
            yearCauses << y.cause;
    QCOMPARE(unmadeCauses, yearCauses);
    // The legal footing, whatever the result.
    bool footing = false;
    for (const AuditBlock& b : report.blocks)
        footing = footing
                  || (b.text.contains(QStringLiteral("art. 7-1"))
                      && b.text.contains(QStringLiteral("n’est pas un moins-perçu")));
    QVERIFY(footing);
    if (revision.isEmpty()) {
        for (const QStringList& row : revisions)
            QCOMPARE(row[4], QStringLiteral("0,00 €"));
    } else {
        QCOMPARE(lastMade, revision);
    }

    // The months, the barred ones marked, then the totals.
    const std::vector<QStringList> months = rowsOf(report, kAuditMonthTable);
    QCOMPARE(months.size(), c.audit.months.size() + (c.audit.totals.underCents > 0 ? 5 : 3));
    int marked = 0;
    for (std::size_t i = 0; i < c.audit.months.size(); ++i) {
        QCOMPARE(months[i][0], monthText(c.audit.months[i].month));
        marked += months[i][4] == timeBarredMark() ? 1 : 0;
        // Marks are contiguous from the first month.
        QCOMPARE(months[i][4] == timeBarredMark(), int(i) < barred);
    }
    QCOMPARE(marked, barred);
    const std::size_t n = c.audit.months.size();
    QStringList amounts;
    for (std::size_t i = n; i < n + 3; ++i)
        amounts << months[i][3];
    QCOMPARE(amounts, totals);
    QCOMPARE(months[n][0], QStringLiteral("Total"));
    QCOMPARE(months[n + 2][0],
             QStringLiteral("dont réclamable par le locataire (depuis ") + claimableSince + u')');
    QCOMPARE(allText(report).contains(QStringLiteral("Les écarts et leurs causes")),
             !c.audit.findings.empty());
}

void TestAuditReport::wrap_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("width"); // each character 1 wide
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("fits") << "loyer légal" << 11.0 << strings({"loyer légal"});
    QTest::newRow("at a blank") << "loyer légal dû" << 11.0 << strings({"loyer légal", "dû"});
    QTest::newRow("blanks collapse") << "a   b" << 3.0 << strings({"a b"});
    QTest::newRow("new line kept") << "IRL\n2è tr.2023" << 20.0 << strings({"IRL", "2è tr.2023"});
    QTest::newRow("inner empty line kept") << "a\n\nb" << 5.0 << strings({"a", "", "b"});
    QTest::newRow("word wider than the line")
        << "abcdefgh ij" << 3.0 << strings({"abc", "def", "gh", "ij"});
    QTest::newRow("word then a wide one") << "ab cdefg" << 3.0 << strings({"ab", "cde", "fg"});
    QTest::newRow("no room at all: a character a line") << "abc" << 0.5 << strings({"a", "b", "c"});
    QTest::newRow("empty") << "" << 10.0 << QStringList();
    QTest::newRow("final new line") << "abc\n" << 10.0 << strings({"abc"});
}

void TestAuditReport::wrap()
{
    QFETCH(QString, text);
    QFETCH(double, width);
    QFETCH(QStringList, lines);
    QCOMPARE(wrapText(text, width, [](const QString& t) { return double(t.size()); }), lines);
}

void TestAuditReport::layout_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<QString>("charged");

    const QString long_ = QStringLiteral("04/2015=800;05/2016=812;05/2018=830;05/2021=850");
    QTest::newRow("A4 page, ten years of rents") << 26.7 << long_;
    QTest::newRow("short pages") << 9.0 << long_;
    QTest::newRow("a page of a few rows") << 5.0 << long_;
    QTest::newRow("one year") << 26.7 << QStringLiteral("04/2024=800");
}

void TestAuditReport::layout()
{
    QFETCH(double, height);
    QFETCH(QString, charged);
    const double width = 18.0;
    const Case c = worked("01/04/2015", "69003", "", charged, "15/09/2025");
    const AuditReport report = auditReport(c.lease, c.audit);
    const AuditMetrics m = fakeMetrics(width, height);
    const AuditLayout layout = layoutAuditReport(report, m);

    const QString footerStart = QStringLiteral("page ");
    std::vector<int> footers(std::size_t(layout.pages), 0);
    std::vector<int> monthHeadings(std::size_t(layout.pages), 0);
    std::vector<int> monthRows(std::size_t(layout.pages), 0);
    std::set<QString> monthsSeen;
    bool inMonths = false; // the month table comes after its heading
    int previousPage = 0;
    for (const AuditPlaced& t : layout.texts) {
        QVERIFY(t.page >= previousPage); // page by page
        previousPage = t.page;
        QVERIFY2(t.x >= -1e-9 && t.x + m.textWidth(t.style, t.bold, t.text) <= width + 1e-9,
                 qPrintable(t.text));
        QVERIFY2(t.y >= 0 && t.y + m.lineHeight(t.style) <= height + 1e-9, qPrintable(t.text));
        if (t.text == report.footer
            || (t.text.startsWith(footerStart) && t.text.endsWith(QString::number(layout.pages)))) {
            ++footers[std::size_t(t.page)];
            continue;
        }
        // Nothing but the footer goes into its line.
        QVERIFY2(t.y + m.lineHeight(t.style) <= height - 0.5 + 1e-9, qPrintable(t.text));
        inMonths = inMonths || t.text == QStringLiteral("Mois par mois");
        if (t.text == QStringLiteral("Mois") && t.bold)
            ++monthHeadings[std::size_t(t.page)];
        if (inMonths && t.x == 0 && t.text.size() == 7 && t.text[2] == u'/' && parseMonth(t.text)
            && !t.bold) {
            ++monthRows[std::size_t(t.page)];
            QVERIFY2(monthsSeen.insert(t.text).second, qPrintable(t.text)); // once each
        }
    }
    QCOMPARE(monthsSeen.size(), c.audit.months.size());
    for (int p = 0; p < layout.pages; ++p) {
        QCOMPARE(footers[std::size_t(p)], 2);
        // A page with months has the table's headings.
        if (monthRows[std::size_t(p)] > 0)
            QCOMPARE(monthHeadings[std::size_t(p)], 1);
    }
    // A page number is "page n/N" on page n.
    for (const AuditPlaced& t : layout.texts)
        if (t.text.startsWith(footerStart))
            QCOMPARE(t.text, QStringLiteral("page %1/%2").arg(t.page + 1).arg(layout.pages));
    if (height < 10)
        QVERIFY(layout.pages > 3);
}

void TestAuditReport::pdf()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Case c = worked("01/04/2021", "69003", "", QStringLiteral("04/2021=800;05/2022=819,83"),
                          "15/09/2025");
    const QString path = dir.filePath(QStringLiteral("audit.pdf"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older file");
    old.close();
    QString reason;
    QVERIFY2(writeAuditReportPdf(path, auditReport(c.lease, c.audit), &reason), qPrintable(reason));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files) == QStringList{QStringLiteral("audit.pdf")});

    const QString text = pdfText(path);
    QVERIFY(!text.isEmpty());
    for (const char* expected :
         {"Audit des révisions du loyer", "B-12", "Mme Durand", "3 rue des Lilas", "métropole",
          "à la hausse seulement", "01/04/2022", "4è tr.2021\u00a0: 132,62", "812,87 €", "819,83 €",
          "mauvais trimestre", "prescrit", "dont réclamable par le locataire", "250,56 €",
          "285,36 €", "art. 7-1 de la loi du 6 juillet 1989"})
        QVERIFY2(
            text.contains(QString::fromUtf8(expected).normalized(QString::NormalizationForm_KC)),
            expected);
    const int pages = int(text.count(u'\f'));
    QVERIFY(pages >= 2);
    QVERIFY(text.contains(QStringLiteral("page 1/%1").arg(pages)));
    QVERIFY(text.contains(QStringLiteral("page %1/%1").arg(pages)));
    // Every month appears, the last one with its difference.
    QVERIFY(text.contains(QStringLiteral("04/2021")));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("^09/2025 +819,83 +812,87 +\\+6,96$"),
                                             QRegularExpression::MultilineOption)));
    // The month table carries its headings to each page it runs on.
    QVERIFY(text.section(u'\f', pages - 1).contains(QStringLiteral("Facturé")));
}

void TestAuditReport::pdfRefused()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Case c = worked("01/04/2023", "69003", "", QStringLiteral("04/2023=800"), "15/09/2025");
    const AuditReport report = auditReport(c.lease, c.audit);

    // A missing folder: nothing written, a French reason.
    QString reason;
    QVERIFY(
        !writeAuditReportPdf(dir.filePath(QStringLiteral("absent/audit.pdf")), report, &reason));
    QVERIFY2(reason.contains(QStringLiteral("n’existe pas")), qPrintable(reason));

    // A symbolic link is never written through: its target stays as it was.
    const QString target = dir.filePath(QStringLiteral("target.txt"));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("kept");
    file.close();
    const QString link = dir.filePath(QStringLiteral("link.pdf"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!writeAuditReportPdf(link, report, &reason));
    QVERIFY2(reason.contains(QStringLiteral("lien symbolique")), qPrintable(reason));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("kept"));
}

VELMARIS_TEST(TestAuditReport)
#include "tst_auditreport.moc"
