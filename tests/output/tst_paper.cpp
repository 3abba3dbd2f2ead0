// SPDX-License-Identifier: GPL-3.0-or-later
// The papers as their PDF files read back: where a letter's blocks fall on the
// sheet and in the envelope's window, its pages, and text that reads letter by
// letter in every document.
#include "auditprinter.h"
#include "letterfixture.h"
#include "letterprinter.h"
#include "pdflines.h"
#include "reportprinter.h"
#include "reportrows.h"
#include "testmain.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QRectF>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

// As pdfLines() writes a text: no-break spaces as blanks.
QString spaced(QString text)
{
    return text.replace(QChar(0xA0), u' ').replace(QChar(0x202F), u' ').simplified();
}

// Text as pdftotext gives it; NFKC spells out no-break spaces. Either
// apostrophe reads the same here: the wording is the letter's own tests'.
QString pdfText(const QString& path)
{
    return pdfRawText(path).normalized(QString::NormalizationForm_KC).replace(QChar(0x2019), u'\'');
}

const PdfLine* lineWith(const std::vector<PdfLine>& lines, const QString& text)
{
    for (const PdfLine& line : lines)
        if (line.text.contains(spaced(text)))
            return &line;
    return nullptr;
}

QRectF box(const PdfLine& line)
{
    return QRectF(QPointF(line.left, line.top), QPointF(line.right, line.bottom));
}

enum class Paper { Letter, Audit, Table };

} // namespace

class TestPaper : public QObject {
    Q_OBJECT

private slots:
    void init();
    void letterOnPaper_data();
    void letterOnPaper();
    void pdfReadsBack();
    void monthPdfOneLetterPerPage();
    void noLetterNoFile();
    void readsLetterByLetter_data();
    void readsLetterByLetter();
    void documentInformation();
};

void TestPaper::init()
{
    if (pdftotext().isEmpty() && QByteArray(QTest::currentTestFunction()) != "noLetterNoFile")
        QSKIP("pdftotext (poppler-utils) is not installed");
}

void TestPaper::letterOnPaper_data()
{
    QTest::addColumn<RevisionLetter>("letter");
    QTest::addColumn<int>("pages");

    const QString registered = QStringLiteral("Lettre recommandée avec avis de réception");
    QTest::newRow("plain") << sampleLetter() << 1;
    QTest::newRow("long addresses")
        << letterFor(longTenant(), QStringLiteral("69003"), longSender()) << 1;
    RevisionLetter agency = agencyLetter();
    agency.delivery = registered;
    QTest::newRow("agency, registered") << agency << 1;
    const std::vector<LetterBlock> body = agency.body;
    agency.body.insert(agency.body.end(), body.begin(), body.end());
    QTest::newRow("runs on") << agency << 2;
}

// A DL envelope (220 x 110 mm) shows through its window (100 x 45 mm, 20 mm
// from its right edge and 15 mm from its bottom) the sheet folded in three
// (210 x 99 mm), which may slide 11 mm down and 10 mm across: what may show of
// the sheet runs from 39 to 95 mm down and 90 to 200 mm across; what always
// shows from 50 to 84 mm and from 100 to 190 mm. Only the recipient goes
// there, whole in sight; place and date, the way it is sent and the subject
// come under it; the signer has 25 mm to sign.
void TestPaper::letterOnPaper()
{
    QFETCH(RevisionLetter, letter);
    QFETCH(int, pages);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lettre.pdf"));
    QVERIFY(saveLettersPdf({letter}, QStringLiteral("Lettre"), path));
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") == 1) // to look at
        QFile::copy(
            path,
            QStringLiteral("/tmp/lettre-%1.pdf").arg(QString::fromUtf8(QTest::currentDataTag())));
    const std::vector<PdfLine> lines = pdfLines(path);
    QCOMPARE(lines.back().page + 1, pages);
    QVERIFY(!hasLigature(pdfRawText(path)));

    const QRectF zone(QPointF(90, 39), QPointF(200, 95));
    const QRectF inSight(QPointF(100, 50), QPointF(190, 84));
    const QString recipient = spaced(letter.recipient.join(u' '));
    int recipientLines = 0;
    for (const PdfLine& line : lines) {
        if (line.page > 0)
            break;
        if (recipient.contains(line.text) && inSight.contains(box(line)))
            ++recipientLines;
        else
            QVERIFY2(!zone.intersects(box(line)), qPrintable(line.text));
    }
    QVERIFY(recipientLines >= letter.recipient.size());

    const PdfLine* date = lineWith(lines, letter.placeAndDate);
    const PdfLine* subject = lineWith(lines, letter.subject);
    QVERIFY(date && subject);
    QVERIFY(date->top >= zone.bottom() && date->left >= zone.left());
    QVERIFY(subject->top > date->bottom);
    if (const PdfLine* delivery = lineWith(lines, letter.delivery); !letter.delivery.isEmpty()) {
        QVERIFY(delivery && delivery->top > date->bottom);
        QVERIFY(delivery->bottom <= subject->top + 0.1);
        QCOMPARE(delivery->left, subject->left);
    }
    // The signer's name comes next, on the closing's page.
    const auto closing = std::find_if(lines.begin(), lines.end(), [&](const PdfLine& line) {
        return line.text.endsWith(spaced(letter.closing).section(u' ', -1));
    });
    QVERIFY(closing != lines.end() && closing + 1 != lines.end());
    const PdfLine& signature = *(closing + 1);
    QVERIFY(spaced(letter.signature).startsWith(signature.text));
    QCOMPARE(signature.page, closing->page);
    QVERIFY2(signature.top - closing->bottom >= 25,
             qPrintable(QString::number(signature.top - closing->bottom)));

    // A letter of several pages numbers each, at its foot: under the text,
    // over the agency's mentions.
    for (int page = 0; page < pages; ++page) {
        const QString number = QStringLiteral("Bail A-12 — page %1/%2").arg(page + 1).arg(pages);
        const PdfLine* foot = lineWith(lines, number);
        QCOMPARE(foot != nullptr, pages > 1);
        if (!foot)
            continue;
        QCOMPARE(foot->page, page);
        QVERIFY(foot->top > 270);
        for (const PdfLine& line : lines) {
            if (line.page != page || &line == foot)
                continue;
            const bool mention = letter.mentions.join(u' ')
                                     .normalized(QString::NormalizationForm_KC)
                                     .contains(line.text.left(20));
            QVERIFY2(mention ? line.top > foot->bottom - 0.1 : line.bottom < foot->top + 0.1,
                     qPrintable(line.text));
        }
    }
}

