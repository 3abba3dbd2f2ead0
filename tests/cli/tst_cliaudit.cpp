// SPDX-License-Identifier: GPL-3.0-or-later
// One lease's audit and revision from the command line, on the shipped index
// file: what a script reads, and the exit statuses.
#include "chargedcsv.h"
#include "cli.h"
#include "leasestore.h"
#include "testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "clifixture.h"
#include "testsupport.h"

using namespace velmaris;
using namespace velmaris::test;

namespace {

Lease lease(const QString& reference, const char* start, qint64 rent)
{
    Lease l;
    l.reference = reference;
    l.tenant = QStringLiteral("Mme Durand");
    l.postalCode = QStringLiteral("75011");
    l.signingDate = day(start);
    l.startDate = day(start);
    l.rentCents = rent;
    return l;
}

} // namespace

class TestCliAudit : public QObject {
    Q_OBJECT

private slots:
    void init();
    void reviseAtTheBoundaries_data();
    void reviseAtTheBoundaries();
    void auditLines();
    void auditStatuses_data();
    void auditStatuses();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }
};

void TestCliAudit::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Q4: revised each 1 January on the 4th quarter, last on 01/01/2025.
    Lease q4 = lease(QStringLiteral("Q4"), "10/03/2019", 100000);
    q4.referenceQuarter = Quarter(2018, 4);
    q4.revisionDay = 1;
    q4.revisionMonth = 1;
    q4.priorRevision = day("01/01/2025");
    // F1: an F dwelling signed from the freeze, last revised 01/10/2024.
    Lease f1 = lease(QStringLiteral("F1"), "01/10/2022", 80000);
    f1.signingDate = day("01/09/2022");
    f1.dpeClass = DpeClass::F;
    f1.dpeDate = day("01/09/2022");
    f1.priorRevision = day("01/10/2024");
    // AUD: charged 850,00 from 03/2022 and never revised.
    const Lease aud = lease(QStringLiteral("AUD"), "15/03/2022", 85000);
    LeaseStore store;
    QVERIFY(store.open(folder()));
    QVERIFY2(store.importLeases({q4, f1, aud}), qPrintable(store.error()));
    QVERIFY(store.setChargedRents(store.findLease(QStringLiteral("AUD"))->id,
                                  {{day("01/03/2022"), 85000, {}}}));
}

void TestCliAudit::reviseAtTheBoundaries_data()
{
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("output"); // a line it prints

    // On 01/01/2026 the 4th quarter 2025 (out 15/01/2026) was not published:
    // 1 000 x 144,64 / 142,06 = 1 018,16, the cent below.
    QTest::newRow("Q4 on 1 January") << "Q4"
                                     << "02/01/2026"
                                     << "Nouveau loyer\u00a0: 1 018,16 €";
    // Frozen: no index of 2026 needed, the rent stays, the lost year has its date.
    QTest::newRow("frozen F") << "F1"
                              << "15/10/2026"
                              << "Nouveau loyer\u00a0: 800,00 € (inchangé, loyer gelé)";
    QTest::newRow("frozen F, state") << "F1"
                                     << "15/10/2026"
                                     << "État au 15/10/2026\u00a0: gelée (DPE F/G)";
    QTest::newRow("frozen F, lost year")
        << "F1"
        << "15/10/2026"
        << "Révision du 01/10/2025 non demandée avant le 01/10/2026\u00a0: perdue";
}

void TestCliAudit::reviseAtTheBoundaries()
{
    QFETCH(QString, reference);
    QFETCH(QString, request);
    QFETCH(QString, output);
    const CommandLineResult r = runInFolder(folder(), {QStringLiteral("--revise-lease"), reference,
                                                       QStringLiteral("--request-date"), request});
    QCOMPARE(r.status, 0);
    QString printed = r.output;
    printed.replace(QChar(0x00A0), u' ');
    QVERIFY2(printed.contains(test::plainText(output)), qPrintable(printed));
}

