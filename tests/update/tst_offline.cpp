// SPDX-License-Identifier: GPL-3.0-or-later
// Without a network: a quarter typed by hand, INSEE's own CSV or ZIP merged in.
#include "indexfile.h"
#include "inseefile.h"
#include "testmain.h"
#include "typedindex.h"

#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

using namespace velmaris;
using test::readAll;
using test::writeAll;

namespace {

const QString kData = QStringLiteral(VELMARIS_TEST_DATA "/insee/");
const QString kShipped = QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT");
const QDate kToday(2026, 12, 9);

// The shipped file as it was before the 4th quarter 2025 came out.
QByteArray shippedUpTo2025Q3()
{
    QByteArray bytes = readAll(kShipped);
    const qsizetype at = bytes.indexOf("42025\t");
    return bytes.remove(at, bytes.indexOf('\n', at) + 1 - at);
}

QByteArray typedMark(const char* quarter, const char* on)
{
    return QByteArray("' ") + quarter + " saisi par l'utilisateur le " + on + "\r\n";
}

} // namespace

class TestOffline : public QObject {
    Q_OBJECT

private slots:
    void typedEntry_data();
    void typedEntry();
    void typedEntryOnDisk();
    void csv_data();
    void csv();
    void files_data();
    void files();
    void import_data();
    void import();
};

void TestOffline::typedEntry_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("irl");
    QTest::addColumn<QString>("corse");
    QTest::addColumn<QString>("outreMer");
    QTest::addColumn<QString>("published");
    QTest::addColumn<QByteArray>("row"); // the new row, or empty
    QTest::addColumn<QString>("error");  // part of the reason

    const QString d = QStringLiteral("15/04/2026");
    QTest::newRow("IRL alone") << "12026"
                               << "146,60"
                               << ""
                               << "" << d << QByteArray("12026\t146.60\t15/04/2026\r\n") << "";
    QTest::newRow("with both regions")
        << "12026"
        << " 146.6 "
        << "142,4"
        << "143.80"
        << "15/4/26" << QByteArray("12026\t146.6\t15/04/2026\t142.4\t143.80\r\n") << "";
    QTest::newRow("overseas only")
        << "12026"
        << "146.60"
        << ""
        << "143.8" << d << QByteArray("12026\t146.60\t15/04/2026\t\t143.8\r\n") << "";
    QTest::newRow("published today")
        << "12026"
        << "146.60"
        << ""
        << ""
        << "09/12/2026" << QByteArray("12026\t146.60\t09/12/2026\r\n") << "";
    QTest::newRow("a quarter skipped")
        << "22026"
        << "148.37"
        << ""
        << ""
        << "15/07/2026" << QByteArray() << "le prochain trimestre à saisir est le 1er tr.2026";
    QTest::newRow("already in the file")
        << "42025"
        << "145.78"
        << ""
        << ""
        << "15/01/2026" << QByteArray() << "le 4è tr.2025 est déjà dans le";
    QTest::newRow("not a number") << "12026"
                                  << "146,6,0"
                                  << ""
                                  << "" << d << QByteArray()
                                  << "l'IRL « 146,6,0 » n'est pas un indice";
    QTest::newRow("no IRL") << "12026"
                            << " "
                            << "142.4"
                            << "" << d << QByteArray() << "l'IRL manque";
    QTest::newRow("zero") << "12026"
                          << "0"
                          << ""
                          << "" << d << QByteArray() << "l'IRL « 0 » n'est pas un indice";
    QTest::newRow("Corsica not a number")
        << "12026"
        << "146.60"
        << "abc"
        << "" << d << QByteArray() << "l'IRL de Corse « abc » n'est pas un indice";
    QTest::newRow("ten times too large")
        << "12026"
        << "1466.0"
        << ""
        << "" << d << QByteArray()
        << "l'IRL du 1er tr.2026 (1466) s'écarte de plus de 25 % de celui du 4è tr.2025 (145,78)";
    QTest::newRow("Corsica far from its last")
        << "12026"
        << "146.60"
        << "14.24"
        << "" << d << QByteArray()
        << "l'IRL Corse du 1er tr.2026 (14,24) s'écarte de plus de 25 % de celui du 4è tr.2025";
    QTest::newRow("seven decimals")
        << "12026"
        << "146.6000001"
        << ""
        << ""
        << "16/04/2026" << QByteArray() << "l'IRL « 146.6000001 » a plus de 6 décimales";
    QTest::newRow("no date") << "12026"
                             << "146.60"
                             << ""
                             << ""
                             << "" << QByteArray() << "la date de parution manque";
    QTest::newRow("impossible date")
        << "12026"
        << "146.60"
        << ""
        << ""
        << "31/02/2026" << QByteArray() << "« 31/02/2026 » n'est pas une date";
    QTest::newRow("in the future")
        << "12026"
        << "146.60"
        << ""
        << ""
        << "10/12/2026" << QByteArray() << "la date de parution 10/12/2026 est à venir";
    QTest::newRow("before the quarter ended")
        << "12026"
        << "146.60"
        << ""
        << ""
        << "31/03/2026" << QByteArray() << "le 1er tr.2026 ne peut pas avoir paru le 31/03/2026";
}

