// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdmxreply.h"
#include "testmain.h"

#include "indexfile.h"
#include "inseesdmx.h"
#include "sdmxmerge.h"

#include <QFile>
#include <QTest>

using namespace velmaris;

namespace {

const QByteArray kHeader = "' VELMARIS.TXT de test\r\n"
                           "' Colonnes : trimestre ; indice ; date\r\n";
const QByteArray kRows = "32025\t145.77\t15/10/2025\r\n"
                         "22025\t146.68\t16/07/2025\r\n"
                         "12025\t145.47\t16/04/2025\r\n"
                         "' un commentaire au milieu\r\n"
                         "42024\t144.64\t15/01/2025\r\n"
                         "32024\t144.51\t16/10/2024\r\n";
const QByteArray kFile = kHeader + kRows;
// A file that stops at the 3rd quarter 1999, ICC only.
const QByteArray kIccHeader = "' VELMARIS.TXT de test\r\n";
const QByteArray kIccRows = "12000\t1089\t10/07/2000\r\n"
                            "41999\t1080\t07/04/2000\r\n"
                            "31999\t1065\t10/01/2000\r\n";

QByteArray latin1(const QString& text)
{
    return text.toLatin1();
}

QByteArray estimatedLine(const QString& entries)
{
    return latin1(kEstimatedDatesComment.toString() + entries) + "\r\n";
}

SdmxSeries series(const QByteArray& idBank, const QByteArray& lastUpdate,
                  const Observations& observations)
{
    const SdmxReply reply =
        parseSdmxSeries(sdmxReply(idBank, lastUpdate, observations), QString::fromLatin1(idBank));
    return reply.series;
}

Observations with(Observations head, const Observations& tail = irlUpTo2025Q3())
{
    head += tail;
    return head;
}

// A refused merge writes nothing and says why; a done one gives the expected
// file, which reads as the program reads its file.
void checkMerge(const SdmxMerge& merge, const QByteArray& expected, const QString& error)
{
    if (!error.isEmpty()) {
        QVERIFY2(merge.error.contains(error), qPrintable(merge.error));
        QVERIFY(merge.bytes.isEmpty());
        return;
    }
    QVERIFY2(merge.ok(), qPrintable(merge.error));
    QCOMPARE(merge.bytes, expected);
    if (!expected.isEmpty())
        QVERIFY(parseIndexFile(merge.bytes).ok());
}

} // namespace

class TestSdmx : public QObject {
    Q_OBJECT

private slots:
    void plainDecimals_data();
    void plainDecimals();
    void xmlOrIndexFile_data();
    void xmlOrIndexFile();
    void addresses_data();
    void addresses();

    void parse_data();
    void parse();
    void parsesInseesOwnExample();

    void merge_data();
    void merge();
    void regionalColumns_data();
    void regionalColumns();
    void secondUpdateExtendsTheEstimatedList();
    void mergeRules_data();
    void mergeRules();
    void iccBelowTheOldest_data();
    void iccBelowTheOldest();
};

void TestSdmx::plainDecimals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // -1: refused

    QTest::newRow("two decimals") << "145.77" << 145.77;
    QTest::newRow("blanks") << " 126.1 " << 126.1;
    QTest::newRow("whole") << "12" << 12.0;
    QTest::newRow("below one") << "0.5" << 0.5;
    QTest::newRow("comma") << "145,77" << -1.0;
    QTest::newRow("minus") << "-3" << -1.0;
    QTest::newRow("plus") << "+3" << -1.0;
    QTest::newRow("exponent") << "1e2" << -1.0;
    QTest::newRow("nan") << "NaN" << -1.0;
    QTest::newRow("empty") << "" << -1.0;
    QTest::newRow("no units") << ".5" << -1.0;
    QTest::newRow("no decimals") << "5." << -1.0;
    QTest::newRow("two points") << "1.2.3" << -1.0;
    QTest::newRow("blank inside") << "145 .77" << -1.0;
    QTest::newRow("full-width digits") << QString::fromUtf8("１２") << -1.0;
}

