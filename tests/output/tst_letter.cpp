// The revision letter laid out on A4 pages, then drawn into a PDF and read back.
#include "amounts.h"
#include "leasefixture.h"
#include "letterlayout.h"
#include "letterprinter.h"
#include "revisionletter.h"
#include "testmain.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

// Every character 0.2 cm wide (0.22 in bold), lines 0.45 cm apart: about
// what a serif of 11 points measures (DejaVu Serif, the widest installed);
// the mentions' 8 points, 0.15 cm and 0.33 cm.
const LetterMetrics kMetrics{
    0.45, [](const QString& text, bool bold) { return double(text.size()) * (bold ? 0.22 : 0.2); },
    0.33, [](const QString& text) { return double(text.size()) * 0.15; }};

const IndexTable& table()
{
    static const IndexTable t = realTable();
    return t;
}

RevisionLetter letterFor(const QString& tenant, const QString& postal, const QStringList& sender)
{
    Lease lease = makeLease(QStringLiteral("A-12"), QDate(2023, 3, 15), 85000);
    lease.signingDate = QDate(2023, 3, 10);
    lease.tenant = tenant;
    lease.address = QStringLiteral("8 rue Paul Bert");
    lease.postalCode = postal;
    lease.town = QStringLiteral("Lyon");
    lease.territory = territoryFromPostalCode(postal);
    const QDate at(2024, 3, 15);
    LetterSender from;
    from.name = from.signature = sender.value(0);
    from.address = sender.mid(1);
    from.place = QStringLiteral("Lyon");
    const LetterResult result =
        revisionLetter(lease, reviseLease(lease, {}, table(), at), from, at);
    if (!result.letter)
        qFatal("%s", qPrintable(result.refusal));
    return *result.letter;
}

RevisionLetter sample()
{
    return letterFor(QStringLiteral("Mme Durand"), QStringLiteral("69003"),
                     {QStringLiteral("Jean Martin"), QStringLiteral("12 avenue Foch"),
                      QStringLiteral("69006 Lyon")});
}

const LetterLine* lineWith(const LetterLayout& layout, const QString& start)
{
    for (const LetterLine& line : layout.lines)
        if (line.text.startsWith(start))
            return &line;
    return nullptr;
}

// Text as pdftotext gives it; NFKC spells out ligatures and no-break spaces.
QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
            {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

} // namespace

class TestLetter : public QObject {
    Q_OBJECT

private slots:
    void wrap_data();
    void wrap();
    void blocksLikeAFrenchLetter();
    void staysOnThePage_data();
    void staysOnThePage();
    void longBodyRunsOn();
    void agencyMentionsAtTheFoot_data();
    void agencyMentionsAtTheFoot();
    void pdfReadsBack();
    void monthPdfOneLetterPerPage();
    void noLetterNoFile();
};

void TestLetter::wrap_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width"); // in characters
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("fits") << "un deux" << 7 << QStringList{QStringLiteral("un deux")};
    QTest::newRow("at a blank") << "un deux trois" << 7
                                << QStringList{QStringLiteral("un deux"), QStringLiteral("trois")};
    QTest::newRow("no-break space holds")
        << QStringLiteral("total 1\u00A0003,17\u00A0€") << 10
        << QStringList{QStringLiteral("total"), QStringLiteral("1\u00A0003,17\u00A0€")};
    QTest::newRow("word wider than the line")
        << "abcdefghij k" << 4
        << QStringList{QStringLiteral("abcd"), QStringLiteral("efgh"), QStringLiteral("ij k")};
    QTest::newRow("blanks collapse") << "  a   b  " << 10 << QStringList{QStringLiteral("a b")};
    QTest::newRow("nothing") << "" << 10 << QStringList{};
}

void TestLetter::wrap()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QStringList, lines);
    QCOMPARE(wrapText(text, width, [](const QString& s) { return double(s.size()); }), lines);
}

