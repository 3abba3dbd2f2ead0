// SPDX-License-Identifier: GPL-3.0-or-later
#include "httpfixture.h"
#include "sdmxreply.h"
#include "testmain.h"

#include "dates.h"
#include "indexfile.h"
#include "indexupdater.h"
#include "sdmxmerge.h"
#include "staleness.h"
#include "updaterules.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;

Q_DECLARE_METATYPE(velmaris::DownloadVerdict)

namespace {

using Outcome = IndexUpdater::Outcome;

IndexTable tableOf(const QByteArray& text)
{
    IndexTable table;
    installRows(table, parseIndexFile(text).rows, QDateTime(), text);
    return table;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

const QByteArray kHtml = "<!DOCTYPE html>\r\n<html><head><title>Connexion au Wi-Fi</title></head>"
                         "\r\n<body><p>Veuillez vous identifier.</p></body></html>\r\n";

// The day the tests run on, whatever the machine's clock says.
const QDate kToday(2026, 12, 8);

// The test file's IRL (indexFileText) as INSEE would serve it, plus newer quarters.
Observations irlOf(int quarters, int year, int q)
{
    Observations list;
    for (int i = 0; i < quarters; ++i) {
        const double irl = 100 + ((year - 2006) * 4 + q) * 0.25;
        list.append({QByteArray::number(year) + "-Q" + QByteArray::number(q),
                     QByteArray::number(irl, 'f', 2)});
        if (--q == 0) {
            q = 4;
            --year;
        }
    }
    return list;
}

constexpr char kSeriesPath[] = "/series/sdmx/data/SERIES_BDM/001515333";

} // namespace

class TestDownload : public QObject {
    Q_OBJECT

private slots:
    void outOfDate_data();
    void outOfDate();
    void addresses_data();
    void addresses();
    void staleTable_data();
    void staleTable();
    void acceptance_data();
    void acceptance();
    void changedFileIsTold_data();
    void changedFileIsTold();

    void init();
    void goodFileReplacesOldOne();
    void sameFileAgainIsUpToDate();
    void refusedReplyKeepsFile_data();
    void refusedReplyKeepsFile();
    void seriesUpdates_data();
    void seriesUpdates();
    void regionalSeriesFillTheirColumns();
    void regionalSeriesNotAskedWhenNothingIsNew();
    void iccAddsTheOlderQuarters();
    void regionalFailureKeepsFile();
    void typedValueReplacedOnlyWhenConfirmed_data();
    void typedValueReplacedOnlyWhenConfirmed();
    void serverThatNeverAnswers();
    void dripCancelledByAnnuler();
    void dripEndedByTheDeadline();
    void fileChangedByAnotherCopy();
    void redirectIsFollowed();
    void redirectNotFollowed();
    void doesNotStart_data();
    void doesNotStart();
    void failedWriteKeepsFileAndTable();

private:
    // Starts a download from the fixture and waits for its end.
    Outcome run(IndexUpdater& updater, const QString& url);
    Outcome run(IndexUpdater& updater, const UpdateSettings& settings);
    // The old file and table are as they were.
    void unchanged(const IndexUpdater& updater);

    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_old;
    IndexTable m_table;
};

void TestDownload::outOfDate_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QDate>("fourthPublished");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("expected");

    const QDate march15(2024, 3, 15);
    QTest::newRow("three rows") << 3 << march15 << QDate(2030, 1, 1) << false;
    QTest::newRow("day before") << 4 << march15 << QDate(2025, 3, 14) << false;
    QTest::newRow("anniversary") << 4 << march15 << QDate(2025, 3, 15) << true;
    QTest::newRow("after") << 8 << march15 << QDate(2025, 9, 1) << true;
    QTest::newRow("29 Feb, 28 Feb") << 4 << QDate(2024, 2, 29) << QDate(2025, 2, 28) << false;
    QTest::newRow("29 Feb, 1 Mar") << 4 << QDate(2024, 2, 29) << QDate(2025, 3, 1) << true;
    QTest::newRow("no date") << 4 << QDate() << QDate(2030, 1, 1) << false;
}

void TestDownload::outOfDate()
{
    QFETCH(int, rows);
    QFETCH(QDate, fourthPublished);
    QFETCH(QDate, today);
    QFETCH(bool, expected);
    IndexTable table;
    table.rows.resize(rows);
    for (auto& row : table.rows)
        row.published = QDate(2000, 1, 1); // only the fourth row counts
    if (rows > 3)
        table.rows[3].published = fourthPublished;
    QCOMPARE(indexTableOutOfDate(table, today), expected);
}

