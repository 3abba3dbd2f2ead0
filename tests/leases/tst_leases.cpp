// SPDX-License-Identifier: GPL-3.0-or-later
// The lease model, the lawful revision of a lease, the register's statuses and
// the CSV layout, without a database.
#include "amounts.h"
#include "dates.h"
#include "lawfulrevision.h"
#include "leasecsv.h"
#include "leasefixture.h"
#include "leaseregister.h"
#include "testmain.h"

#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

// What an import's refusals say is expected, after the field they quote.
#define DATE_LAYOUT " (attendu\u00a0: une date jj/mm/aaaa ou jj/mm/aa)"
#define AMOUNT_LAYOUT                                                                              \
    " (attendu\u00a0: un montant comme 850,00 ou 1 234,50 €, les blancs seulement entre les "    \
    "milliers)"
#define POSTAL_LAYOUT " (attendu\u00a0: cinq chiffres, de 01000 à 95999 ou 97xxx)"

namespace {

const IndexTable& table()
{
    static const IndexTable t = realTable();
    return t;
}

QStringList strings(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

QDate dateOrNone(const QString& text)
{
    return text.isEmpty() ? QDate() : QDate::fromString(text, u"dd/MM/yyyy");
}

} // namespace

class TestLeases : public QObject {
    Q_OBJECT

private slots:
    void parseAmount_data();
    void parseAmount();
    void amountWriter();
    void territory_data();
    void territory();
    void validation_data();
    void validation();

    void worked_data();
    void worked();
    void anchors_data();
    void anchors();
    void straddling2005();
    void explanationCitesTheLaw();
    void registerSortsAndFilters();

    void csvRoundTrip();
    void csvRefusesBadLines_data();
    void csvRefusesBadLines();
    void csvHeader_data();
    void csvHeader();
    void csvLayoutTolerance();
    void csvFromSpreadsheet_data();
    void csvFromSpreadsheet();
};

void TestLeases::parseAmount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents"); // -1 = refused

    QTest::newRow("whole") << "850" << qint64(85000);
    QTest::newRow("one decimal") << "850,5" << qint64(85050);
    QTest::newRow("two decimals") << "850,00" << qint64(85000);
    QTest::newRow("dot") << "850.25" << qint64(85025);
    QTest::newRow("grouped") << "1 234,56" << qint64(123456);
    QTest::newRow("no-break space") << QStringLiteral("1\u00A0234,56") << qint64(123456);
    QTest::newRow("narrow no-break") << QStringLiteral("12\u202F345,00") << qint64(1234500);
    QTest::newRow("blanks around") << "  12,30 " << qint64(1230);
    QTest::newRow("negative") << "-12,30" << qint64(-1); // no amount typed is negative
    QTest::newRow("three decimals") << "8,505" << qint64(-1);
    QTest::newRow("two separators") << "1.234,56" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
    QTest::newRow("text") << "abc" << qint64(-1);
    QTest::newRow("trailing letter") << "12a" << qint64(-1);
    QTest::newRow("bare decimals") << ",5" << qint64(-1);
    QTest::newRow("separator at end") << "5," << qint64(-1);
    QTest::newRow("double blank") << "1  234" << qint64(-1);
    QTest::newRow("too long") << "123456789012,00" << qint64(-1);
}

void TestLeases::parseAmount()
{
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    const std::optional<qint64> parsed = readAmount(text);
    QCOMPARE(parsed.value_or(-1), cents);
}

void TestLeases::amountWriter()
{
    QCOMPARE(amountText(85000), QStringLiteral("850,00"));
    QCOMPARE(amountText(123456789), QStringLiteral("1 234 567,89"));
    QCOMPARE(amountText(123456789, AmountLayout::Plain), QStringLiteral("1234567,89"));
    QCOMPARE(amountText(-5), QStringLiteral("-0,05"));
    QCOMPARE(amountText(0), QStringLiteral("0,00"));
}

void TestLeases::territory_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("territory");
    QTest::addColumn<bool>("valid");

    QTest::newRow("Paris") << "75011" << int(Territory::Metropole) << true;
    QTest::newRow("Ajaccio 20000") << "20000" << int(Territory::Corse) << true;
    QTest::newRow("Corse-du-Sud 2A, a commune code") << "2A004" << int(Territory::Corse) << false;
    QTest::newRow("Haute-Corse 2b, a commune code") << "2b033" << int(Territory::Corse) << false;
    QTest::newRow("Bastia") << "20200" << int(Territory::Corse) << true;
    QTest::newRow("Val-d’Oise 95") << "95000" << int(Territory::Metropole) << true;
    QTest::newRow("no department 96") << "96000" << int(Territory::Metropole) << false;
    QTest::newRow("99999") << "99999" << int(Territory::Metropole) << false;
    QTest::newRow("00 is no department") << "00100" << int(Territory::Metropole) << false;
    QTest::newRow("Guadeloupe") << "97110" << int(Territory::OutreMer) << true;
    QTest::newRow("Mayotte") << "97600" << int(Territory::OutreMer) << true;
    QTest::newRow("Saint-Barthélemy 977") << "97700" << int(Territory::Metropole) << true;
    QTest::newRow("970 is no department") << "97000" << int(Territory::Metropole) << true;
    QTest::newRow("Ain 01") << "01000" << int(Territory::Metropole) << true;
    QTest::newRow("Aisne 02, not Corsica") << "02000" << int(Territory::Metropole) << true;
    QTest::newRow("four digits") << "7501" << int(Territory::Metropole) << false;
    QTest::newRow("2C") << "2C000" << int(Territory::Metropole) << false;
}

void TestLeases::territory()
{
    QFETCH(QString, code);
    QFETCH(int, territory);
    QFETCH(bool, valid);
    QCOMPARE(int(territoryFromPostalCode(code)), territory);
    QCOMPARE(isValidPostalCode(code), valid);
}

void TestLeases::validation_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("problem"); // empty = sound

    QTest::newRow("sound") << ""
                           << "";
    QTest::newRow("blank reference") << "reference"
                                     << "référence vide";
    QTest::newRow("no signing date") << "signing"
                                     << "date de signature invalide";
    QTest::newRow("no start date") << "start"
                                   << "date d’effet invalide";
    QTest::newRow("postal code")
        << "postal"
        << "code postal invalide «\u00a07501\u00a0» (cinq chiffres, de 01000 à "
           "95999 ou 97xxx)";
    QTest::newRow("31 April") << "revision"
                              << "date de révision invalide «\u00a031/4\u00a0»";
    QTest::newRow("day without month") << "revisionDay"
                                       << "date de révision invalide «\u00a05/0\u00a0»";
    QTest::newRow("no rent") << "rent"
                             << "loyer manquant";
    QTest::newRow("huge rent") << "hugeRent"
                               << "loyer trop élevé";
    QTest::newRow("negative charges") << "charges"
                                      << "charges négatives";
    QTest::newRow("prior revision before start")
        << "prior"
        << "dernière révision antérieure à la date d’effet";
}

