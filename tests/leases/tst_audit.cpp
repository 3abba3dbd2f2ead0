// SPDX-License-Identifier: GPL-3.0-or-later
// The audit of a lease's past revisions: worked cases on the real index
// figures, one per cause of a difference, with their monthly differences and
// the three-year limit; the rents charged as typed and as CSV.
#include "amounts.h"
#include "audit.h"
#include "chargedcsv.h"
#include "leasefixture.h"
#include "testmain.h"

#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

#define AMOUNT_LAYOUT                                                                              \
    " (attendu\u00a0: un montant comme 850,00 ou 1 234,50 €, les blancs seulement entre les "    \
    "milliers)"

namespace {

const IndexTable& table()
{
    static const IndexTable t = realTable();
    return t;
}

QDate month(QStringView text)
{
    return *parseMonth(text);
}

// "04/2021=800,00;05/2022=819,83@20/04/2022": month=rent[@request date].
std::vector<ChargedRent> periods(const QString& text)
{
    std::vector<ChargedRent> result;
    for (const QString& item : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u'=');
        const QStringList rent = parts.value(1).split(u'@');
        ChargedRent p;
        p.month = month(parts[0]);
        p.rentCents = readAmount(rent[0]).value_or(0);
        if (rent.size() > 1)
            p.requestDate = day(rent[1].toLatin1().constData());
        result.push_back(p);
    }
    return result;
}

// "15/03/2024@20/06/2024": the register's revision of that date, asked then.
std::vector<RevisionRecord> history(const QString& text)
{
    std::vector<RevisionRecord> result;
    for (const QString& item : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u'@');
        RevisionRecord rec;
        rec.dueDate = day(parts[0].toLatin1().constData());
        rec.requestDate = rec.effectiveDate = day(parts[1].toLatin1().constData());
        result.push_back(rec);
    }
    return result;
}

// "05/2022-09/2025:+6,96;04/2024:-11,50": the difference of each month in
// those runs; every other month is 0.
qint64 expectedDifference(const QString& runs, const QDate& m)
{
    for (const QString& run : runs.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = run.split(u':');
        const QStringList range = parts[0].split(u'-');
        if (m >= month(range[0]) && m <= month(range.value(1, range[0]))) {
            const bool negative = parts[1].startsWith(u'-');
            const qint64 cents = readAmount(QStringView(parts[1]).sliced(1)).value();
            return negative ? -cents : cents;
        }
    }
    return 0;
}

QString causesOf(const Audit& audit)
{
    QStringList findings;
    for (const AuditFinding& f : audit.findings) {
        QStringList causes;
        for (AuditCause c : f.causes)
            causes << auditCauseText(c);
        findings << causes.join(u',');
    }
    return findings.join(u'|');
}

} // namespace

class TestAudit : public QObject {
    Q_OBJECT

private slots:
    void worked_data();
    void worked();
    void explanations();
    void missingIndexStops();
    void registerRevisionShownApplied();
    void lostYearsSaySo();
    void nothingToAudit();
    void monthText_data();
    void monthText();
    void validation();
    void csvReads();
    void csvRefusesBadLines_data();
    void csvRefusesBadLines();
};