// Checked as the file is: the next quarter, the 25 % step, the dates.
void TestOffline::typedEntry()
{
    QFETCH(QString, key);
    QFETCH(QString, irl);
    QFETCH(QString, corse);
    QFETCH(QString, outreMer);
    QFETCH(QString, published);
    QFETCH(QByteArray, row);
    QFETCH(QString, error);

    const QByteArray file = readAll(kShipped);
    QCOMPARE(nextQuarterToType(file), Quarter(2026, 1));
    const TypedIndexResult result =
        addTypedIndex(file, {*Quarter::fromKey(key), irl, corse, outreMer, published}, kToday);
    if (!error.isEmpty()) {
        QVERIFY2(result.error.contains(error), qPrintable(result.error));
        QVERIFY(result.bytes.isEmpty());
        return;
    }
    QVERIFY2(result.ok(), qPrintable(result.error));
    // The header says it was typed; the row goes on top; nothing else moves.
    const qsizetype firstRow = file.indexOf("42025\t");
    QCOMPARE(result.bytes, file.left(firstRow) + typedMark("1er tr.2026", "09/12/2026") + row
                               + file.mid(firstRow));
    QCOMPARE(parseIndexFile(result.bytes).rows.front().quarter, Quarter(2026, 1));
}

void TestOffline::typedEntryOnDisk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    writeAll(path, readAll(kShipped));
    const TypedIndex entry{
        Quarter(2026, 1), QStringLiteral("146,60"), {}, {}, QStringLiteral("15/04/2026")};
    QCOMPARE(saveTypedIndex(path, entry, kToday), QString());
    QVERIFY(readAll(path).contains("12026\t146.60\t15/04/2026\r\n42025\t"));
    // Twice is refused: the quarter is in the file now.
    QVERIFY(saveTypedIndex(path, entry, kToday).contains(QStringLiteral("déjà dans le")));
    QVERIFY(saveTypedIndex(dir.filePath(QStringLiteral("absent.txt")), entry, kToday)
                .contains(QStringLiteral("ne peut pas être lu")));
}

