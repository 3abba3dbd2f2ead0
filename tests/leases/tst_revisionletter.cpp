// SPDX-License-Identifier: GPL-3.0-or-later
// The revision letter's content: what it says for worked leases, when it is
// refused, and which revision a lease's letter is written from.
#include "amounts.h"
#include "dates.h"
#include "lawfulrevision.h"
#include "leasefixture.h"
#include "postaladdress.h"
#include "revisionletter.h"
#include "testmain.h"

#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

const IndexTable& table()
{
    static const IndexTable t = realTable();
    return t;
}

LetterSender senderAt(const QString& place)
{
    LetterSender sender;
    sender.name = sender.signature = QStringLiteral("Jean Martin");
    sender.address = {QStringLiteral("12 avenue Foch"), QStringLiteral("69006 Lyon")};
    sender.place = place;
    return sender;
}
const LetterSender kLandlord = senderAt(QStringLiteral("Lyon"));

// The letter's texts use no-break spaces inside amounts; tables write plain ones.
QStringList strings(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

// The text with its no-break spaces as ordinary ones, as the tests write it.
QString plain(QString text)
{
    return text.replace(QChar(0x00A0), u' ');
}

Lease leaseOf(const QString& postal, const char* signing, const char* start, bool bothWays,
              const QString& dpe, qint64 rent, qint64 charges)
{
    Lease lease = makeLease(QStringLiteral("A-12"), day(start), rent);
    lease.id = 7;
    lease.signingDate = day(signing);
    lease.postalCode = postal;
    lease.territory = territoryFromPostalCode(postal);
    lease.clause = bothWays ? Clause::HausseEtBaisse : Clause::HausseSeulement;
    lease.dpeClass = dpeFromText(dpe).value_or(DpeClass::None);
    lease.chargesCents = charges;
    return lease;
}

} // namespace

class TestRevisionLetter : public QObject {
    Q_OBJECT

private slots:
    void content_data();
    void content();
    void wholeLetter();
    void addressBlock_data();
    void addressBlock();
    void refusals_data();
    void refusals();
    void lostAtTheLetterDate();
    void recordThatBreaksTheFormula();
    void salutation_data();
    void salutation();
    void frenchTexts_data();
    void frenchTexts();
    void basis_data();
    void basis();
    void monthSelection();
};

