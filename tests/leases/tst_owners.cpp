// SPDX-License-Identifier: GPL-3.0-or-later
// The register's owners and agency on both back ends: whose each lease is,
// what an earlier version's leases become, the CSV that carries them, and
// who signs a letter.
#include "agencyfixture.h"
#include "leasecsv.h"
#include "leasefixture.h"
#include "leasestore.h"
#include "pgcluster.h"
#include "revisionletter.h"
#include "testmain.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velmaris;
using namespace velmaris::test;

namespace {

Owner makeOwner(const QString& name, OwnerKind kind = OwnerKind::Person)
{
    Owner owner;
    owner.name = name;
    owner.address = {QStringLiteral("12 rue de la Paix")};
    owner.postalCode = QStringLiteral("75002");
    owner.town = QStringLiteral("Paris");
    owner.kind = kind;
    return owner;
}

// What an earlier version left: leases without owner, of these kinds.
bool dropOwners(LeaseStore& store, const QString& connection)
{
    Q_UNUSED(store);
    QSqlQuery query(QSqlDatabase::database(connection));
    return query.exec(QStringLiteral("UPDATE leases SET owner_id = NULL"))
           && query.exec(QStringLiteral("DELETE FROM owners"));
}

QStringList ownerNames(LeaseStore& store)
{
    QStringList names;
    for (const Owner& owner : store.owners().value_or(std::vector<Owner>()))
        names << owner.name;
    return names;
}

} // namespace

class Owners : public QObject {
    Q_OBJECT

    PgCluster m_pg;
    bool m_pgUp = false;
    int m_databases = 0;
    std::vector<std::unique_ptr<QTemporaryDir>> m_folders;

    bool openFresh(LeaseStore& store, QString* connection = nullptr)
    {
        QFETCH(bool, onServer);
        bool ok = false;
        if (onServer) {
            const QString name = QStringLiteral("proprietaires%1").arg(++m_databases);
            ok = m_pg.createDatabase(name) && store.openServer(m_pg.server(name));
        } else {
            m_folders.push_back(std::make_unique<QTemporaryDir>());
            ok = store.open(m_folders.back()->path());
        }
        if (ok && connection) {
            // A connection of the test's own, as another tool would write.
            *connection = QStringLiteral("outil%1").arg(m_databases + int(m_folders.size()) * 100);
            if (onServer) {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), *connection);
                const RegisterServer server =
                    m_pg.server(QStringLiteral("proprietaires%1").arg(m_databases));
                db.setHostName(server.host);
                db.setPort(server.port);
                db.setDatabaseName(server.database);
                db.setUserName(server.user);
                ok = db.open() && QSqlQuery(db).exec(QStringLiteral("SET search_path TO velmaris"));
            } else {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), *connection);
                db.setDatabaseName(m_folders.back()->filePath(LeaseStore::fileName()));
                ok = db.open() && QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = ON"));
            }
        }
        return ok;
    }

    void backEnds()
    {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgresql") << true;
    }
    void skipWithoutServer()
    {
        QFETCH(bool, onServer);
        if (onServer && !m_pgUp)
            QSKIP(qPrintable(QStringLiteral("PostgreSQL unavailable: ") + m_pg.why()));
    }

