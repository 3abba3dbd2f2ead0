// SPDX-License-Identifier: GPL-3.0-or-later
// The last days to ask a revision: which come within the warning, in what
// order, and what each asks of the landlord.
#include "deadlines.h"
#include "leasefixture.h"
#include "testmain.h"

#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

// A lease revised on the anniversary of its start, by the 4th quarter.
Lease leaseFrom(const QString& reference, const QDate& start)
{
    Lease l = makeLease(reference, start, 80000);
    l.referenceQuarter = Quarter(start.year() - 1, 4);
    return l;
}

} // namespace

class DeadlinesTest : public QObject {
    Q_OBJECT

private slots:
    void oneLease_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("variant"); // "", "G", "baisse", "révisée"
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("revision"); // invalid: not listed
        QTest::addColumn<QDate>("lastDay");
        QTest::addColumn<QString>("todo");

        const QDate start = day("15/02/2024");
        const QDate due = day("15/02/2025");
        const QDate last = day("14/02/2026");
        const QString letter = QStringLiteral("écrire la lettre maintenant");
        QTest::newRow("index out, last day in 25 days")
            << start << QString() << day("20/01/2026") << due << last << letter;
        QTest::newRow("a year lost already, the next one closing")
            << day("15/02/2023") << QString() << day("20/01/2026") << due << last << letter;
        QTest::newRow("frozen") << start << QStringLiteral("G") << day("20/01/2026") << due << last
                                << QStringLiteral("gelé (DPE F/G)\u00a0: rien à demander");
        QTest::newRow("fall under the rise-only clause")
            << start << QStringLiteral("baisse") << day("20/01/2026") << due << last
            << QStringLiteral("rien à demander");
        QTest::newRow("index not out yet")
            << day("15/02/2025") << QString() << day("20/12/2026") << day("15/02/2026")
            << day("14/02/2027")
            << QStringLiteral("à partir du 10/01/2026\u00a0: l’indice n’est pas encore paru");
        QTest::newRow("last day today") << start << QString() << last << due << last << letter;
        QTest::newRow("last day in exactly 60 days")
            << start << QString() << last.addDays(-60) << due << last << letter;
        QTest::newRow("last day in 61 days: absent")
            << start << QString() << last.addDays(-61) << QDate() << QDate() << QString();
        QTest::newRow("last day passed: the next revision is a year off")
            << start << QString() << last.addDays(1) << QDate() << QDate() << QString();
        QTest::newRow("revised already: absent")
            << start << QStringLiteral("révisée") << day("20/01/2026") << QDate() << QDate()
            << QString();
    }

    void oneLease()
    {
        QFETCH(QDate, start);
        QFETCH(QString, variant);
        QFETCH(QDate, today);
        QFETCH(QDate, revision);
        QFETCH(QDate, lastDay);
        QFETCH(QString, todo);

        IndexTable table = realTable();
        Lease lease = leaseFrom(QStringLiteral("B1"), start);
        lease.id = 1;
        std::vector<RevisionRecord> last;
        if (variant == u"G")
            lease.dpeClass = DpeClass::G;
        else if (variant == u"baisse")
            table.rows[std::size_t(table.rowOf(Quarter(2024, 4)))].irl = 140.0;
        else if (variant == u"révisée")
            last.push_back(revisionOf(lease, day("15/02/2025"), 82000));

        const std::vector<RevisionDeadline> found = comingDeadlines({lease}, last, table, today);
        if (!revision.isValid()) {
            QVERIFY(found.empty());
            return;
        }
        QCOMPARE(found.size(), std::size_t(1));
        QCOMPARE(found[0].lease.reference, lease.reference);
        QCOMPARE(found[0].revisionDate, revision);
        QCOMPARE(found[0].lastDay, lastDay);
        QCOMPARE(found[0].todo, todo);
    }

    // The order and the one line the main window says.
    void summary_data()
    {
        QTest::addColumn<QStringList>("leases"); // reference:start[:G]
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("summary");

        QTest::newRow("none") << QStringList{} << QStringList{} << QString();
        QTest::newRow("frozen only: nothing to ask")
            << QStringList{QStringLiteral("A:15/02/2024:G")} << QStringList{QStringLiteral("A")}
            << QString();
        QTest::newRow("one") << QStringList{QStringLiteral("A:15/02/2024")}
                             << QStringList{QStringLiteral("A")}
                             << QStringLiteral("1 révision à demander avant le 15/02/2026 — "
                                               "voir Baux");
        QTest::newRow("most urgent first, frozen not counted")
            << QStringList{QStringLiteral("A:01/03/2024"), QStringLiteral("B:15/02/2024:G"),
                           QStringLiteral("C:10/02/2024"), QStringLiteral("D:01/02/2024"),
                           QStringLiteral("E:01/06/2024")}
            << QStringList{QStringLiteral("D"), QStringLiteral("C"), QStringLiteral("B"),
                           QStringLiteral("A")}
            << QStringLiteral("3 révisions à demander avant le 01/02/2026 — voir Baux");
    }

    void summary()
    {
        QFETCH(QStringList, leases);
        QFETCH(QStringList, order);
        QFETCH(QString, summary);

        std::vector<Lease> all;
        for (const QString& text : leases) {
            const QStringList parts = text.split(u':');
            Lease l = leaseFrom(parts[0], QDate::fromString(parts[1], u"dd/MM/yyyy"));
            l.id = qint64(all.size()) + 1;
            if (parts.size() > 2)
                l.dpeClass = DpeClass::G;
            all.push_back(l);
        }
        const auto found = comingDeadlines(all, {}, realTable(), day("20/01/2026"));
        QStringList references;
        for (const RevisionDeadline& d : found)
            references << d.lease.reference;
        QCOMPARE(references, order);
        QCOMPARE(deadlinesSummary(found), summary);
    }
};

VELMARIS_TEST(DeadlinesTest)
#include "tst_deadlines.moc"