void TestLeases::validation()
{
    QFETCH(QString, field);
    QFETCH(QString, problem);
    Lease lease = makeLease(QStringLiteral("A1"), day("15/03/2023"), 85000);
    if (field == u"reference")
        lease.reference = QStringLiteral("   ");
    else if (field == u"signing")
        lease.signingDate = QDate();
    else if (field == u"start")
        lease.startDate = QDate();
    else if (field == u"postal")
        lease.postalCode = QStringLiteral("7501");
    else if (field == u"revision")
        lease.revisionDay = 31, lease.revisionMonth = 4;
    else if (field == u"revisionDay")
        lease.revisionDay = 5;
    else if (field == u"rent")
        lease.rentCents = 0;
    else if (field == u"hugeRent")
        lease.rentCents = kMaxAmountCents + 1;
    else if (field == u"charges")
        lease.chargesCents = -1;
    else if (field == u"prior")
        lease.priorRevision = day("01/01/2023");
    const QStringList problems = validateLease(lease);
    QCOMPARE(problems, problem.isEmpty() ? QStringList() : QStringList{problem});

    // 29 February is a revision date like any other.
    lease = makeLease(QStringLiteral("A1"), day("15/03/2023"), 85000);
    lease.revisionDay = 29;
    lease.revisionMonth = 2;
    QVERIFY(validateLease(lease).isEmpty());
}

