// SPDX-License-Identifier: GPL-3.0-or-later
// "Saisir un indice…", velmaris-cli --add-index and "Importer un fichier Insee…",
// through the windows and the command line.
#include "cli.h"
#include "filechoice.h"
#include "indexentrydialog.h"
#include "indexfile.h"
#include "lawfulrevision.h"
#include "mainwindow.h"
#include "maj.h"
#include "messagecatcher.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

using namespace velmaris;
using test::readAll;
using test::writeAll;

namespace {

const QString kShipped = QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT");
const QString kInsee = QStringLiteral(VELMARIS_SOURCE_DIR "/tests/update/data/insee/");

QStringList args(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

// A copy of the shipped index file, newest the 4th quarter 2025.
struct Folder {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    QByteArray shipped = readAll(kShipped);
    Folder() { writeAll(path, shipped); }
};

} // namespace

class TestIndexEntry : public QObject {
    Q_OBJECT

private slots:
    void addIndexCommand_data();
    void addIndexCommand();
    void importInseeCommand();
    void dialogAddsOrSaysWhy();
    void mainWindowAndRegisterOpenIt();
    void importFromTheUpdateDialog();
};

void TestIndexEntry::addIndexCommand_data()
{
    QTest::addColumn<QStringList>("arguments"); // --index-file is added
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // part of standard output, or of standard error
    QTest::addColumn<QByteArray>("row");

    QTest::newRow("IRL") << args({"--add-index", "12026", "146.60", "--published", "15/04/2026"})
                         << 0
                         << "1er tr.2026 ajouté au fichier des indices\u00a0: IRL 146,60, paru le "
                            "15/04/2026."
                         << QByteArray("12026\t146.60\t15/04/2026\r\n42025\t");
    QTest::newRow("with the regions")
        << args({"--add-index", "12026", "146,60", "--published", "15/04/2026", "--corse", "142.40",
                 "--outre-mer=143.80"})
        << 0 << "1er tr.2026 ajouté" << QByteArray("12026\t146.60\t15/04/2026\t142.40\t143.80\r\n");
    QTest::newRow("options first")
        << args({"--published", "15/04/2026", "--add-index", "12026", "146.60"}) << 0
        << "1er tr.2026 ajouté" << QByteArray("12026\t146.60\t15/04/2026\r\n");
    QTest::newRow("no date") << args({"--add-index", "12026", "146.60"}) << kExitBadArguments
                             << "La date de parution manque (--published jj/mm/aaaa)."
                             << QByteArray();
    QTest::newRow("no value") << args({"--add-index", "12026", "--published", "15/04/2026"})
                              << kExitBadArguments << "--add-index attend le trimestre puis l’IRL"
                              << QByteArray();
    QTest::newRow("bad quarter") << args(
        {"--add-index", "52026", "146.60", "--published", "15/04/2026"})
                                 << kExitBadArguments
                                 << "Trimestre invalide\u00a0: «\u00a052026\u00a0»" << QByteArray();
    QTest::newRow("with a revision")
        << args({"--add-index", "12026", "146.60", "--published", "15/04/2026", "--rent", "850"})
        << kExitBadArguments << "L’option --rent ne va pas avec --add-index." << QByteArray();
    QTest::newRow("a quarter skipped")
        << args({"--add-index", "22026", "148.37", "--published", "15/07/2026"})
        << kExitBadArguments
        << "Indice refusé\u00a0: le prochain trimestre à saisir est le 1er tr.2026\u00a0: le "
           "fichier des "
           "indices va jusqu’au 4è tr.2025."
        << QByteArray();
    QTest::newRow("a slip of the keyboard")
        << args({"--add-index", "12026", "1466.0", "--published", "15/04/2026"})
        << kExitBadArguments << "s’écarte de plus de 25 % de celui du 4è tr.2025 (145,78)"
        << QByteArray();
    QTest::newRow("published before the quarter ended")
        << args({"--add-index", "12026", "146.60", "--published", "28/03/2026"})
        << kExitBadArguments << "ne peut pas avoir paru le 28/03/2026" << QByteArray();
    // A regional value the shipped file lacks, typed alone; one it has, refused.
    QTest::newRow("a regional blank filled")
        << args({"--add-index", "22025", "--corse", "141.00"}) << 0
        << "2è tr.2025 complété dans le fichier des indices\u00a0: IRL de Corse 141,00."
        << QByteArray("22025\t146.68\t16/07/2025\t141.00\r\n");
    QTest::newRow("a regional value already there")
        << args({"--add-index", "32025", "--corse", "141.00"}) << kExitBadArguments
        << "l’IRL de Corse du 3è tr.2025 est déjà dans le fichier des indices (141,58)"
        << QByteArray();
    QTest::newRow("published in the future")
        << args({"--add-index", "12026", "146.60", "--published", "01/01/2100"})
        << kExitBadArguments << "la date de parution 01/01/2100 est à venir" << QByteArray();
}

void TestIndexEntry::addIndexCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QByteArray, row);
    Folder folder;
    const CommandLineResult r = runCommandLine(
        arguments << QStringLiteral("--index-file") << folder.path, QStringLiteral("/absent"));
    QCOMPARE(r.status, status);
    QVERIFY2(test::plainText(status == 0 ? r.output : r.error).contains(test::plainText(said)),
             qPrintable(r.output + r.error));
    const QByteArray written = readAll(folder.path);
    if (row.isEmpty()) {
        QCOMPARE(written, folder.shipped);
        return;
    }
    QVERIFY(written.contains(row));
    const Quarter typed = *Quarter::fromKey(arguments.at(arguments.indexOf(u"--add-index") + 1));
    QVERIFY(written.contains("' " + typed.label().toLatin1() + " saisi par l'utilisateur le "
                             + QDate::currentDate().toString(u"dd/MM/yyyy").toLatin1() + "\r\n"));
    QVERIFY(parseIndexFile(written).ok());
}