void TestSdmx::plainDecimals()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(plainDecimal(text).value_or(-1.0), value);
}

void TestSdmx::xmlOrIndexFile_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("xml");

    QTest::newRow("declaration") << QByteArray("<?xml version='1.0'?><a/>") << true;
    QTest::newRow("mark and blanks") << QByteArray("\xEF\xBB\xBF \r\n <message:Error/>") << true;
    QTest::newRow("web page") << QByteArray("<!DOCTYPE html><html></html>") << true;
    QTest::newRow("index file, comment") << kFile << false;
    QTest::newRow("index file, row first") << kRows << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestSdmx::xmlOrIndexFile()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, xml);
    QCOMPARE(looksLikeXml(body), xml);
}

void TestSdmx::addresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("idBank");
    QTest::addColumn<QString>("regional"); // the same service for idBank 010000001

    const QString service = kInseeSeriesService.toString();
    QTest::newRow("INSEE") << service + QStringLiteral("001515333") << "001515333"
                           << service + QStringLiteral("010000001");
    QTest::newRow("with a query") << "https://h.test/SERIES_BDM/001515333?startPeriod=2020-Q1"
                                  << "001515333"
                                  << "https://h.test/SERIES_BDM/010000001?startPeriod=2020-Q1";
    QTest::newRow("no idBank in it") << "http://h.test/irl.xml"
                                     << "001515333"
                                     << "http://h.test/010000001";
}

void TestSdmx::addresses()
{
    QFETCH(QString, address);
    QFETCH(QString, idBank);
    QFETCH(QString, regional);
    QCOMPARE(idBankOf(QUrl(address)), idBank);
    QCOMPARE(seriesAddress(QUrl(address), QStringLiteral("010000001")).toString(), regional);
}

