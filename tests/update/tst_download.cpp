#include "httpfixture.h"

#include "indexfile.h"
#include "indexupdater.h"
#include "updaterules.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;

Q_DECLARE_METATYPE(velmaris::DownloadVerdict)

namespace {

IndexTable tableOf(const QByteArray& text)
{
    IndexTable table;
    table.rows = parseIndexFile(text).rows;
    return table;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kHtml = "<!DOCTYPE html>\r\n<html><head><title>Connexion au Wi-Fi</title></head>"
                         "\r\n<body><p>Veuillez vous identifier.</p></body></html>\r\n";

} // namespace

class TestDownload : public QObject {
    Q_OBJECT

private slots:
    void outOfDate_data();
    void outOfDate();
    void addresses_data();
    void addresses();
    void acceptance_data();
    void acceptance();

    void init();
    void goodFileReplacesOldOne();
    void refusedReplyKeepsFile_data();
    void refusedReplyKeepsFile();
    void serverThatNeverAnswers();
    void redirectIsFollowed();
    void doesNotStart_data();
    void doesNotStart();
    void failedWriteKeepsFileAndTable();

private:
    // Starts a download from the fixture and waits for its end.
    IndexUpdater::Outcome run(IndexUpdater& updater, const QString& url);

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
    QTest::addColumn<bool>("usable");

    QTest::newRow("http") << "http://h.example/telechar/VELMARIS.TXT" << true;
    QTest::newRow("https, blanks") << "  https://h.example/VELMARIS.TXT " << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("ftp") << "ftp://h.example/VELMARIS.TXT" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("no scheme") << "h.example/VELMARIS.TXT" << false;
}

void TestDownload::addresses()
{
    QFETCH(QString, address);
    QFETCH(bool, usable);
    QCOMPARE(downloadUrl(address).has_value(), usable);
}

void TestDownload::acceptance_data()
{
    QTest::addColumn<bool>("networkError");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<DownloadVerdict>("verdict");

    // The table in memory ends at the 3rd quarter 2025.
    const QByteArray good = indexFileText(12, 2025, 4);
    using V = DownloadVerdict;
    QTest::newRow("good") << false << 200 << good << V::Accepted;
    QTest::newRow("same quarter") << false << 200 << indexFileText(12) << V::Accepted;
    QTest::newRow("206") << false << 206 << good << V::Accepted;
    QTest::newRow("network error") << true << 200 << good << V::NetworkError;
    QTest::newRow("no status") << false << 0 << good << V::HttpStatus;
    QTest::newRow("not found") << false << 200 << QByteArray(good + "' not found\r\n")
                               << V::Accepted;
    QTest::newRow("three rows") << false << 200 << indexFileText(3, 2025, 4) << V::NotIndexFile;
    QTest::newRow("comments only") << false << 200 << QByteArray("' rien\r\n") << V::NotIndexFile;
    QTest::newRow("corrupt row") << false << 200 << QByteArray(good + "12000\t1\tdemain\r\n")
                                 << V::NotIndexFile;
    QTest::newRow("older year") << false << 200 << indexFileText(12, 2024, 4) << V::Older;
}

void TestDownload::acceptance()
{
    QFETCH(bool, networkError);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(DownloadVerdict, verdict);
    const IndexTable current = tableOf(indexFileText(12));
    const DownloadAcceptance result = acceptDownload({networkError, status, body}, current);
    QCOMPARE(result.verdict, verdict);
    QCOMPARE(result.rows.empty(), verdict != DownloadVerdict::Accepted);
}

void TestDownload::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("VELMARIS.TXT"));
    m_old = indexFileText(12);
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(m_old);
    f.close();
    m_table = {};
    m_table.filePath = m_path;
    QVERIFY(loadIndexTable(m_table).ok());
}

IndexUpdater::Outcome TestDownload::run(IndexUpdater& updater, const QString& url)
{
    QSignalSpy spy(&updater, &IndexUpdater::finished);
    if (!updater.download(url, false))
        return IndexUpdater::Outcome::Refused;
    [&] { QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000); }();
    return spy.isEmpty() ? IndexUpdater::Outcome::Refused
                         : spy.first().first().value<IndexUpdater::Outcome>();
}

void TestDownload::goodFileReplacesOldOne()
{
    HttpFixture server;
    // "not found" in lower case is no error page.
    const QByteArray fresh = indexFileText(13, 2025, 4) + "' page not found: none\r\n";
    server.reply(200, fresh);
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url()), IndexUpdater::Outcome::Replaced);

    QCOMPARE(readAll(m_path), fresh + "\r\n");
    QCOMPARE(int(m_table.rows.size()), 13);
    QCOMPARE(m_table.rows.front().label(), QStringLiteral("4è tr.2025"));
    QCOMPARE(m_table.fileDate, QFileInfo(m_path).lastModified());
    QCOMPARE(m_table.referenceRow, -1);

    // What the server was asked: the browser's agent, never a cached copy.
    QCOMPARE(server.requests().size(), 1);
    const QByteArray request = server.requests().first();
    QVERIFY(request.startsWith("GET /telechar/VELMARIS.TXT "));
    QVERIFY(request.contains("\r\nUser-Agent: Mozilla\r\n"));
    QVERIFY(request.contains("\r\nCache-Control: no-cache"));
}