void TestLetter::blocksLikeAFrenchLetter()
{
    const LetterGeometry g;
    const LetterLayout layout = layoutLetters({sample()}, kMetrics);
    QCOMPARE(layout.pages, 1);

    const LetterLine* sender = lineWith(layout, QStringLiteral("Jean Martin"));
    const LetterLine* recipient = lineWith(layout, QStringLiteral("Mme Durand"));
    const LetterLine* date = lineWith(layout, QStringLiteral("Lyon, le 15 mars 2024"));
    const LetterLine* subject = lineWith(layout, QStringLiteral("Objet\u00A0: "));
    const LetterLine* salutation = lineWith(layout, QStringLiteral("Madame,"));
    const LetterLine* closing = lineWith(layout, QStringLiteral("Je vous prie d'agréer"));
    QVERIFY(sender && recipient && date && subject && salutation && closing);
    const LetterLine& signature = layout.lines.back();
    QCOMPARE(signature.text, QStringLiteral("Jean Martin"));

    QCOMPARE(sender->x, g.left);
    QCOMPARE(sender->y, g.top);
    QVERIFY(sender->bold && subject->bold && !recipient->bold);
    QCOMPARE(recipient->x, g.recipientLeft); // in the envelope's window
    QCOMPARE(recipient->y, g.recipientTop);
    QCOMPARE(date->x, g.recipientLeft);
    QVERIFY(date->y > recipient->y);
    QCOMPARE(subject->x, g.left);
    QVERIFY(subject->y > date->y);
    QVERIFY(salutation->y > subject->y);
    QVERIFY(closing->y > salutation->y);
    QCOMPARE(signature.x, g.recipientLeft);
    QVERIFY(signature.y > closing->y);

    // Amounts stand against the right margin, on their label's line.
    const LetterLine* label = lineWith(layout, QStringLiteral("Loyer actuel hors charges"));
    QVERIFY(label);
    const auto amount =
        std::find_if(layout.lines.begin(), layout.lines.end(),
                     [&](const LetterLine& l) { return l.y == label->y && l.x > label->x; });
    QVERIFY(amount != layout.lines.end());
    QCOMPARE(amount->text, eurosText(85000, AmountLayout::NoBreak));
    QCOMPARE(amount->x + amount->width, g.pageWidth - g.right);
}

void TestLetter::staysOnThePage_data()
{
    QTest::addColumn<QString>("tenant");
    QTest::addColumn<QStringList>("sender");

    QTest::newRow("plain") << "Mme Durand"
                           << QStringList{QStringLiteral("Jean Martin"),
                                          QStringLiteral("12 avenue Foch"),
                                          QStringLiteral("69006 Lyon")};
    const QString longLine = QStringLiteral("Résidence les Terrasses du Parc de la Tête d'Or, "
                                            "bâtiment C, escalier 4, troisième étage, porte "
                                            "droite au fond du couloir");
    QTest::newRow("long address wraps")
        << "M. et Mme Bernard-Lefèvre de la Tour d'Auvergne, héritiers de Mme Lefèvre"
        << QStringList{QStringLiteral("SCI des Grands Appartements Lyonnais et Villeurbannais"),
                       longLine,
                       longLine,
                       longLine,
                       QStringLiteral("CS 30001"),
                       QStringLiteral("69006 Lyon Cedex 06")};
    QTest::newRow("a word wider than a line")
        << QString(90, u'X')
        << QStringList{QString(80, u'Y'), QStringLiteral("1 rue Neuve"),
                       QStringLiteral("69006 Lyon")};
}