// Every expected rent is rent x new / base to the cent, worked out by hand
// from the index figures; a month where a revision takes effect counts by the day.
void TestAudit::worked_data()
{
    QTest::addColumn<QString>("signing");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("postal");
    QTest::addColumn<QString>("dpe");
    QTest::addColumn<QString>("charged");
    QTest::addColumn<QString>("records"); // the register's history: due@request
    QTest::addColumn<QString>("auditDate");
    QTest::addColumn<QString>("causes"); // per difference, "|" between them
    QTest::addColumn<QString>("months");
    QTest::addColumn<qint64>("over");
    QTest::addColumn<qint64>("under");
    QTest::addColumn<qint64>("overClaimable");
    QTest::addColumn<QString>("lastBarred"); // last month past the three-year limit

    // Signed 01/04/2022: the 4th quarter 2021 (132,62) is the last published.
    // 800 x 137,26 / 132,62 = 827,98; x 142,06 / 137,26 = 856,93; x 144,64 / 142,06 = 872,49
    // (each the cent below).
    QTest::newRow("clean: revised every year on its date")
        << "01/04/2022"
        << "01/04/2022"
        << "69003"
        << ""
        << "04/2022=800;04/2023=827,98;04/2024=856,93;04/2025=872,49"
        << ""
        << "15/09/2025"
        << ""
        << "" << qint64(0) << qint64(0) << qint64(0) << "09/2022";
    // 2022: the 4th quarter 2021 over the 4th 2020 gives 812,87; the landlord
    // took the 1st quarter 2022 (133,93 / 130,69), published 16/04/2022: 819,83.
    QTest::newRow("wrong quarter, partly past the three years")
        << "01/04/2021"
        << "01/04/2021"
        << "69003"
        << ""
        << "04/2021=800;05/2022=819,83"
        << ""
        << "15/09/2025"
        << "mauvais trimestre"
        << "05/2022-09/2025:+6,96" << qint64(41 * 696) << qint64(0) << qint64(36 * 696)
        << "09/2022";
    // The next revision is right on the wrong rent: 819,83 x 137,26 / 132,62 =
    // 848,51 against 812,87 x 137,26 / 132,62 = 841,31.
    QTest::newRow("wrong quarter carried into the next revision")
        << "01/04/2021"
        << "01/04/2021"
        << "69003"
        << ""
        << "04/2021=800;05/2022=819,83;04/2023=848,51"
        << ""
        << "15/09/2025"
        << "mauvais trimestre|mauvais trimestre"
        << "05/2022-03/2023:+6,96;04/2023-09/2025:+7,20" << qint64(11 * 696 + 30 * 720) << qint64(0)
        << qint64(6 * 696 + 30 * 720) << "09/2022";
    // Corsica: 700 x 136,98 / 134,30 = 713,96; the mainland IRL (141,03 /
    // 136,27) gives 724,45.
    QTest::newRow("wrong series: mainland IRL in Corsica")
        << "01/12/2022"
        << "01/12/2022"
        << "20000"
        << ""
        << "12/2022=700;12/2023=724,45"
        << ""
        << "15/02/2026"
        << "mauvaise série d’indices"
        << "12/2023-02/2026:+10,49" << qint64(27 * 1049) << qint64(0) << qint64(27 * 1049)
        << "02/2023";
    // A G dwelling let from 01/09/2022: 800 x 140,59 / 135,84 = 827,97 is not owed.
    QTest::newRow("increase during the F/G freeze") << "01/09/2022"
                                                    << "01/09/2022"
                                                    << "69003"
                                                    << "G"
                                                    << "09/2022=800;09/2023=827,97"
                                                    << ""
                                                    << "15/10/2025"
                                                    << "hausse pendant le gel (DPE F/G)"
                                                    << "09/2023-10/2025:+27,97" << qint64(26 * 2797)
                                                    << qint64(0) << qint64(26 * 2797) << "10/2022";
    // 850 x 142,06 / 137,26 = 879,72, owed from the request of 20/06/2024;
    // June owes 19 days at 850 and 11 at 879,72: 860,90.
    QTest::newRow("retroactive: charged before the request")
        << "10/03/2023"
        << "15/03/2023"
        << "69003"
        << ""
        << "03/2023=850;04/2024=879,72@20/06/2024"
        << ""
        << "15/09/2025"
        << "application rétroactive"
        << "04/2024-05/2024:+29,72;06/2024:+18,82" << qint64(2 * 2972 + 1882) << qint64(0)
        << qint64(2 * 2972 + 1882) << "";
    QTest::newRow("retroactive: the request date from the register")
        << "10/03/2023"
        << "15/03/2023"
        << "69003"
        << ""
        << "03/2023=850;04/2024=879,72"
        << "15/03/2024@20/06/2024"
        << "15/09/2025"
        << "application rétroactive"
        << "04/2024-05/2024:+29,72;06/2024:+18,82" << qint64(2 * 2972 + 1882) << qint64(0)
        << qint64(2 * 2972 + 1882) << "";
    // The revision date is 15/03: March owes 14 days at 850 and 17 at 879,72.
    QTest::newRow("retroactive: the whole month of the revision date")
        << "10/03/2023"
        << "15/03/2023"
        << "69003"
        << ""
        << "03/2023=850;03/2024=879,72"
        << ""
        << "15/09/2025"
        << "application rétroactive"
        << "03/2024:+13,42" << qint64(1342) << qint64(0) << qint64(1342) << "";
    // Asked 25/01/2024, once the 4th quarter 2023 was out, for the revision of
    // 15/03/2024: owed from that date, so February is all over-charged and
    // March by 17 days. Not a second rise in the year 2023.
    QTest::newRow("retroactive: asked ahead of the revision date")
        << "10/03/2023"
        << "15/03/2023"
        << "69003"
        << ""
        << "03/2023=850;02/2024=879,72@25/01/2024"
        << ""
        << "15/09/2025"
        << "application rétroactive"
        << "02/2024:+29,72;03/2024:+13,42" << qint64(2972 + 1342) << qint64(0)
        << qint64(2972 + 1342) << "";
    // Asked 20/03/2024, charged from May: March owes 12 days at 879,72.
    QTest::newRow("late: charged after it was owed")
        << "10/03/2023"
        << "15/03/2023"
        << "69003"
        << ""
        << "03/2023=850;05/2024=879,72@20/03/2024"
        << ""
        << "15/09/2025"
        << "application tardive"
        << "03/2024:-11,50;04/2024:-29,72" << qint64(0) << qint64(1150 + 2972) << qint64(0) << "";
    // Not asked in 2024: lost. In 2025 the lawful rent takes one year's change,
    // 850 x 144,64 / 142,06 = 865,43; two years' (÷ 137,26) give 895,70.
    QTest::newRow("lost year caught up")
        << "10/03/2023"
        << "15/03/2023"
        << "69003"
        << ""
        << "03/2023=850;05/2025=895,70"
        << ""
        << "15/09/2025"
        << "année perdue appliquée"
        << "05/2025-09/2025:+30,27" << qint64(5 * 3027) << qint64(0) << qint64(5 * 3027) << "";
    // The lost revision of 2024 itself (879,72) applied in 2025.
    QTest::newRow("lost year’s own revision applied")
        << "10/03/2023"
        << "15/03/2023"
        << "69003"
        << ""
        << "03/2023=850;05/2025=879,72@01/05/2025"
        << ""
        << "15/09/2025"
        << "année perdue appliquée"
        << "05/2025-09/2025:+14,29" << qint64(5 * 1429) << qint64(0) << qint64(5 * 1429) << "";
    // 827,98 x 142,06 / 137,26 = 856,93, rounded to the euro.
    QTest::newRow("rounding to the euro")
        << "01/04/2022"
        << "01/04/2022"
        << "69003"
        << ""
        << "04/2022=800;04/2023=827,98;04/2024=857,00"
        << ""
        << "15/09/2025"
        << "erreur d’arrondi"
        << "04/2024-09/2025:+0,07" << qint64(18 * 7) << qint64(0) << qint64(18 * 7) << "09/2022";
    // 800 x 137,26 / 132,62 = 827,9898: the nearest cent, 827,99, exceeds the
    // ceiling of 827,98.
    QTest::newRow("rounding: to the nearest cent")
        << "01/04/2022"
        << "01/04/2022"
        << "69003"
        << ""
        << "04/2022=800;04/2023=827,99"
        << ""
        << "15/09/2025"
        << "erreur d’arrondi"
        << "04/2023-09/2025:+0,01" << qint64(30) << qint64(0) << qint64(30) << "09/2022";
    // The first rent revised again in 2024: 800 x 142,06 / 137,26 = 827,97.
    QTest::newRow("compounding: the first rent revised")
        << "01/04/2022"
        << "01/04/2022"
        << "69003"
        << ""
        << "04/2022=800;04/2023=827,98;04/2024=827,97"
        << ""
        << "15/09/2025"
        << "erreur de calcul composé"
        << "04/2024-09/2025:-28,96" << qint64(0) << qint64(18 * 2896) << qint64(0) << "09/2022";
    QTest::newRow("autre écart: a rent no rule gives")
        << "01/04/2022"
        << "01/04/2022"
        << "69003"
        << ""
        << "04/2022=800;04/2023=900"
        << ""
        << "15/09/2025"
        << "autre écart"
        << "04/2023-09/2025:+72,02" << qint64(30 * 7202) << qint64(0) << qint64(30 * 7202)
        << "09/2022";
    QTest::newRow("autre écart: two increases in one year")
        << "01/04/2022"
        << "01/04/2022"
        << "69003"
        << ""
        << "04/2022=800;04/2023=827,98;10/2023=850"
        << ""
        << "15/01/2024"
        << "autre écart"
        << "10/2023-01/2024:+22,02" << qint64(4 * 2202) << qint64(0) << qint64(4 * 2202) << "";
    // Rents known from 06/2024 only: that rent stands as lawful.
    QTest::newRow("rents known from later on") << "10/03/2023"
                                               << "15/03/2023"
                                               << "69003"
                                               << ""
                                               << "06/2024=879,72;04/2025=895,69"
                                               << ""
                                               << "15/09/2025"
                                               << ""
                                               << "" << qint64(0) << qint64(0) << qint64(0) << "";
}