void TestDownload::addresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("refusal"); // empty: usable

    QTest::newRow("http") << "http://h.example/telechar/VELMARIS.TXT"
                          << "";
    QTest::newRow("https, blanks") << "  https://h.example/VELMARIS.TXT "
                                   << "";
    QTest::newRow("INSEE") << "https://bdm.insee.fr/series/sdmx/data/SERIES_BDM/001515333"
                           << "";
    QTest::newRow("empty") << ""
                           << "aucune adresse de téléchargement n'est réglée";
    QTest::newRow("ftp") << "ftp://h.example/VELMARIS.TXT"
                         << "l'adresse « ftp://h.example/VELMARIS.TXT » n'est pas prise en "
                            "charge : seules les adresses http et https le sont";
    QTest::newRow("file") << "file:///etc/passwd"
                          << "n'est pas prise en charge";
    QTest::newRow("no scheme") << "h.example/VELMARIS.TXT"
                               << "n'est pas prise en charge";
    QTest::newRow("no host") << "https://"
                             << "l'adresse « https:// » est incomplète";
}

void TestDownload::addresses()
{
    QFETCH(QString, address);
    QFETCH(QString, refusal);
    QCOMPARE(downloadUrl(address).has_value(), refusal.isEmpty());
    const QString why = addressRefusal(address);
    QVERIFY2(refusal.isEmpty() ? why.isEmpty() : why.contains(refusal), qPrintable(why));
}

// The shipped table ends at the 3rd quarter 2025; INSEE publishes a quarter
// around the 15th of the month after it ends.
void TestDownload::staleTable_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("text"); // empty: not stale
    QTest::newRow("before the next release") << QDate(2026, 1, 14) << "";
    QTest::newRow("on the release day")
        << QDate(2026, 1, 15)
        << "Indices connus jusqu'au 3è tr.2025 : il manque le 4è tr.2025, paru vers le 15/01/2026.";
    QTest::newRow("a year on")
        << QDate(2026, 12, 8)
        << "Indices connus jusqu'au 3è tr.2025 : il manque les trimestres du 4è tr.2025 (paru "
           "vers le 15/01/2026) au 3è tr.2026 (paru vers le 15/10/2026).";
    QTest::newRow("the day before the 3rd quarter 2026")
        << QDate(2026, 10, 14)
        << "Indices connus jusqu'au 3è tr.2025 : il manque les trimestres du 4è tr.2025 (paru "
           "vers le 15/01/2026) au 2è tr.2026 (paru vers le 15/07/2026).";
}

void TestDownload::staleTable()
{
    QFETCH(QDate, today);
    QFETCH(QString, text);
    const IndexTable table = tableOf(indexFileText(12, 2025, 3));
    const std::optional<Staleness> stale = staleness(table, today);
    QCOMPARE(stale ? stalenessText(*stale) : QString(), text);
    QVERIFY(!staleness(IndexTable{}, today));

    // A lease more than four months after the newest publication (15/10/2025).
    QVERIFY(!leaseMayFollowAMissingIndex(table, QDate(2026, 2, 15)));
    QVERIFY(leaseMayFollowAMissingIndex(table, QDate(2026, 2, 16)));
}

void TestDownload::acceptance_data()
{
    QTest::addColumn<bool>("networkError");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<DownloadVerdict>("verdict");
    QTest::addColumn<int>("added");
    QTest::addColumn<QString>("reason"); // part of it

    // The table in memory holds 12 quarters up to the 3rd of 2025.
    const QByteArray good = indexFileText(13, 2025, 4);
    using V = DownloadVerdict;
    QTest::newRow("one more") << false << 200 << good << V::Accepted << 1 << "";
    QTest::newRow("two more, longer past")
        << false << 200 << indexFileText(20, 2026, 1) << V::Accepted << 8 << "";
    QTest::newRow("206") << false << 206 << good << V::Accepted << 1 << "";
    QTest::newRow("not found") << false << 200 << QByteArray(good + "' not found\r\n")
                               << V::Accepted << 1 << "";
    QTest::newRow("same quarters") << false << 200 << indexFileText(12) << V::UpToDate << 0 << "";
    QTest::newRow("same, other comments")
        << false << 200 << QByteArray("' autre\r\n" + indexFileText(12)) << V::UpToDate << 0 << "";
    QTest::newRow("network error") << true << 200 << good << V::NetworkError << 0
                                   << "le transfert n'est pas allé jusqu'au bout";
    QTest::newRow("no status") << false << 0 << good << V::HttpStatus << 0
                               << "pas donné de réponse HTTP";
    QTest::newRow("404") << false << 404 << good << V::HttpStatus << 0 << "l'erreur HTTP 404";
    QTest::newRow("three rows") << false << 200 << indexFileText(3, 2025, 4) << V::NotIndexFile << 0
                                << "moins de quatre trimestres";
    QTest::newRow("comments only")
        << false << 200 << QByteArray("' rien\r\n") << V::NotIndexFile << 0 << "";
    QTest::newRow("corrupt row")
        << false << 200 << QByteArray(good + "12000\t1\tdemain\r\n") << V::NotIndexFile << 0
        << "ligne 15 : les trimestres du 2è tr.2000 au 3è tr.2022 manquent";
    QTest::newRow("older year") << false << 200 << indexFileText(12, 2024, 4) << V::Older << 0
                                << "s'arrête au 4è tr.2024, avant le 3è tr.2025";
    // Four or six quarters must not replace a long table.
    QTest::newRow("short reply") << false << 200 << indexFileText(6, 2025, 4) << V::Older << 0
                                 << "ne contient pas le 2è tr.2024";
    QTest::newRow("past value changed")
        << false << 200 << QByteArray(good).replace("\t119.25\t", "\t119.26\t") << V::ChangedValue
        << 0 << "le 1er tr.2025 vaut 119,26 dans la réponse et 119,25";
    QList<QByteArray> zeroed = good.split('\n');
    for (QByteArray& line : zeroed) {
        QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 3)
            line = fields[0] + "\t0\t" + fields[2];
    }
    // Refused by the reader already: an index is never 0, quarters never jump.
    QTest::newRow("every IRL at 0") << false << 200 << zeroed.join('\n') << V::NotIndexFile << 0
                                    << "vaut 0 : un indice est toujours positif";
    QTest::newRow("quarter of year 9999")
        << false << 200 << QByteArray("49999\t200.00\t15/01/9999\r\n" + indexFileText(12))
        << V::NotIndexFile << 0 << "le 4è tr.9999 ne peut pas avoir paru le 15/01/9999";
    QTest::newRow("current quarter") << false << 200 << indexFileText(17, 2026, 4) << V::NotEnded
                                     << 0 << "va jusqu'au 4è tr.2026";
    QTest::newRow("quarter twice") << false << 200 << QByteArray(good).replace("32025\t", "42025\t")
                                   << V::NotIndexFile << 0 << "le 4è tr.2025 figure deux fois";
}