void TestSdmx::parse_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("error"); // part of the reason; empty: read
    QTest::addColumn<int>("quarters");
    QTest::addColumn<QDate>("lastUpdate");

    const QByteArray good = sdmxReply("001515333", "2025-10-15", irlUpTo2025Q3());
    const QDate oct15(2025, 10, 15);
    auto one = [](const QByteArray& period, const QByteArray& value) {
        return sdmxReply("001515333", "2025-10-15", {{period, value}});
    };

    QTest::newRow("good") << good << "" << 5 << oct15;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" + good) << "" << 5 << oct15;
    QTest::newRow("asked series second")
        << sdmxMessage(sdmxSeries("010567069", "2025-08-28", {{"2025-Q2", "135.2"}})
                       + sdmxSeries("001515333", "2025-10-15", irlUpTo2025Q3()))
        << "" << 5 << oct15;
    QTest::newRow("no last update")
        << sdmxReply("001515333", "", irlUpTo2025Q3()) << "" << 5 << QDate();
    QTest::newRow("last update with time")
        << sdmxReply("001515333", "2025-10-15T08:45:00", irlUpTo2025Q3()) << "" << 5 << oct15;

    QTest::newRow("other idBank") << sdmxReply("001572130", "2025-10-15", irlUpTo2025Q3())
                                  << "la série 001572130 au lieu de la série 001515333" << 0
                                  << QDate();
    QTest::newRow("no series") << sdmxMessage({}) << "aucune série" << 0 << QDate();
    QTest::newRow("series without values")
        << sdmxReply("001515333", "2025-10-15", {}) << "ne contient aucune valeur" << 0 << QDate();
    QTest::newRow("cut") << good.left(good.size() * 2 / 3) << "coupée avant la fin" << 0 << QDate();
    QTest::newRow("cut after the series")
        << good.left(good.indexOf("</Series>") + 9) << "coupée avant la fin" << 0 << QDate();
    QTest::newRow("web page") << QByteArray("<!DOCTYPE html>\r\n<html><head><title>Erreur 503"
                                            "</title></head><body><p>Service indisponible<br>"
                                            "</body></html>")
                              << "page web" << 0 << QDate();
    QTest::newRow("service error")
        << QByteArray("<?xml version='1.0' encoding='UTF-8'?>\n<message:Error "
                      "xmlns:message=\"http://www.sdmx.org/resources/sdmxml/schemas/v2_1/message\" "
                      "xmlns:common=\"http://www.sdmx.org/resources/sdmxml/schemas/v2_1/common\">"
                      "<message:ErrorMessage code=\"100\"><common:Text xml:lang=\"en\">No "
                      "results found.</common:Text></message:ErrorMessage></message:Error>")
        << "erreur (« No results found. »)" << 0 << QDate();
    QTest::newRow("other document")
        << QByteArray("<?xml version='1.0'?><rss/>") << "elle commence par « rss »" << 0 << QDate();
    QTest::newRow("not XML") << QByteArray("<<< >>>") << "pas un XML lisible" << 0 << QDate();
    QTest::newRow("comma decimal")
        << one("2025-Q3", "145,77") << "« 145,77 » donnée pour le 3è tr.2025" << 0 << QDate();
    QTest::newRow("NaN") << one("2025-Q3", "NaN") << "« NaN »" << 0 << QDate();
    QTest::newRow("negative") << one("2025-Q3", "-145.77") << "décimal simple" << 0 << QDate();
    QTest::newRow("exponent") << one("2025-Q3", "1.4577e2") << "décimal simple" << 0 << QDate();
    QTest::newRow("zero") << one("2025-Q3", "0") << "décimal simple" << 0 << QDate();
    QTest::newRow("no value") << QByteArray(good).replace("OBS_VALUE=\"145.77\"", "")
                              << "aucune valeur n'est donnée pour le 3è tr.2025" << 0 << QDate();
    QTest::newRow("monthly") << one("2025-09", "145.77") << "« 2025-09 » n'est pas un trimestre"
                             << 0 << QDate();
    QTest::newRow("quarter twice")
        << sdmxReply("001515333", "2025-10-15", {{"2025-Q3", "145.77"}, {"2025-Q3", "145.77"}})
        << "le 3è tr.2025 figure deux fois" << 0 << QDate();
}

void TestSdmx::parse()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, error);
    QFETCH(int, quarters);
    QFETCH(QDate, lastUpdate);

    const SdmxReply reply = parseSdmxSeries(xml, kIrlIdBank);
    QVERIFY2(error.isEmpty() ? reply.ok() : reply.error.contains(error), qPrintable(reply.error));
    QCOMPARE(int(reply.series.observations.size()), reply.ok() ? quarters : 0);
    if (!reply.ok())
        return;
    QCOMPARE(reply.series.idBank, kIrlIdBank.toString());
    QCOMPARE(reply.series.lastUpdate, lastUpdate);
    const SdmxObservation& newest = reply.series.observations.front();
    QCOMPARE(newest.quarter, Quarter(2025, 3));
    QCOMPARE(newest.text, QStringLiteral("145.77"));
    QCOMPARE(newest.value, 145.77);
    QCOMPARE(reply.series.observations.back().quarter, Quarter(2024, 3));
}