void TestAudit::worked()
{
    QFETCH(QString, signing);
    QFETCH(QString, start);
    QFETCH(QString, postal);
    QFETCH(QString, dpe);
    QFETCH(QString, charged);
    QFETCH(QString, records);
    QFETCH(QString, auditDate);
    QFETCH(QString, causes);
    QFETCH(QString, months);
    QFETCH(qint64, over);
    QFETCH(qint64, under);
    QFETCH(qint64, overClaimable);
    QFETCH(QString, lastBarred);

    Lease lease = makeLease(QStringLiteral("AUD-1"), day(signing.toLatin1().constData()), 80000);
    lease.startDate = day(start.toLatin1().constData());
    lease.postalCode = postal;
    lease.territory = territoryFromPostalCode(postal);
    lease.dpeClass = dpeFromText(dpe).value();
    const std::vector<ChargedRent> rents = periods(charged);

    const Audit audit =
        auditLease(lease, rents, history(records), table(), day(auditDate.toLatin1().constData()));
    QVERIFY2(audit.complete(), qPrintable(audit.error));
    QCOMPARE(causesOf(audit), causes);
    QCOMPARE(audit.clean(), causes.isEmpty());

    // Every month from the first charged to the audit's, with its difference.
    QCOMPARE(audit.months.front().month, rents.front().month);
    QCOMPARE(audit.months.back().month, month(auditDate.mid(3)));
    for (const AuditMonth& m : audit.months) {
        QCOMPARE(m.differenceCents(), expectedDifference(months, m.month));
        QCOMPARE(m.timeBarred, !lastBarred.isEmpty() && m.month <= month(lastBarred));
    }
    QCOMPARE(audit.totals.overCents, over);
    QCOMPARE(audit.totals.underCents, under);
    QCOMPARE(audit.totals.overClaimableCents, overClaimable);
    QCOMPARE(audit.totals.netCents(), over - under);

    // The differences share out the months between them.
    qint64 overInFindings = 0, underInFindings = 0;
    for (const AuditFinding& f : audit.findings) {
        overInFindings += f.overCents;
        underInFindings += f.underCents;
        QVERIFY(!f.text.isEmpty());
    }
    QCOMPARE(overInFindings, over);
    QCOMPARE(underInFindings, under);
}