void TestDownload::acceptance()
{
    QFETCH(bool, networkError);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(DownloadVerdict, verdict);
    QFETCH(int, added);
    QFETCH(QString, reason);
    const IndexTable current = tableOf(indexFileText(12));
    const DownloadAcceptance result =
        acceptDownload({networkError, status, body, {}}, current, kToday);
    QCOMPARE(result.verdict, verdict);
    QCOMPARE(result.rows.empty(), verdict != DownloadVerdict::Accepted);
    QCOMPARE(result.added, added);
    QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
    QCOMPARE(result.reason.isEmpty(),
             verdict == DownloadVerdict::Accepted || verdict == DownloadVerdict::UpToDate);
}

void TestDownload::changedFileIsTold_data()
{
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<int>("secondsLater"); // its time against the one read
    QTest::addColumn<bool>("changed");

    QTest::newRow("same") << indexFileText(12) << 0 << false;
    // Any other byte is another copy's work: it is read again, never written over.
    QTest::newRow("same, comment added") << QByteArray("' x\r\n" + indexFileText(12)) << 0 << true;
    QTest::newRow("touched") << indexFileText(12) << 1 << true;
    QTest::newRow("newer quarter, same time") << indexFileText(13, 2025, 4) << 0 << true;
    QTest::newRow("a date changed")
        << QByteArray(indexFileText(12)).replace("15/10/2025", "16/10/2025") << 0 << true;
    QTest::newRow("now unreadable") << QByteArray("12000\tx\r\n") << 0 << true;
    QTest::newRow("gone") << QByteArray() << 0 << true;
}

void TestDownload::changedFileIsTold()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(int, secondsLater);
    QFETCH(bool, changed);
    IndexTable table = tableOf(indexFileText(12));
    table.fileDate = QDateTime(QDate(2026, 1, 5), QTime(10, 0));
    QCOMPARE(indexFileChanged(table, onDisk, table.fileDate.addSecs(secondsLater)), changed);
}

void TestDownload::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("VELMARIS.TXT"));
    QFile::remove(m_path);
    m_old = indexFileText(12);
    writeAll(m_path, m_old);
    m_table = {};
    m_table.filePath = m_path;
    QVERIFY(loadIndexTable(m_table).ok());
}

Outcome TestDownload::run(IndexUpdater& updater, const QString& url)
{
    UpdateSettings settings;
    settings.address = url;
    settings.checkConnection = false;
    settings.corseIdBank.clear();
    settings.outreMerIdBank.clear();
    return run(updater, settings);
}

Outcome TestDownload::run(IndexUpdater& updater, const UpdateSettings& settings)
{
    updater.setToday([] { return kToday; });
    QSignalSpy spy(&updater, &IndexUpdater::finished);
    if (!updater.download(settings))
        return updater.lastOutcome();
    [&] { QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000); }();
    return spy.isEmpty() ? Outcome::Refused : spy.first().first().value<Outcome>();
}

void TestDownload::unchanged(const IndexUpdater& updater)
{
    QCOMPARE(readAll(m_path), m_old);
    QCOMPARE(int(m_table.rows.size()), 12);
    QCOMPARE(m_table.fileDate, QFileInfo(m_path).lastModified());
    QVERIFY(!updater.isRunning());
    QVERIFY(updater.lastMessage().startsWith(QStringLiteral("Mise à jour impossible : ")));
}