// Worked cases on the real index figures. Expected rents computed by hand:
// rent x new / base, to the cent below.
void TestLeases::worked_data()
{
    QTest::addColumn<QString>("signing");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("reference"); // quarter label written in the lease, or none
    QTest::addColumn<QString>("revision");  // "dd/MM", or the anniversary
    QTest::addColumn<bool>("bothWays");     // clause "à la hausse et à la baisse"
    QTest::addColumn<QString>("dpe");
    QTest::addColumn<QString>("postal");
    QTest::addColumn<bool>("furnished");
    QTest::addColumn<qint64>("rent");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("due");
    QTest::addColumn<QString>("newQuarter"); // empty: nothing computed
    QTest::addColumn<QString>("series");
    QTest::addColumn<qint64>("newRent");
    QTest::addColumn<QString>("error");

    const QString irl = QStringLiteral("IRL");
    const QString avg = QStringLiteral("moyenne des 4 derniers ICC");

    // Signed 10/03/2023: the last index published is the 4th quarter 2022.
    QTest::newRow("asked after the date: effect from the request")
        << "10/03/2023"
        << "15/03/2023"
        << ""
        << "" << false << ""
        << "69003" << false << qint64(85000) << "20/03/2024"
        << "à réviser avant le 15/03/2025"
        << "15/03/2024"
        << "4è tr.2023" << irl << qint64(87972) << "";
    QTest::newRow("asked on the date") << "10/03/2023"
                                       << "15/03/2023"
                                       << ""
                                       << "" << false << ""
                                       << "69003" << false << qint64(85000) << "15/03/2024"
                                       << "à réviser avant le 15/03/2025"
                                       << "15/03/2024"
                                       << "4è tr.2023" << irl << qint64(87972) << "";
    QTest::newRow("asked the last day of the year")
        << "10/03/2023"
        << "15/03/2023"
        << ""
        << "" << false << ""
        << "69003" << false << qint64(85000) << "14/03/2025"
        << "à réviser avant le 15/03/2025"
        << "15/03/2024"
        << "4è tr.2023" << irl << qint64(87972) << "";
    QTest::newRow("a year later: that year lost, one year’s change")
        << "10/03/2023"
        << "15/03/2023"
        << ""
        << "" << false << ""
        << "69003" << false << qint64(85000) << "15/03/2025"
        << "à réviser avant le 15/03/2026 (révision perdue le 15/03/2025)"
        << "15/03/2025"
        << "4è tr.2024" << irl << qint64(86543) << "";
    QTest::newRow("index not in the series: stops and names it")
        << "10/03/2023"
        << "15/03/2023"
        << ""
        << "" << false << ""
        << "69003" << false << qint64(85000) << "20/03/2026"
        << "à réviser avant le 15/03/2027 (révision perdue le 15/03/2025)"
        << "15/03/2026"
        << "" << irl << qint64(85000)
        << "Indice manquant\u00a0: IRL du 4è tr.2025. Faites «\u00a0Mise à jour\u00a0», ou "
           "saisissez-le par «\u00a0Saisir un indice…\u00a0» s’il vient de paraître.";
    QTest::newRow("before the date: up to date")
        << "10/03/2023"
        << "15/03/2023"
        << ""
        << "" << false << ""
        << "69003" << false << qint64(85000) << "14/03/2024"
        << "à jour"
        << "15/03/2024"
        << "" << irl << qint64(85000) << "";
    QTest::newRow("29 February: 1 March in other years")
        << "29/02/2024"
        << "29/02/2024"
        << ""
        << "" << false << ""
        << "69003" << false << qint64(85000) << "01/03/2025"
        << "à réviser avant le 01/03/2026"
        << "01/03/2025"
        << "4è tr.2024" << irl << qint64(86543) << "";

    // The IRL of the 4th quarter 2015 fell: 125.28 against 125.29.
    QTest::newRow("fall, up only: rent kept") << "25/01/2015"
                                              << "01/02/2015"
                                              << ""
                                              << "" << false << ""
                                              << "69003" << false << qint64(100000) << "01/02/2016"
                                              << "à réviser avant le 01/02/2017"
                                              << "01/02/2016"
                                              << "4è tr.2015" << irl << qint64(100000) << "";
    QTest::newRow("fall, both ways: rent lowered")
        << "25/01/2015"
        << "01/02/2015"
        << ""
        << "" << true << ""
        << "69003" << false << qint64(100000) << "01/02/2016"
        << "à réviser avant le 01/02/2017"
        << "01/02/2016"
        << "4è tr.2015" << irl << qint64(99992) << "";
    QTest::newRow("fall of 2009, up only") << "01/03/2009"
                                           << "01/03/2009"
                                           << ""
                                           << "" << false << ""
                                           << "69003" << false << qint64(62000) << "10/03/2010"
                                           << "à réviser avant le 01/03/2011"
                                           << "01/03/2010"
                                           << "4è tr.2009" << irl << qint64(62000) << "";
    QTest::newRow("fall of 2009, both ways") << "01/03/2009"
                                             << "01/03/2009"
                                             << ""
                                             << "" << true << ""
                                             << "69003" << false << qint64(62000) << "10/03/2010"
                                             << "à réviser avant le 01/03/2011"
                                             << "01/03/2010"
                                             << "4è tr.2009" << irl << qint64(61963) << "";

    // F/G: signed 01/09/2022, reference 2nd quarter 2022; uncapped 82 797.
    QTest::newRow("G signed after 24/08/2022: frozen")
        << "01/09/2022"
        << "01/09/2022"
        << ""
        << "" << false << "G"
        << "69003" << false << qint64(80000) << "05/09/2023"
        << "gelée (DPE F/G)"
        << "01/09/2023"
        << "2è tr.2023" << irl << qint64(80000) << "";
    QTest::newRow("F signed on 24/08/2022: frozen")
        << "24/08/2022"
        << "01/09/2022"
        << ""
        << "" << false << "F"
        << "69003" << false << qint64(80000) << "05/09/2023"
        << "gelée (DPE F/G)"
        << "01/09/2023"
        << "2è tr.2023" << irl << qint64(80000) << "";
    // Frozen under "à la hausse et à la baisse" too, with the Corsican index
    // of the year missing from the file: no index is needed.
    QTest::newRow("Corsican G, both ways: frozen without its index")
        << "01/09/2022"
        << "01/09/2022"
        << ""
        << "" << true << "G"
        << "20000" << false << qint64(80000) << "05/09/2025"
        << "gelée (DPE F/G)"
        << "01/09/2025"
        << "" << irl << qint64(80000) << "";
    QTest::newRow("G signed the day before: revised")
        << "23/08/2022"
        << "01/09/2022"
        << ""
        << "" << false << "G"
        << "69003" << false << qint64(80000) << "05/09/2023"
        << "à réviser avant le 01/09/2024"
        << "01/09/2023"
        << "2è tr.2023" << irl << qint64(82797) << "";
    QTest::newRow("G signed before, renewed after three years: frozen")
        << "23/08/2022"
        << "01/09/2022"
        << ""
        << "" << false << "G"
        << "69003" << false << qint64(80000) << "05/09/2025"
        << "gelée (DPE F/G)"
        << "01/09/2025"
        << "2è tr.2025" << irl << qint64(80000) << "";
    QTest::newRow("E signed after the date: revised")
        << "01/09/2022"
        << "01/09/2022"
        << ""
        << "" << false << "E"
        << "69003" << false << qint64(80000) << "05/09/2023"
        << "à réviser avant le 01/09/2024"
        << "01/09/2023"
        << "2è tr.2023" << irl << qint64(82797) << "";
    QTest::newRow("furnished G signed before, renewed a year on: frozen")
        << "01/06/2022"
        << "01/06/2022"
        << ""
        << "" << false << "G"
        << "69003" << true << qint64(80000) << "01/06/2023"
        << "gelée (DPE F/G)"
        << "01/06/2023"
        << "1er tr.2023" << irl << qint64(80000) << "";
    QTest::newRow("unfurnished G signed before: revised")
        << "01/06/2022"
        << "01/06/2022"
        << ""
        << "" << false << "G"
        << "69003" << false << qint64(80000) << "01/06/2023"
        << "à réviser avant le 01/06/2024"
        << "01/06/2023"
        << "1er tr.2023" << irl << qint64(82795) << "";
    QTest::newRow("overseas G signed 01/09/2022: revised")
        << "01/09/2022"
        << "01/09/2022"
        << ""
        << "" << false << "G"
        << "97400" << false << qint64(80000) << "05/09/2023"
        << "à réviser avant le 01/09/2024"
        << "01/09/2023"
        << "2è tr.2023"
        << "IRL outre-mer" << qint64(81996) << "";
    QTest::newRow("overseas G signed 01/07/2024: frozen")
        << "01/07/2024"
        << "01/07/2024"
        << ""
        << "" << false << "G"
        << "97200" << false << qint64(80000) << "01/07/2025"
        << "gelée (DPE F/G)"
        << "01/07/2025"
        << "1er tr.2025"
        << "IRL outre-mer" << qint64(80000) << "";
    QTest::newRow("overseas G signed 30/06/2024: revised")
        << "30/06/2024"
        << "01/07/2024"
        << ""
        << "" << false << "G"
        << "97100" << false << qint64(80000) << "01/07/2025"
        << "à réviser avant le 01/07/2026"
        << "01/07/2025"
        << "1er tr.2025"
        << "IRL outre-mer" << qint64(81120) << "";

    // The regional series, capped differently in 2022-2023: the same lease in
    // three places.
    QTest::newRow("Corsica") << "15/11/2022"
                             << "15/11/2022"
                             << ""
                             << "" << false << ""
                             << "20000" << false << qint64(70000) << "15/11/2023"
                             << "à réviser avant le 15/11/2024"
                             << "15/11/2023"
                             << "3è tr.2023"
                             << "IRL Corse" << qint64(71396) << "";
    QTest::newRow("Corsica, 2B code") << "15/11/2022"
                                      << "15/11/2022"
                                      << ""
                                      << "" << false << ""
                                      << "2B033" << false << qint64(70000) << "15/11/2023"
                                      << "à réviser avant le 15/11/2024"
                                      << "15/11/2023"
                                      << "3è tr.2023"
                                      << "IRL Corse" << qint64(71396) << "";
    QTest::newRow("overseas") << "15/11/2022"
                              << "15/11/2022"
                              << ""
                              << "" << false << ""
                              << "97200" << false << qint64(70000) << "15/11/2023"
                              << "à réviser avant le 15/11/2024"
                              << "15/11/2023"
                              << "3è tr.2023"
                              << "IRL outre-mer" << qint64(71747) << "";
    QTest::newRow("mainland") << "15/11/2022"
                              << "15/11/2022"
                              << ""
                              << "" << false << ""
                              << "75011" << false << qint64(70000) << "15/11/2023"
                              << "à réviser avant le 15/11/2024"
                              << "15/11/2023"
                              << "3è tr.2023" << irl << qint64(72445) << "";
    // First regional quarter against the mainland base of a year earlier.
    QTest::newRow("Corsica, first quarter of its series")
        << "01/11/2021"
        << "01/11/2021"
        << ""
        << "" << false << ""
        << "20090" << false << qint64(70000) << "01/11/2022"
        << "à réviser avant le 01/11/2023"
        << "01/11/2022"
        << "3è tr.2022"
        << "IRL Corse" << qint64(71398) << "";
    QTest::newRow("overseas, first quarter of its series")
        << "01/11/2021"
        << "01/11/2021"
        << ""
        << "" << false << ""
        << "97300" << false << qint64(70000) << "01/11/2022"
        << "à réviser avant le 01/11/2023"
        << "01/11/2022"
        << "3è tr.2022"
        << "IRL outre-mer" << qint64(71749) << "";
    QTest::newRow("Corsica, regional value not published")
        << "01/08/2024"
        << "01/08/2024"
        << ""
        << "" << false << ""
        << "20090" << false << qint64(80000) << "01/08/2025"
        << "à réviser avant le 01/08/2026"
        << "01/08/2025"
        << ""
        << "IRL Corse" << qint64(80000)
        << "Indice manquant\u00a0: IRL Corse du 2è tr.2025. Saisissez-le tel que l’Insee l’a "
           "publié par «\u00a0Saisir un indice…\u00a0» (le trimestre «\u00a0à compléter\u00a0») ou "
           "par velmaris-cli --add-index 22025 --corse VALEUR.";
    QTest::newRow("Corsica, quarter not in the file yet")
        << "01/08/2025"
        << "01/08/2025"
        << ""
        << "" << false << ""
        << "20090" << false << qint64(80000) << "01/08/2026"
        << "à réviser avant le 01/08/2027"
        << "01/08/2026"
        << ""
        << "IRL Corse" << qint64(80000)
        << "Indice manquant\u00a0: IRL Corse du 2è tr.2026. Faites «\u00a0Mise à jour\u00a0», ou "
           "saisissez-le par «\u00a0Saisir un indice…\u00a0» s’il vient de paraître.";
    QTest::newRow("mainland has that quarter") << "01/08/2024"
                                               << "01/08/2024"
                                               << ""
                                               << "" << false << ""
                                               << "13001" << false << qint64(80000) << "01/08/2025"
                                               << "à réviser avant le 01/08/2026"
                                               << "01/08/2025"
                                               << "2è tr.2025" << irl << qint64(80832) << "";

    // Before the IRL. Signed 15/03/2003: reference 3rd quarter 2002.
    QTest::newRow("2004: four-quarter average") << "15/03/2003"
                                                << "01/04/2003"
                                                << ""
                                                << "" << false << ""
                                                << "69003" << false << qint64(50000) << "01/04/2004"
                                                << "à réviser avant le 01/04/2005"
                                                << "01/04/2004"
                                                << "3è tr.2003" << avg << qint64(51381) << "";
    QTest::newRow("2nd quarter 2005, signed in April: IRL")
        << "10/04/2004"
        << "01/11/2004"
        << "2è tr.2004"
        << "" << false << ""
        << "69003" << false << qint64(50000) << "01/11/2005"
        << "à réviser avant le 01/11/2006"
        << "01/11/2005"
        << "2è tr.2005" << irl << qint64(50831) << "";
    QTest::newRow("2nd quarter 2005, signed in May: average")
        << "10/05/2004"
        << "01/11/2004"
        << "2è tr.2004"
        << "" << false << ""
        << "69003" << false << qint64(50000) << "01/11/2005"
        << "à réviser avant le 01/11/2006"
        << "01/11/2005"
        << "2è tr.2005" << avg << qint64(51812) << "";
    QTest::newRow("before 1995: ICC, older than the series")
        << "01/02/1993"
        << "01/02/1993"
        << "4è tr.1992"
        << "" << false << ""
        << "69003" << false << qint64(50000) << "01/02/1994"
        << "à réviser avant le 01/02/1995"
        << "01/02/1994"
        << ""
        << "ICC" << qint64(50000)
        << "Indice manquant\u00a0: ICC du 4è tr.1993. Faites «\u00a0Mise à jour\u00a0», ou "
           "saisissez-le par «\u00a0Saisir un indice…\u00a0» s’il vient de paraître.";

    // An agreed date: signed 01/03/2020 on the 4th quarter 2019. On 01/01/2021
    // that is still the last 4th quarter published: nothing to revise yet.
    QTest::newRow("agreed 1 January: first revision once a newer index is out")
        << "01/03/2020"
        << "15/03/2020"
        << ""
        << "01/01" << false << ""
        << "69003" << false << qint64(90000) << "05/01/2022"
        << "à réviser avant le 01/01/2023"
        << "01/01/2022"
        << "4è tr.2020" << irl << qint64(90179) << "";
    QTest::newRow("agreed 1 January: not due in the first January")
        << "01/03/2020"
        << "15/03/2020"
        << ""
        << "01/01" << false << ""
        << "69003" << false << qint64(90000) << "05/01/2021"
        << "à jour"
        << "01/01/2022"
        << "" << irl << qint64(90000) << "";
    QTest::newRow("agreed 15 February: first revision within the first year")
        << "01/03/2020"
        << "15/03/2020"
        << ""
        << "15/02" << false << ""
        << "69003" << false << qint64(90000) << "20/02/2021"
        << "à réviser avant le 15/02/2022"
        << "15/02/2021"
        << "4è tr.2020" << irl << qint64(90179) << "";
}