void TestAudit::explanations()
{
    Lease lease = makeLease(QStringLiteral("AUD-2"), day("01/04/2021"), 80000);
    Audit audit =
        auditLease(lease, periods(QStringLiteral("04/2021=800;05/2022=819,83;04/2023=848,51")), {},
                   table(), day("15/09/2025"));
    QCOMPARE(audit.findings.size(), std::size_t(2));
    QCOMPARE(audit.findings[0].text,
             QStringLiteral(
                 "Révision du 01/04/2022\u00a0: 819,83 € facturés à partir de 05/2022\u00a0; loyer "
                 "légal 812,87 € dû à compter du 01/05/2022. Le calcul prend un autre "
                 "trimestre\u00a0: IRL du 1er tr.2022 (133,93) sur celui du 1er tr.2021 "
                 "(130,69), au lieu de IRL du 4è tr.2021 (132,62) sur celui du 4è "
                 "tr.2020 (130,52), le trimestre de référence du bail."));
    QVERIFY(!audit.findings[0].carriedFrom.isValid());
    QCOMPARE(audit.findings[1].carriedFrom, day("01/04/2022"));
    QVERIFY(audit.findings[1].text.endsWith(
        QStringLiteral("Le calcul de ce changement est juste, mais il part d’un loyer déjà faux "
                       "depuis le 01/04/2022 (mauvais trimestre).")));
    // Each revision recomputed keeps reviseLease's explanation and its references.
    QCOMPARE(audit.revisions.size(), std::size_t(2));
    QCOMPARE(audit.revisions[1].lawful.newRentCents, qint64(84131));
    QCOMPARE(audit.revisions[1].lawfulBeforeCents, qint64(81287));
    QVERIFY(!audit.revisions[1].lawful.lines.empty());

    // The freeze names the contract and its date.
    lease = makeLease(QStringLiteral("AUD-3"), day("01/09/2022"), 80000);
    lease.dpeClass = DpeClass::F;
    audit = auditLease(lease, periods(QStringLiteral("09/2022=800;09/2023=827,97")), {}, table(),
                       day("15/10/2025"));
    QVERIFY2(audit.findings.at(0).text.contains(QStringLiteral(
                 "Logement classé F au DPE, bail signé le 01/09/2022, à partir du "
                 "24/08/2022\u00a0: le loyer ne peut pas être révisé. La hausse appliquée "
                 "est celle de l’indice")),
             qPrintable(audit.findings.at(0).text));
}