void TestRevisionLetter::content_data()
{
    QTest::addColumn<QString>("postal");
    QTest::addColumn<QString>("signing");
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("bothWays");
    QTest::addColumn<qint64>("rent");
    QTest::addColumn<qint64>("charges");
    QTest::addColumn<QString>("date"); // of the request and the letter
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("métropole, on the date")
        << "69003"
        << "10/03/2023"
        << "15/03/2023" << false << qint64(85000) << qint64(5000) << "15/03/2024"
        << strings({"Indice de base\u00a0: IRL, série métropole, 4e trimestre 2022\u00a0: 137,26",
                    "Nouvel indice\u00a0: IRL, série métropole, 4e trimestre 2023\u00a0: 142,06",
                    "Variation de l’indice\u00a0: hausse de 3,50 %",
                    "850,00 € × 142,06 ÷ 137,26 = 879,72 € (arrondi au centime inférieur)",
                    "Loyer actuel hors charges\u00a0: 850,00 €",
                    "Nouveau loyer hors charges, à compter du 15 mars 2024\u00a0: 879,72 €",
                    "intervient le 15 mars 2024, date de révision prévue au bail",
                    "l’article 17-1 de la loi n° 89-462 du 6 juillet 1989",
                    "au 15 mars, à la hausse seulement,"})
        << strings({"pour la Corse", "sans effet rétroactif"});
    QTest::newRow("Corse: its own series")
        << "20000"
        << "10/03/2024"
        << "15/03/2024" << false << qint64(85000) << qint64(5000) << "15/03/2025"
        << strings({"Indice de base\u00a0: IRL, série Corse, 4e trimestre 2023\u00a0: 137,97",
                    "Nouvel indice\u00a0: IRL, série Corse, 4e trimestre 2024\u00a0: 140,48",
                    "hausse de 1,82 %", "850,00 € × 140,48 ÷ 137,97 = 865,46 €",
                    "publié par l’INSEE pour la Corse", "20000"})
        << strings({"métropole"});
    QTest::newRow("outre-mer: its own series")
        << "97110"
        << "10/03/2024"
        << "15/03/2024" << false << qint64(85000) << qint64(5000) << "15/03/2025"
        << strings({"Indice de base\u00a0: IRL, série outre-mer, 4e trimestre 2023\u00a0: 139,32",
                    "Nouvel indice\u00a0: IRL, série outre-mer, 4e trimestre 2024\u00a0: 141,86",
                    "850,00 € × 141,86 ÷ 139,32 = 865,49 €", "publié par l’INSEE pour l’outre-mer"})
        << strings({"métropole"});
    QTest::newRow("fall, both ways: lowered")
        << "69003"
        << "25/01/2015"
        << "01/02/2015" << true << qint64(100000) << qint64(5000) << "01/02/2016"
        << strings({"Variation de l’indice\u00a0: baisse de 0,01 %",
                    "le loyer hors charges diminue\u00a0: 1 000,00 € × 125,28 ÷ 125,29 = 999,92 €",
                    "Nouveau loyer hors charges, à compter du 1er février 2016\u00a0: 999,92 €",
                    "au 1er février, à la hausse et à la baisse,", "l’article 17-1 de la loi"})
        << strings({"hausse de"});
    QTest::newRow("late request: effect from the request")
        << "69003"
        << "10/03/2023"
        << "15/03/2023" << false << qint64(85000) << qint64(5000) << "20/03/2024"
        << strings({"La date de révision prévue au bail était le 15 mars 2024",
                    "prend effet à compter de la présente demande, soit le 20 mars 2024, sans "
                    "effet rétroactif",
                    "Nouveau loyer hors charges, à compter du 20 mars 2024\u00a0: 879,72 €",
                    "Lyon, le 20 mars 2024",
                    "Objet\u00a0: révision annuelle du loyer au 15 mars "
                    "2024"})
        << strings({"à compter du 15 mars 2024"});
    QTest::newRow("charges unchanged, total given")
        << "69003"
        << "10/03/2023"
        << "15/03/2023" << false << qint64(85000) << qint64(12345) << "15/03/2024"
        << strings({"Charges, inchangées\u00a0: 123,45 €",
                    "Total charges comprises, à compter du 15 mars 2024\u00a0: 1 003,17 €",
                    "les charges ne sont pas concernées par la révision et restent "
                    "inchangées"})
        << strings({});
    QTest::newRow("no charges\u00a0: no charges line")
        << "69003"
        << "10/03/2023"
        << "15/03/2023" << false << qint64(85000) << qint64(0) << "15/03/2024"
        << strings({"à vos paiements à compter du 15 mars 2024."})
        << strings({"Charges", "charges comprises"});
}

void TestRevisionLetter::content()
{
    QFETCH(QString, postal);
    QFETCH(QString, signing);
    QFETCH(QString, start);
    QFETCH(bool, bothWays);
    QFETCH(qint64, rent);
    QFETCH(qint64, charges);
    QFETCH(QString, date);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, absent);

    const Lease lease =
        leaseOf(postal, signing.toLatin1(), start.toLatin1(), bothWays, {}, rent, charges);
    const QDate at = day(date.toLatin1());
    const LawfulRevision revision = reviseLease(lease, {}, table(), at);
    const LetterResult result = revisionLetter(lease, revision, kLandlord, at);
    QVERIFY2(result.letter, qPrintable(result.refusal));
    const QString text = plain(letterText(*result.letter));
    for (const QString& part : expected)
        QVERIFY2(text.contains(plain(part)), qPrintable(part + QStringLiteral("\n---\n") + text));
    for (const QString& part : absent)
        QVERIFY2(!text.contains(part), qPrintable(part));
}

