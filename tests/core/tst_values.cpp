// SPDX-License-Identifier: GPL-3.0-or-later
// The values every window, file and the command line share: amounts and dates
// read and written one way each, and the French quotes.
#include "amounts.h"
#include "dates.h"
#include "numbers.h"
#include "quoting.h"
#include "testmain.h"
#include "typography.h"

#include <QTest>

using namespace velmaris;

namespace {

constexpr qint64 kRefused = -1;

} // namespace

class TestValues : public QObject {
    Q_OBJECT

private slots:
    void strictAmounts_data();
    void strictAmounts();
    void lenientAmounts_data();
    void lenientAmounts();
    void amountWriter_data();
    void amountWriter();
    void amountsReadBack();
    void frenchDates_data();
    void frenchDates();
    void dayMonths_data();
    void dayMonths();
    void datesWritten_data();
    void datesWritten();
    void styles_data();
    void styles();
    void quotes();
    void typography_data();
    void typography();
};

void TestValues::strictAmounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents");

    QTest::newRow("euro sign after a blank") << "850 €" << qint64(85000);
    QTest::newRow("euro sign stuck") << "850,5€" << qint64(85050);
    QTest::newRow("spreadsheet currency")
        << QStringLiteral("1\u202F234,50\u00A0€") << qint64(123450);
    QTest::newRow("no-break groups")
        << QStringLiteral("12\u00A0345\u00A0678,90") << qint64(1234567890);
    QTest::newRow("dot") << "850.05" << qint64(85005);
    QTest::newRow("zero") << "0" << qint64(0);
    QTest::newRow("largest") << "99 999 999 999,99" << qint64(9999999999999);
    QTest::newRow("junk after") << "12abc" << kRefused;
    QTest::newRow("blank inside a group") << "850 5" << kRefused;
    QTest::newRow("one digit groups") << "1 2 3" << kRefused;
    QTest::newRow("two digit group") << "8 50" << kRefused;
    QTest::newRow("four digits before a group") << "1234 567" << kRefused;
    QTest::newRow("blank in the decimals") << "850,0 5" << kRefused;
    QTest::newRow("blank before the comma") << "850 ,50" << kRefused;
    QTest::newRow("thousands dot") << "1.234" << kRefused;
    QTest::newRow("negative") << "-850" << kRefused;
    QTest::newRow("plus") << "+850" << kRefused;
    QTest::newRow("euro first") << "€ 850" << kRefused;
    QTest::newRow("two euro signs") << "850 € €" << kRefused;
    QTest::newRow("euro alone") << "€" << kRefused;
    QTest::newRow("exponent") << "1e3" << kRefused;
    QTest::newRow("twelve digits") << "999999999999" << kRefused;
}

void TestValues::strictAmounts()
{
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    QCOMPARE(readAmount(text).value_or(kRefused), cents);
    QCOMPARE(readAmount(text, AmountReading::Strict).value_or(kRefused), cents);
}

void TestValues::lenientAmounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents");

    QTest::newRow("junk after") << "12abc" << qint64(1200);
    QTest::newRow("no number") << "abc" << qint64(0);
    QTest::newRow("blanks anywhere") << "8 50" << qint64(85000);
    QTest::newRow("euro sign") << "850 €" << qint64(85000);
    QTest::newRow("comma is a point") << "1,234" << qint64(123);
    QTest::newRow("second comma stops") << "1,2,3" << qint64(120);
    QTest::newRow("exponent") << "1e3" << qint64(100000);
    QTest::newRow("negative") << "-5" << qint64(-500);
    QTest::newRow("half cent up") << "2,675" << qint64(268);
    QTest::newRow("too large") << "1e400" << kRefused;
}

void TestValues::lenientAmounts()
{
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    QCOMPARE(readAmount(text, AmountReading::Lenient).value_or(kRefused), cents);
}

void TestValues::amountWriter_data()
{
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<AmountLayout>("layout");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("euros");

    QTest::newRow("grouped") << qint64(123456789) << AmountLayout::Grouped << "1 234 567,89"
                             << "1 234 567,89 €";
    QTest::newRow("no-break") << qint64(123450) << AmountLayout::NoBreak
                              << QStringLiteral("1\u00A0234,50")
                              << QStringLiteral("1\u00A0234,50\u00A0€");
    QTest::newRow("plain") << qint64(123456789) << AmountLayout::Plain << "1234567,89"
                           << "1234567,89 €";
    QTest::newRow("grid under a thousand") << qint64(85000) << AmountLayout::Grid << " 850,00"
                                           << " 850,00 €";
    QTest::newRow("grid millions") << qint64(123456700) << AmountLayout::Grid << "1234 567,00"
                                   << "1234 567,00 €";
    QTest::newRow("cents only") << qint64(5) << AmountLayout::Grouped << "0,05"
                                << "0,05 €";
    QTest::newRow("negative") << qint64(-123456) << AmountLayout::Grouped << "-1 234,56"
                              << "-1 234,56 €";
}