void TestDownload::goodFileReplacesOldOne()
{
    HttpFixture server;
    // "not found" in lower case is no error page.
    const QByteArray fresh = indexFileText(13, 2025, 4) + "' page not found: none\r\n";
    server.reply(200, fresh);
    IndexUpdater updater(m_table);
    QSignalSpy reloaded(&updater, &IndexUpdater::tableReloaded);
    QCOMPARE(run(updater, server.url()), Outcome::Replaced);

    QCOMPARE(readAll(m_path), fresh); // as served, nothing added
    QCOMPARE(int(m_table.rows.size()), 13);
    QCOMPARE(m_table.rows.front().label(), QStringLiteral("4è tr.2025"));
    QCOMPARE(m_table.fileDate, QFileInfo(m_path).lastModified());
    QCOMPARE(reloaded.count(), 1);
    QCOMPARE(updater.lastMessage(),
             QStringLiteral("Indices mis à jour jusqu'au 4è tr.2025 (1 trimestre ajouté)."));

    // What the server was asked: the browser's agent, never a cached copy.
    QCOMPARE(server.requests().size(), 1);
    const QByteArray request = server.requests().first();
    QVERIFY(request.startsWith("GET /telechar/VELMARIS.TXT "));
    QVERIFY(request.contains("\r\nUser-Agent: Mozilla\r\n"));
    QVERIFY(request.contains("\r\nCache-Control: no-cache"));
}

void TestDownload::sameFileAgainIsUpToDate()
{
    HttpFixture server;
    server.reply(200, m_old);
    IndexUpdater updater(m_table);
    const QDateTime before = QFileInfo(m_path).lastModified();
    QCOMPARE(run(updater, server.url()), Outcome::UpToDate);
    QCOMPARE(updater.lastMessage(), QStringLiteral("Les indices sont déjà à jour."));
    QCOMPARE(readAll(m_path), m_old);
    QCOMPARE(QFileInfo(m_path).lastModified(), before); // not even rewritten
}

void TestDownload::refusedReplyKeepsFile_data()
{
    QTest::addColumn<int>("status"); // 0: reply cut short
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<DownloadVerdict>("verdict");
    QTest::addColumn<QString>("reason"); // part of it

    const QByteArray file = HttpFixture::kPath;
    const QByteArray series = kSeriesPath;
    const QByteArray good = indexFileText(13, 2025, 4);
    const QByteArray sdmx = sdmxReply("001515333", "2026-01-15", irlOf(13, 2025, 4));
    using V = DownloadVerdict;
    QTest::newRow("404 Not Found")
        << 404 << file << QByteArray("<h1>Not Found</h1>") << V::HttpStatus << "l'erreur HTTP 404";
    QTest::newRow("404 valid body") << 404 << file << good << V::HttpStatus << "HTTP 404";
    QTest::newRow("500") << 500 << file << QByteArray("Internal Server Error") << V::HttpStatus
                         << "HTTP 500";
    QTest::newRow("200 Not Found")
        << 200 << file << QByteArray(good + "' Not Found\r\n") << V::NotFound << "page d'erreur";
    QTest::newRow("200 html") << 200 << file << kHtml << V::BadSeries << "page web";
    QTest::newRow("200 empty") << 200 << file << QByteArray() << V::Empty << "vide";
    QTest::newRow("200 older") << 200 << file << indexFileText(13, 2025, 2) << V::Older
                               << "s'arrête au 2è tr.2025";
    QTest::newRow("200 shorter") << 200 << file << indexFileText(4, 2025, 4) << V::Older
                                 << "ne contient pas le 4è tr.2024";
    QTest::newRow("200 value changed")
        << 200 << file << QByteArray(good).replace("\t119.75\t", "\t119.70\t") << V::ChangedValue
        << "le 3è tr.2025 vaut 119,7 dans la réponse et 119,75";
    QTest::newRow("200 not ended") << 200 << file << indexFileText(17, 2026, 4) << V::NotEnded
                                   << "4è tr.2026, qui n'est pas encore terminé";
    // Whole and valid, but far larger than any index file.
    QTest::newRow("too large") << 200 << file << QByteArray(good + QByteArray(5 << 20, '\''))
                               << V::TooLarge << "dépasse 4 Mo";
    // Cut on a line boundary: what arrived reads as a whole, shorter file.
    QTest::newRow("cut short") << 0 << file << indexFileText(24, 2025, 4) << V::NetworkError
                               << "a coupé la connexion avant la fin";

    QTest::newRow("series cut") << 200 << series << sdmx.left(sdmx.size() / 2) << V::BadSeries
                                << "coupée avant la fin";
    QTest::newRow("series error page") << 200 << series << kHtml << V::BadSeries << "page web";
    QTest::newRow("series past value changed")
        << 200 << series
        << sdmxReply("001515333", "2026-01-15",
                     {{"2025-Q4", "120.00"}, {"2025-Q3", "119.75"}, {"2025-Q2", "119.49"}})
        << V::BadSeries << "l'IRL du 2è tr.2025 vaut 119,49 selon l'Insee et 119,50";
    QTest::newRow("series of another idBank")
        << 200 << series << sdmxReply("001532540", "2026-01-15", irlOf(13, 2025, 4)) << V::BadSeries
        << "la série 001532540 au lieu de la série 001515333";
    QTest::newRow("series comma value")
        << 200 << series << QByteArray(sdmx).replace("\"120.00\"", "\"120,00\"") << V::BadSeries
        << "« 120,00 » donnée pour le 4è tr.2025 n'est pas un nombre décimal simple";
    QTest::newRow("series 404") << 404 << series << sdmx << V::HttpStatus << "HTTP 404";
}

