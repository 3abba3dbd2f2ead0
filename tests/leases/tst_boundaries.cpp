// SPDX-License-Identifier: GPL-3.0-or-later
// The lawful revision at its boundaries: an index not yet published at the
// revision date, the F/G freeze after a renewal, places with no series of
// their own, dates that cannot have happened yet, the CSV's landlord column.
#include "amounts.h"
#include "dates.h"
#include "lawfulrevision.h"
#include "leasecsv.h"
#include "leasefixture.h"
#include "testmain.h"

#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

// The fixture's series, or the same with the 4th quarter 2025 as INSEE
// published it (145,78 on 15/01/2026), or with the 3rd quarter's publication
// moved to `newestOn`: a file read after that day.
IndexTable boundaryTable(bool withQ4, const QString& newestOn = {})
{
    IndexTable t = realTable();
    if (withQ4) {
        IndexRow row;
        row.quarter = Quarter(2025, 4);
        row.irl = 145.78;
        row.published = day("15/01/2026");
        t.rows.insert(t.rows.begin(), row);
    }
    if (!newestOn.isEmpty())
        t.rows.front().published = QDate::fromString(newestOn, u"dd/MM/yyyy");
    return t;
}

} // namespace

class TestBoundaries : public QObject {
    Q_OBJECT

private slots:
    void publication_data();
    void publication();
    void freeze_data();
    void freeze();
    void frozenWithALostYear();
    void territories_data();
    void territories();
    void futureDates_data();
    void futureDates();
    void landlordColumn();
};

void TestBoundaries::publication_data()
{
    QTest::addColumn<QString>("revision"); // dd/MM, each year
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("withQ4");
    QTest::addColumn<QString>("newestOn"); // the 3rd quarter's publication moved there
    QTest::addColumn<QString>("newQuarter");
    QTest::addColumn<qint64>("newRent");
    QTest::addColumn<QString>("error");

    // The 4th quarter 2025 cannot be out before 10/01/2026: on 01/01 the law
    // takes the 4th quarter 2024, 1 000 x 144,64 / 142,06 = 1 018,16.
    QTest::newRow("1 January, Q4 not publishable yet") << "01/01"
                                                       << "02/01/2026" << false << ""
                                                       << "4è tr.2024" << qint64(101816) << "";
    QTest::newRow("9 January, still before the 10th") << "09/01"
                                                      << "09/01/2026" << false << ""
                                                      << "4è tr.2024" << qint64(101816) << "";
    // From the 10th it may be out: missing from the file, it stops the revision.
    QTest::newRow("10 January, missing from the file")
        << "10/01"
        << "12/01/2026" << false << ""
        << "" << qint64(100000)
        << "Indice manquant\u00a0: IRL du 4è tr.2025. Faites «\u00a0Mise à jour\u00a0», ou "
           "saisissez-le par «\u00a0Saisir un indice…\u00a0» s’il vient de paraître.";
    // In the file, published 15/01: not yet out on the 10th, out on the 15th
    // (1 000 x 145,78 / 144,64 = 1 007,881... -> 1 007,88).
    QTest::newRow("in the file, published after the date") << "10/01"
                                                           << "12/01/2026" << true << ""
                                                           << "4è tr.2024" << qint64(101816) << "";
    QTest::newRow("in the file, published on the date") << "15/01"
                                                        << "16/01/2026" << true << ""
                                                        << "4è tr.2025" << qint64(100788) << "";
    // A file with a publication after the date holds all that was out by then.
    QTest::newRow("file newer than the date") << "12/01"
                                              << "13/01/2026" << false << "20/01/2026"
                                              << "4è tr.2024" << qint64(101816) << "";
}

void TestBoundaries::publication()
{
    QFETCH(QString, revision);
    QFETCH(QString, request);
    QFETCH(bool, withQ4);
    QFETCH(QString, newestOn);
    QFETCH(QString, newQuarter);
    QFETCH(qint64, newRent);
    QFETCH(QString, error);

    Lease lease = makeLease(QStringLiteral("Q4"), day("10/03/2019"), 100000);
    lease.referenceQuarter = Quarter(2018, 4);
    lease.revisionDay = revision.left(2).toInt();
    lease.revisionMonth = revision.mid(3).toInt();
    lease.priorRevision = revisionDateIn(lease, 2025);
    const LawfulRevision r = reviseLease(lease, {}, boundaryTable(withQ4, newestOn),
                                         QDate::fromString(request, u"dd/MM/yyyy"));
    QCOMPARE(r.error, error);
    QCOMPARE(r.newRentCents, newRent);
    QCOMPARE(r.computed, !newQuarter.isEmpty());
    if (!r.computed)
        return;
    QCOMPARE(r.newQuarter.label(), newQuarter);
    // The fallback says why, with its dates.
    const bool fellBack = r.newQuarter == Quarter(2024, 4);
    bool said = false;
    for (const ExplanationLine& line : r.lines)
        said = said
               || line.text.startsWith(QStringLiteral("Le 4è tr.2025 n’était pas publié au ")
                                       + dateText(r.status.due));
    QCOMPARE(said, fellBack);
}

