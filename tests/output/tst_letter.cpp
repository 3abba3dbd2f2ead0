// SPDX-License-Identifier: GPL-3.0-or-later
// The revision letter laid out on A4 pages.
#include "amounts.h"
#include "letterfixture.h"
#include "letterlayout.h"
#include "revisionletter.h"
#include "testmain.h"

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

RevisionLetter sample()
{
    return sampleLetter();
}

const LetterLine* lineWith(const LetterLayout& layout, const QString& start)
{
    for (const LetterLine& line : layout.lines)
        if (line.text.startsWith(start))
            return &line;
    return nullptr;
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
    const LetterLine* closing = lineWith(layout, QStringLiteral("Je vous prie d"));
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
    QTest::newRow("long address wraps") << longTenant() << longSender();
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
        QVERIFY2(line.small
                     || (line.y >= g.top - e
                         && line.y + kMetrics.lineHeight <= g.pageHeight - g.bottom + e),
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
    // However long, the sender keeps left of the envelope's window, and the
    // recipient keeps its place in it.
    const LetterLine* recipient = lineWith(layout, tenant.left(10));
    QVERIFY(recipient);
    QCOMPARE(recipient->y, g.recipientTop);
    for (const LetterLine& line : layout.lines)
        if (line.page == recipient->page && line.y < g.windowBottom && line.x < g.recipientLeft)
            QVERIFY2(line.x + line.width <= (line.y + kMetrics.lineHeight <= g.windowTop
                                                 ? g.recipientLeft
                                                 : g.windowLeft),
                     qPrintable(line.text));
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
    const LetterLine& signature =
        *std::find_if(std::make_reverse_iterator(firstOfSecond), layout.lines.rend(),
                      [](const LetterLine& l) { return !l.small; });
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
    RevisionLetter letter = agencyLetter();
    for (int i = 0; i < extra; ++i)
        letter.body.push_back(letter.body.front());
    const LetterLayout layout = layoutLetters({letter}, kMetrics);
    QCOMPARE(layout.pages, pages);

    const LetterLine* town = lineWith(layout, QStringLiteral("69002 LYON"));
    const LetterLine* behalf = lineWith(layout, QStringLiteral("Pour le compte de"));
    QVERIFY(town && behalf);
    QCOMPARE(behalf->x, g.left);
    QCOMPARE(behalf->y, town->y + kMetrics.lineHeight);
    QVERIFY(behalf->x + behalf->width <= g.windowLeft);

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
        // A letter of several pages numbers them over the mentions; the
        // card's mention runs on two lines at this width, the guarantor's on one.
        const QString number = QStringLiteral("Bail A-12 — page %1/%2").arg(page + 1).arg(pages);
        QCOMPARE(foot.size(), std::size_t(pages > 1 ? 4 : 3));
        if (pages > 1) {
            QCOMPARE(foot.front()->text, number);
            QCOMPARE(foot.front()->x + foot.front()->width, g.pageWidth - g.right);
            foot.erase(foot.begin());
        }
        QVERIFY(foot.front()->text.startsWith(QStringLiteral("Carte professionnelle")));
        QCOMPARE(foot.back()->y + small, g.pageHeight - g.mentionsBottom);
        QVERIFY2(bodyBottom < foot.front()->y - (pages > 1 ? small : 0),
                 qPrintable(QString::number(bodyBottom)));
        for (const LetterLine* line : foot)
            QVERIFY(line->x >= g.left && line->x + line->width <= g.pageWidth - g.right);
    }
}

VELMARIS_TEST(TestLetter)
#include "tst_letter.moc"