void TestDownload::refusedReplyKeepsFile()
{
    QFETCH(int, status);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, body);
    QFETCH(DownloadVerdict, verdict);
    QFETCH(QString, reason);
    HttpFixture server;
    if (status == 0)
        server.cut(body, path);
    else
        server.reply(status, body, path);
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url(QString::fromLatin1(path))), Outcome::Refused);
    QCOMPARE(updater.lastVerdict(), verdict);
    QVERIFY2(updater.lastReason().contains(reason), qPrintable(updater.lastReason()));
    unchanged(updater);
}

void TestDownload::seriesUpdates_data()
{
    QTest::addColumn<QByteArray>("lastUpdate");
    QTest::addColumn<Observations>("observations");
    QTest::addColumn<QByteArray>("expected"); // empty: the old file stays
    QTest::addColumn<QString>("message");

    const QByteArray header = "' Indices de test\r\n";
    const QByteArray rows = m_old.mid(header.size());
    QTest::newRow("one quarter") << QByteArray("2026-01-15") << irlOf(13, 2025, 4)
                                 << QByteArray(header + "42025\t120.00\t15/01/2026\r\n" + rows)
                                 << "Indices mis à jour jusqu'au 4è tr.2025 (1 trimestre ajouté).";
    QTest::newRow("two quarters")
        << QByteArray("2026-04-16") << irlOf(14, 2026, 1)
        << QByteArray(header + kEstimatedDatesComment.toString().toLatin1()
                      + "4\xE8 tr.2025 le 15/01/2026\r\n12026\t120.25\t16/04/2026\r\n"
                        "42025\t120.00\t15/01/2026\r\n"
                      + rows)
        << "Indices mis à jour jusqu'au 1er tr.2026 (2 trimestres ajoutés).";
    QTest::newRow("none") << QByteArray("2025-10-15") << irlOf(40, 2025, 3) << QByteArray()
                          << "Les indices sont déjà à jour.";
}

void TestDownload::seriesUpdates()
{
    QFETCH(QByteArray, lastUpdate);
    QFETCH(Observations, observations);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);
    HttpFixture server;
    server.reply(200, sdmxReply("001515333", lastUpdate, observations), kSeriesPath);
    IndexUpdater updater(m_table);
    const Outcome outcome = run(updater, server.url(QString::fromLatin1(kSeriesPath)));
    QCOMPARE(updater.lastMessage(), message);
    QCOMPARE(outcome, expected.isEmpty() ? Outcome::UpToDate : Outcome::Replaced);
    QCOMPARE(readAll(m_path), expected.isEmpty() ? m_old : expected);
    QCOMPARE(m_table.rows.size(), parseIndexFile(readAll(m_path)).rows.size());
    // With news the ICC is asked for too (not served here: left out, the update goes on).
    QCOMPARE(server.requests().size(), expected.isEmpty() ? 1 : 2);

    // The same reply again changes nothing, byte for byte.
    const QByteArray now = readAll(m_path);
    QCOMPARE(run(updater, server.url(QString::fromLatin1(kSeriesPath))), Outcome::UpToDate);
    QCOMPARE(readAll(m_path), now);
    QCOMPARE(updater.lastMessage(), QStringLiteral("Les indices sont déjà à jour."));
}

void TestDownload::regionalSeriesFillTheirColumns()
{
    HttpFixture server;
    server.reply(200, sdmxReply("001515333", "2026-01-15", irlOf(13, 2025, 4)), kSeriesPath);
    server.reply(200,
                 sdmxReply("010000001", "2026-01-15", {{"2025-Q4", "101.20"}, {"2025-Q3", "101"}}),
                 "/series/sdmx/data/SERIES_BDM/010000001");
    server.reply(200, sdmxReply("010000002", "2026-01-15", {{"2025-Q4", "102.30"}}),
                 "/series/sdmx/data/SERIES_BDM/010000002");
    UpdateSettings settings;
    settings.address = server.url(QString::fromLatin1(kSeriesPath));
    settings.checkConnection = false;
    settings.corseIdBank = QStringLiteral("010000001");
    settings.outreMerIdBank = QStringLiteral("010000002");
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, settings), Outcome::Replaced);
    // The 3rd quarter lacked its Corsica value: filled in, and the header says from where.
    const QByteArray written = readAll(m_path);
    QVERIFY2(written.startsWith("' Indices de test\r\n"
                                "' 3\xE8 tr.2025 : IRL de Corse compl\xE9t\xE9 depuis l'Insee le "
                                + dateText(kToday).toLatin1()
                                + "\r\n"
                                  "42025\t120.00\t15/01/2026\t101.20\t102.30\r\n"
                                  "32025\t119.75\t15/10/2025\t101\r\n"),
             written.left(200).constData());
    // And the ICC, for quarters older than the file: this one starts in 2022, above the
    // ICC's column, so nothing is added and its reply changes nothing.
    QCOMPARE(server.requests().size(), 4);
}