void TestBoundaries::freeze_data()
{
    QTest::addColumn<bool>("furnished");
    QTest::addColumn<bool>("company");
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<QString>("contract"); // signed or renewed then

    // G dwelling signed 23/08/2022, the day before the freeze, in effect from
    // 01/09/2022. Unfurnished it renews every 3 years with a person (2025),
    // every 6 with a company (2028); furnished every year (2023).
    QTest::newRow("person, renewed 2025") << false << false << "05/09/2025" << true << "01/09/2025";
    QTest::newRow("company, not renewed in 2025")
        << false << true << "05/09/2025" << false << "23/08/2022";
    // No index of 2028 in the file: a frozen lease needs none.
    QTest::newRow("company, renewed 2028") << false << true << "05/09/2028" << true << "01/09/2028";
    QTest::newRow("furnished person, renewed 2023")
        << true << false << "05/09/2023" << true << "01/09/2023";
    QTest::newRow("furnished company, renewed 2023")
        << true << true << "05/09/2023" << true << "01/09/2023";
    QTest::newRow("person, before the renewal")
        << false << false << "05/09/2024" << false << "23/08/2022";
}

void TestBoundaries::freeze()
{
    QFETCH(bool, furnished);
    QFETCH(bool, company);
    QFETCH(QString, request);
    QFETCH(bool, frozen);
    QFETCH(QString, contract);

    Lease lease = makeLease(QStringLiteral("G1"), day("01/09/2022"), 80000);
    lease.signingDate = day("23/08/2022");
    lease.dpeClass = DpeClass::G;
    lease.furnished = furnished;
    lease.landlordKind = company ? LandlordKind::Company : LandlordKind::Person;
    const QDate asked = QDate::fromString(request, u"dd/MM/yyyy");
    const LawfulRevision r = reviseLease(lease, {}, realTable(), asked);
    QCOMPARE(contractStartAt(lease, r.status.due), QDate::fromString(contract, u"dd/MM/yyyy"));
    QCOMPARE(r.status.state == DueState::Frozen, frozen);
    if (!frozen)
        return;
    // With its indices or without them (2028), the rent stays and nothing fails.
    QVERIFY(r.error.isEmpty());
    QVERIFY(r.computed || r.frozen);
    QCOMPARE(r.newRentCents, qint64(80000));
    QCOMPARE(r.status.text(), QStringLiteral("gelée (DPE F/G)"));
    bool cited = false;
    for (const ExplanationLine& line : r.lines) {
        // Every line has its dates: none ends a phrase on an empty one.
        QVERIFY2(!line.text.contains(QStringLiteral("le  ")), qPrintable(line.text));
        cited = cited
                || (line.text.contains(QStringLiteral("bail renouvelé le ") + contract)
                    && line.reference == referenceFreeze2021());
    }
    QVERIFY(cited);
}

// The F lease of 01/09/2022 last revised 01/10/2024, asked 15/10/2026: the
// 2nd quarter 2026 it would need is not in the file, and it needs none; its
// contract renewed on 01/10/2025 is under the freeze.
void TestBoundaries::frozenWithALostYear()
{
    Lease lease = makeLease(QStringLiteral("F1"), day("01/10/2022"), 80000);
    lease.postalCode = QStringLiteral("75011");
    lease.signingDate = day("01/09/2022");
    lease.dpeClass = DpeClass::F;
    lease.dpeDate = day("01/09/2022");
    lease.priorRevision = day("01/10/2024");
    const LawfulRevision r = reviseLease(lease, {}, realTable(), day("15/10/2026"));
    QCOMPARE(r.status.text(), QStringLiteral("gelée (DPE F/G)"));
    QVERIFY(r.frozen && r.error.isEmpty());
    QStringList texts;
    for (const ExplanationLine& line : r.lines)
        texts << line.text;
    const QString all = texts.join(u'\n');
    QVERIFY2(all.contains(QStringLiteral("non demandée avant le 01/10/2026\u00a0: perdue")),
             qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("800,00 € inchangé")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("bail renouvelé le 01/10/2025")), qPrintable(all));
}

void TestBoundaries::territories_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("territory");
    QTest::addColumn<QString>("problem");

    const QString choose = QStringLiteral("\u00a0: indiquez le territoire");
    QTest::newRow("Saint-Barthélemy")
        << "97133" << int(Territory::Unset)
        << QStringLiteral("pas de série de l’IRL publiée pour Saint-Barthélemy") + choose;
    QTest::newRow("Saint-Martin") << "97150" << int(Territory::Unset)
                                  << QStringLiteral(
                                         "pas de série de l’IRL publiée pour Saint-Martin")
                                         + choose;
    QTest::newRow("Saint-Pierre-et-Miquelon")
        << "97500" << int(Territory::Unset)
        << QStringLiteral("pas de série de l’IRL publiée pour Saint-Pierre-et-Miquelon") + choose;
    QTest::newRow("Guadeloupe, next door") << "97134" << int(Territory::OutreMer) << "";
    QTest::newRow("Réunion") << "97400" << int(Territory::OutreMer) << "";
    // Monaco and the Pacific: outside the law of 1989.
    const QString outside = QStringLiteral(" hors du champ de la loi du 6 juillet 1989 (Monaco, "
                                           "collectivités du Pacifique)");
    QTest::newRow("Monaco") << "98000" << int(Territory::Metropole)
                            << QStringLiteral("code postal «\u00a098000\u00a0»") + outside;
    QTest::newRow("Nouméa") << "98800" << int(Territory::Metropole)
                            << QStringLiteral("code postal «\u00a098800\u00a0»") + outside;
}