void TestIndexEntry::importInseeCommand()
{
    Folder folder;
    // The Corsica series fills in the 2nd quarter 2025; the same again adds nothing.
    const QStringList corse{QStringLiteral("--import-insee"),
                            kInsee + QStringLiteral("serie_010760507.zip"),
                            QStringLiteral("--index-file"), folder.path};
    CommandLineResult r = runCommandLine(corse, QString());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.output, QStringLiteral("Valeurs manquantes complétées pour le 2è tr.2025.\n"));
    QVERIFY(readAll(folder.path).contains("22025\t146.68\t16/07/2025\t142.40\r\n"));
    r = runCommandLine(corse, QString());
    QCOMPARE(r.output, QStringLiteral("Les indices sont déjà à jour.\n"));

    // A quarter typed by hand that INSEE gives otherwise: refused and named.
    Folder typed;
    writeAll(typed.path, QByteArray(typed.shipped)
                             .replace("42025\t145.78", "42025\t145.90")
                             .replace("\r\n42025\t", "\r\n' 4\xE8 tr.2025 saisi par l'utilisateur "
                                                     "le 20/01/2026\r\n42025\t"));
    const QByteArray before = readAll(typed.path);
    r = runCommandLine({QStringLiteral("--import-insee"),
                        kInsee + QStringLiteral("valeurs_trimestrielles.csv"),
                        QStringLiteral("--index-file"), typed.path},
                       QString());
    QCOMPARE(r.status, kExitRefused);
    QVERIFY2(test::plainText(r.error).contains(QStringLiteral(
                 "l'IRL du 4è tr.2025 : 145,90 saisi le 20/01/2026 ; 145,78 selon l'Insee")),
             qPrintable(r.error));
    QCOMPARE(readAll(typed.path), before);
}