void TestDownload::regionalSeriesNotAskedWhenNothingIsNew()
{
    // Nothing new for the IRL, but the rows lack their Corsica values: the
    // series is asked for and fills them; asked again, it is not.
    HttpFixture server;
    server.reply(200, sdmxReply("001515333", "2025-10-15", irlOf(12, 2025, 3)), kSeriesPath);
    Observations corse = irlOf(12, 2025, 3);
    server.reply(200, sdmxReply("010000001", "2025-10-15", corse),
                 "/series/sdmx/data/SERIES_BDM/010000001");
    UpdateSettings settings;
    settings.address = server.url(QString::fromLatin1(kSeriesPath));
    settings.checkConnection = false;
    settings.corseIdBank = QStringLiteral("010000001");
    settings.outreMerIdBank.clear();
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, settings), Outcome::Replaced);
    QCOMPARE(server.requests().size(), 3); // the IRL, Corsica, the ICC (not served: left out)
    QVERIFY2(updater.lastMessage().startsWith(
                 QStringLiteral("Valeurs manquantes complétées pour le 3è tr.2025 et le ")),
             qPrintable(updater.lastMessage()));
    QCOMPARE(m_table.rows.front().irlCorse, m_table.rows.front().irl);
    QCOMPARE(run(updater, settings), Outcome::UpToDate);
    QCOMPARE(server.requests().size(), 4);
}

// A file that stops at the 1st quarter 2005: the IRL's news goes on top, the
// ICC's older quarters below, from the same update.
void TestDownload::iccAddsTheOlderQuarters()
{
    writeAll(m_path, "' Indices de test\r\n"
                     "22005\t1276\t13/10/2005\t103.07\r\n"
                     "12005\t1270\t08/07/2005\t102.62\r\n");
    QVERIFY(loadIndexTable(m_table).ok());
    HttpFixture server;
    server.reply(200, sdmxReply("001515333", "2005-10-14", {{"2005-Q3", "103.55"}}), kSeriesPath);
    server.reply(200,
                 sdmxReply("000008630", "2025-12-18",
                           {{"2005-Q1", "1270"}, {"2004-Q4", "1269"}, {"2004-Q3", "1272"}}),
                 "/series/sdmx/data/SERIES_BDM/000008630");
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url(QString::fromLatin1(kSeriesPath))), Outcome::Replaced);
    const QByteArray written = readAll(m_path);
    QVERIFY2(written.startsWith("' Indices de test\r\n' Dates de parution estim"),
             written.constData());
    QVERIFY2(written.endsWith("32005\t103.55\t14/10/2005\r\n"
                              "22005\t1276\t13/10/2005\t103.07\r\n"
                              "12005\t1270\t08/07/2005\t102.62\r\n"
                              "42004\t1269\t10/04/2005\r\n"
                              "32004\t1272\t10/01/2005\r\n"),
             written.constData());
    QVERIFY2(updater.lastMessage().contains(QStringLiteral("ICC complété en arrière jusqu'au 3è "
                                                           "tr.2004 (2 trimestres ajoutés)")),
             qPrintable(updater.lastMessage()));
}

void TestDownload::typedValueReplacedOnlyWhenConfirmed_data()
{
    QTest::addColumn<int>("answer"); // -1: no one to ask (start-up), 0: no, 1: yes
    QTest::newRow("no one to ask") << -1;
    QTest::newRow("the user says no") << 0;
    QTest::newRow("the user says yes") << 1;
}