void TestLetter::staysOnThePage()
{
    QFETCH(QString, tenant);
    QFETCH(QStringList, sender);
    const LetterGeometry g;
    const RevisionLetter letter = letterFor(tenant, QStringLiteral("69003"), sender);
    const LetterLayout layout = layoutLetters({letter}, kMetrics);
    constexpr double e = 1e-9;
    for (const LetterLine& line : layout.lines) {
        QVERIFY2(line.x >= g.left - e && line.x + line.width <= g.pageWidth - g.right + e,
                 qPrintable(line.text));
        QVERIFY2(line.y >= g.top - e && line.y + kMetrics.lineHeight <= g.pageHeight - g.bottom + e,
                 qPrintable(line.text));
        QVERIFY(line.page >= 0 && line.page < layout.pages);
    }
    for (std::size_t i = 0; i < layout.lines.size(); ++i)
        for (std::size_t j = i + 1; j < layout.lines.size(); ++j) {
            const LetterLine& a = layout.lines[i];
            const LetterLine& b = layout.lines[j];
            const bool overlap = a.page == b.page && a.x < b.x + b.width - e
                                 && b.x < a.x + a.width - e && a.y < b.y + kMetrics.lineHeight - e
                                 && b.y < a.y + kMetrics.lineHeight - e;
            QVERIFY2(!overlap, qPrintable(a.text + QStringLiteral(" / ") + b.text));
        }
    // Nothing is lost to wrapping: every letter of the sender block is printed.
    QString printed;
    for (const LetterLine& line : layout.lines)
        printed += line.text;
    printed.remove(u' ');
    for (const QString& part : sender)
        QVERIFY2(printed.contains(QString(part).remove(u' ')), qPrintable(part));
    // The sender block keeps left of the recipient's, which it pushes down.
    const LetterLine* recipient = lineWith(layout, tenant.left(10));
    QVERIFY(recipient);
    for (const LetterLine& line : layout.lines)
        if (line.page == recipient->page && line.y < recipient->y)
            QVERIFY2(line.x + line.width <= g.recipientLeft, qPrintable(line.text));
}

void TestLetter::longBodyRunsOn()
{
    RevisionLetter letter = sample();
    const LetterBlock paragraph = letter.body.front();
    const LetterBlock figures = letter.body[3];
    for (int i = 0; i < 12; ++i) {
        letter.body.push_back(paragraph);
        letter.body.push_back(figures);
    }
    const LetterLayout layout = layoutLetters({letter, sample()}, kMetrics);
    QVERIFY(layout.pages >= 3);
    QCOMPARE(layout.firstPages.size(), std::size_t(2));
    QCOMPARE(layout.firstPages[0], 0);
    // The second letter starts on a page of its own.
    const int second = layout.firstPages[1];
    QCOMPARE(second, layout.pages - 1);
    const auto firstOfSecond = std::find_if(layout.lines.begin(), layout.lines.end(),
                                            [&](const LetterLine& l) { return l.page == second; });
    QCOMPARE(firstOfSecond->text, QStringLiteral("Jean Martin"));
    // The first letter's closing and signature share a page.
    const LetterLine& signature = *(firstOfSecond - 1);
    QCOMPARE(signature.text, QStringLiteral("Jean Martin"));
    const auto closing = std::find_if(layout.lines.begin(), firstOfSecond, [](const LetterLine& l) {
        return l.text.startsWith(QStringLiteral("Je vous prie"));
    });
    QCOMPARE(closing->page, signature.page);
    // No row of figures is cut from its amount.
    for (const LetterLine& line : layout.lines)
        if (line.text.startsWith(QStringLiteral("Indice de base")))
            QVERIFY(std::any_of(layout.lines.begin(), layout.lines.end(), [&](const LetterLine& l) {
                return l.page == line.page && l.y == line.y && l.text == QStringLiteral("137,26");
            }));
}

void TestLetter::agencyMentionsAtTheFoot_data()
{
    QTest::addColumn<int>("extra"); // paragraphs added to the body
    QTest::addColumn<int>("pages");
    QTest::newRow("one page") << 0 << 1;
    QTest::newRow("runs on") << 8 << 2;
}