void TestSdmx::parsesInseesOwnExample()
{
    // A real reply of the service, for another series.
    QFile file(QStringLiteral(VELMARIS_TEST_DATA "/insee-structure-specific-2024.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray xml = file.readAll();
    QVERIFY(looksLikeXml(xml));

    const SdmxReply reply = parseSdmxSeries(xml, u"001572130");
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QCOMPARE(reply.series.lastUpdate, QDate(2024, 9, 19));
    QCOMPARE(int(reply.series.observations.size()), 10);
    QCOMPARE(reply.series.observations.front().quarter, Quarter(2024, 2));
    QCOMPARE(reply.series.observations.front().value, 126.15);
    QCOMPARE(reply.series.find(Quarter(2023, 4))->text, QStringLiteral("124.9"));
    QCOMPARE(reply.series.observations.back().quarter, Quarter(2022, 1));

    QVERIFY(
        parseSdmxSeries(xml, kIrlIdBank)
            .error.contains(QStringLiteral("la série 001572130 au lieu de la série 001515333")));
}

void TestSdmx::merge_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("lastUpdate");
    QTest::addColumn<Observations>("observations");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QByteArray>("expected"); // the new file; empty: nothing to write
    QTest::addColumn<QString>("error");       // part of the reason

    const QDate december(2026, 12, 8);
    const QByteArray q4 = "42025\t145.78\t15/01/2026\r\n";
    const QByteArray q1 = "12026\t146.12\t16/04/2026\r\n";
    const Observations plusQ4 = with({{"2025-Q4", "145.78"}});
    const Observations plusQ1 = with({{"2026-Q1", "146.12"}, {"2025-Q4", "145.78"}});

    QTest::newRow("one quarter") << kFile << QByteArray("2026-01-15") << plusQ4 << december
                                 << QByteArray(kHeader + q4 + kRows) << "";
    QTest::newRow("two quarters") << kFile << QByteArray("2026-04-16") << plusQ1 << december
                                  << QByteArray(kHeader
                                                + estimatedLine(u"4è tr.2025 le 15/01/2026"_qs) + q1
                                                + q4 + kRows)
                                  << "";
    QTest::newRow("three, unsorted")
        << kFile << QByteArray("2026-07-16")
        << with({{"2025-Q4", "145.78"}, {"2026-Q2", "146.50"}, {"2026-Q1", "146.12"}}) << december
        << QByteArray(
               kHeader + estimatedLine(u"1er tr.2026 le 15/04/2026 ; 4è tr.2025 le 15/01/2026"_qs)
               + "22026\t146.50\t16/07/2026\r\n" + "12026\t146.12\t15/04/2026\r\n" + q4 + kRows)
        << "";
    QTest::newRow("none") << kFile << QByteArray("2025-10-15") << irlUpTo2025Q3() << december
                          << QByteArray() << "";
    QTest::newRow("older quarters only")
        << kFile << QByteArray("2025-10-15") << Observations{{"2025-Q1", "145.47"}} << december
        << QByteArray() << "";
    QTest::newRow("no last update")
        << kFile << QByteArray() << plusQ4 << december
        << QByteArray(kHeader + estimatedLine(u"4è tr.2025 le 15/01/2026"_qs)
                      + "42025\t145.78\t15/01/2026\r\n" + kRows)
        << "";
    QTest::newRow("last update before the quarter ended")
        << kFile << QByteArray("2025-12-01") << plusQ4 << december
        << QByteArray(kHeader + estimatedLine(u"4è tr.2025 le 15/01/2026"_qs) + q4 + kRows) << "";
    QTest::newRow("last update after the next release")
        << kFile << QByteArray("2026-04-15") << plusQ4 << december
        << QByteArray(kHeader + estimatedLine(u"4è tr.2025 le 15/01/2026"_qs) + q4 + kRows) << "";
    QTest::newRow("last update the day before the next release")
        << kFile << QByteArray("2026-04-14") << plusQ4 << december
        << QByteArray(kHeader + "42025\t145.78\t14/04/2026\r\n" + kRows) << "";
    QTest::newRow("line feeds kept")
        << QByteArray(kFile).replace("\r\n", "\n") << QByteArray("2026-01-15") << plusQ4 << december
        << QByteArray(kHeader + q4 + kRows).replace("\r\n", "\n") << "";
    QTest::newRow("no header") << kRows << QByteArray("2026-04-16") << plusQ1 << december
                               << QByteArray(estimatedLine(u"4è tr.2025 le 15/01/2026"_qs) + q1 + q4
                                             + kRows)
                               << "";
    QTest::newRow("last line unended")
        << kFile.chopped(2) << QByteArray("2026-01-15") << plusQ4 << december
        << QByteArray(kHeader + q4 + kRows).chopped(2) << "";

    QTest::newRow("changed past value")
        << kFile << QByteArray("2026-01-15")
        << Observations{{"2025-Q4", "145.78"}, {"2025-Q3", "145.77"}, {"2025-Q2", "146.69"}}
        << december << QByteArray()
        << "l'IRL du 2è tr.2025 vaut 146,69 selon l'Insee et 146,68 dans le fichier";
    QTest::newRow("changed value, nothing new")
        << kFile << QByteArray("2025-10-15") << Observations{{"2024-Q3", "144.50"}} << december
        << QByteArray() << "du 3è tr.2024 vaut 144,50";
    QTest::newRow("quarter missing")
        << kFile << QByteArray("2026-04-16") << with({{"2026-Q1", "146.12"}}) << december
        << QByteArray() << "il manque le 4è tr.2025";
    QTest::newRow("quarter not ended")
        << kFile << QByteArray("2026-03-20") << plusQ1 << QDate(2026, 3, 31) << QByteArray()
        << "le 1er tr.2026, qui n'est pas encore terminé";
    QTest::newRow("corrupt file") << QByteArray(kFile + "12024\tdemain\r\n")
                                  << QByteArray("2026-01-15") << plusQ4 << december << QByteArray()
                                  << "fichier des indices actuel est illisible (ligne 9 : ";
    QTest::newRow("comments only") << kHeader << QByteArray("2026-01-15") << plusQ4 << december
                                   << QByteArray() << "ne contient aucun trimestre";
}

void TestSdmx::merge()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, lastUpdate);
    QFETCH(Observations, observations);
    QFETCH(QDate, today);
    QFETCH(QByteArray, expected);
    QFETCH(QString, error);

    const SdmxMerge merge = mergeSdmxSeries(file, series("001515333", lastUpdate, observations),
                                            nullptr, nullptr, today);
    if (!error.isEmpty()) {
        QVERIFY2(merge.error.contains(error), qPrintable(merge.error));
        QVERIFY(merge.bytes.isEmpty());
        QVERIFY(merge.added.empty());
        return;
    }
    QVERIFY2(merge.ok(), qPrintable(merge.error));
    QCOMPARE(merge.bytes, expected);
    QCOMPARE(merge.upToDate(), expected.isEmpty());
    if (expected.isEmpty())
        return;
    // The reader takes it, the new quarters first, and no comma crept into a comment.
    const IndexFileResult read = parseIndexFile(merge.bytes);
    QVERIFY(read.ok());
    QCOMPARE(read.rows.size(), parseIndexFile(file).rows.size() + merge.added.size());
    QCOMPARE(read.rows.front().label(), merge.added.front().label());
    QVERIFY(!merge.bytes.left(merge.bytes.indexOf('\t')).contains(','));
}