// A revision that needs an index the table lacks: the months from it on are
// not compared, and the audit says why.
// A revision applied in the register but not yet in the rents charged is
// shown as the register holds it, never as one to ask.
void TestAudit::registerRevisionShownApplied()
{
    const Lease lease = makeLease(QStringLiteral("AUD-4"), day("01/04/2025"), 80000);
    const Audit audit =
        auditLease(lease, periods(QStringLiteral("04/2025=800")),
                   history(QStringLiteral("01/04/2026@09/12/2026")), table(), day("09/12/2026"));
    QCOMPARE(audit.years.size(), std::size_t(1));
    const AuditYear& y = audit.years.front();
    QCOMPARE(y.recordedRequest, day("09/12/2026"));
    QCOMPARE(y.cause, QStringLiteral("appliquée au registre (demande le 09/12/2026, effet le "
                                     "09/12/2026)"));
}

// Years never asked are lost, each saying so, even a year whose index came
// out after its revision date (the 2020 one here).
void TestAudit::lostYearsSaySo()
{
    const Lease lease = makeLease(QStringLiteral("AUD-5"), day("26/04/2018"), 80000);
    const Audit audit =
        auditLease(lease, periods(QStringLiteral("04/2018=800")), {}, table(), day("05/12/2024"));
    QCOMPARE(audit.years.size(), std::size_t(6));
    for (std::size_t i = 0; i + 1 < audit.years.size(); ++i) {
        const AuditYear& y = audit.years[i];
        QVERIFY2(y.lost && y.cause.startsWith(u"révision perdue (loyer permis "),
                 qPrintable(y.revisionDate.toString() + u' ' + y.cause));
    }
    QCOMPARE(audit.years.back().cause, QStringLiteral("à demander avant le 26/04/2025"));
}

void TestAudit::missingIndexStops()
{
    const Lease lease = makeLease(QStringLiteral("AUD-4"), day("15/03/2023"), 85000);
    const Audit audit =
        auditLease(lease, periods(QStringLiteral("03/2023=850;03/2024=879,72;04/2026=900")), {},
                   table(), day("15/06/2026"));
    QVERIFY(!audit.complete());
    QCOMPARE(audit.error,
             QStringLiteral("Révision du 15/03/2026\u00a0: Indice manquant\u00a0: IRL du 4è "
                            "tr.2025. Faites «\u00a0Mise à jour\u00a0», ou saisissez-le par "
                            "«\u00a0Saisir un indice…\u00a0» s’il vient de paraître. Les "
                            "mois suivants ne sont pas contrôlés."));
    // Charged from April, asked then at the earliest: March is still owed at the old rent.
    QCOMPARE(audit.stoppedAt, month(u"04/2026"));
    QCOMPARE(audit.months.back().month, month(u"03/2026"));
    QCOMPARE(audit.totals.overCents, qint64(1342)); // the earlier revision, 14 days early
}