void TestLeases::worked()
{
    QFETCH(QString, signing);
    QFETCH(QString, start);
    QFETCH(QString, reference);
    QFETCH(QString, revision);
    QFETCH(bool, bothWays);
    QFETCH(QString, dpe);
    QFETCH(QString, postal);
    QFETCH(bool, furnished);
    QFETCH(qint64, rent);
    QFETCH(QString, request);
    QFETCH(QString, status);
    QFETCH(QString, due);
    QFETCH(QString, newQuarter);
    QFETCH(QString, series);
    QFETCH(qint64, newRent);
    QFETCH(QString, error);

    Lease lease = makeLease(QStringLiteral("B1"), dateOrNone(start), rent);
    lease.signingDate = dateOrNone(signing);
    if (!reference.isEmpty())
        lease.referenceQuarter = *Quarter::fromLabel(reference);
    if (!revision.isEmpty()) {
        lease.revisionDay = revision.left(2).toInt();
        lease.revisionMonth = revision.mid(3, 2).toInt();
    }
    lease.clause = bothWays ? Clause::HausseEtBaisse : Clause::HausseSeulement;
    lease.dpeClass = *dpeFromText(dpe);
    lease.postalCode = postal;
    lease.territory = territoryFromPostalCode(postal);
    lease.furnished = furnished;
    QVERIFY(validateLease(lease).isEmpty());

    const QDate asked = dateOrNone(request);
    const LawfulRevision r = reviseLease(lease, {}, table(), asked);
    QCOMPARE(r.status.text(), status);
    QCOMPARE(r.status.due, dateOrNone(due));
    QCOMPARE(r.error, error);
    QCOMPARE(r.newRentCents, newRent);
    QCOMPARE(r.oldRentCents, rent);
    // A frozen rent is not revised: its quarter is what the index would give.
    QCOMPARE(r.frozen, status == u"gelée (DPE F/G)");
    QCOMPARE(r.computed, !newQuarter.isEmpty() && !r.frozen);
    if (!error.isEmpty() || !newQuarter.isEmpty())
        QCOMPARE(seriesName(r.series), series);
    if (r.computed) {
        QCOMPARE(r.newQuarter.label(), newQuarter);
        QCOMPARE(r.baseQuarter, r.newQuarter.yearEarlier());
        QVERIFY(r.newValue > 0 && r.baseValue > 0);
        // Never before the request, never before the revision date.
        QCOMPARE(r.effectiveDate, asked);
        QVERIFY(r.effectiveDate >= r.status.due);
        QVERIFY(r.canApply());
    } else {
        QVERIFY(!r.canApply());
    }
}