void TestPaper::pdfReadsBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lettre.pdf"));
    QString reason;
    QVERIFY2(saveLettersPdf({sampleLetter()}, QStringLiteral("Lettre"), path, &reason),
             qPrintable(reason));
    const QString text = pdfText(path);
    QCOMPARE(text.count(u'\f'), 1);
    const QStringList lines = text.split(u'\n');
    const auto lineOf = [&](const QString& part) {
        for (const QString& line : lines)
            if (line.contains(part))
                return line;
        return QString();
    };
    // Sender at the left edge, recipient and date far to the right.
    QVERIFY(lineOf(QStringLiteral("Jean Martin")).startsWith(QStringLiteral("Jean Martin")));
    QVERIFY(lineOf(QStringLiteral("Mme Durand")).indexOf(QStringLiteral("Mme Durand")) > 30);
    // The envelope's last line, under the street, as La Poste reads it.
    const int column = lineOf(QStringLiteral("Mme Durand")).indexOf(u'M');
    QCOMPARE(lineOf(QStringLiteral("8 rue Paul Bert")).indexOf(u'8'), column);
    QCOMPARE(lineOf(QStringLiteral("69003 LYON")).trimmed(), QStringLiteral("69003 LYON"));
    QCOMPARE(lineOf(QStringLiteral("69003 LYON")).indexOf(u'6'), column);
    QVERIFY(lineOf(QStringLiteral("Lyon, le 15 mars 2024")).indexOf(u'L') > 30);
    QVERIFY(lineOf(QStringLiteral("Objet : révision annuelle du loyer au 15 mars 2024"))
                .startsWith(QStringLiteral("Objet")));
    // Each figure on its label's line.
    for (const auto& [label, value] :
         {std::pair{"Indice de base\u00a0: IRL, série métropole, 4e trimestre 2022", "137,26"},
          std::pair{"Nouvel indice\u00a0: IRL, série métropole, 4e trimestre 2023", "142,06"},
          std::pair{"Variation de l’indice", "hausse de 3,50 %"},
          std::pair{"Loyer actuel hors charges", "850,00 €"},
          std::pair{"Nouveau loyer hors charges, à compter du 15 mars 2024", "879,72 €"},
          std::pair{"Charges, inchangées", "50,00 €"},
          std::pair{"Total charges comprises, à compter du 15 mars 2024", "929,72 €"}}) {
        const QString line = lineOf(QString::fromUtf8(label)
                                        .normalized(QString::NormalizationForm_KC)
                                        .replace(QChar(0x2019), u'\''))
                                 .simplified();
        QVERIFY2(line.endsWith(QString::fromUtf8(value)), qPrintable(line));
    }
    const QString flowing = text.simplified();
    for (const char* part : {"850,00 € × 142,06 ÷ 137,26 = 879,72 € (arrondi au centime inférieur)",
                             "l’article 17-1 de la loi n° 89-462 du 6 juillet 1989",
                             "Je vous prie d’agréer, Madame, l’expression de mes salutations "
                             "distinguées."})
        QVERIFY2(flowing.contains(QString::fromUtf8(part).replace(QChar(0x2019), u'\'')), part);
}