private slots:
    void initTestCase()
    {
        m_pgUp = m_pg.start();
        if (!m_pgUp && !PgCluster::binaries().isEmpty())
            QFAIL(qPrintable(m_pg.why()));
    }
    void cleanupTestCase() { m_pg.stop(); }

    void ownersOfLeases_data() { backEnds(); }
    void ownersOfLeases()
    {
        skipWithoutServer();
        LeaseStore store;
        QVERIFY2(openFresh(store), qPrintable(store.error()));
        // The first lease of a register without owner gets one to fill in.
        const auto first =
            store.addLease(makeLease(QStringLiteral("A-1"), day("01/03/2021"), 80000));
        QVERIFY2(first, qPrintable(store.error()));
        QCOMPARE(ownerNames(store), QStringList{QStringLiteral("Bailleur à renseigner")});
        const qint64 placeholder = store.lease(*first)->ownerId;
        QCOMPARE(store.defaultOwner()->id, placeholder);

        const auto company =
            store.addOwner(makeOwner(QStringLiteral("SCI Les Tilleuls SA"), OwnerKind::Company));
        QVERIFY2(company, qPrintable(store.error()));
        QVERIFY(!store.addOwner(
            makeOwner(QStringLiteral("sci les  tilleuls sa")))); // same name and address
        QCOMPARE(store.errorKind(), StoreError::Refused);

        Lease lease = makeLease(QStringLiteral("B-1"), day("01/03/2021"), 90000);
        lease.ownerId = *company;
        const auto second = store.addLease(lease);
        QVERIFY2(second, qPrintable(store.error()));
        QCOMPARE(store.lease(*second)->landlordKind, LandlordKind::Company); // from the owner

        // Its kind changes: its leases renew as the new kind says.
        Owner changed = *store.owner(*company);
        changed.kind = OwnerKind::FamilySci;
        QVERIFY2(store.updateOwner(changed), qPrintable(store.error()));
        QCOMPARE(store.lease(*second)->landlordKind, LandlordKind::Person);
        QVERIFY(!store.updateOwner(changed)); // read before that change
        QCOMPARE(store.errorKind(), StoreError::Conflict);

        QVERIFY(!store.removeOwner(*company));
        QVERIFY2(store.error().contains(QStringLiteral("a encore 1\u00a0bail")),
                 qPrintable(store.error()));
        QCOMPARE(store.leaseCountsByOwner()->value(*company), 1);
        QVERIFY(store.removeLease(*second));
        QVERIFY2(store.removeOwner(*company), qPrintable(store.error()));

        Lease orphan = *store.lease(*first);
        orphan.ownerId = *company; // gone meanwhile
        QVERIFY(!store.updateLease(orphan));
        QCOMPARE(store.errorKind(), StoreError::NotFound);
    }

    // The leases an earlier version kept without owner, and a later desk's
    // own landlord.
    void adoption_data()
    {
        QTest::addColumn<bool>("onServer");
        QTest::addColumn<int>("companies"); // of 3 leases without owner
        QTest::addColumn<QString>("desk");
        QTest::addColumn<QStringList>("owners");
        QTest::addColumn<QString>("saying");
        for (const bool server : {false, true}) {
            const char* end = server ? "postgresql" : "sqlite";
            QTest::addRow("one kind, %s", end)
                << server << 0 << QStringLiteral("Jean Dupont")
                << QStringList{QStringLiteral("Jean Dupont")} << QStringLiteral("(3\u00a0baux)");
            QTest::addRow("two kinds, %s", end)
                << server << 1 << QStringLiteral("Jean Dupont")
                << QStringList{QStringLiteral("Jean Dupont (personne physique)"),
                               QStringLiteral("Jean Dupont (société)")}
                << QStringLiteral("leurs types de bailleur différaient");
            QTest::addRow("no name, %s", end)
                << server << 3 << QString() << QStringList{QStringLiteral("Bailleur à renseigner")}
                << QStringLiteral("(3\u00a0baux)");
        }
    }
    void adoption()
    {
        skipWithoutServer();
        QFETCH(int, companies);
        QFETCH(QString, desk);
        QFETCH(QString, saying);
        LeaseStore store;
        QString connection;
        QVERIFY2(openFresh(store, &connection), qPrintable(store.error()));
        for (int i = 0; i < 3; ++i) {
            Lease lease = makeLease(QStringLiteral("L-%1").arg(i), day("01/03/2021"), 80000);
            lease.landlordKind = i < companies ? LandlordKind::Company : LandlordKind::Person;
            QVERIFY(store.addLease(lease));
        }
        QVERIFY(dropOwners(store, connection));
        QSqlQuery(QSqlDatabase::database(connection))
            .exec(QStringLiteral(
                      "UPDATE leases SET landlord_kind = 'morale' WHERE reference < 'L-%1'")
                      .arg(companies));
        const QStringList lines = {QStringLiteral("4 place Bellecour"),
                                   QStringLiteral("69002 LYON")};
        const auto told = store.adoptLandlord(desk, lines);
        QVERIFY2(told, qPrintable(store.error()));
        QVERIFY2(told->contains(saying), qPrintable(*told));
        QTEST(ownerNames(store), "owners");
        const std::vector<Lease> leases = *store.leases();
        for (const Lease& lease : leases) {
            const Owner owner = *store.owner(lease.ownerId);
            QCOMPARE(landlordKindOf(owner.kind), lease.landlordKind);
            QCOMPARE(owner.postalCode, QStringLiteral("69002"));
        }
        QCOMPARE(*store.adoptLandlord(desk, lines), QString()); // done once

        // A later desk with another landlord: kept, said, and once only.
        const auto later = store.adoptLandlord(QStringLiteral("Marie Martin"), {});
        QVERIFY(later && later->contains(QStringLiteral("«\u00a0Marie Martin\u00a0»")));
        const std::vector<Owner> owners = *store.owners();
        for (const Owner& owner : owners)
            if (owner.name == u"Marie Martin")
                QVERIFY2(store.removeOwner(owner.id), qPrintable(store.error()));
        QCOMPARE(*store.adoptLandlord(QStringLiteral("Marie Martin"), {}), QString());
        QVERIFY(!ownerNames(store).contains(QStringLiteral("Marie Martin")));
        QSqlDatabase::database(connection).close();
    }

    // Export then import gives the same owners and leases; an older file's
    // kind column and a line without owner.
    void csvCarriesOwners_data() { backEnds(); }
    void csvCarriesOwners()
    {
        skipWithoutServer();
        LeaseStore from, to;
        QVERIFY2(openFresh(from), qPrintable(from.error()));
        QVERIFY2(openFresh(to), qPrintable(to.error()));
        Owner person = makeOwner(QStringLiteral("Jean Dupont"));
        person.address << QStringLiteral("Bâtiment B");
        const qint64 ids[] = {
            *from.addOwner(person),
            *from.addOwner(makeOwner(QStringLiteral("Immo SA"), OwnerKind::Company))};
        for (int i = 0; i < 4; ++i) {
            Lease lease = makeLease(QStringLiteral("C-%1").arg(i), day("01/03/2021"), 80000 + i);
            lease.ownerId = ids[i % 2];
            QVERIFY(from.addLease(lease));
        }
        const QByteArray csv = leasesToCsv(*from.leases(), {}, *from.owners());
        const CsvImport parsed = parseLeasesCsv(csv, day("01/12/2026"));
        QVERIFY2(parsed.ok(), qPrintable(parsed.errors.join(u'\n')));
        QVERIFY2(to.importLeases(parsed.leases, nullptr, &parsed.owners), qPrintable(to.error()));
        const auto sameOwners = [](LeaseStore& a, LeaseStore& b) {
            std::vector<Owner> x = *a.owners(), y = *b.owners();
            if (x.size() != y.size())
                return false;
            for (std::size_t i = 0; i < x.size(); ++i)
                if (!x[i].sameAs(y[i]) || x[i].kind != y[i].kind)
                    return false;
            return true;
        };
        QVERIFY(sameOwners(from, to));
        const std::vector<Lease> imported = *to.leases();
        for (const Lease& lease : imported)
            QCOMPARE(to.owner(lease.ownerId)->name,
                     from.owner(from.findLease(lease.reference)->ownerId)->name);

        // An older file: the kind alone. The default owner (Jean Dupont, a
        // person) takes the person's line; the company's goes to its variant.
        const QByteArray old =
            "reference;date_signature;date_effet;clause;loyer;bailleur\r\n"
            "V-1;01/03/2021;01/03/2021;à la hausse seulement;800,00;personne physique ou SCI "
            "familiale\r\n"
            "V-2;01/03/2021;01/03/2021;à la hausse seulement;800,00;personne morale\r\n";
        const CsvImport older = parseLeasesCsv(old, day("01/12/2026"));
        QVERIFY2(older.ok(), qPrintable(older.errors.join(u'\n')));
        QVERIFY2(to.importLeases(older.leases, nullptr, &older.owners), qPrintable(to.error()));
        QCOMPARE(to.owner(to.findLease(QStringLiteral("V-1"))->ownerId)->name,
                 QStringLiteral("Jean Dupont"));
        QCOMPARE(to.owner(to.findLease(QStringLiteral("V-2"))->ownerId)->name,
                 QStringLiteral("Jean Dupont (société)"));

        // A line that says another kind for a known owner is refused, not chosen.
        const QByteArray clash =
            "reference;date_signature;date_effet;clause;loyer;bailleur_nom;"
            "bailleur_adresse;bailleur_code_postal;bailleur_commune;bailleur_type\r\n"
            "K-1;01/03/2021;01/03/2021;à la hausse seulement;800,00;Immo SA;"
            "12 rue de la Paix;75002;Paris;personne physique\r\n";
        const CsvImport clashing = parseLeasesCsv(clash, day("01/12/2026"));
        QVERIFY(clashing.ok());
        QVERIFY(!to.importLeases(clashing.leases, nullptr, &clashing.owners));
        QVERIFY2(to.error().contains(QStringLiteral("comme société")), qPrintable(to.error()));
        QVERIFY(!to.findLease(QStringLiteral("K-1")));
    }

    // A backup brings its owners and agency back with its leases.
    void restoreCarriesOwners()
    {
        QTemporaryDir dir;
        LeaseStore store;
        QVERIFY(store.open(dir.path()));
        const auto owner = store.addOwner(makeOwner(QStringLiteral("Jean Dupont")));
        Lease lease = makeLease(QStringLiteral("R-1"), day("01/03/2021"), 80000);
        lease.ownerId = *owner;
        QVERIFY(store.addLease(lease));
        const Agency agency = test::sampleAgency();
        QVERIFY2(store.setAgency(agency), qPrintable(store.error()));
        const QString backup = dir.filePath(QStringLiteral("copie.sqlite"));
        QVERIFY2(store.backupTo(backup), qPrintable(store.error()));
        QVERIFY(store.removeLease(store.findLease(QStringLiteral("R-1"))->id));
        QVERIFY(store.removeOwner(*owner));
        QVERIFY(store.setAgency(Agency()));
        QVERIFY2(store.restoreFrom(backup), qPrintable(store.error()));
        QCOMPARE(ownerNames(store), QStringList{QStringLiteral("Jean Dupont")});
        QCOMPARE(store.owner(store.findLease(QStringLiteral("R-1"))->ownerId)->name,
                 QStringLiteral("Jean Dupont"));
        QCOMPARE(store.agency()->cardChamber, agency.cardChamber);
    }

    // Who a letter comes from, and what it says of the agency.
    void sender_data()
    {
        QTest::addColumn<bool>("withAgency");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("onBehalfOf");
        QTest::addColumn<int>("mentions");
        QTest::newRow("owner") << false
                               << QStringList{QStringLiteral("Jean Dupont"),
                                              QStringLiteral("12 rue de la Paix"),
                                              QStringLiteral("75002 PARIS")}
                               << QString() << 0;
        QTest::newRow("agency") << true
                                << QStringList{QStringLiteral("Agence du Parc"),
                                               QStringLiteral("4 place Bellecour"),
                                               QStringLiteral("69002 LYON")}
                                << QStringLiteral("Pour le compte de Jean Dupont") << 2;
    }
    void sender()
    {
        QFETCH(bool, withAgency);
        const Agency agency = withAgency ? test::sampleAgency() : Agency();
        QFETCH(QStringList, lines);
        const LetterSender sender = letterSender(makeOwner(QStringLiteral("Jean Dupont")), agency);
        QCOMPARE(QStringList(sender.name) + sender.address, lines);
        QTEST(sender.onBehalfOf, "onBehalfOf");
        QTEST(int(sender.mentions.size()), "mentions");
        QCOMPARE(senderProblem(sender), QString());
        if (withAgency)
            QVERIFY(sender.mentions.join(u' ').contains(
                QStringLiteral("délivrée par la CCI Lyon Métropole")));
        QVERIFY(!senderProblem(letterSender(Owner(), agency)).isEmpty() || withAgency);
    }
};

VELMARIS_TEST(Owners)
#include "tst_owners.moc"