void TestValues::amountWriter()
{
    QFETCH(qint64, cents);
    QFETCH(AmountLayout, layout);
    QFETCH(QString, amount);
    QFETCH(QString, euros);
    QCOMPARE(amountText(cents, layout), amount);
    QCOMPARE(eurosText(cents, layout), euros);
}

void TestValues::amountsReadBack()
{
    const qint64 samples[] = {0, 5, 85000, 100000, 123456, 99999999, 9999999999999};
    for (qint64 cents : samples) {
        for (AmountLayout layout :
             {AmountLayout::Grouped, AmountLayout::NoBreak, AmountLayout::Plain}) {
            QCOMPARE(readAmount(amountText(cents, layout)), cents);
            QCOMPARE(readAmount(eurosText(cents, layout)), cents);
        }
        // The grid reads back what it writes.
        QCOMPARE(readAmount(amountText(cents, AmountLayout::Grid), AmountReading::Lenient), cents);
    }
}

void TestValues::frenchDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("spreadsheet default") << "15/03/21" << QDate(2021, 3, 15);
    QTest::newRow("two-digit year") << "20/03/24" << QDate(2024, 3, 20);
    QTest::newRow("last 20xx year") << "1/1/29" << QDate(2029, 1, 1);
    QTest::newRow("first 19xx year") << "1/1/30" << QDate(1930, 1, 1);
    QTest::newRow("dots") << "1.2.21" << QDate(2021, 2, 1);
    QTest::newRow("dashes") << "01-02-2021" << QDate(2021, 2, 1);
    QTest::newRow("leap day") << "29/02/24" << QDate(2024, 2, 29);
    QTest::newRow("no leap day") << "29/02/2023" << QDate();
    QTest::newRow("day 0") << "00/01/2020" << QDate();
    QTest::newRow("month 13") << "15/13/2020" << QDate();
    QTest::newRow("three-digit year") << "15/03/202" << QDate();
    QTest::newRow("no year") << "15/03" << QDate();
    QTest::newRow("ISO") << "2021-03-15" << QDate();
    QTest::newRow("blanks around") << " 15/03/2021 " << QDate(2021, 3, 15);
    QTest::newRow("mixed separators") << "15/03-2021" << QDate();
    QTest::newRow("five-digit year") << "15/03/20210" << QDate();
    QTest::newRow("three-digit day") << "015/03/2021" << QDate();
    QTest::newRow("text after") << "15/03/2021 x" << QDate();
    QTest::newRow("non-ASCII digits") << QStringLiteral("\u0661\u0665/03/2021") << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void TestValues::frenchDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseFrenchDate(text).value_or(QDate()), date);
    if (!date.isValid())
        return;
    const QString written = dateText(date);
    QCOMPARE(written, QStringLiteral("%1/%2/%3")
                          .arg(date.day(), 2, 10, QChar(u'0'))
                          .arg(date.month(), 2, 10, QChar(u'0'))
                          .arg(date.year()));
    QCOMPARE(formatShortDate(date, QLocale(QLocale::French, QLocale::France)), written);
    QCOMPARE(parseFrenchDate(written), date);
}

void TestValues::dayMonths_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("day"); // 0: refused
    QTest::addColumn<int>("month");

    QTest::newRow("slash") << "15/03" << 15 << 3;
    QTest::newRow("one digit, dot") << "1.4" << 1 << 4;
    QTest::newRow("dash, blanks") << " 31 - 12 " << 31 << 12;
    QTest::newRow("a whole date") << "15/03/2024" << 0 << 0;
    QTest::newRow("words") << "mars" << 0 << 0;
}

void TestValues::dayMonths()
{
    QFETCH(QString, text);
    QFETCH(int, day);
    QFETCH(int, month);
    const std::optional<DayMonth> read = parseDayMonth(text);
    QCOMPARE(read.has_value(), day != 0);
    if (!read)
        return;
    QCOMPARE(read->day, day);
    QCOMPARE(read->month, month);
    const QString written = dayMonthText(day, month);
    QCOMPARE(written.size(), 5);
    QCOMPARE(parseDayMonth(written)->day, day);
    QCOMPARE(parseDayMonth(written)->month, month);
}