void TestPaper::noLetterNoFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vide.pdf"));
    QString reason;
    QVERIFY(!saveLettersPdf({}, QStringLiteral("Lettres"), path, &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(!QFileInfo::exists(path));
}

void TestPaper::monthPdfOneLetterPerPage()
{
    const QStringList sender{QStringLiteral("Jean Martin"), QStringLiteral("12 avenue Foch"),
                             QStringLiteral("69006 Lyon")};
    const std::vector<RevisionLetter> letters{
        letterFor(QStringLiteral("Mme Durand"), QStringLiteral("69003"), sender),
        letterFor(QStringLiteral("M. Santoni"), QStringLiteral("20000"), sender),
        letterFor(QStringLiteral("Mme Hoarau"), QStringLiteral("97400"), sender)};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mois.pdf"));
    QVERIFY(saveLettersPdf(letters, QStringLiteral("Lettres"), path));
    const QStringList pages = pdfText(path).split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 3);
    const char* tenants[] = {"Mme Durand", "M. Santoni", "Mme Hoarau"};
    const char* salutations[] = {"Madame,", "Monsieur,", "Madame,"};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(pages[i].contains(QString::fromUtf8(tenants[i])));
        QCOMPARE(pages[i].count(QStringLiteral("Objet : ")), 1);
        QVERIFY(pages[i].contains(u'\n' + QString::fromUtf8(salutations[i])));
    }
    QVERIFY(pages[1].contains(QStringLiteral("série Corse")));
    QVERIFY(pages[2].contains(QStringLiteral("série outre-mer")));
}

void TestPaper::readsLetterByLetter_data()
{
    QTest::addColumn<Paper>("paper");
    QTest::newRow("letter") << Paper::Letter;
    QTest::newRow("audit") << Paper::Audit;
    QTest::newRow("table") << Paper::Table;
}

// The fonts' ligatures (ﬀ ﬁ ﬂ ﬃ) would turn "effet" or "Officiel" into words
// nobody finds nor copies: every paper keeps its letters apart.
void TestPaper::readsLetterByLetter()
{
    QFETCH(Paper, paper);
    const QString words = QStringLiteral("Journal Officiel, affectation, prise d’effet, fin");
    QByteArray pdf;
    if (paper == Paper::Letter) {
        RevisionLetter letter = sampleLetter();
        letter.body.push_back({words, {}});
        pdf = lettersPdf({letter}, QStringLiteral("Lettre"));
    } else if (paper == Paper::Audit) {
        AuditReport report;
        report.title = QStringLiteral("Audit");
        report.footer = QStringLiteral("Velmaris");
        for (const auto& [style, text] :
             {std::pair{AuditStyle::Title, report.title}, std::pair{AuditStyle::Body, words}}) {
            AuditBlock block;
            block.style = style;
            block.text = text;
            report.blocks.push_back(block);
        }
        pdf = auditReportPdf(report);
    } else {
        ReportRows rows;
        rows.headings = reportHeadings(true);
        rows.heading.referenceQuarter = words;
        pdf = tableReportPdf(rows);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("papier.pdf"));
    writeAll(path, pdf);
    const QString text = pdfRawText(path);
    QVERIFY2(!hasLigature(text), qPrintable(text));
    QVERIFY2(spaced(text).contains(words), qPrintable(text));
}

// Every PDF says who sends it and what it is about, and still reads whole.
void TestPaper::documentInformation()
{
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdfinfo.isEmpty())
        QSKIP("pdfinfo (poppler-utils) is not installed");
    const RevisionLetter letter = agencyLetter();
    const QByteArray pdfs[] = {lettersPdf({letter}, QStringLiteral("Lettre de révision A-12")),
                               tableReportPdf(reportRows(letterTable(), 3, {}, false, {}))};
    for (int i = 0; i < 2; ++i) {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(pdfs[i]);
        file.close();
        QProcess p;
        p.start(pdfinfo, {file.fileName()});
        QVERIFY(p.waitForFinished(30000));
        const QString info = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(p.readAllStandardError().isEmpty() && p.exitCode() == 0, qPrintable(info));
        for (const char* field : {"Title:", "Author:", "Subject:", "Creator:"})
            QVERIFY2(info.contains(QString::fromLatin1(field)), field);
        // The letter's sender (an agency here), the program for its own table.
        const QString author = i == 0 ? letter.sender.front() : QStringLiteral("Velmaris");
        QVERIFY2(info.contains(author), qPrintable(info));
    }
}

VELMARIS_TEST(TestPaper)
#include "tst_paper.moc"