void TestAudit::nothingToAudit()
{
    const Lease lease = makeLease(QStringLiteral("AUD-5"), day("15/03/2023"), 85000);
    Audit audit = auditLease(lease, {}, {}, table(), day("15/06/2025"));
    QCOMPARE(audit.error, QStringLiteral("Aucun loyer facturé jusqu’au mois de l’audit\u00a0: "
                                         "saisissez ou importez les loyers facturés."));
    QVERIFY(audit.months.empty());

    // Periods after the audit date are left out, and the audit says so.
    audit = auditLease(lease, periods(QStringLiteral("03/2023=850;07/2025=900")), {}, table(),
                       day("15/06/2025"));
    QVERIFY(audit.clean());
    QCOMPARE(audit.notes,
             QStringList{QStringLiteral("Les loyers facturés après le mois de l’audit (06/2025) "
                                        "ne sont pas contrôlés.")});

    // A period before the lease took effect is refused, not guessed at.
    audit =
        auditLease(lease, periods(QStringLiteral("02/2023=850")), {}, table(), day("15/06/2025"));
    QCOMPARE(audit.error,
             QStringLiteral("Audit impossible\u00a0: mois 02/2023 antérieur à la prise "
                            "d’effet du bail (15/03/2023)."));
}

void TestAudit::monthText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("month"); // as written back; empty = refused

    QTest::newRow("mm/yyyy") << "03/2024"
                             << "03/2024";
    QTest::newRow("one digit") << " 3/2024 "
                               << "03/2024";
    QTest::newRow("first of the month") << "01/03/2024"
                                        << "03/2024";
    QTest::newRow("first of the month, two-digit year") << "01/02/20"
                                                        << "02/2020";
    QTest::newRow("month’s name") << QStringLiteral("février 2020") << "02/2020";
    QTest::newRow("capital, no accent") << "Fevrier 2020"
                                        << "02/2020";
    QTest::newRow("abbreviated") << QStringLiteral("févr.-20") << "02/2020";
    QTest::newRow("July, not June") << "juil. 2021"
                                    << "07/2021";
    QTest::newRow("no such month") << "brumaire 2020"
                                   << "";
    QTest::newRow("name without year") << "mars"
                                       << "";
    QTest::newRow("another day") << "15/03/2024"
                                 << "";
    QTest::newRow("month 13") << "13/2024"
                              << "";
    QTest::newRow("two-digit year") << "03/24"
                                    << "";
    QTest::newRow("ISO") << "2024-03"
                         << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestAudit::monthText()
{
    QFETCH(QString, text);
    QFETCH(QString, month);
    const std::optional<QDate> parsed = parseMonth(text);
    QCOMPARE(parsed ? velmaris::monthText(*parsed) : QString(), month);
}

void TestAudit::validation()
{
    const Lease lease = makeLease(QStringLiteral("AUD-6"), day("15/03/2023"), 85000);
    std::vector<ChargedRent> rents = periods(QStringLiteral("03/2023=850;03/2024=879,72"));
    QVERIFY(validateChargedRents(rents, lease).isEmpty());
    rents.push_back(rents.back());
    rents.push_back({QDate(2024, 5, 2), 90000, {}});
    rents.push_back({month(u"06/2024"), 0, day("01/01/2020")});
    QCOMPARE(validateChargedRents(rents, lease),
             (QStringList{QStringLiteral("mois 03/2024 saisi deux fois"),
                          QStringLiteral("mois invalide"), QStringLiteral("loyer manquant"),
                          QStringLiteral("date de demande 01/01/2020 antérieure à la signature "
                                         "du bail")}));
}