void TestSdmx::regionalColumns_data()
{
    QTest::addColumn<Observations>("corse");    // empty: no idBank set
    QTest::addColumn<Observations>("outreMer"); // empty: no idBank set
    QTest::addColumn<QByteArray>("row");        // the new row
    QTest::addColumn<QString>("error");

    const Observations corse{{"2025-Q4", "141.59"}, {"2025-Q3", "141.58"}};
    const Observations outreMer{{"2025-Q4", "142.98"}, {"2025-Q3", "142.97"}};
    QTest::newRow("both") << corse << outreMer
                          << QByteArray("42025\t145.78\t15/01/2026\t141.59\t142.98\r\n") << "";
    QTest::newRow("Corsica only") << corse << Observations()
                                  << QByteArray("42025\t145.78\t15/01/2026\t141.59\r\n") << "";
    QTest::newRow("overseas only") << Observations() << outreMer
                                   << QByteArray("42025\t145.78\t15/01/2026\t\t142.98\r\n") << "";
    QTest::newRow("Corsica lacks the quarter")
        << Observations{{"2025-Q3", "141.58"}} << outreMer << QByteArray()
        << "la série de l'IRL de Corse (idBank 010000001) ne donne pas le 4è tr.2025";
    QTest::newRow("overseas past value changed")
        << corse << Observations{{"2025-Q4", "142.98"}, {"2025-Q3", "142.90"}} << QByteArray()
        << "l'IRL d'outre-mer du 3è tr.2025 vaut 142,90 selon l'Insee et 142,97";
}