// One letter read through, as the tenant reads it.
void TestRevisionLetter::wholeLetter()
{
    Lease lease =
        leaseOf(QStringLiteral("69003"), "10/03/2023", "15/03/2023", false, {}, 85000, 5000);
    lease.address = QStringLiteral("3 rue des Lilas\nBât. B");
    lease.town = QStringLiteral("Lyon");
    const QDate at(2024, 3, 15);
    const LetterResult result =
        revisionLetter(lease, reviseLease(lease, {}, table(), at), kLandlord, at.addDays(-5));
    QVERIFY(result.letter);
    // No line of the printed letter may start with a colon or a semicolon,
    // nor cut a date between its day and its month.
    const QString raw = letterText(*result.letter);
    for (const char* loose : {" :", " ;", "15 mars"})
        QVERIFY2(!raw.contains(QString::fromLatin1(loose)), loose);
    QCOMPARE(
        plain(raw),
        plain(QStringLiteral(
            "Jean Martin\n12 avenue Foch\n69006 Lyon\n\n"
            "Mme Durand\n3 rue des Lilas\nBât. B\n69003 LYON\n\n"
            "Lyon, le 10 mars 2024\n\n"
            "Objet\u00a0: révision annuelle du loyer au 15 mars 2024\nRéf. : bail A-12\n\n"
            "Madame,\n\n"
            "Le bail du logement situé 3 rue des Lilas, Bât. B, 69003 Lyon, signé le 10 mars "
            "2023, prévoit la révision du loyer chaque année au 15 mars, à la hausse "
            "seulement, selon la variation de l’indice de référence des loyers (IRL) publié "
            "par l’INSEE, conformément à l’article 17-1 de la loi n° 89-462 du 6 juillet "
            "1989.\n\n"
            "La révision de cette année intervient le 15 mars 2024, date de révision prévue "
            "au bail\u00a0; le nouveau loyer est dû à compter de cette date.\n\n"
            "L’indice retenu est celui du 4e trimestre 2023, dernier publié à la date de "
            "révision, comparé à celui du même trimestre de l’année précédente\u00a0:\n\n"
            "Indice de base\u00a0: IRL, série métropole, 4e trimestre 2022\u00a0: 137,26\n"
            "Nouvel indice\u00a0: IRL, série métropole, 4e trimestre 2023\u00a0: 142,06\n"
            "Variation de l’indice\u00a0: hausse de 3,50 %\n\n"
            "Le loyer hors charges révisé est égal au loyer actuel multiplié par le nouvel "
            "indice et divisé par l’indice de base\u00a0: 850,00 € × 142,06 ÷ 137,26 = 879,72 € "
            "(arrondi au centime inférieur).\n\n"
            "Loyer actuel hors charges\u00a0: 850,00 €\n"
            "Nouveau loyer hors charges, à compter du 15 mars 2024\u00a0: 879,72 €\n"
            "Charges, inchangées\u00a0: 50,00 €\n"
            "Total charges comprises, à compter du 15 mars 2024\u00a0: 929,72 €\n\n"
            "Je vous remercie d’appliquer ce nouveau montant à vos paiements à compter du "
            "15 mars 2024\u00a0; les charges ne sont pas concernées par la révision et restent "
            "inchangées.\n\n"
            "Je vous prie d’agréer, Madame, l’expression de mes salutations distinguées.\n\n"
            "Jean Martin\n")));
}

