// The modules loaded on demand: each command that needs one finds it, and
// without it says so in French and changes nothing.
#include "cli.h"
#include "indexupdater.h"
#include "inseefile.h"
#include "inseezip.h"
#include "modules.h"
#include "networkmodule.h"
#include "printmodule.h"
#include "reportprinter.h"

#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

using namespace velmaris;
using namespace Qt::StringLiterals;

namespace {

const QString kInseeZip =
    QStringLiteral(VELMARIS_SOURCE_DIR "/tests/update/data/insee/serie_001515333.zip");

QString missing(const QString& what, const char* module)
{
    return QStringLiteral("%1 demande un module de Velmaris qui ne se charge pas (%2 est "
                          "introuvable) ; réinstallez le programme")
        .arg(what, QString::fromUtf8(module));
}

// Points the loader at an empty folder for as long as it lives.
struct NoModules {
    QTemporaryDir empty;
    NoModules() { qputenv("VELMARIS_MODULE_DIR", empty.path().toLocal8Bit()); }
    ~NoModules() { qunsetenv("VELMARIS_MODULE_DIR"); }
};

enum class Command { ImportZip, Download, Print };

} // namespace

class TestModules : public QObject {
    Q_OBJECT

private slots:
    void entries_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("reason"); // empty: found

        QTest::newRow("ZIP") << kInseeZipModule << kInseeZipEntry << "";
        QTest::newRow("network") << kNetworkModule << kNetworkEntry << "";
        QTest::newRow("print") << kPrintModule << kPrintEntry << "";
        QTest::newRow("window") << "libvelmaris_window.so"
                                << "velmaris_window_main"
                                << "";
        QTest::newRow("commands") << kCommandsModule << kCommandsEntry << "";
        QTest::newRow("no such entry")
            << kPrintModule << kNetworkEntry << "n'a pas le point d'entrée velmaris_network_module";
        QTest::newRow("no such module") << "libvelmaris_aucun.so"
                                        << "x"
                                        << "libvelmaris_aucun.so est introuvable";
    }

    void entries()
    {
        QFETCH(QString, module);
        QFETCH(QString, entry);
        QFETCH(QString, reason);
        QString why;
        void* found = moduleEntry(module.toUtf8().constData(), entry.toUtf8().constData(), &why);
        QCOMPARE(found != nullptr, reason.isEmpty());
        QVERIFY2(why.contains(reason), qPrintable(why));
    }

    void withoutModule_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("said");

        QTest::newRow("INSEE's ZIP")
            << Command::ImportZip
            << missing(QStringLiteral("la lecture des fichiers ZIP"), kInseeZipModule);
        QTest::newRow("download") << Command::Download
                                  << QStringLiteral("Mise à jour impossible : %1.")
                                         .arg(missing(QStringLiteral("le téléchargement"),
                                                      kNetworkModule));
        QTest::newRow("print") << Command::Print
                               << missing(QStringLiteral("L'impression"), kPrintModule) + u'.';
    }

    void withoutModule()
    {
        QFETCH(Command, command);
        QFETCH(QString, said);
        const NoModules none;
        test::Messages boxes;
        QString text;
        switch (command) {
        case Command::ImportZip:
            text = readInseeFile(kInseeZip).error;
            break;
        case Command::Download: {
            IndexTable table;
            IndexUpdater updater(table);
            QVERIFY(!updater.download(QStringLiteral("http://127.0.0.1:1/"), false));
            QVERIFY(!updater.isRunning());
            text = updater.lastMessage();
            break;
        }
        case Command::Print:
            printTableReport(IndexTable(), -1, {}, false, QLocale(QLocale::French), nullptr);
            QCOMPARE(boxes.titles, QStringList{QStringLiteral("Erreur d'impression")});
            text = boxes.texts.value(0);
            break;
        }
        QCOMPARE(text, said);
    }

    // The command line keeps the options, --help and --rent, which need no
    // module, and hands every other command over whole.
    void handsOver_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("handed"); // the command handed over; empty: none

        const QString index = QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT");
        QTest::newRow("rent") << QStringList{u"--rent"_s, u"850"_s, u"--quarter"_s, u"32019"_s}
                              << "";
        QTest::newRow("help") << QStringList{u"-h"_s} << "";
        QTest::newRow("unknown option") << QStringList{u"--leases"_s, u"--bogus"_s} << "";
        QTest::newRow("two commands") << QStringList{u"--leases"_s, u"--backup"_s, u"b"_s} << "";
        QTest::newRow("leases") << QStringList{u"--leases"_s, u"--all"_s} << "--leases";
        QTest::newRow("index file given")
            << QStringList{u"--import-insee"_s, u"f.csv"_s, u"--index-file"_s, index}
            << "--import-insee";
        QTest::newRow("add index")
            << QStringList{u"--add-index"_s, u"12026"_s, u"146,6"_s} << "--add-index";
        QTest::newRow("add index with help")
            << QStringList{u"--help"_s, u"--add-index"_s} << "--add-index";
    }

    void handsOver()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, handed);
        static CommandRequest seen;
        seen = {};
        const OtherCommands record = [](const CommandRequest& request) {
            seen = request;
            return CommandLineResult{9, {}, {}};
        };
        const CommandLineResult result =
            runCommandLine(arguments, u"/nowhere/VELMARIS.TXT"_s, u"/nowhere"_s, record);
        QCOMPARE(seen.command, handed);
        QCOMPARE(result.status == 9, !handed.isEmpty());
        if (!handed.isEmpty()) {
            QCOMPARE(seen.arguments, arguments);
            QCOMPARE(seen.defaultIndexPath, u"/nowhere/VELMARIS.TXT"_s);
            QCOMPARE(seen.defaultDataFolder, u"/nowhere"_s);
        }
    }

    // The ZIP read through its module gives INSEE's values.
    void zipThroughModule()
    {
        const InseeFile file = readInseeFile(kInseeZip);
        QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
        QVERIFY(!file.series.empty());
    }
};

QTEST_MAIN(TestModules)
#include "tst_modules.moc"