void TestSdmx::regionalColumns()
{
    QFETCH(Observations, corse);
    QFETCH(Observations, outreMer);
    QFETCH(QByteArray, row);
    QFETCH(QString, error);

    // The file already holds the regional values of its newest quarter.
    const QByteArray file = kHeader + "32025\t145.77\t15/10/2025\t141.58\t142.97\r\n"
                            + kRows.mid(kRows.indexOf('\n') + 1);
    const SdmxSeries c = series("010000001", "2026-01-15", corse);
    const SdmxSeries o = series("010000002", "2026-01-15", outreMer);
    if (!corse.isEmpty())
        QVERIFY(!c.observations.empty());
    const SdmxMerge merge = mergeSdmxSeries(
        file, series("001515333", "2026-01-15", with({{"2025-Q4", "145.78"}})),
        corse.isEmpty() ? nullptr : &c, outreMer.isEmpty() ? nullptr : &o, QDate(2026, 12, 8));
    if (!error.isEmpty()) {
        QVERIFY2(merge.error.contains(error), qPrintable(merge.error));
        return;
    }
    QVERIFY2(merge.ok(), qPrintable(merge.error));
    QCOMPARE(merge.bytes, kHeader + row + file.mid(kHeader.size()));
    QVERIFY(parseIndexFile(merge.bytes).ok());
}

void TestSdmx::secondUpdateExtendsTheEstimatedList()
{
    const SdmxMerge first = mergeSdmxSeries(
        kFile,
        series("001515333", "2026-04-16", with({{"2026-Q1", "146.12"}, {"2025-Q4", "145.78"}})),
        nullptr, nullptr, QDate(2026, 12, 8));
    QVERIFY2(first.ok(), qPrintable(first.error));
    const SdmxMerge second = mergeSdmxSeries(first.bytes,
                                             series("001515333", "",
                                                    with({{"2026-Q3", "147.01"},
                                                          {"2026-Q2", "146.50"},
                                                          {"2026-Q1", "146.12"},
                                                          {"2025-Q4", "145.78"}})),
                                             nullptr, nullptr, QDate(2026, 12, 8));
    QVERIFY2(second.ok(), qPrintable(second.error));
    QCOMPARE(second.added, (std::vector<Quarter>{Quarter(2026, 3), Quarter(2026, 2)}));
    // One list, newest first; the rows already written keep their dates.
    QCOMPARE(second.bytes,
             kHeader
                 + estimatedLine(u"3è tr.2026 le 15/10/2026 ; 2è tr.2026 le 15/07/2026 ; "
                                 "4è tr.2025 le 15/01/2026"_qs)
                 + "32026\t147.01\t15/10/2026\r\n22026\t146.50\t15/07/2026\r\n"
                   "12026\t146.12\t16/04/2026\r\n42025\t145.78\t15/01/2026\r\n"
                 + kRows);
}