void TestCliAudit::auditLines()
{
    const CommandLineResult r =
        runInFolder(folder(), {QStringLiteral("--audit-lease"), QStringLiteral("AUD"),
                               QStringLiteral("--date"), QStringLiteral("15/09/2025")});
    QCOMPARE(r.status, 0);
    const QStringList lines = r.output.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    // Signed 15/03/2022: the 4th quarter 2021 is its index. The revision of
    // 2023 (850 x 137,26 / 132,62 = 879,75) and of 2024 were lost; that of
    // 2025 may still be asked. The tenant owes nothing for a lost revision.
    QCOMPARE(lines.mid(0, 3),
             (QStringList{
                 QStringLiteral("Révision\t15/03/2023\t4è tr.2021 = 132,62\t4è tr.2022 = 137,26\t"
                                "850,00\t850,00\t0,00\trévision perdue (loyer permis 879,73)"),
                 QStringLiteral("Révision\t15/03/2024\t4è tr.2022 = 137,26\t4è tr.2023 = 142,06\t"
                                "850,00\t850,00\t0,00\trévision perdue (loyer permis 879,72)"),
                 QStringLiteral("Révision\t15/03/2025\t4è tr.2023 = 142,06\t4è tr.2024 = 144,64\t"
                                "850,00\t850,00\t0,00\tà demander avant le 15/03/2026")}));
    // One line a month from 03/2022 to 09/2025 (43), those due before
    // 15/09/2022 past the three years.
    QCOMPARE(lines.size(), 3 + 43 + 3);
    QCOMPARE(lines[3], QStringLiteral("Mois\t03/2022\t850,00\t850,00\t0,00\tprescrit"));
    QCOMPARE(lines[9], QStringLiteral("Mois\t09/2022\t850,00\t850,00\t0,00\tprescrit"));
    QCOMPARE(lines[10], QStringLiteral("Mois\t10/2022\t850,00\t850,00\t0,00\t"));
    QCOMPARE(lines.mid(46), (QStringList{QStringLiteral("Total\ttrop-perçu\t0,00"),
                                         QStringLiteral("Total\tmoins-perçu\t0,00"),
                                         QStringLiteral("Total\tréclamable\t0,00")}));

    // The same rents from a file, which leaves the register as it was.
    const QString csv = m_dir->filePath(QStringLiteral("facture.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(chargedRentsToCsv({{day("01/03/2022"), 85000, {}}, {day("01/04/2024"), 90000, {}}}));
    file.close();
    const CommandLineResult fromFile =
        runInFolder(folder(), {QStringLiteral("--audit-lease"), QStringLiteral("AUD"),
                               QStringLiteral("--charged"), csv, QStringLiteral("--date"),
                               QStringLiteral("15/09/2025")});
    QCOMPARE(fromFile.status, 0);
    QVERIFY2(fromFile.output.contains(QStringLiteral("Total\ttrop-perçu\t")),
             qPrintable(fromFile.output));
    QVERIFY(!fromFile.output.contains(QStringLiteral("Total\ttrop-perçu\t0,00")));
    QCOMPARE(runInFolder(folder(), {QStringLiteral("--audit-lease"), QStringLiteral("AUD"),
                                    QStringLiteral("--date"), QStringLiteral("15/09/2025")})
                 .output,
             r.output);
}

void TestCliAudit::auditStatuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown lease")
        << QStringList{QStringLiteral("--audit-lease"), QStringLiteral("NONE")}
        << int(kExitBadArguments) << "NONE";
    QTest::newRow("no rent charged")
        << QStringList{QStringLiteral("--audit-lease"), QStringLiteral("Q4")} << int(kExitRevision)
        << "Aucun loyer facturé";
    QTest::newRow("bad date") << QStringList{QStringLiteral("--audit-lease"), QStringLiteral("AUD"),
                                             QStringLiteral("--date"), QStringLiteral("31/02/2025")}
                              << int(kExitBadArguments) << "31/02/2025";
    QTest::newRow("missing file") << QStringList{QStringLiteral("--audit-lease"),
                                                 QStringLiteral("AUD"), QStringLiteral("--charged"),
                                                 QStringLiteral("/nonexistent/f.csv")}
                                  << int(kExitRefused) << "/nonexistent/f.csv";
    QTest::newRow("option of another command")
        << QStringList{QStringLiteral("--audit-lease"), QStringLiteral("AUD"),
                       QStringLiteral("--request-date"), QStringLiteral("01/01/2025")}
        << int(kExitBadArguments) << "--request-date";
}

void TestCliAudit::auditStatuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    const CommandLineResult r = runInFolder(folder(), arguments);
    QCOMPARE(r.status, status);
    QVERIFY(r.output.isEmpty());
    QVERIFY2(r.error.contains(error), qPrintable(r.error));
}

VELMARIS_TEST(TestCliAudit)
#include "tst_cliaudit.moc"