// Where the next revision date starts from: the last record, or the revision
// made before the lease came into the register.
void TestLeases::anchors_data()
{
    QTest::addColumn<QString>("lastDue");     // last history record, or none
    QTest::addColumn<QString>("lastQuarter"); // its new quarter
    QTest::addColumn<QString>("prior");       // Lease::priorRevision
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("due");
    QTest::addColumn<qint64>("newRent");

    // A lease of 2015 at 870,00 € today, started 15/03.
    QTest::newRow("revised last year: due") << "15/03/2024"
                                            << "4è tr.2023"
                                            << ""
                                            << "20/03/2025"
                                            << "à réviser avant le 15/03/2026"
                                            << "15/03/2025" << qint64(88580);
    QTest::newRow("revised this year: up to date") << "15/03/2025"
                                                   << "4è tr.2024"
                                                   << ""
                                                   << "20/03/2025"
                                                   << "à jour"
                                                   << "15/03/2026" << qint64(87000);
    QTest::newRow("revised before the register: due") << ""
                                                      << ""
                                                      << "15/03/2024"
                                                      << "20/03/2025"
                                                      << "à réviser avant le 15/03/2026"
                                                      << "15/03/2025" << qint64(88580);
    QTest::newRow("nothing known: every year since 2016 lost")
        << ""
        << ""
        << ""
        << "20/03/2025"
        << "à réviser avant le 15/03/2026 (révision perdue le 15/03/2017)"
        << "15/03/2025" << qint64(88580);
    QTest::newRow("the later of record and prior revision counts")
        << "15/03/2022"
        << "4è tr.2021"
        << "15/03/2024"
        << "20/03/2025"
        << "à réviser avant le 15/03/2026"
        << "15/03/2025" << qint64(88580);
}

void TestLeases::anchors()
{
    QFETCH(QString, lastDue);
    QFETCH(QString, lastQuarter);
    QFETCH(QString, prior);
    QFETCH(QString, request);
    QFETCH(QString, status);
    QFETCH(QString, due);
    QFETCH(qint64, newRent);

    Lease lease = makeLease(QStringLiteral("C1"), day("15/03/2015"), 87000);
    lease.signingDate = day("01/03/2015");
    lease.priorRevision = dateOrNone(prior);
    std::vector<RevisionRecord> history;
    if (!lastDue.isEmpty()) {
        // An older record first: the latest revision date counts, not the order.
        RevisionRecord older;
        older.dueDate = day("15/03/2016");
        older.newQuarter = Quarter(2015, 4);
        RevisionRecord last;
        last.dueDate = dateOrNone(lastDue);
        last.newQuarter = *Quarter::fromLabel(lastQuarter);
        history = {last, older};
    }
    const LawfulRevision r = reviseLease(lease, history, table(), dateOrNone(request));
    QCOMPARE(r.status.text(), status);
    QCOMPARE(r.status.due, dateOrNone(due));
    QCOMPARE(r.newRentCents, newRent);
}

// A lease of 2003 revised each year on time, each revision applied before the
// next: the average until the IRL takes over in 2006.
void TestLeases::straddling2005()
{
    Lease lease = makeLease(QStringLiteral("D1"), day("01/04/2003"), 50000);
    lease.signingDate = day("15/03/2003");
    std::vector<RevisionRecord> history;

    struct Step {
        const char* request;
        const char* newQuarter;
        IndexSeries series;
        qint64 rent;
    };
    // 50 000 x 1190 / 1158; then x 1244.5 / 1190; then x 110.57 / 108.72 (IRL).
    const Step steps[] = {
        {"02/04/2004", "3è tr.2003", IndexSeries::Average, 51381},
        {"01/04/2005", "3è tr.2004", IndexSeries::Average, 53734},
        {"03/04/2006", "3è tr.2005", IndexSeries::Irl, 54648},
    };
    for (const Step& step : steps) {
        const LawfulRevision r = reviseLease(lease, history, table(), day(step.request));
        QVERIFY2(r.canApply(), qPrintable(r.error));
        QCOMPARE(r.status.state, DueState::Due);
        QCOMPARE(r.newQuarter.label(), QString::fromUtf8(step.newQuarter));
        QCOMPARE(r.series, step.series);
        QCOMPARE(r.newRentCents, step.rent);
        history.push_back(r.record(lease.id));
        lease.rentCents = r.newRentCents;
    }
    QCOMPARE(history.back().oldRentCents, qint64(53734));
    QCOMPARE(history.back().baseQuarter, Quarter(2004, 3));
    QCOMPARE(history.back().baseValue, 108.72);
    QCOMPARE(history.back().newValue, 110.57);
    QCOMPARE(history.back().effectiveDate, day("03/04/2006"));
    QCOMPARE(reviseLease(lease, history, table(), day("03/04/2006")).status.text(),
             QStringLiteral("à jour"));
}