void TestIndexEntry::dialogAddsOrSaysWhy()
{
    Folder folder;
    test::Messages boxes;
    IndexEntryDialog dialog(folder.path);
    dialog.setToday(QDate(2026, 12, 9));
    dialog.show();
    QCOMPARE(dialog.refusal(), QString());
    QCOMPARE(dialog.trimestre->currentText(), QStringLiteral("1er tr.2026"));

    // Refused: said, the dialog stays with what was typed, the file as it was.
    QTest::keyClicks(dialog.irl, QStringLiteral("1466,0"));
    QTest::keyClicks(dialog.parution, QStringLiteral("15/04/2026"));
    QTest::mouseClick(dialog.ajouter, Qt::LeftButton);
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(test::plainText(boxes.texts.first())
                 .startsWith(QStringLiteral("Indice refusé : l'IRL du 1er tr.2026 "
                                            "(1466) s'écarte de plus de 25 %")),
             qPrintable(boxes.texts.first()));
    QVERIFY(dialog.isVisible());
    QCOMPARE(readAll(folder.path), folder.shipped);

    dialog.irl->setText(QStringLiteral("146,60"));
    QTest::keyClicks(dialog.irloutremer, QStringLiteral("143,80"));
    dialog.grab().save(QStringLiteral("/tmp/velmaris-saisie.png"));
    QTest::mouseClick(dialog.ajouter, Qt::LeftButton);
    QCOMPARE(boxes.texts.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(readAll(folder.path).contains("12026\t146.60\t15/04/2026\t\t143.80\r\n42025\t"));

    // The Corsica value the shipped file lacks for the 2nd quarter 2025: only
    // the regional boxes are open, and a Corsica lease of that quarter then computes.
    IndexEntryDialog fill(folder.path);
    fill.setToday(QDate(2026, 12, 9));
    fill.trimestre->setCurrentIndex(
        fill.trimestre->findText(QStringLiteral("2è tr.2025 (à compléter)")));
    QVERIFY(!fill.irl->isEnabled() && !fill.parution->isEnabled() && fill.irlcorse->isEnabled());
    QCOMPARE(fill.irl->text(), QStringLiteral("146,68"));
    QTest::keyClicks(fill.irlcorse, QStringLiteral("142,10"));
    QTest::mouseClick(fill.ajouter, Qt::LeftButton);
    QCOMPARE(fill.result(), int(QDialog::Accepted));
    const IndexFileResult read = parseIndexFile(readAll(folder.path));
    QVERIFY(read.ok());
    Lease corsica;
    corsica.reference = QStringLiteral("AJA-1");
    corsica.postalCode = QStringLiteral("20090");
    corsica.territory = Territory::Corse;
    corsica.signingDate = corsica.startDate = QDate(2025, 7, 1);
    corsica.referenceQuarter = Quarter(2024, 2);
    corsica.rentCents = 80000;
    IndexTable table;
    table.rows = read.rows;
    const LawfulRevision revised = reviseLease(corsica, {}, table, QDate(2026, 7, 1));
    QVERIFY2(revised.computed, qPrintable(revised.error));

    // A file that does not read cannot take a quarter.
    writeAll(folder.path, "12026\tdemain\r\n");
    IndexEntryDialog broken(folder.path);
    QVERIFY(broken.refusal().startsWith(QStringLiteral("Le fichier des indices ")));
    QVERIFY(!broken.ajouter->isEnabled());
}

void TestIndexEntry::mainWindowAndRegisterOpenIt()
{
    Folder folder;
    Settings settings;
    MainWindow w(settings, folder.dir.path(), QString());
    w.setRegisterFolder(folder.dir.path());
    w.load();
    w.show();
    QCOMPARE(w.saisirindice->text().remove(u'&'), QStringLiteral("Saisir un indice…"));
    QTest::mouseClick(w.saisirindice, Qt::LeftButton);
    IndexEntryDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = w.findChild<IndexEntryDialog*>()) && dialog->isVisible());
    dialog->irl->setText(QStringLiteral("146,60"));
    dialog->parution->setText(QStringLiteral("15/04/2026"));
    QTest::mouseClick(dialog->ajouter, Qt::LeftButton);
    // Read again at once: the grid shows it, the line under it says so.
    QCOMPARE(w.textind[0]->text(), QStringLiteral("1er tr.2026"));
    QCOMPARE(w.irl[0]->text(), QStringLiteral("146,6"));
    QCOMPARE(w.statut->text(),
             QStringLiteral("1er tr.2026 saisi à la main et ajouté au fichier des indices."));
    w.grab().save(QStringLiteral("/tmp/velmaris-main.png"));

    QTest::mouseClick(w.baux, Qt::LeftButton);
    RegisterWindow* r = w.registerWindow();
    QVERIFY(r);
    QTest::mouseClick(r->saisirindice, Qt::LeftButton);
    QTRY_VERIFY((dialog = r->findChild<IndexEntryDialog*>()) && dialog->isVisible());
    QCOMPARE(dialog->trimestre->currentText(), QStringLiteral("2è tr.2026"));
    dialog->reject();
    r->close();
}

void TestIndexEntry::importFromTheUpdateDialog()
{
    Folder folder;
    test::Messages boxes;
    Settings settings;
    MainWindow w(settings, folder.dir.path(), QString());
    w.load();
    w.show();
    FileChoice::setHandler([&](bool saving, const QString&) {
        return saving ? QString() : kInsee + QStringLiteral("serie_010760507.zip");
    });
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    QTRY_VERIFY(w.updateDialog().isVisible());
    w.updateDialog().grab().save(QStringLiteral("/tmp/velmaris-w.updateDialog().png"));
    QTest::mouseClick(w.updateDialog().importinsee, Qt::LeftButton);
    FileChoice::setHandler(nullptr);
    QCOMPARE(boxes.texts,
             QStringList{QStringLiteral("Valeurs manquantes complétées pour le 2è tr.2025.")});
    QCOMPARE(w.table().rows[2].irlCorse, 142.40);
    QCOMPARE(w.statut->text(), boxes.texts.first());

    // Another series: said, nothing written.
    const QByteArray now = readAll(folder.path);
    FileChoice::setHandler([&](bool, const QString&) {
        return kInsee + QStringLiteral("valeurs_trimestrielles-example.csv");
    });
    QTest::mouseClick(w.updateDialog().importinsee, Qt::LeftButton);
    FileChoice::setHandler(nullptr);
    QCOMPARE(boxes.texts.size(), 2);
    QVERIFY2(test::plainText(boxes.texts.last())
                 .contains(QStringLiteral("la série 010567069 n'est pas un indice que le fichier "
                                          "des indices tient")),
             qPrintable(boxes.texts.last()));
    QCOMPARE(readAll(folder.path), now);
    w.updateDialog().hide();
}

VELMARIS_TEST(TestIndexEntry)
#include "tst_indexentry.moc"