void TestDownload::refusedReplyKeepsFile_data()
{
    QTest::addColumn<int>("status"); // 0: reply cut short
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<DownloadVerdict>("verdict");

    const QByteArray good = indexFileText(13, 2025, 4);
    using V = DownloadVerdict;
    QTest::newRow("404 Not Found") << 404 << QByteArray("<h1>Not Found</h1>") << V::HttpStatus;
    QTest::newRow("404 valid body") << 404 << good << V::HttpStatus;
    QTest::newRow("500") << 500 << QByteArray("Internal Server Error") << V::HttpStatus;
    QTest::newRow("200 Not Found") << 200 << QByteArray(good + "' Not Found\r\n") << V::NotFound;
    QTest::newRow("200 html") << 200 << kHtml << V::NotIndexFile;
    QTest::newRow("200 empty") << 200 << QByteArray() << V::Empty;
    QTest::newRow("200 older") << 200 << indexFileText(13, 2025, 2) << V::Older;
    // Whole and valid, but far larger than any index file.
    QTest::newRow("too large") << 200 << QByteArray(good + QByteArray(5 << 20, '\''))
                               << V::TooLarge;
    // Cut on a line boundary: what arrived reads as a whole, shorter file.
    QTest::newRow("cut short") << 0 << indexFileText(24, 2025, 4) << V::NetworkError;
}

void TestDownload::refusedReplyKeepsFile()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(DownloadVerdict, verdict);
    HttpFixture server;
    if (status == 0)
        server.cut(body);
    else
        server.reply(status, body);
    const QDateTime fileDate = m_table.fileDate;
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url()), IndexUpdater::Outcome::Refused);
    QCOMPARE(updater.lastVerdict(), verdict);
    QCOMPARE(readAll(m_path), m_old);
    QCOMPARE(int(m_table.rows.size()), 12);
    QCOMPARE(m_table.fileDate, fileDate);
    QVERIFY(!updater.isRunning());
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
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(readAll(m_path), m_old);
    QVERIFY(!updater.isRunning());
}

void TestDownload::redirectIsFollowed()
{
    HttpFixture server;
    server.reply(302, {}, "/ancien", "Location: " + server.url().toLatin1() + "\r\n");
    server.reply(200, indexFileText(13, 2025, 4));
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url(QStringLiteral("/ancien"))), IndexUpdater::Outcome::Replaced);
    QCOMPARE(server.requests().size(), 2);
}

void TestDownload::doesNotStart_data()
{
    QTest::addColumn<QString>("address"); // "server": the fixture's
    QTest::addColumn<bool>("testConnection");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("starts");

    QTest::newRow("empty address") << "" << false << true << false;
    QTest::newRow("not http") << "ftp://127.0.0.1/VELMARIS.TXT" << false << true << false;
    QTest::newRow("test on, offline") << "server" << true << false << false;
    QTest::newRow("test on, online") << "server" << true << true << true;
    QTest::newRow("test off, offline") << "server" << false << false << true;
}

void TestDownload::doesNotStart()
{
    QFETCH(QString, address);
    QFETCH(bool, testConnection);
    QFETCH(bool, connected);
    QFETCH(bool, starts);
    HttpFixture server;
    server.reply(200, indexFileText(13, 2025, 4));
    IndexUpdater updater(m_table);
    int tests = 0;
    updater.setConnectionTest([&] {
        ++tests;
        return connected;
    });
    QSignalSpy spy(&updater, &IndexUpdater::finished);
    const QString url = address == u"server" ? server.url() : address;
    QCOMPARE(updater.download(url, testConnection), starts);
    QCOMPARE(tests, testConnection ? 1 : 0);
    if (starts) {
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
        QCOMPARE(readAll(m_path), indexFileText(13, 2025, 4) + "\r\n");
    } else {
        QTest::qWait(50);
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(spy.count(), 0);
        QCOMPARE(readAll(m_path), m_old);
    }
}

void TestDownload::failedWriteKeepsFileAndTable()
{
    HttpFixture server;
    server.reply(200, indexFileText(13, 2025, 4));
    m_table.filePath = m_dir.filePath(QStringLiteral("absent/VELMARIS.TXT"));
    IndexUpdater updater(m_table);
    QCOMPARE(run(updater, server.url()), IndexUpdater::Outcome::WriteFailed);
    QVERIFY(!updater.lastError().isEmpty());
    QCOMPARE(int(m_table.rows.size()), 12);
    QCOMPARE(readAll(m_path), m_old);
}

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