void TestLeases::explanationCitesTheLaw()
{
    auto cites = [](const LawfulRevision& r, const QString& text, const QString& reference) {
        for (const ExplanationLine& line : r.lines) {
            if (line.text.contains(text) && line.reference == reference)
                return true;
        }
        return false;
    };
    Lease lease = makeLease(QStringLiteral("E1"), day("01/09/2022"), 80000);
    lease.dpeClass = DpeClass::G;
    lease.dpeDate = day("12/01/2022");
    LawfulRevision r = reviseLease(lease, {}, table(), day("05/09/2023"));
    QVERIFY(
        cites(r,
              QStringLiteral("Logement classé G au DPE du 12/01/2022, bail signé le "
                             "01/09/2022, à partir du 24/08/2022\u00a0: aucune révision du loyer, "
                             "ni à la hausse ni à la baisse"),
              referenceFreeze2021()));
    QVERIFY(cites(r,
                  QStringLiteral("Loyer gelé\u00a0: 800,00 € inchangé à la révision du 01/09/2023"),
                  referenceFreeze2021()));
    QVERIFY(
        referenceFreeze2021().startsWith(QStringLiteral("art. 17-1 III de la loi du 6 juillet")));
    QVERIFY(referenceFreeze2021().contains(QStringLiteral("art. 159 de la loi du 22 août 2021")));
    // Nothing is revised, so nothing is computed or recorded.
    QVERIFY(r.frozen && !r.canApply());
    for (const ExplanationLine& line : r.lines)
        QVERIFY2(!line.reference.isEmpty(), qPrintable(line.text));

    lease = makeLease(QStringLiteral("E2"), day("15/03/2023"), 85000);
    r = reviseLease(lease, {}, table(), day("15/03/2025"));
    QVERIFY(cites(r, QStringLiteral("Révision du 15/03/2024 non demandée avant le 15/03/2025"),
                  referenceLaw2014()));

    // The fall of 2009: before 2014 the revision clause was art. 17 d.
    lease = makeLease(QStringLiteral("E3"), day("01/03/2009"), 62000);
    r = reviseLease(lease, {}, table(), day("10/03/2010"));
    QVERIFY(cites(
        r, QStringLiteral("«\u00a0à la hausse seulement\u00a0» maintient le loyer à 620,00 €"),
        QStringLiteral("clause de révision du bail\u00a0; ") + referenceLaw2014()));
    QVERIFY(r.lines.front().reference.startsWith(QStringLiteral("art. 17 d ")));
}

void TestLeases::registerSortsAndFilters()
{
    std::vector<Lease> leases;
    leases.push_back(makeLease(QStringLiteral("late"), day("15/03/2023"), 85000));
    leases.push_back(makeLease(QStringLiteral("soon"), day("01/05/2024"), 85000));
    leases.push_back(makeLease(QStringLiteral("revised"), day("01/02/2023"), 85000));
    leases.push_back(makeLease(QStringLiteral("frozen"), day("01/09/2022"), 80000));
    leases.push_back(makeLease(QStringLiteral("due"), day("01/04/2024"), 85000));
    leases[3].dpeClass = DpeClass::F;
    for (int i = 0; i < int(leases.size()); ++i)
        leases[i].id = i + 1;
    RevisionRecord revised;
    revised.leaseId = 3;
    revised.dueDate = day("01/02/2025");
    revised.newQuarter = Quarter(2024, 4);

    const QDate today = day("20/04/2025");
    const std::vector<RegisterLine> all = registerLines(leases, {revised}, table(), today);
    QStringList order, texts;
    for (const RegisterLine& line : all) {
        order << line.lease->reference;
        texts << line.status.text();
    }
    // The frozen lease's revision date in question is the one of 2024.
    QCOMPARE(order, (strings({"frozen", "late", "due", "soon", "revised"})));
    QCOMPARE(texts, (strings({"gelée (DPE F/G)",
                              "à réviser avant le 15/03/2026 (révision perdue le 15/03/2025)",
                              "à réviser avant le 01/04/2026", "à jour", "à jour"})));
    QCOMPARE(all[0].status.due, day("01/09/2024"));
    QCOMPARE(all[3].status.due, day("01/05/2025"));
    QCOMPARE(all[4].status.due, day("01/02/2026"));

    const std::vector<RegisterLine> due = registerLines(leases, {revised}, table(), today, true);
    QCOMPARE(due.size(), std::size_t(2));
    QCOMPARE(due[0].lease->reference, QStringLiteral("late"));
    QCOMPARE(due[1].lease->reference, QStringLiteral("due"));
}

void TestLeases::csvRoundTrip()
{
    std::vector<Lease> leases;
    Lease a = makeLease(QStringLiteral("APP-01"), day("15/03/2023"), 85050);
    a.tenant = QStringLiteral("M. «\u00a0Dupont\u00a0»\u00a0; Mme Martin");
    a.address = QStringLiteral("Résidence \"Les Pins\"\nBât. B");
    a.notes = QStringLiteral("clé chez le gardien;\r\nbadge n° 2");
    a.tenantEmail = QStringLiteral("m.dupont@exemple.fr");
    a.referenceQuarter = Quarter(2022, 4);
    a.revisionDay = 1;
    a.revisionMonth = 1;
    a.clause = Clause::HausseEtBaisse;
    a.dpeClass = DpeClass::F;
    a.dpeDate = day("03/02/2021");
    a.priorRevision = day("01/01/2024");
    a.chargesCents = 0;
    Lease b = makeLease(QStringLiteral("AJA 2"), day("29/02/2024"), 123456789);
    b.postalCode = QStringLiteral("20090");
    b.town = QStringLiteral("Ajaccio");
    b.territory = Territory::Corse;
    b.furnished = true;
    Lease c = makeLease(QStringLiteral("RUN-3"), day("01/07/2024"), 1);
    c.postalCode = QStringLiteral("97400");
    c.territory = Territory::Metropole; // edited by hand: kept as written
    // What a spreadsheet would split on a comma or run as a formula.
    c.address = QStringLiteral("Chemin des Hauts, Saint-Denis");
    c.tenant = QStringLiteral("@Martin");
    c.notes = QStringLiteral("=SOMME(A1:A3)");
    c.reference = QStringLiteral("'-3");
    leases = {a, b, c};

    const QByteArray csv = leasesToCsv(leases);
    QVERIFY(csv.startsWith("\xEF\xBB\xBFreference;locataire;adresse;code_postal;commune;"));
    QVERIFY(csv.contains(";20090;Ajaccio;Corse;"));
    QVERIFY(csv.contains(";\"1234567,89\";"));
    QVERIFY(csv.contains(";4è tr.2022;01/01;à la hausse et à la baisse;F;03/02/2021;\"850,50\";"));
    QVERIFY(csv.contains("''-3;'@Martin;\"Chemin des Hauts, Saint-Denis\";97400;"));
    QVERIFY(csv.contains(";'=SOMME(A1:A3);"));

    const CsvImport back = parseLeasesCsv(csv);
    QVERIFY2(back.ok(), qPrintable(back.errors.join(u'\n')));
    QCOMPARE(back.leases.size(), leases.size());
    for (std::size_t i = 0; i < leases.size(); ++i)
        QCOMPARE(back.leases[i], leases[i]);
    // The first lease spans three physical lines (two quoted line breaks).
    QCOMPARE(back.lines, (std::vector<int>{2, 5, 6}));
}