// The recipient block as La Poste reads it: six lines of 38 characters at
// most, "69003 LYON" last.
void TestRevisionLetter::addressBlock_data()
{
    QTest::addColumn<QString>("tenant");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("town");
    QTest::addColumn<QString>("block"); // lines joined by "|"

    QTest::newRow("as measured") << "Mme Claire Bernard"
                                 << "8 rue Paul Bert"
                                 << "Lyon"
                                 << "Mme Claire Bernard|8 rue Paul Bert|69003 LYON";
    QTest::newRow("accents and blanks")
        << "M. Éric Noël"
        << "  12  allée des Érables " << QStringLiteral(" saint-étienne ")
        << QStringLiteral("M. Éric Noël|12 allée des Érables|69003 SAINT-ETIENNE");
    QTest::newRow("town typed in the address") << "Mme Claire Bernard"
                                               << "8 rue Paul Bert\n69003 Lyon"
                                               << ""
                                               << "Mme Claire Bernard|8 rue Paul Bert|69003 LYON";
    QTest::newRow("town twice") << "Mme Claire Bernard"
                                << "8 rue Paul Bert\n69003 LYON"
                                << "Lyon"
                                << "Mme Claire Bernard|8 rue Paul Bert|69003 LYON";
    QTest::newRow("older lease without a town") << "Mme Claire Bernard"
                                                << "8 rue Paul Bert"
                                                << ""
                                                << "Mme Claire Bernard|8 rue Paul Bert|69003";
    QTest::newRow("long line cut at a word")
        << "M. et Mme Jean-Christophe de La Rochefoucauld"
        << "Résidence des Grands Chênes, bâtiment C, escalier 4"
        << "Lyon"
        << QStringLiteral("M. et Mme Jean-Christophe de La|Rochefoucauld|Résidence des Grands "
                          "Chênes, bâtiment|C, escalier 4|69003 LYON");
    QTest::newRow("too many lines joined")
        << "Mme Claire Bernard"
        << "Appt 12\n3e étage\nBât. B\nRésidence Les Pins\n8 rue Paul Bert"
        << "Lyon"
        << QStringLiteral("Mme Claire Bernard|Appt 12, 3e étage, Bât. B, Résidence|Les Pins, "
                          "8 rue Paul Bert|69003 LYON");
}

void TestRevisionLetter::addressBlock()
{
    QFETCH(QString, tenant);
    QFETCH(QString, address);
    QFETCH(QString, town);
    QFETCH(QString, block);
    Lease lease =
        leaseOf(QStringLiteral("69003"), "10/03/2023", "15/03/2023", false, {}, 85000, 5000);
    lease.tenant = tenant;
    lease.address = address;
    lease.town = town;
    const QStringList lines = postalBlock(tenant, lease);
    QCOMPARE(lines.join(u'|'), block);
    QVERIFY(lines.size() <= kPostalLines);
    for (const QString& line : lines)
        QVERIFY2(line.size() <= kPostalLineWidth, qPrintable(line));
    // The letter writes the same block, and the same place in its first sentence.
    const QDate at(2024, 3, 15);
    const LetterResult result =
        revisionLetter(lease, reviseLease(lease, {}, table(), at), kLandlord, at);
    QVERIFY(result.letter);
    QCOMPARE(result.letter->recipient, lines);
    QVERIFY(plain(result.letter->body.front().text).contains(dwellingText(lease)));
}

void TestRevisionLetter::refusals_data()
{
    QTest::addColumn<QString>("signing");
    QTest::addColumn<bool>("bothWays");
    QTest::addColumn<QString>("dpe");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("who"); // "landlord", "address", "tenant": left blank
    QTest::addColumn<QString>("refusal");

    QTest::newRow("not due yet")
        << "10/03/2023" << false << ""
        << "14/03/2024"
        << ""
        << "La révision n’est pas encore due\u00a0: prochaine révision le 15/03/2024, lettre à "
           "écrire à partir du 15/03/2024.";
    QTest::newRow("index missing")
        << "10/03/2023" << false << ""
        << "20/03/2026"
        << ""
        << "Indice manquant\u00a0: IRL du 4è tr.2025. Faites «\u00a0Mise à jour\u00a0», ou "
           "saisissez-le par «\u00a0Saisir un indice…\u00a0» s’il vient de paraître.";
    QTest::newRow("fall, up only: rent kept")
        << "25/01/2015" << false << ""
        << "01/02/2016"
        << ""
        << "L’indice baisse et la clause «\u00a0à la hausse seulement\u00a0» maintient le loyer à "
           "850,00 €\u00a0: aucune lettre de révision n’est à envoyer.";
    QTest::newRow("G since the freeze")
        << "01/09/2022" << false << "G"
        << "05/09/2023"
        << ""
        << "loyer gelé (DPE F/G)\u00a0: logement classé G au DPE, bail signé le 01/09/2022, depuis "
           "le 24/08/2022\u00a0; le loyer reste à 850,00 € et aucune lettre de révision n’est à "
           "envoyer.";
    QTest::newRow("no landlord") << "10/03/2023" << false << ""
                                 << "15/03/2024"
                                 << "landlord"
                                 << "Le nom du bailleur n’est pas renseigné\u00a0: indiquez-le "
                                    "dans «\u00a0Bailleurs…\u00a0» du "
                                    "registre.";
    QTest::newRow("no landlord address") << "10/03/2023" << false << ""
                                         << "15/03/2024"
                                         << "address"
                                         << "L’adresse du bailleur «\u00a0Jean Martin\u00a0» n’est "
                                            "pas complète\u00a0: indiquez-la dans "
                                            "«\u00a0Bailleurs…\u00a0» du registre.";
    QTest::newRow("no tenant") << "10/03/2023" << false << ""
                               << "15/03/2024"
                               << "tenant"
                               << "Le locataire du bail «\u00a0A-12\u00a0» n’est pas renseigné.";
}