void TestOffline::csv_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("idBanks");
    QTest::addColumn<int>("count");        // observations of the first series
    QTest::addColumn<QString>("newest");   // its newest quarter's key and value
    QTest::addColumn<QDate>("lastUpdate"); // of the first series
    QTest::addColumn<QString>("error");

    QTest::newRow("INSEE's own example")
        << readAll(kData + QStringLiteral("valeurs_trimestrielles-example.csv"))
        << QStringList{QStringLiteral("010567069")} << 3 << "22025 135.2" << QDate(2025, 8, 28)
        << "";
    const QByteArray irl = readAll(kData + QStringLiteral("valeurs_trimestrielles.csv"));
    QTest::newRow("the IRL") << irl << QStringList{QStringLiteral("001515333")} << 8
                             << "42025 145.78" << QDate(2026, 1, 15) << "";
    QTest::newRow("CR LF, a byte order mark")
        << QByteArray("\xEF\xBB\xBF" + QByteArray(irl).replace("\n", "\r\n"))
        << QStringList{QStringLiteral("001515333")} << 8 << "42025 145.78" << QDate(2026, 1, 15)
        << "";
    QTest::newRow("Latin-1") << QByteArray(irl)
                                    .replace("\xC3\xA8", "\xE8")
                                    .replace("\xC3\xA0", "\xE0")
                                    .replace("\xC3\xA9", "\xE9")
                             << QStringList{QStringLiteral("001515333")} << 8 << "42025 145.78"
                             << QDate(2026, 1, 15) << "";
    QTest::newRow("two series") << QByteArray(
        "\"Libellé\";\"IRL\";\"Codes\";\"IRL Corse\";\"Codes\"\n"
        "\"idBank\";\"001515333\";\"\";\"010760507\";\"\"\n"
        "\"Période\";\"\";\"\";\"\";\"\"\n"
        "\"2025-T4\";\"145.78\";\"A\";\"141.59\";\"A\"\n"
        "\"2025-T3\";\"145.77\";\"A\";\"\";\"\"\n")
                                << QStringList{QStringLiteral("001515333"),
                                               QStringLiteral("010760507")}
                                << 2 << "42025 145.78" << QDate() << "";
    QTest::newRow("no idBank row")
        << QByteArray("trimestre;valeur\n2025-T4;145.78\n") << QStringList() << 0 << "" << QDate()
        << "ce n'est pas un fichier de séries de l'Insee";
    QTest::newRow("monthly series")
        << QByteArray("\"idBank\";\"001763852\";\"\"\n\"2025-10\";\"120.1\";\"A\"\n")
        << QStringList() << 0 << "" << QDate() << "la période « 2025-10 » n'est pas un trimestre";
    QTest::newRow("decimal comma")
        << QByteArray(irl).replace("\"145.78\"", "\"145,78\"") << QStringList() << 0 << ""
        << QDate() << "la valeur « 145,78 » du 4è tr.2025 (série 001515333)";
    QTest::newRow("quarter twice")
        << QByteArray(irl).replace("2025-T3", "2025-T4") << QStringList() << 0 << "" << QDate()
        << "le 4è tr.2025 figure deux fois dans la série 001515333";
    QTest::newRow("no value") << QByteArray(
        "\"idBank\";\"001515333\";\"\"\n\"2026-T1\";\"\";\"\"\n")
                              << QStringList() << 0 << "" << QDate() << "n'a aucune valeur";
}

void TestOffline::csv()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, idBanks);
    QFETCH(int, count);
    QFETCH(QString, newest);
    QFETCH(QDate, lastUpdate);
    QFETCH(QString, error);

    const InseeFile file = parseInseeCsv(csv);
    if (!error.isEmpty()) {
        QVERIFY2(file.error.contains(error), qPrintable(file.error));
        return;
    }
    QVERIFY2(file.ok(), qPrintable(file.error));
    QStringList read;
    for (const SdmxSeries& s : file.series)
        read << s.idBank;
    QCOMPARE(read, idBanks);
    const SdmxSeries& first = file.series.front();
    QCOMPARE(int(first.observations.size()), count);
    QCOMPARE(first.observations.front().quarter.key() + u' ' + first.observations.front().text,
             newest);
    QCOMPARE(first.lastUpdate, lastUpdate);
    // Newest first, as INSEE's web service gives them.
    for (std::size_t i = 1; i < first.observations.size(); ++i)
        QVERIFY(first.observations[i].quarter < first.observations[i - 1].quarter);
}

void TestOffline::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error"); // empty: the IRL's series is read

    QTest::newRow("INSEE's ZIP") << kData + QStringLiteral("serie_001515333.zip") << "";
    QTest::newRow("ZIP without the values")
        << kData + QStringLiteral("sans_valeurs.zip")
        << "le fichier ZIP ne contient pas le fichier des valeurs de l'Insee";
    QTest::newRow("ZIP cut short") << QStringLiteral("cut") << "le fichier ZIP ne s'ouvre pas";
    QTest::newRow("none") << kData + QStringLiteral("absent.zip") << "le fichier n'existe pas";
}

void TestOffline::files()
{
    QFETCH(QString, path);
    QFETCH(QString, error);
    QTemporaryDir dir;
    if (path == u"cut") {
        // A download stopped half way: the start of a real ZIP.
        path = dir.filePath(QStringLiteral("coupe.zip"));
        writeAll(path, readAll(kData + QStringLiteral("serie_001515333.zip")).left(300));
    }
    const InseeFile file = readInseeFile(path);
    if (!error.isEmpty()) {
        QVERIFY2(file.error.contains(error), qPrintable(file.error));
        return;
    }
    QVERIFY2(file.ok(), qPrintable(file.error));
    QCOMPARE(file.series.size(), std::size_t(1));
    QCOMPARE(file.series.front().idBank, QStringLiteral("001515333"));
    QCOMPARE(file.series.front().observations.front().value, 145.78);
}