// Rows the file holds: a missing value is filled in, a published one never
// changes, a typed one only when the user confirms INSEE's.
void TestSdmx::mergeRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Observations>("irl");
    QTest::addColumn<Observations>("corse");
    QTest::addColumn<Observations>("outreMer");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QByteArray>("expected"); // the new file, or empty
    QTest::addColumn<QString>("error");       // part of the reason
    QTest::addColumn<bool>("asks");           // refused until the user confirms

    const QByteArray rows = "32025\t145.77\t15/10/2025\t141.58\t142.97\r\n"
                            "22025\t146.68\t16/07/2025\r\n"
                            "12025\t145.47\t16/04/2025\t141.28\t142.67\r\n";
    const QByteArray file = kHeader + rows;
    const QByteArray typedMark = "' 4\xE8 tr.2025 saisi par l'utilisateur le 20/01/2026\r\n";
    const QByteArray typed = kHeader + typedMark + "42025\t145.90\t15/01/2026\r\n" + rows;
    const QByteArray corrected = kHeader
                                 + "' 4\xE8 tr.2025 corrig\xE9 selon l'Insee le 08/12/2026 (saisi "
                                   "par l'utilisateur le 20/01/2026 : IRL 145.90)\r\n"
                                   "42025\t145.78\t15/01/2026\r\n"
                                 + rows;
    const Observations none;
    const Observations insee4{{"2025-Q4", "145.78"}, {"2025-Q3", "145.77"}};
    const QByteArray filled = "' 2\xE8 tr.2025 : IRL de Corse compl\xE9t\xE9 depuis l'Insee le "
                              "08/12/2026\r\n";

    QTest::newRow("Corsica filled in")
        << file << none << Observations{{"2025-Q3", "141.58"}, {"2025-Q2", "142.50"}} << none
        << false
        << QByteArray(kHeader + filled
                      + QByteArray(rows).replace("16/07/2025", "16/07/2025\t142.50"))
        << "" << false;
    QTest::newRow("overseas filled in")
        << file << none << none << Observations{{"2025-Q2", "143.20"}} << false
        << QByteArray(kHeader
                      + "' 2\xE8 tr.2025 : IRL d'outre-mer compl\xE9t\xE9 depuis l'Insee le "
                        "08/12/2026\r\n"
                      + QByteArray(rows).replace("16/07/2025", "16/07/2025\t\t143.20"))
        << "" << false;
    QTest::newRow("both filled in, with a new quarter")
        << file << Observations{{"2025-Q4", "145.78"}, {"2025-Q3", "145.77"}}
        << Observations{{"2025-Q4", "141.59"}, {"2025-Q2", "142.50"}}
        << Observations{{"2025-Q4", "142.98"}, {"2025-Q2", "143.20"}} << false
        << QByteArray(kHeader
                      + "' 2\xE8 tr.2025 : IRL de Corse et IRL d'outre-mer compl\xE9t\xE9s depuis "
                        "l'Insee le 08/12/2026\r\n"
                      + "42025\t145.78\t15/01/2026\t141.59\t142.98\r\n"
                      + QByteArray(rows).replace("16/07/2025", "16/07/2025\t142.50\t143.20"))
        << "" << false;
    QTest::newRow("a filled-in value far from its neighbours")
        << file << none << Observations{{"2025-Q2", "42.50"}} << none << false << QByteArray()
        << "l'IRL Corse du 2è tr.2025 (42,5) s'écarte de plus de 25 %" << false;
    QTest::newRow("published value changed")
        << file << none << Observations{{"2025-Q3", "141.00"}} << none << true << QByteArray()
        << "l'IRL de Corse du 3è tr.2025 vaut 141,00 selon l'Insee et 141,58" << false;
    QTest::newRow("typed value, INSEE's differs")
        << typed << insee4 << none << none << false << QByteArray()
        << "l'IRL du 4è tr.2025 : 145,90 saisi le 20/01/2026 ; 145,78 selon l'Insee" << true;
    QTest::newRow("typed value, confirmed correction")
        << typed << insee4 << none << none << true << corrected << "" << false;
    QTest::newRow("typed value, INSEE's the same")
        << typed << Observations{{"2025-Q4", "145.9"}} << none << none << false
        << QByteArray(kHeader
                      + "' 4\xE8 tr.2025 confirm\xE9 par l'Insee le 08/12/2026 (saisi par "
                        "l'utilisateur le 20/01/2026)\r\n"
                        "42025\t145.90\t15/01/2026\r\n"
                      + rows)
        << "" << false;
    QTest::newRow("corrected once: INSEE's from then on")
        << corrected << Observations{{"2025-Q4", "145.70"}} << none << none << true << QByteArray()
        << "l'IRL du 4è tr.2025 vaut 145,70 selon l'Insee et 145,78" << false;
    QTest::newRow("nothing to do")
        << file << insee4.mid(1) << none << none << false << QByteArray() << "" << false;
}