// Written digit by digit for a four-digit year, by Qt otherwise: the same
// text either way, at the edges of the shortcut too.
void TestValues::datesWritten_data()
{
    QTest::addColumn<QDate>("date");

    QTest::newRow("first of the year") << QDate(2026, 1, 1);
    QTest::newRow("last of the year") << QDate(2025, 12, 31);
    QTest::newRow("year 1000") << QDate(1000, 10, 5);
    QTest::newRow("year 9999") << QDate(9999, 12, 31);
    QTest::newRow("year 999") << QDate(999, 3, 15);
    QTest::newRow("year 10000") << QDate(10000, 3, 15);
}

void TestValues::datesWritten()
{
    QFETCH(QDate, date);
    const QString qt = date.toString(u"dd/MM/yyyy");
    QCOMPARE(dateText(date), qt);
    QCOMPARE(formatShortDate(date, QLocale(QLocale::French, QLocale::France)),
             QLocale(QLocale::French, QLocale::France).toString(date, u"dd/MM/yyyy"));
}

void TestValues::styles_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("number");

    QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << "1271,25";
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "1271.25";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "1271,25";
    QTest::newRow("Swiss French") << QLocale(QLocale::French, QLocale::Switzerland) << "1271,25";
}

// A locale's style writes as the locale does; the default one, which the
// command line uses without a QLocale, is French (France) exactly.
void TestValues::styles()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, number);
    const NumberStyle style(locale);
    const QDate date(2025, 3, 7);
    QCOMPARE(formatShortDate(date, style),
             locale.toString(date, locale.dateFormat(QLocale::ShortFormat)));
    QCOMPARE(formatGeneral(1271.25, style), number);

    const NumberStyle french;
    const NumberStyle france(QLocale(QLocale::French, QLocale::France));
    QCOMPARE(french.decimalPoint, france.decimalPoint);
    QCOMPARE(french.shortDateFormat, france.shortDateFormat);
    QCOMPARE(formatShortDate(date, french), QStringLiteral("07/03/2025"));
}

void TestValues::quotes()
{
    QCOMPARE(quoted(u"B-7"), QStringLiteral("«\u00a0B-7\u00a0»"));
    QCOMPARE(quoted(u""), QStringLiteral("«\u00a0\u00a0»"));
    QCOMPARE(dateText(QDate()), QString());
    QCOMPARE(dayMonthText(0, 0), QString());
    QCOMPARE(countOf(0, u"bail", u"baux"), QStringLiteral("aucun bail"));
    QCOMPARE(countOf(2, u"bail", u"baux"), QStringLiteral("2\u00a0baux"));
    QCOMPARE(countOf(0, u"lettre", u"lettres", true), QStringLiteral("aucune lettre"));
    QCOMPARE(ofName(u"accueil"), QStringLiteral("d\u2019accueil"));
    QCOMPARE(ofName(u"Martin"), QStringLiteral("de Martin"));
}

void TestValues::typography_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char16_t* text, const char16_t* expected) {
        QTest::newRow(name) << QString::fromUtf16(text) << QString::fromUtf16(expected);
    };
    row("question", u"Abandonner les modifications\u00a0?", u"Abandonner les modifications\u00a0?");
    row("colon without space", u"Pour rappel\u00a0: si le bail", u"Pour rappel\u00a0: si le bail");
    row("semicolon and bang", u"non\u00a0; jamais\u00a0!", u"non\u00a0; jamais\u00a0!");
    row("apostrophe", u"l’indice d’effet", u"l\u2019indice d\u2019effet");
    row("quoted value untouched", u"bail «\u00a0A'1\u00a0: x\u00a0» refusé",
        u"bail «\u00a0A'1\u00a0: x\u00a0» refusé");
    row("ellipsis", u"Saisir un indice…. Puis...", u"Saisir un indice… Puis…");
    row("time, path and URL", u"à 14:32, C:\\baux, https://insee.fr?x",
        u"à 14:32, C:\\baux, https://insee.fr?x");
}

void TestValues::typography()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(frenchTypography(text), expected);
    QCOMPARE(frenchTypography(expected), expected); // applied twice, the same
}

VELMARIS_TEST(TestValues)
#include "tst_values.moc"