void TestAudit::csvReads()
{
    const Lease lease = makeLease(QStringLiteral("AUD-7"), day("15/03/2023"), 85000);
    // What a spreadsheet writes: its own column order, a month as a date,
    // currency amounts, CRLF, an empty row.
    const QByteArray bytes = "\xEF\xBB\xBF"
                             "Date_Demande;Loyer;Mois\r\n"
                             ";850,00 €;03/2023\r\n"
                             "20/03/24;\"1\xE2\x80\xAF"
                             "879,72 \xE2\x82\xAC\";01/04/2024\r\n"
                             ";;\r\n";
    const ChargedCsvImport result = parseChargedRentsCsv(bytes, lease);
    QVERIFY2(result.ok(), qPrintable(result.errors.join(u'\n')));
    const std::vector<ChargedRent> expected = {
        {month(u"03/2023"), 85000, {}},
        {month(u"04/2024"), 187972, day("20/03/2024")},
    };
    QCOMPARE(result.periods, expected);

    const ChargedCsvImport back = parseChargedRentsCsv(chargedRentsToCsv(expected), lease);
    QVERIFY(back.ok());
    QCOMPARE(back.periods, expected);
}

void TestAudit::csvRefusesBadLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("errors");

    const auto one = [](const char* text) { return QStringList{QString::fromUtf8(text)}; };
    QTest::newRow("month")
        << "13/2024;900;"
        << one("ligne 3\u00a0: mois invalide «\u00a013/2024\u00a0» (attendu\u00a0: un mois "
               "mm/aaaa, 01/mm/aa ou «\u00a0février 2020\u00a0»)");
    QTest::newRow("no month") << ";900;" << one("ligne 3\u00a0: mois manquant");
    QTest::newRow("rent") << "04/2024;neuf cents;"
                          << one("ligne 3\u00a0: loyer invalide «\u00a0neuf cents\u00a0»\u00a0: "
                                 "caractère «\u00a0n\u00a0» "
                                 "inattendu" AMOUNT_LAYOUT);
    QTest::newRow("zero rent") << "04/2024;0;"
                               << one("ligne 3\u00a0: loyer invalide «\u00a00\u00a0»\u00a0: un "
                                      "montant nul" AMOUNT_LAYOUT);
    QTest::newRow("request date")
        << "04/2024;900;2024-03-20"
        << one("ligne 3\u00a0: date de demande invalide «\u00a02024-03-20\u00a0» "
               "(attendu\u00a0: une date jj/mm/aaaa ou jj/mm/aa)");
    QTest::newRow("bad rent before the lease")
        << "01/2023;cher;"
        << QStringList{QStringLiteral("ligne 3\u00a0: loyer invalide «\u00a0cher\u00a0»\u00a0: "
                                      "caractère «\u00a0c\u00a0» "
                                      "inattendu" AMOUNT_LAYOUT),
                       QStringLiteral("ligne 3\u00a0: mois 01/2023 antérieur à la prise d’effet du "
                                      "bail (15/03/2023)")};
    QTest::newRow("before the lease") << "01/2023;900;"
                                      << one("ligne 3\u00a0: mois 01/2023 antérieur à la prise "
                                             "d’effet du bail (15/03/2023)");
    QTest::newRow("same month twice")
        << "03/2023;900;" << one("ligne 3\u00a0: mois 03/2023 en double (ligne 2)");
    QTest::newRow("field count") << "04/2024;900" << one("ligne 3\u00a0: 2 champs au lieu de 3");
    QTest::newRow("two faults")
        << "04/2024;-5;31/02/2024"
        << QStringList{QStringLiteral("ligne 3\u00a0: loyer invalide «\u00a0-5\u00a0»\u00a0: "
                                      "un montant n’est jamais négatif" AMOUNT_LAYOUT),
                       QStringLiteral("ligne 3\u00a0: date de demande "
                                      "invalide «\u00a031/02/2024\u00a0» "
                                      "(attendu\u00a0: une date jj/mm/aaaa "
                                      "ou jj/mm/aa)")};
}

void TestAudit::csvRefusesBadLines()
{
    QFETCH(QString, line);
    QFETCH(QStringList, errors);
    const Lease lease = makeLease(QStringLiteral("AUD-8"), day("15/03/2023"), 85000);
    // Lines 2 and 4 are sound: the file is refused all the same.
    const QString text = QStringLiteral("mois;loyer;date_demande\n03/2023;850;\n") + line
                         + QStringLiteral("\n05/2024;900;\n");
    const ChargedCsvImport result = parseChargedRentsCsv(text.toUtf8(), lease);
    QCOMPARE(result.errors, errors);
    QVERIFY(result.periods.empty());
}

VELMARIS_TEST(TestAudit)
#include "tst_audit.moc"