void TestLeases::csvRefusesBadLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("errors");

    const QString good = QStringLiteral("A3;Durand;1 rue;75011;Paris;;non;15/03/2023;15/03/2023;;;"
                                        "à la hausse seulement;;;850,00;50,00;;;;;;;;;");
    auto replace = [&](int field, const QString& value) {
        QStringList fields = good.split(u';');
        fields[field] = value;
        return fields.join(u';');
    };
    QTest::newRow("impossible date")
        << replace(7, QStringLiteral("31/02/2020"))
        << strings(
               {"ligne 3\u00a0: date de signature invalide «\u00a031/02/2020\u00a0»" DATE_LAYOUT});
    QTest::newRow("ISO date")
        << replace(8, QStringLiteral("2023-03-15"))
        << strings({"ligne 3\u00a0: date d’effet invalide «\u00a02023-03-15\u00a0»" DATE_LAYOUT});
    QTest::newRow("missing start date")
        << replace(8, QString()) << strings({"ligne 3\u00a0: date d’effet manquante"});
    QTest::newRow("amount")
        << replace(14, QStringLiteral("850,005"))
        << strings({"ligne 3\u00a0: loyer invalide «\u00a0850,005\u00a0»\u00a0: plus de deux "
                    "décimales\u00a0: un montant se compte en centimes" AMOUNT_LAYOUT});
    QTest::newRow("zero rent")
        << replace(14, QStringLiteral("0"))
        << strings({"ligne 3\u00a0: loyer invalide «\u00a00\u00a0»\u00a0: un montant "
                    "nul" AMOUNT_LAYOUT});
    QTest::newRow("charges") << replace(15, QStringLiteral("-5"))
                             << strings({"ligne 3\u00a0: charges invalides «\u00a0-5\u00a0»\u00a0: "
                                         "un montant n’est jamais négatif" AMOUNT_LAYOUT});
    QTest::newRow("clause")
        << replace(11, QStringLiteral("indexée"))
        << strings({"ligne 3\u00a0: clause invalide «\u00a0indexée\u00a0» («\u00a0à la hausse "
                    "seulement\u00a0» ou «\u00a0à la hausse et à la baisse\u00a0»)"});
    QTest::newRow("no clause") << replace(11, QString())
                               << strings({"ligne 3\u00a0: clause manquante"});
    QTest::newRow("dpe") << replace(12, QStringLiteral("H"))
                         << strings({"ligne 3\u00a0: classe DPE invalide «\u00a0H\u00a0» (A à G)"});
    QTest::newRow("quarter")
        << replace(9, QStringLiteral("T5 2020"))
        << strings({"ligne 3\u00a0: trimestre de référence invalide «\u00a0T5 2020\u00a0»"});
    QTest::newRow("revision date")
        << replace(10, QStringLiteral("31/04"))
        << strings(
               {"ligne 3\u00a0: date de révision invalide «\u00a031/04\u00a0» (attendu\u00a0: un "
                "jour et un mois jj/mm, ou une date jj/mm/aa)"});
    QTest::newRow("territory") << replace(5, QStringLiteral("Bretagne"))
                               << strings(
                                      {"ligne 3\u00a0: territoire invalide «\u00a0Bretagne\u00a0» "
                                       "(métropole, Corse ou outre-mer)"});
    QTest::newRow("furnished")
        << replace(6, QStringLiteral("peut-être"))
        << strings({"ligne 3\u00a0: meublé invalide «\u00a0peut-être\u00a0» (oui ou "
                    "non)"});
    QTest::newRow("postal code")
        << replace(3, QStringLiteral("750"))
        << strings({"ligne 3\u00a0: code postal invalide «\u00a0750\u00a0»" POSTAL_LAYOUT});
    QTest::newRow("no such department")
        << replace(3, QStringLiteral("99999"))
        << strings({"ligne 3\u00a0: code postal invalide «\u00a099999\u00a0»" POSTAL_LAYOUT});
    QTest::newRow("commune code")
        << replace(3, QStringLiteral("2A004"))
        << strings({"ligne 3\u00a0: code postal invalide «\u00a02A004\u00a0»\u00a0: c’est un "
                    "code commune\u00a0; les codes postaux de Corse "
                    "commencent par 20 (20000 à 20620)"});
    QTest::newRow("blank inside a group")
        << replace(14, QStringLiteral("850 5"))
        << strings({"ligne 3\u00a0: loyer invalide «\u00a0850 5\u00a0»" AMOUNT_LAYOUT});
    QTest::newRow("dollar") << replace(14, QStringLiteral("850,00 $"))
                            << strings({"ligne 3\u00a0: loyer invalide «\u00a0850,00 "
                                        "$\u00a0»\u00a0: caractère «\u00a0$\u00a0» "
                                        "inattendu" AMOUNT_LAYOUT});
    QTest::newRow("date in words") << replace(7, QStringLiteral("15 mars 2021"))
                                   << strings({"ligne 3\u00a0: date de signature invalide "
                                               "«\u00a015 mars 2021\u00a0»\u00a0: caractère espace "
                                               "inattendu" DATE_LAYOUT});
    QTest::newRow("reference") << replace(0, QString())
                               << strings({"ligne 3\u00a0: référence vide"});
    QTest::newRow("tenant too long")
        << replace(1, QString(301, u'x'))
        << strings({"ligne 3\u00a0: nom du locataire trop long (300 caractères au plus)"});
    QTest::newRow("duplicate of line 2")
        << replace(0, QStringLiteral("A1"))
        << strings({"ligne 3\u00a0: référence «\u00a0A1\u00a0» en double (ligne 2)"});
    QTest::newRow("field count") << good + u';'
                                 << strings({"ligne 3\u00a0: 26 champs au lieu de 25"});
    QTest::newRow("two faults on one line")
        << replace(14, QStringLiteral("cher"))
               .replace(QStringLiteral("15/03/2023;15/03/2023"),
                        QStringLiteral("15/03/2023;32/03/2023"))
        << strings({"ligne 3\u00a0: date d’effet invalide «\u00a032/03/2023\u00a0»" DATE_LAYOUT,
                    "ligne 3\u00a0: loyer invalide «\u00a0cher\u00a0»\u00a0: caractère "
                    "«\u00a0c\u00a0» inattendu" AMOUNT_LAYOUT});
    QTest::newRow("open quote") << replace(17, QStringLiteral("\"sans fin"))
                                << strings({"ligne 3\u00a0: guillemet non fermé"});
}