void TestOffline::import_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("insee");
    QTest::addColumn<int>("answer"); // -1: no one to ask, 0: no, 1: yes
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QByteArray>("holds"); // part of the file written

    const QByteArray old = shippedUpTo2025Q3();
    const QByteArray typed =
        QByteArray(old).replace("32025\t", typedMark("4\xE8 tr.2025", "20/01/2026")
                                               + "42025\t145.90\t15/01/2026\r\n32025\t");
    const QString zip = QStringLiteral("serie_001515333.zip");
    QTest::newRow("the IRL's ZIP adds a quarter")
        << old << zip << -1 << "Indices mis à jour jusqu'au 4è tr.2025 (1 trimestre ajouté)."
        << "" << QByteArray("\r\n42025\t145.78\t15/01/2026\r\n32025\t145.77\t");
    QTest::newRow("the IRL's CSV, nothing new")
        << readAll(kShipped) << QStringLiteral("valeurs_trimestrielles.csv") << -1
        << "Les indices sont déjà à jour."
        << "" << QByteArray();
    QTest::newRow("Corsica fills in its column")
        << readAll(kShipped) << QStringLiteral("serie_010760507.zip") << -1
        << "Valeurs manquantes complétées pour le 2è tr.2025."
        << ""
        << QByteArray("' 2\xE8 tr.2025 : IRL de Corse compl\xE9t\xE9 depuis le fichier de l'Insee "
                      "serie_010760507.zip le 09/12/2026\r\n");
    QTest::newRow("another series")
        << old << QStringLiteral("valeurs_trimestrielles-example.csv") << -1 << ""
        << "la série 010567069 n'est pas un indice que le fichier des indices tient"
        << QByteArray();
    QTest::newRow("typed value, no one to ask")
        << typed << zip << -1 << ""
        << "l'IRL du 4è tr.2025 : 145,90 saisi le 20/01/2026 ; 145,78 selon l'Insee"
        << QByteArray();
    QTest::newRow("typed value, the user says no") << typed << zip << 0 << ""
                                                   << "145,90 saisi" << QByteArray();
    QTest::newRow("typed value, the user says yes")
        << typed << zip << 1
        << "Valeurs saisies remplacées par celles de l'Insee pour le 4è tr.2025."
        << ""
        << QByteArray(
               "' 4\xE8 tr.2025 corrig\xE9 selon le fichier de l'Insee serie_001515333.zip le "
               "09/12/2026 (saisi par l'utilisateur le 20/01/2026 : IRL 145.90)\r\n");
}

void TestOffline::import()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, insee);
    QFETCH(int, answer);
    QFETCH(QString, summary);
    QFETCH(QString, error);
    QFETCH(QByteArray, holds);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    writeAll(path, file);
    QStringList asked;
    std::function<bool(const QString&)> ask;
    if (answer >= 0)
        ask = [&](const QString& question) {
            asked << question;
            return answer == 1;
        };
    QString said;
    const QString refusal =
        importInseeFile(path, kData + insee, UpdateSettings(), kToday, ask, &said);
    if (!error.isEmpty()) {
        QVERIFY2(refusal.contains(error), qPrintable(refusal));
        QCOMPARE(readAll(path), file);
        return;
    }
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QCOMPARE(said, summary);
    const QByteArray written = readAll(path);
    QVERIFY(parseIndexFile(written).ok());
    if (holds.isEmpty())
        QCOMPARE(written, file);
    else
        QVERIFY2(written.contains(holds), written.left(1500).constData());
    if (answer == 1) {
        // Both values were shown; INSEE's is in the file and counts as INSEE's.
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().contains(QStringLiteral("145,90 saisi le 20/01/2026 ; 145,78")));
        QVERIFY(written.contains("\r\n42025\t145.78\t15/01/2026\r\n"));
        QVERIFY(!written.contains("saisi par l'utilisateur le 20/01/2026\r\n"));
    }
}

VELMARIS_TEST(TestOffline)
#include "tst_offline.moc"