// The 3rd quarter was typed by hand (119.80); INSEE says 119.75.
void TestDownload::typedValueReplacedOnlyWhenConfirmed()
{
    QFETCH(int, answer);
    const QByteArray typed =
        QByteArray(m_old)
            .replace(
                "' Indices de test\r\n",
                "' Indices de test\r\n' 3\xE8 tr.2025 saisi par l'utilisateur le 20/10/2025\r\n")
            .replace("32025\t119.75\t", "32025\t119.80\t");
    writeAll(m_path, typed);
    QVERIFY(loadIndexTable(m_table).ok());
    HttpFixture server;
    server.reply(200, sdmxReply("001515333", "2026-01-15", irlOf(13, 2025, 4)), kSeriesPath);
    IndexUpdater updater(m_table);
    QStringList asked;
    if (answer >= 0)
        updater.setCorrectionQuestion([&](const QString& question) {
            asked << question;
            return answer == 1;
        });
    const Outcome outcome = run(updater, server.url(QString::fromLatin1(kSeriesPath)));
    if (answer >= 0) {
        // Both values shown.
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.first().contains(QStringLiteral(
                     "l'IRL du 3è tr.2025 : 119,80 saisi le 20/10/2025 ; 119,75 selon l'Insee")),
                 qPrintable(asked.first()));
    }
    if (answer != 1) {
        QCOMPARE(outcome, Outcome::Refused);
        QVERIFY2(updater.lastReason().contains(QStringLiteral("119,80 saisi le 20/10/2025")),
                 qPrintable(updater.lastReason()));
        QCOMPARE(readAll(m_path), typed);
        return;
    }
    QCOMPARE(outcome, Outcome::Replaced);
    QCOMPARE(updater.lastMessage(),
             QStringLiteral("Indices mis à jour jusqu'au 4è tr.2025 (1 trimestre ajouté) ; valeurs "
                            "saisies remplacées par celles de l'Insee pour le 3è tr.2025."));
    const QByteArray written = readAll(m_path);
    QVERIFY(written.contains("\r\n42025\t120.00\t15/01/2026\r\n32025\t119.75\t15/10/2025\r\n"));
    QVERIFY(written.contains("' 3\xE8 tr.2025 corrig\xE9 selon l'Insee le 08/12/2026"));
    QCOMPARE(m_table.rows[1].irl, 119.75);
}

void TestDownload::regionalFailureKeepsFile()
{
    HttpFixture server;
    server.reply(200, sdmxReply("001515333", "2026-01-15", irlOf(13, 2025, 4)), kSeriesPath);
    // The Corsica series is not served: 404.
    UpdateSettings settings;
    settings.address = server.url(QString::fromLatin1(kSeriesPath));
    settings.checkConnection = false;
    settings.corseIdBank = QStringLiteral("010000001");
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, settings), Outcome::Refused);
    QCOMPARE(
        updater.lastReason(),
        QStringLiteral("série de l'IRL de Corse : le serveur a répondu par l'erreur HTTP 404"));
    unchanged(updater);
}

void TestDownload::serverThatNeverAnswers()
{
    HttpFixture server;
    server.silent();
    IndexUpdater updater(m_table);
    updater.setTimeout(500);
    QSignalSpy spy(&updater, &IndexUpdater::finished);
    QVERIFY(updater.download(server.url(), false));
    QVERIFY(updater.isRunning());
    // A second start while the first runs is ignored.
    QVERIFY(!updater.download(server.url(), false));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
    QCOMPARE(updater.lastVerdict(), DownloadVerdict::NetworkError);
    QVERIFY2(updater.lastReason().contains(QStringLiteral("n'a rien envoyé pendant 1 s")),
             qPrintable(updater.lastReason()));
    QCOMPARE(server.requests().size(), 1);
    unchanged(updater);
}

void TestDownload::dripCancelledByAnnuler()
{
    HttpFixture server;
    server.drip(indexFileText(13, 2025, 4), 20);
    IndexUpdater updater(m_table);
    QSignalSpy progress(&updater, &IndexUpdater::progress);
    QSignalSpy spy(&updater, &IndexUpdater::finished);
    QVERIFY(updater.download(server.url(), false));
    QTRY_VERIFY_WITH_TIMEOUT(progress.count() >= 3, 10000); // bytes keep coming
    updater.cancel();
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    QCOMPARE(spy.first().first().value<Outcome>(), Outcome::Cancelled);
    QCOMPARE(updater.lastMessage(),
             QStringLiteral("Mise à jour annulée : les indices n'ont pas changé."));
    QCOMPARE(readAll(m_path), m_old);
    QCOMPARE(int(m_table.rows.size()), 12);
    QVERIFY(!updater.isRunning());
}

void TestDownload::dripEndedByTheDeadline()
{
    HttpFixture server;
    server.drip(indexFileText(13, 2025, 4), 50);
    IndexUpdater updater(m_table);
    updater.setTimeout(400); // never reached: a byte comes every 50 ms
    updater.setDeadline(1000);
    QSignalSpy spy(&updater, &IndexUpdater::finished);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(updater.download(server.url(), false));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
    QVERIFY(clock.elapsed() >= 900);
    QCOMPARE(spy.first().first().value<Outcome>(), Outcome::Refused);
    QCOMPARE(updater.lastReason(),
             QStringLiteral("le téléchargement n'était pas fini au bout de 1 s"));
    unchanged(updater);
}