void TestLeases::csvRefusesBadLines()
{
    QFETCH(QString, line);
    QFETCH(QStringList, errors);
    const QString header = QString::fromUtf8(leasesToCsv({}).mid(3)).trimmed();
    // Line 2 is sound (its reference is A1), line 3 is the one under test, line
    // 4 is sound again: the whole file is refused all the same.
    const QString text = header
                         + QStringLiteral("\nA1;Durand;1 rue;75011;Paris;;non;15/03/2023;"
                                          "15/03/2023;;;à la hausse seulement;;;850,00;"
                                          "50,00;;;;;;;;;\n")
                         + line
                         + QStringLiteral("\nA9;Petit;2 rue;75011;;;non;15/03/2023;15/03/2023;;;"
                                          "à la hausse seulement;;;850,00;50,00;;;;;;;;;\n");
    const CsvImport result = parseLeasesCsv(text.toUtf8());
    QCOMPARE(result.errors, errors);
    QVERIFY(result.leases.empty());
}

void TestLeases::csvHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("empty") << QByteArray()
                           << strings({"fichier vide\u00a0: la ligne d’en-tête manque"});
    QTest::newRow("missing columns")
        << QByteArray("reference;loyer;clause\nA;850;hausse\n")
        << strings({"ligne 1\u00a0: colonne manquante «\u00a0date_signature\u00a0»",
                    "ligne 1\u00a0: colonne manquante «\u00a0date_effet\u00a0»"});
    QTest::newRow("unknown column")
        << QByteArray("reference;date_signature;date_effet;clause;loyer;surface\n")
        << strings({"ligne 1\u00a0: colonne inconnue «\u00a0surface\u00a0»"});
    QTest::newRow("twice the same column")
        << QByteArray("reference;date_signature;date_effet;clause;loyer;loyer\n")
        << strings({"ligne 1\u00a0: colonne en double «\u00a0loyer\u00a0»"});
    QTest::newRow("Latin-1 bytes on line 3")
        << QByteArray("reference;date_signature;date_effet;clause;loyer\n"
                      "A;01/01/2020;01/01/2020;hausse;850\n"
                      "B \xE9t\xE9;01/01/2020;01/01/2020;hausse;850\n")
        << strings(
               {"ligne 3\u00a0: le fichier n’est pas en UTF-8 (enregistrez-le au format «\u00a0CSV "
                "UTF-8\u00a0»)"});
}

void TestLeases::csvHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, errors);
    QCOMPARE(parseLeasesCsv(bytes).errors, errors);
}

// What spreadsheets write: columns in their own order, a minimal set, CRLF,
// empty rows, blanks around values.
void TestLeases::csvLayoutTolerance()
{
    const QByteArray bytes =
        "\xEF\xBB\xBF"
        "Loyer;Reference;Clause;Date_Effet;Date_Signature;Code_Postal\r\n"
        " 1\xC2\xA0"
        "234,5 \xE2\x82\xAC; B-7 ;A la hausse et a la baisse;01/02/2021;1/2/21;"
        "20000\r\n"
        ";;;;;\r\n"
        "\r\n";
    const CsvImport result = parseLeasesCsv(bytes);
    QVERIFY2(result.ok(), qPrintable(result.errors.join(u'\n')));
    QCOMPARE(result.leases.size(), std::size_t(1));
    const Lease& lease = result.leases.front();
    QCOMPARE(lease.reference, QStringLiteral("B-7"));
    QCOMPARE(lease.rentCents, qint64(123450));
    QCOMPARE(lease.clause, Clause::HausseEtBaisse);
    QCOMPARE(lease.signingDate, day("01/02/2021"));
    QCOMPARE(lease.territory, Territory::Corse); // from the postal code
    QCOMPARE(lease.revisionDay, 0);
}

// Cells as Calc or Excel save them from a sheet of leases, separated by ";"
// (Excel in French) or "," (Calc's default): each read as the user meant it.
void TestLeases::csvFromSpreadsheet_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("read");

    QTest::newRow("two-digit year") << "date_signature"
                                    << "15/03/21"
                                    << "15/03/2021";
    QTest::newRow("currency cell") << "loyer" << QStringLiteral("850,00\u00A0€") << "850,00";
    QTest::newRow("grouped currency")
        << "loyer" << QStringLiteral("1\u202F234,50\u00A0€") << "1 234,50";
    QTest::newRow("postal code as a number") << "code_postal"
                                             << "6000"
                                             << "06000";
    QTest::newRow("postal code as text") << "code_postal"
                                         << "06000"
                                         << "06000";
    QTest::newRow("revision day as a date") << "date_revision"
                                            << "01/09/26"
                                            << "01/09";
    QTest::newRow("revision day") << "date_revision"
                                  << "1/9"
                                  << "01/09";
    QTest::newRow("formula kept as text") << "notes"
                                          << "'=SOMME(A1:A3)"
                                          << "=SOMME(A1:A3)";
    QTest::newRow("apostrophe typed") << "notes"
                                      << "''+33"
                                      << "'+33";
    QTest::newRow("apostrophe before text") << "notes"
                                            << "'bis"
                                            << "'bis";
    QTest::newRow("comma in a quoted cell") << "adresse"
                                            << "Chemin des Hauts, Saint-Denis"
                                            << "Chemin des Hauts, Saint-Denis";
}

void TestLeases::csvFromSpreadsheet()
{
    QFETCH(QString, column);
    QFETCH(QString, cell);
    QFETCH(QString, read);
    QStringList names = strings({"reference", "date_signature", "date_effet", "clause", "loyer"});
    QStringList cells = strings({"A1", "15/03/2021", "15/03/2021", "à la hausse seulement", "850"});
    if (const qsizetype at = names.indexOf(column); at >= 0)
        cells[at] = cell;
    else
        names << column, cells << cell;
    for (const QChar separator : {u';', u','}) {
        QStringList quoted = cells;
        for (QString& c : quoted) {
            if (c.contains(u',') || c.contains(separator))
                c = u'"' + c + u'"';
        }
        const QString text = names.join(separator) + QStringLiteral("\r\n") + quoted.join(separator)
                             + QStringLiteral("\r\n");
        const CsvImport result = parseLeasesCsv(text.toUtf8());
        QVERIFY2(result.ok(), qPrintable(result.errors.join(u'\n')));
        const Lease& lease = result.leases.front();
        const QString got = column == u"date_signature" ? dateText(lease.signingDate)
                            : column == u"loyer"        ? amountText(lease.rentCents)
                            : column == u"code_postal"  ? lease.postalCode
                            : column == u"date_revision"
                                ? dayMonthText(lease.revisionDay, lease.revisionMonth)
                            : column == u"notes" ? lease.notes
                                                 : lease.address;
        QCOMPARE(got, read);
    }
}

VELMARIS_TEST(TestLeases)
#include "tst_leases.moc"