void TestRevisionLetter::refusals()
{
    QFETCH(QString, signing);
    QFETCH(bool, bothWays);
    QFETCH(QString, dpe);
    QFETCH(QString, date);
    QFETCH(QString, who);
    QFETCH(QString, refusal);

    // Each lease starts on its signing day, or in the next week.
    const QDate signed_ = day(signing.toLatin1());
    const QDate start = signed_.day() == 10   ? signed_.addDays(5)
                        : signed_.day() == 25 ? QDate(signed_.year(), 2, 1)
                                              : signed_;
    Lease lease = leaseOf(QStringLiteral("69003"), signing.toLatin1(),
                          start.toString(u"dd/MM/yyyy").toLatin1(), bothWays, dpe, 85000, 5000);
    LetterSender landlord = kLandlord;
    if (who == u"landlord")
        landlord.name = QStringLiteral("  ");
    if (who == u"address")
        landlord.address.clear();
    if (who == u"tenant")
        lease.tenant.clear();
    const QDate at = day(date.toLatin1());
    const LetterResult result =
        revisionLetter(lease, reviseLease(lease, {}, table(), at), landlord, at);
    QVERIFY(!result.letter);
    QCOMPARE(plain(result.refusal), plain(refusal));
}

// A revision worked out on time but written up once its year is over is lost.
void TestRevisionLetter::lostAtTheLetterDate()
{
    const Lease lease =
        leaseOf(QStringLiteral("69003"), "10/03/2023", "15/03/2023", false, {}, 85000, 5000);
    const LawfulRevision revision = reviseLease(lease, {}, table(), QDate(2024, 3, 20));
    QVERIFY(revision.canApply());
    const LetterResult late = revisionLetter(lease, revision, kLandlord, QDate(2025, 3, 15));
    QVERIFY(!late.letter);
    QCOMPARE(late.refusal, QStringLiteral("Révision du 15/03/2024 perdue\u00a0: elle devait être "
                                          "demandée avant le 15/03/2025."));
    // The day before, it still takes effect, from that letter's date.
    const LetterResult lastDay = revisionLetter(lease, revision, kLandlord, QDate(2025, 3, 14));
    QVERIFY(lastDay.letter);
    QVERIFY(plain(letterText(*lastDay.letter))
                .contains(plain(QStringLiteral("à compter du 14 mars 2025\u00a0: 879,72 €"))));
}

void TestRevisionLetter::recordThatBreaksTheFormula()
{
    const Lease lease =
        leaseOf(QStringLiteral("69003"), "10/03/2023", "15/03/2023", false, {}, 85000, 5000);
    RevisionRecord rec = reviseLease(lease, {}, table(), QDate(2024, 3, 15)).record(lease.id);
    rec.newRentCents += 1;
    const LetterResult result =
        revisionLetter(lease, revisionOfRecord(lease, rec), senderAt({}), rec.requestDate);
    QVERIFY(!result.letter);
    QCOMPARE(plain(result.refusal),
             plain(QStringLiteral("Le nouveau loyer enregistré (879,73 €) ne suit pas la formule "
                                  "de révision (879,72 €)\u00a0: aucune lettre n’est écrite.")));
}