void TestDownload::fileChangedByAnotherCopy()
{
    HttpFixture server;
    server.reply(200, indexFileText(13, 2025, 4));
    // Another copy of the program wrote two newer quarters after this one read the file.
    const QByteArray theirs = indexFileText(14, 2026, 1);
    writeAll(m_path, theirs);
    IndexUpdater updater(m_table);
    QSignalSpy reloaded(&updater, &IndexUpdater::tableReloaded);
    QCOMPARE(run(updater, server.url()), Outcome::Refused);
    QCOMPARE(updater.lastVerdict(), DownloadVerdict::FileChanged);
    QVERIFY2(updater.lastReason().contains(QStringLiteral("a changé sur le disque")),
             qPrintable(updater.lastReason()));
    QCOMPARE(readAll(m_path), theirs);
    QCOMPARE(reloaded.count(), 1);
    QCOMPARE(int(m_table.rows.size()), 14);
    QCOMPARE(m_table.rows.front().label(), QStringLiteral("1er tr.2026"));
}

void TestDownload::redirectIsFollowed()
{
    HttpFixture server;
    server.reply(302, {}, "/ancien", "Location: " + server.url().toLatin1() + "\r\n");
    server.reply(200, indexFileText(13, 2025, 4));
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url(QStringLiteral("/ancien"))), Outcome::Replaced);
    QCOMPARE(server.requests().size(), 2);
}

// A redirect Velmaris does not follow is said with its target, never as an
// "HTTP 302" error.
void TestDownload::redirectNotFollowed()
{
    HttpFixture server;
    server.reply(302, {}, "/ancien", "Location: ftp://127.0.0.1/VELMARIS.TXT\r\n");
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url(QStringLiteral("/ancien"))), Outcome::Refused);
    const QString reason = updater.lastReason();
    QVERIFY2(reason.contains(QStringLiteral("renvoie vers « ftp://127.0.0.1/VELMARIS.TXT »")),
             qPrintable(reason));
    QVERIFY2(!reason.contains(QStringLiteral("HTTP 302")), qPrintable(reason));
    unchanged(updater);
}

void TestDownload::doesNotStart_data()
{
    QTest::addColumn<QString>("address"); // "server": the fixture's
    QTest::addColumn<bool>("testConnection");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("reason"); // empty: it starts

    QTest::newRow("empty address")
        << "" << false << true << "aucune adresse de téléchargement n'est réglée";
    QTest::newRow("not http") << "ftp://127.0.0.1/VELMARIS.TXT" << false << true
                              << "l'adresse « ftp://127.0.0.1/VELMARIS.TXT » n'est pas prise en "
                                 "charge : seules les adresses http et https le sont";
    QTest::newRow("test on, offline")
        << "server" << true << false << "aucune connexion au réseau n'est disponible";
    QTest::newRow("test on, online") << "server" << true << true << "";
    QTest::newRow("test off, offline") << "server" << false << false << "";
}

void TestDownload::doesNotStart()
{
    QFETCH(QString, address);
    QFETCH(bool, testConnection);
    QFETCH(bool, connected);
    QFETCH(QString, reason);
    HttpFixture server;
    server.reply(200, indexFileText(13, 2025, 4));
    IndexUpdater updater(m_table);
    updater.setToday([] { return kToday; });
    int tests = 0;
    updater.setConnectionTest([&] {
        ++tests;
        return connected;
    });
    QSignalSpy spy(&updater, &IndexUpdater::finished);
    const QString url = address == u"server" ? server.url() : address;
    QCOMPARE(updater.download(url, testConnection), reason.isEmpty());
    QCOMPARE(tests, testConnection ? 1 : 0);
    if (reason.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
        QCOMPARE(readAll(m_path), indexFileText(13, 2025, 4));
    } else {
        QCOMPARE(updater.lastOutcome(), Outcome::Refused);
        QCOMPARE(updater.lastMessage(), QStringLiteral("Mise à jour impossible : %1.").arg(reason));
        QTest::qWait(50);
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(spy.count(), 0);
        QCOMPARE(readAll(m_path), m_old);
    }
}

void TestDownload::failedWriteKeepsFileAndTable()
{
    // The index file is a link: the download never writes through it.
    const QString target = m_dir.filePath(QStringLiteral("ailleurs.txt"));
    QFile::remove(target);
    QVERIFY(QFile::rename(m_path, target));
    QVERIFY(QFile::link(target, m_path));
    m_table = {};
    m_table.filePath = m_path;
    QVERIFY(loadIndexTable(m_table).ok());

    HttpFixture server;
    server.reply(200, indexFileText(13, 2025, 4));
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url()), Outcome::WriteFailed);
    QVERIFY2(updater.lastReason().contains(QStringLiteral("est un lien symbolique")),
             qPrintable(updater.lastReason()));
    QVERIFY(updater.lastReason().endsWith(QStringLiteral("l'ancien fichier est conservé")));
    QCOMPARE(int(m_table.rows.size()), 12);
    QCOMPARE(readAll(target), m_old);
    QVERIFY(QFileInfo(m_path).isSymLink());
    QFile::remove(m_path);
    QFile::remove(target);
}

VELMARIS_TEST(TestDownload)
#include "tst_download.moc"