// An agency writes on the owner's behalf under its address, out of the
// envelope's window; its mentions stand in small type at the foot of each of
// the letter's pages, the body always above them.
void TestLetter::agencyMentionsAtTheFoot()
{
    QFETCH(int, extra);
    QFETCH(int, pages);
    const LetterGeometry g;
    RevisionLetter letter =
        letterFor(QStringLiteral("Mme Durand"), QStringLiteral("69003"),
                  {QStringLiteral("Agence du Parc"), QStringLiteral("4 place Bellecour"),
                   QStringLiteral("69002 LYON")});
    letter.onBehalfOf = QStringLiteral("Pour le compte de Jean Martin");
    letter.mentions = {
        QStringLiteral("Carte professionnelle n° CPI 6901 2026 000 000 123 "
                       "délivrée par la CCI Lyon Métropole Saint-Étienne Roanne, délégation de "
                       "Villeurbanne"),
        QStringLiteral("Garant financier : Galian, 89 rue La Boétie, 75008 Paris")};
    for (int i = 0; i < extra; ++i)
        letter.body.push_back(letter.body.front());
    const LetterLayout layout = layoutLetters({letter}, kMetrics);
    QCOMPARE(layout.pages, pages);

    const LetterLine* town = lineWith(layout, QStringLiteral("69002 LYON"));
    const LetterLine* behalf = lineWith(layout, QStringLiteral("Pour le compte de"));
    QVERIFY(town && behalf);
    QCOMPARE(behalf->x, g.left);
    QCOMPARE(behalf->y, town->y + kMetrics.lineHeight);
    QVERIFY(behalf->y + kMetrics.lineHeight <= 5.0); // above the window's top
    QVERIFY(behalf->x + behalf->width <= g.recipientLeft);

    const double small = kMetrics.smallLineHeight;
    for (int page = 0; page < pages; ++page) {
        std::vector<const LetterLine*> foot;
        double bodyBottom = 0;
        for (const LetterLine& line : layout.lines) {
            if (line.page != page)
                continue;
            if (line.small)
                foot.push_back(&line);
            else
                bodyBottom = std::max(bodyBottom, line.y + kMetrics.lineHeight);
        }
        // The card's mention runs on two lines at this width, the guarantor's on one.
        QCOMPARE(foot.size(), std::size_t(3));
        QVERIFY(foot.front()->text.startsWith(QStringLiteral("Carte professionnelle")));
        QCOMPARE(foot.back()->y + small, g.pageHeight - g.mentionsBottom);
        QVERIFY2(bodyBottom < foot.front()->y, qPrintable(QString::number(bodyBottom)));
        for (const LetterLine* line : foot)
            QVERIFY(line->x >= g.left && line->x + line->width <= g.pageWidth - g.right);
    }
}

void TestLetter::pdfReadsBack()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lettre.pdf"));
    QString reason;
    QVERIFY2(saveLettersPdf({sample()}, QStringLiteral("Lettre"), path, &reason),
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
         {std::pair{"Indice de base : IRL, série métropole, 4e trimestre 2022", "137,26"},
          std::pair{"Nouvel indice : IRL, série métropole, 4e trimestre 2023", "142,06"},
          std::pair{"Variation de l'indice", "hausse de 3,50 %"},
          std::pair{"Loyer actuel hors charges", "850,00 €"},
          std::pair{"Nouveau loyer hors charges, à compter du 15 mars 2024", "879,72 €"},
          std::pair{"Charges, inchangées", "50,00 €"},
          std::pair{"Total charges comprises, à compter du 15 mars 2024", "929,72 €"}}) {
        const QString line = lineOf(QString::fromUtf8(label)).simplified();
        QVERIFY2(line.endsWith(QString::fromUtf8(value)), qPrintable(line));
    }
    const QString flowing = text.simplified();
    for (const char* part : {"850,00 € × 142,06 ÷ 137,26 = 879,72 € (arrondi au centime inférieur)",
                             "l'article 17-1 de la loi n° 89-462 du 6 juillet 1989",
                             "Je vous prie d'agréer, Madame, l'expression de mes salutations "
                             "distinguées."})
        QVERIFY2(flowing.contains(QString::fromUtf8(part)), part);
}

void TestLetter::noLetterNoFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vide.pdf"));
    QString reason;
    QVERIFY(!saveLettersPdf({}, QStringLiteral("Lettres"), path, &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(!QFileInfo::exists(path));
}

void TestLetter::monthPdfOneLetterPerPage()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
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

VELMARIS_TEST(TestLetter)
#include "tst_letter.moc"