void TestRevisionLetter::salutation_data()
{
    QTest::addColumn<QString>("tenant");
    QTest::addColumn<QString>("salutation");
    QTest::newRow("Mme") << "Mme Durand"
                         << "Madame,";
    QTest::newRow("Madame") << "madame Claire Durand"
                            << "Madame,";
    QTest::newRow("M.") << "M. Paul Durand"
                        << "Monsieur,";
    QTest::newRow("Monsieur") << "Monsieur Durand"
                              << "Monsieur,";
    QTest::newRow("a couple") << "M. et Mme Durand"
                              << "Madame, Monsieur,";
    QTest::newRow("two names") << "Mme Durand et M. Petit"
                               << "Madame, Monsieur,";
    QTest::newRow("Mesdames") << "Mmes Durand"
                              << "Mesdames,";
    QTest::newRow("Messieurs") << "MM. Durand"
                               << "Messieurs,";
    QTest::newRow("name alone, like Marc") << "Marc Durand"
                                           << "Madame, Monsieur,";
    QTest::newRow("a company") << "SCI Les Pins"
                               << "Madame, Monsieur,";
}

void TestRevisionLetter::salutation()
{
    QFETCH(QString, tenant);
    QFETCH(QString, salutation);
    QCOMPARE(salutationFor(tenant), salutation);
}

void TestRevisionLetter::frenchTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first of the month") << longDateText(QDate(2026, 4, 1)) << "1er avril 2026";
    QTest::newRow("accents") << longDateText(QDate(2025, 8, 15)) << "15 août 2025";
    QTest::newRow("december") << longDateText(QDate(2025, 12, 31)) << "31 décembre 2025";
    QTest::newRow("month") << monthText(2026, 2) << "février 2026";
    QTest::newRow("first quarter") << Quarter(2025, 1).longLabel() << "1er trimestre 2025";
    QTest::newRow("third quarter") << Quarter(2025, 3).longLabel() << "3e trimestre 2025";
    QTest::newRow("thousands") << plain(eurosText(123456789, AmountLayout::NoBreak))
                               << "1 234 567,89 €";
    QTest::newRow("cents only") << plain(eurosText(5, AmountLayout::NoBreak)) << "0,05 €";
}

void TestRevisionLetter::frenchTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
    // An amount never breaks across two lines.
    QVERIFY(!eurosText(123456789, AmountLayout::NoBreak).contains(u' '));
}

void TestRevisionLetter::basis_data()
{
    QTest::addColumn<QString>("today");
    QTest::addColumn<bool>("applied"); // the revision of 15/03/2024 is recorded
    QTest::addColumn<QString>("due");
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("recorded");
    QTest::addColumn<bool>("letter");

    // Lease of 15/03/2023, reference 4th quarter, published mid-January.
    QTest::newRow("due and not asked: today") << "02/04/2024" << false << "15/03/2024"
                                              << "02/04/2024" << false << true;
    QTest::newRow("index out, date to come: sent ahead") << "01/03/2024" << false << "15/03/2024"
                                                         << "01/03/2024" << false << true;
    QTest::newRow("index not out yet: none") << "10/01/2024" << false << "15/03/2024"
                                             << "10/01/2024" << false << false;
    QTest::newRow("applied: the recorded one, at its request")
        << "10/06/2024" << true << "15/03/2024"
        << "20/03/2024" << true << true;
    QTest::newRow("applied, next index out: the next one") << "01/03/2025" << true << "15/03/2025"
                                                           << "01/03/2025" << false << true;
    QTest::newRow("applied a year before: the due one") << "20/03/2025" << true << "15/03/2025"
                                                        << "20/03/2025" << false << true;
}

void TestRevisionLetter::basis()
{
    QFETCH(QString, today);
    QFETCH(bool, applied);
    QFETCH(QString, due);
    QFETCH(QString, date);
    QFETCH(bool, recorded);
    QFETCH(bool, letter);

    const Lease lease =
        leaseOf(QStringLiteral("69003"), "10/03/2023", "15/03/2023", false, {}, 85000, 5000);
    std::vector<RevisionRecord> history;
    Lease current = lease;
    if (applied) {
        history.push_back(reviseLease(lease, {}, table(), QDate(2024, 3, 20)).record(lease.id));
        current.rentCents = history.back().newRentCents;
    }
    const QDate at = day(today.toLatin1());
    const LetterBasis basis = letterBasis(current, history, table(), at);
    QCOMPARE(basis.revision.status.due, day(due.toLatin1()));
    QCOMPARE(basis.date, day(date.toLatin1()));
    QCOMPARE(basis.recorded, recorded);
    const LetterResult result = revisionLetter(current, basis.revision, kLandlord, basis.date);
    QCOMPARE(bool(result.letter), letter);
    if (recorded) // the rents of the record, not the lease's rent in force
        QVERIFY(plain(letterText(*result.letter))
                    .contains(plain(QStringLiteral("Loyer actuel hors charges\u00a0: 850,00 €"))));
}

