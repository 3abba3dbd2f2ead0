// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_points.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>

using velmaris::fuzz::download;
using velmaris::fuzz::indexFile;
using velmaris::fuzz::inseeCsv;
using velmaris::fuzz::leaseDate;
using velmaris::fuzz::leasesCsv;
using velmaris::fuzz::number;
using velmaris::fuzz::profile;
using velmaris::fuzz::sdmx;

namespace {

using Entry = std::function<bool(const QByteArray&)>;

// Folder of inputs and the entry point that reads them, as the fuzz targets are named.
const std::vector<std::pair<QString, Entry>>& entries()
{
    static const std::vector<std::pair<QString, Entry>> list = {
        {QStringLiteral("indexfile"), indexFile}, {QStringLiteral("number"), number},
        {QStringLiteral("leasedate"), leaseDate}, {QStringLiteral("profile"), profile},
        {QStringLiteral("download"), download},   {QStringLiteral("sdmx"), sdmx},
        {QStringLiteral("inseecsv"), inseeCsv},   {QStringLiteral("leasescsv"), leasesCsv},
    };
    return list;
}

} // namespace

class TestCorpus : public QObject {
    Q_OBJECT

private slots:
    void everyTargetHasInputs_data();
    void everyTargetHasInputs();
    void replay_data();
    void replay();
};

void TestCorpus::everyTargetHasInputs_data()
{
    QTest::addColumn<QString>("folder");
    for (const auto& [folder, entry] : entries())
        QTest::newRow(qPrintable(folder)) << folder;
}

void TestCorpus::everyTargetHasInputs()
{
    QFETCH(QString, folder);
    const QDir dir(QStringLiteral(VELMARIS_CORPUS_DIR) + u'/' + folder);
    QVERIFY2(dir.exists(), qPrintable(dir.path()));
    QVERIFY(!dir.entryList(QDir::Files).isEmpty());
}

void TestCorpus::replay_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("path");
    for (int e = 0; e < int(entries().size()); ++e) {
        const QString& folder = entries()[e].first;
        const QDir dir(QStringLiteral(VELMARIS_CORPUS_DIR) + u'/' + folder);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(folder + u'/' + name)) << e << dir.filePath(name);
    }
}

void TestCorpus::replay()
{
    QFETCH(int, entry);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QVERIFY(entries()[entry].second(file.readAll()));
}

VELMARIS_TEST(TestCorpus)
#include "tst_corpus.moc"
