// SPDX-License-Identifier: GPL-3.0-or-later
// The desk's landlord: section [BAILLEUR] of Velmaris.ini, which the register
// takes in as an owner at its opening and a backup carries.
#include "settings.h"
#include "testmain.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

using namespace velmaris;
using test::readAll;
using test::writeAll;

namespace {

const QByteArray kOther =
    "[FTP]\r\nADRESS=http://h/a\r\nCHECKMAJ=1\r\n\r\n; kept\r\n[AUTRE]\r\nX=1\r\n";

LandlordSettings landlordOf(const QString& name, const QStringList& address, const QString& place)
{
    return {name, address, place};
}

} // namespace

class TestLandlord : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() { QFile::remove(ini()); }

    void roundTrip_data();
    void roundTrip();
    void shorterAddressClearsTheOldLines();
    void refusesWhatItCannotKeep_data();
    void refusesWhatItCannotKeep();
    void readsAFileTypedByHand();

private:
    QString ini() const { return m_dir.filePath(QStringLiteral("Velmaris.ini")); }
    QTemporaryDir m_dir;
};

void TestLandlord::roundTrip_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<LandlordSettings>("landlord");
    QTest::addColumn<LandlordSettings>("readBack");

    const LandlordSettings full =
        landlordOf(QStringLiteral("SCI Les Tilleuls"),
                   {QStringLiteral("Résidence « Les Pins » ; bât. B"),
                    QStringLiteral("12 avenue Foch = angle rue Garibaldi"), QStringLiteral("BP 42"),
                    QStringLiteral("CS 30001"), QStringLiteral("69006 Lyon Cedex 06")},
                   QStringLiteral("Lyon"));
    QTest::newRow("new file") << QByteArray() << full << full;
    QTest::newRow("beside other sections") << kOther << full << full;
    QTest::newRow("blanks trimmed, empty lines dropped")
        << kOther
        << landlordOf(QStringLiteral("  Jean Martin "),
                      {QStringLiteral(" 3 rue Vaubecour"), QStringLiteral("  "),
                       QStringLiteral("69002 Lyon ")},
                      QStringLiteral(" Lyon "))
        << landlordOf(QStringLiteral("Jean Martin"),
                      {QStringLiteral("3 rue Vaubecour"), QStringLiteral("69002 Lyon")},
                      QStringLiteral("Lyon"));
    QTest::newRow("nothing") << kOther << LandlordSettings{} << LandlordSettings{};
}

void TestLandlord::roundTrip()
{
    QFETCH(QByteArray, before);
    QFETCH(LandlordSettings, landlord);
    QFETCH(LandlordSettings, readBack);
    if (!before.isEmpty())
        writeAll(ini(), before);
    QString reason;
    QVERIFY2(writeLandlord(landlord, ini(), &reason), qPrintable(reason));
    QCOMPARE(readLandlord(ini()), readBack);
    // The other sections are left exactly as they were, in front.
    QVERIFY(readAll(ini()).startsWith(before));
    QCOMPARE(readSettings(ini()).address,
             before.isEmpty() ? kDefaultAddress.toString() : QStringLiteral("http://h/a"));
}

void TestLandlord::shorterAddressClearsTheOldLines()
{
    QVERIFY(writeLandlord(landlordOf(QStringLiteral("A"),
                                     {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                      QStringLiteral("4")},
                                     {}),
                          ini()));
    QVERIFY(writeLandlord(landlordOf(QStringLiteral("A"), {QStringLiteral("un")}, {}), ini()));
    QCOMPARE(readLandlord(ini()).address, QStringList{QStringLiteral("un")});
    const QByteArray bytes = readAll(ini());
    QVERIFY(bytes.contains("ADRESSE4=\r\n"));
    QVERIFY(!bytes.contains("ADRESSE5")); // never written, not added
}

void TestLandlord::refusesWhatItCannotKeep_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("reason");
    QTest::newRow("six lines") << "six lines"
                               << "l'adresse du bailleur tient en 5 lignes au plus";
    QTest::newRow("a link") << "link"
                            << "est un lien symbolique";
}

void TestLandlord::refusesWhatItCannotKeep()
{
    QFETCH(QString, what);
    QFETCH(QString, reason);
    const QString target = m_dir.filePath(QStringLiteral("cible.ini"));
    writeAll(target, kOther);
    LandlordSettings landlord = landlordOf(QStringLiteral("A"), {QStringLiteral("1")}, {});
    QString file = target;
    if (what == u"six lines")
        landlord.address = QStringList(6, QStringLiteral("ligne"));
    else {
        QVERIFY(QFile::link(target, ini()));
        file = ini();
    }
    QString why;
    QVERIFY(!writeLandlord(landlord, file, &why));
    QVERIFY2(why.contains(reason), qPrintable(why));
    QCOMPARE(readAll(target), kOther);
    QFile::remove(target);
}

void TestLandlord::readsAFileTypedByHand()
{
    // Latin-1 from an old editor, letter case of its own, a hole in the lines.
    writeAll(ini(), "[Bailleur]\nnom = H\xe9l\xe8ne Roux\nADRESSE1=2 place Bellecour\n"
                    "ADRESSE3=69002 Lyon\nLieu=Lyon\n");
    QCOMPARE(readLandlord(ini()),
             landlordOf(QStringLiteral("Hélène Roux"),
                        {QStringLiteral("2 place Bellecour"), QStringLiteral("69002 Lyon")},
                        QStringLiteral("Lyon")));
}

VELMARIS_TEST(TestLandlord)
#include "tst_landlord.moc"