void TestSdmx::mergeRules()
{
    QFETCH(QByteArray, file);
    QFETCH(Observations, irl);
    QFETCH(Observations, corse);
    QFETCH(Observations, outreMer);
    QFETCH(bool, confirm);
    QFETCH(QByteArray, expected);
    QFETCH(QString, error);
    QFETCH(bool, asks);

    const SdmxSeries i = series("001515333", "2026-01-15", irl);
    const SdmxSeries c = series("010760507", "2026-01-15", corse);
    const SdmxSeries o = series("010760509", "2026-01-15", outreMer);
    MergeOptions options;
    options.today = QDate(2026, 12, 8);
    options.confirmCorrections = confirm;
    const SdmxMerge merge =
        mergeInseeSeries(file,
                         {irl.isEmpty() ? nullptr : &i, corse.isEmpty() ? nullptr : &c,
                          outreMer.isEmpty() ? nullptr : &o},
                         options);
    QCOMPARE(merge.needsConfirmation, asks);
    checkMerge(merge, expected, error);
}

// INSEE's ICC series (idBank 000008630) brings the quarters older than the
// file, below its oldest, dated by the ICC's usual calendar and listed as
// estimated; a quarter the file holds keeps its value.
void TestSdmx::iccBelowTheOldest_data()
{
    QTest::addColumn<Observations>("icc");
    QTest::addColumn<QByteArray>("expected"); // the new file, or empty
    QTest::addColumn<QString>("error");       // part of the reason

    QTest::newRow("two older quarters")
        << Observations{{"1999-Q3", "1065"}, {"1999-Q2", "1058"}, {"1999-Q1", "1071"}}
        << QByteArray(kIccHeader
                      + estimatedLine(QStringLiteral("2è tr.1999 le 10/10/1999 ; 1er tr.1999 "
                                                     "le 10/07/1999"))
                      + kIccRows + "21999\t1058\t10/10/1999\r\n11999\t1071\t10/07/1999\r\n")
        << "";
    QTest::newRow("nothing older") << Observations{{"1999-Q3", "1065"}} << QByteArray() << "";
    QTest::newRow("a published value changed")
        << Observations{{"1999-Q3", "1066"}, {"1999-Q2", "1058"}} << QByteArray()
        << "l'ICC du 3è tr.1999 vaut 1066,00 selon l'Insee et 1065,00";
    QTest::newRow("a quarter missing")
        << Observations{{"1999-Q3", "1065"}, {"1999-Q1", "1071"}} << QByteArray()
        << "il manque le 2è tr.1999 dans la série de l'ICC";
}

void TestSdmx::iccBelowTheOldest()
{
    QFETCH(Observations, icc);
    QFETCH(QByteArray, expected);
    QFETCH(QString, error);
    const SdmxSeries series = ::series("000008630", "2026-01-15", icc);
    MergeOptions options;
    options.today = QDate(2026, 12, 8);
    InseeSeries given;
    given.icc = &series;
    const SdmxMerge merge = mergeInseeSeries(kIccHeader + kIccRows, given, options);
    checkMerge(merge, expected, error);
}

VELMARIS_TEST(TestSdmx)
#include "tst_sdmx.moc"