void TestBoundaries::territories()
{
    QFETCH(QString, code);
    QFETCH(int, territory);
    QFETCH(QString, problem);
    QCOMPARE(int(territoryFromPostalCode(code)), territory);
    Lease lease = makeLease(QStringLiteral("T1"), day("15/03/2023"), 85000);
    lease.postalCode = code;
    lease.territory = Territory(territory);
    QCOMPARE(validateLease(lease), problem.isEmpty() ? QStringList() : QStringList{problem});
    const LawfulRevision r = reviseLease(lease, {}, realTable(), day("20/03/2024"));
    QCOMPARE(r.computed, territory != int(Territory::Unset));
    if (territory == int(Territory::Unset))
        QCOMPARE(r.error, noSeriesMessage(code));
    // Once the user chose one, it is revised by that series.
    lease.territory = Territory::OutreMer;
    QVERIFY(reviseLease(lease, {}, realTable(), day("20/03/2024")).computed);
}

void TestBoundaries::futureDates_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("problem");

    QTest::newRow("signed tomorrow") << "signing"
                                     << "date de signature dans le futur «\u00a002/12/2026\u00a0»";
    QTest::newRow("last revision ahead")
        << "prior"
        << "date de dernière révision dans le futur «\u00a001/06/2027\u00a0»";
    QTest::newRow("diagnosis ahead") << "dpe"
                                     << "date du DPE dans le futur «\u00a007/11/2029\u00a0»";
    QTest::newRow("start ahead is fine") << "start"
                                         << "";
    QTest::newRow("everything today") << "today"
                                      << "";
}

void TestBoundaries::futureDates()
{
    QFETCH(QString, field);
    QFETCH(QString, problem);
    const QDate today = day("01/12/2026");
    Lease lease = makeLease(QStringLiteral("F1"), day("15/03/2023"), 85000);
    if (field == u"signing")
        lease.signingDate = today.addDays(1), lease.startDate = today.addDays(1);
    else if (field == u"prior")
        lease.priorRevision = day("01/06/2027");
    else if (field == u"dpe")
        lease.dpeDate = day("07/11/2029");
    else if (field == u"start")
        lease.signingDate = today, lease.startDate = day("01/01/2027");
    else
        lease.signingDate = today, lease.startDate = today, lease.dpeDate = today;
    QCOMPARE(validateLease(lease, today), problem.isEmpty() ? QStringList() : QStringList{problem});
    // Without today, as the register checks what it stores, nothing is said of it.
    QVERIFY(validateLease(lease).isEmpty());

    // The import says it with the line.
    Lease line = lease;
    line.id = 1;
    const QByteArray csv = leasesToCsv({line});
    const CsvImport read = parseLeasesCsv(csv, today);
    QCOMPARE(read.errors, problem.isEmpty()
                              ? QStringList()
                              : QStringList{QStringLiteral("ligne 2\u00a0: ") + problem});
}

void TestBoundaries::landlordColumn()
{
    Lease a = makeLease(QStringLiteral("P1"), day("15/03/2023"), 85000);
    Lease b = makeLease(QStringLiteral("M1"), day("15/03/2023"), 85000);
    b.landlordKind = LandlordKind::Company;
    const QString text = QString::fromUtf8(leasesToCsv({a, b}));
    QVERIFY(text.contains(QStringLiteral(";personne physique ou SCI familiale;\r\n")));
    QVERIFY(text.contains(QStringLiteral(";personne morale;\r\n")));
    const CsvImport back = parseLeasesCsv(text.toUtf8());
    QVERIFY2(back.ok(), qPrintable(back.errors.join(u'\n')));
    QCOMPARE(back.leases.at(0).landlordKind, LandlordKind::Person);
    QCOMPARE(back.leases.at(1).landlordKind, LandlordKind::Company);

    // A file without the column, or an empty field: a person.
    const QByteArray old = "reference;date_signature;date_effet;clause;loyer;bailleur\n"
                           "A;15/03/2023;15/03/2023;à la hausse seulement;850,00;\n"
                           "B;15/03/2023;15/03/2023;à la hausse seulement;850,00;morale\n"
                           "C;15/03/2023;15/03/2023;à la hausse seulement;850,00;SARL\n";
    const CsvImport mixed = parseLeasesCsv(old);
    QCOMPARE(mixed.errors,
             QStringList{QStringLiteral(
                 "ligne 4\u00a0: type de bailleur invalide «\u00a0SARL\u00a0» (personne "
                 "physique, SCI familiale ou société)")});
}

VELMARIS_TEST(TestBoundaries)
#include "tst_boundaries.moc"