void TestRevisionLetter::monthSelection()
{
    std::vector<Lease> leases;
    const auto add = [&](const char* reference, const char* start, qint64 id) {
        Lease lease = leaseOf(QStringLiteral("69003"), start, start, false, {}, 85000, 0);
        lease.reference = QString::fromLatin1(reference);
        lease.id = id;
        leases.push_back(lease);
    };
    add("B", "20/03/2023", 1);
    add("A", "20/03/2023", 2);
    add("C", "05/03/2023", 3);
    add("April", "01/04/2023", 4);
    add("Applied", "10/03/2023", 5);
    std::vector<RevisionRecord> last{
        reviseLease(leases[4], {}, table(), QDate(2024, 3, 12)).record(5)};
    leases[4].rentCents = last[0].newRentCents;

    const std::vector<MonthLetter> march =
        monthLetters(leases, last, table(), QDate(2024, 3, 25), 2024, 3);
    QStringList order;
    for (const MonthLetter& m : march)
        order << m.lease->reference;
    // By revision date, then reference; April's lease is in another month.
    QCOMPARE(order, (strings({"C", "Applied", "A", "B"})));
    QVERIFY(march[1].basis.recorded);
    QCOMPARE(march[1].basis.date, QDate(2024, 3, 12));
    QVERIFY(monthLetters(leases, last, table(), QDate(2024, 3, 25), 2024, 5).empty());

    // Revised each 10 January on the 4th quarter; on 02/01/2026 the 4th quarter
    // 2025 is not out and last year's letter still runs: the lease is listed
    // all the same, with the day its letter can be written.
    Lease january =
        leaseOf(QStringLiteral("75011"), "10/03/2019", "10/03/2019", false, {}, 100000, 0);
    january.id = 9;
    january.referenceQuarter = Quarter(2018, 4);
    january.revisionDay = 10;
    january.revisionMonth = 1;
    january.priorRevision = day("10/01/2024");
    const std::vector<RevisionRecord> recorded{
        reviseLease(january, {}, table(), day("10/01/2025")).record(9)};
    const std::vector<Lease> one{january};
    const std::vector<MonthLetter> listed =
        monthLetters(one, recorded, table(), day("02/01/2026"), 2026, 1);
    QCOMPARE(listed.size(), std::size_t(1));
    QCOMPARE(listed[0].basis.revision.status.due, day("10/01/2026"));
    const LetterResult result =
        revisionLetter(january, listed[0].basis.revision, kLandlord, day("02/01/2026"));
    QVERIFY(!result.letter);
    QVERIFY2(result.refusal.contains(QStringLiteral("à écrire à partir du 10/01/2026")),
             qPrintable(result.refusal));

    // Never revised since 15/12/2020: on 09/12/2026 its 2025 revision can
    // still be asked until 15/12/2026, so December 2026 lists it.
    Lease late = leaseOf(QStringLiteral("69003"), "15/12/2020", "15/12/2020", false, {}, 80000, 0);
    late.id = 10;
    const std::vector<Lease> lateOne{late};
    const std::vector<MonthLetter> december =
        monthLetters(lateOne, {}, table(), day("09/12/2026"), 2026, 12);
    QCOMPARE(december.size(), std::size_t(1));
    QCOMPARE(december[0].basis.revision.status.deadline, day("15/12/2026"));
    QVERIFY(revisionLetter(late, december[0].basis.revision, kLandlord, day("09/12/2026")).letter);
}

VELMARIS_TEST(TestRevisionLetter)
#include "tst_revisionletter.moc"
