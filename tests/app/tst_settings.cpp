// SPDX-License-Identifier: GPL-3.0-or-later
#include "maj.h"
#include "messagecatcher.h"
#include "profile.h"
#include "settings.h"
#include "testmain.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"
#include <QToolButton>

using namespace velmaris;
using test::readAll;
using test::writeAll;

namespace {

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void readsValue_data();
    void readsValue();
    void writesValue_data();
    void writesValue();

    void readRules_data();
    void readRules();
    void writesInOrderIntoNewFile();
    void okWritesWhatIsReadBack();
    void writingKeepsTheRestOfTheFile();
    void emptyAddressWritesDefaultBack();
    void idBanksAreWrittenOnlyOnceSet();
    void regionalIdBanksDefaultToInsees_data();
    void regionalIdBanksDefaultToInsees();
    void annulerDropsTheEdits();
    void okRefuses_data();
    void okRefuses();
    void okThatCannotWriteSaysSo();
    void picturesActLikeTheirButtons();
    void oneObjectForTheFile_data();
    void oneObjectForTheFile();
    void dialogFollowsTheObject();

private:
    QString ini() const { return m_dir.filePath(QStringLiteral("Velmaris.ini")); }
    QTemporaryDir m_dir;
};

void TestSettings::readsValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty file") << QByteArray() << "ADRESS"
                                << "";
    QTest::newRow("plain") << QByteArray("[FTP]\r\nADRESS=http://h/a\r\n") << "ADRESS"
                           << "http://h/a";
    QTest::newRow("letter case") << QByteArray("[ftp]\nAdress=x\n") << "ADRESS"
                                 << "x";
    QTest::newRow("blanks around") << QByteArray("[FTP]\nADRESS \t= \t x y \t\n") << "ADRESS"
                                   << "x y";
    QTest::newRow("comma is text") << QByteArray("[FTP]\nADRESS=http://h/a,b\n") << "ADRESS"
                                   << "http://h/a,b";
    QTest::newRow("equals in value") << QByteArray("[FTP]\nADRESS=http://h/?a=b\n") << "ADRESS"
                                     << "http://h/?a=b";
    QTest::newRow("backslash is text") << QByteArray("[FTP]\nADRESS=C:\\n\\x\n") << "ADRESS"
                                       << "C:\\n\\x";
    QTest::newRow("other section")
        << QByteArray("[OTHER]\nADRESS=x\n[FTP]\nCHECKMAJ=1\n") << "ADRESS"
        << "";
    QTest::newRow("section after")
        << QByteArray("[OTHER]\nCHECKMAJ=0\n[FTP]\nCHECKMAJ=1\n") << "CHECKMAJ"
        << "1";
    QTest::newRow("comment") << QByteArray("[FTP]\n; ADRESS=x\n") << "ADRESS"
                             << "";
    QTest::newRow("no equals") << QByteArray("[FTP]\nADRESS\n") << "ADRESS"
                               << "";
    QTest::newRow("first key wins") << QByteArray("[FTP]\nCHECKMAJ=1\nCHECKMAJ=0\n") << "CHECKMAJ"
                                    << "1";
    QTest::newRow("blanks in header") << QByteArray(" [ FTP ] \nCHECKMAJ=1") << "CHECKMAJ"
                                      << "1";
    QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF[FTP]\nCHECKMAJ=1") << "CHECKMAJ"
                                << "1";
    QTest::newRow("latin-1 text") << QByteArray("[FTP]\nADRESS=http://h/\xE9t\xE9\n") << "ADRESS"
                                  << "http://h/été";
}

void TestSettings::readsValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(profileValue(content, u"FTP", key), expected);
}

void TestSettings::writesValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("new file") << QByteArray() << "CHECKMAJ"
                              << QByteArray("[FTP]\r\nCHECKMAJ=1\r\n");
    QTest::newRow("replaced in place, spelling kept")
        << QByteArray("; top\r\n[A]\r\nx=1\r\n[ftp]\r\n; note\r\ncheckmaj = 0 \r\nADRESS=a\r\n")
        << "CHECKMAJ"
        << QByteArray("; top\r\n[A]\r\nx=1\r\n[ftp]\r\n; note\r\ncheckmaj=1\r\nADRESS=a\r\n");
    QTest::newRow("added at the end of its section")
        << QByteArray("[FTP]\r\nADRESS=a\r\n\r\n[B]\r\ny=2\r\n") << "CHECKMAJ"
        << QByteArray("[FTP]\r\nADRESS=a\r\nCHECKMAJ=1\r\n\r\n[B]\r\ny=2\r\n");
    QTest::newRow("section added, LF kept")
        << QByteArray("[B]\ny=2\n") << "CHECKMAJ" << QByteArray("[B]\ny=2\n\n[FTP]\nCHECKMAJ=1\n");
    QTest::newRow("last line unended") << QByteArray("[FTP]\r\nADRESS=a") << "CHECKMAJ"
                                       << QByteArray("[FTP]\r\nADRESS=a\r\nCHECKMAJ=1\r\n");
    QTest::newRow("empty section") << QByteArray("[FTP]\r\n[B]\r\n") << "CHECKMAJ"
                                   << QByteArray("[FTP]\r\nCHECKMAJ=1\r\n[B]\r\n");
}

void TestSettings::writesValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QByteArray, expected);
    QCOMPARE(withProfileValue(content, u"FTP", key, QStringLiteral("1")), expected);
}

void TestSettings::readRules_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("checkConnection");
    QTest::addColumn<bool>("checkMaj");

    const QString def = kDefaultAddress.toString();
    QTest::newRow("no file") << QByteArray() << def << true << false;
    QTest::newRow("no keys") << QByteArray("[FTP]\r\n") << def << true << false;
    QTest::newRow("empty address") << QByteArray("[FTP]\r\nADRESS=\r\n") << def << true << false;
    QTest::newRow("blank address") << QByteArray("[FTP]\r\nADRESS=   \r\n") << def << true << false;
    QTest::newRow("address") << QByteArray("[FTP]\r\nADRESS=http://h/x\r\n") << "http://h/x" << true
                             << false;
    QTest::newRow("connection 0") << QByteArray("[FTP]\r\nCHECKCONNECTION=0") << def << false
                                  << false;
    QTest::newRow("connection 0 blanks")
        << QByteArray("[FTP]\r\nCHECKCONNECTION = 0 ") << def << false << false;
    QTest::newRow("connection empty")
        << QByteArray("[FTP]\r\nCHECKCONNECTION=") << def << true << false;
    QTest::newRow("connection 00")
        << QByteArray("[FTP]\r\nCHECKCONNECTION=00") << def << true << false;
    QTest::newRow("connection word")
        << QByteArray("[FTP]\r\nCHECKCONNECTION=non") << def << true << false;
    QTest::newRow("maj 1") << QByteArray("[FTP]\r\nCHECKMAJ=1") << def << true << true;
    QTest::newRow("maj -1") << QByteArray("[FTP]\r\nCHECKMAJ=-1") << def << true << false;
    QTest::newRow("maj empty") << QByteArray("[FTP]\r\nCHECKMAJ=") << def << true << false;
    QTest::newRow("maj word") << QByteArray("[FTP]\r\nCHECKMAJ=oui") << def << true << false;
    QTest::newRow("maj 01") << QByteArray("[FTP]\r\nCHECKMAJ=01") << def << true << false;
    QTest::newRow("mixed case") << QByteArray("[Ftp]\r\ncheckMaj=1\r\nCheckConnection=0\r\n") << def
                                << false << true;
    // The address earlier copies wrote as their default never resolved.
    QTest::newRow("former default")
        << QByteArray("[FTP]\r\nADRESS=http://velmaris.example/telechar/VELMARIS.TXT\r\n") << def
        << true << false;
}

void TestSettings::readRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, address);
    QFETCH(bool, checkConnection);
    QFETCH(bool, checkMaj);
    if (!content.isNull())
        writeAll(ini(), content);

    Settings settings(ini());
    Maj maj(settings);
    QCOMPARE(maj.ftp->text(), address);
    QCOMPARE(maj.Checkconnection->isChecked(), checkConnection);
    QCOMPARE(maj.CheckMaj->isChecked(), checkMaj);
    QCOMPARE(settings.path(), ini());
    QCOMPARE(maj.settings(), settingsOf(maj));
    QFile::remove(ini());
}

void TestSettings::writesInOrderIntoNewFile()
{
    // INSEE's own idBanks are not written: a later copy may know better ones.
    QVERIFY(writeSettings({QStringLiteral("http://h/x"), false, true}, ini()));
    QCOMPARE(readAll(ini()),
             QByteArray("[FTP]\r\nADRESS=http://h/x\r\nCHECKCONNECTION=0\r\nCHECKMAJ=1\r\n"));
    QFile::remove(ini());
}

void TestSettings::okWritesWhatIsReadBack()
{
    Settings settings(ini());
    Maj maj(settings);
    maj.ftp->setText(QStringLiteral("https://exemple.test/dossier/VELMARIS.TXT"));
    maj.Checkconnection->setChecked(false);
    maj.CheckMaj->setChecked(true);
    maj.show();
    QTest::mouseClick(maj.Valider, Qt::LeftButton);
    QVERIFY(!maj.isVisible());

    Settings againSettings(ini());
    Maj again(againSettings);
    QCOMPARE(again.ftp->text(), QStringLiteral("https://exemple.test/dossier/VELMARIS.TXT"));
    QVERIFY(!again.Checkconnection->isChecked());
    QVERIFY(again.CheckMaj->isChecked());
    QFile::remove(ini());
}

void TestSettings::writingKeepsTheRestOfTheFile()
{
    const QByteArray before = "; Réglages de Velmaris\r\n[Fenetre]\r\nX=10\r\nY=20\r\n\r\n"
                              "[FTP]\r\n; adresse du serveur\r\nAdress=http://h/old\r\n"
                              "Autre=garde,moi\r\n\r\n[Fin]\r\nZ=1\r\n";
    writeAll(ini(), before);
    QVERIFY(writeSettings({QStringLiteral("http://h/new"), true, false}, ini()));
    QCOMPARE(
        readAll(ini()),
        QByteArray("; Réglages de Velmaris\r\n[Fenetre]\r\nX=10\r\nY=20\r\n\r\n"
                   "[FTP]\r\n; adresse du serveur\r\nAdress=http://h/new\r\n"
                   "Autre=garde,moi\r\nCHECKCONNECTION=1\r\nCHECKMAJ=0\r\n\r\n[Fin]\r\nZ=1\r\n"));
    QFile::remove(ini());
}

void TestSettings::emptyAddressWritesDefaultBack()
{
    writeAll(ini(), "[FTP]\r\nADRESS=\r\n");
    Settings settings(ini());
    Maj maj(settings);
    QTest::mouseClick(maj.Picture2, Qt::LeftButton);
    QCOMPARE(readProfileString(u"FTP", u"ADRESS", ini()), kDefaultAddress.toString());
    QFile::remove(ini());
}

void TestSettings::idBanksAreWrittenOnlyOnceSet()
{
    UpdateSettings settings;
    settings.corseIdBank = QStringLiteral("010000001");
    QVERIFY(writeSettings(settings, ini()));
    QCOMPARE(readAll(ini()),
             "[FTP]\r\nADRESS=" + kDefaultAddress.toString().toLatin1()
                 + "\r\nCHECKCONNECTION=1\r\nCHECKMAJ=0\r\nIDBANKCORSE=010000001\r\n");
    QCOMPARE(readSettings(ini()), settings);

    // Cleared, the key stays and says so; the other one is never added empty.
    settings.corseIdBank.clear();
    QVERIFY(writeSettings(settings, ini()));
    QVERIFY(readAll(ini()).endsWith("\r\nIDBANKCORSE=\r\n"));
    QCOMPARE(readSettings(ini()), settings);
    QFile::remove(ini());
}

void TestSettings::regionalIdBanksDefaultToInsees_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("corse");
    QTest::addColumn<QString>("outreMer");
    QTest::newRow("no file") << QByteArray() << u"010760507"_qs << u"010760509"_qs;
    QTest::newRow("written before they were known")
        << QByteArray("[FTP]\r\nCHECKMAJ=1\r\n") << u"010760507"_qs << u"010760509"_qs;
    QTest::newRow("cleared by the user")
        << QByteArray("[FTP]\r\nIDBANKCORSE=\r\nIDBANKOUTREMER= \r\n") << QString() << QString();
    QTest::newRow("another one") << QByteArray("[ftp]\r\nidbankcorse= 010000001 \r\n")
                                 << u"010000001"_qs << u"010760509"_qs;
}

void TestSettings::regionalIdBanksDefaultToInsees()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, corse);
    QFETCH(QString, outreMer);
    QFile::remove(ini());
    if (!content.isEmpty())
        writeAll(ini(), content);
    const UpdateSettings read = readSettings(ini());
    QCOMPARE(read.corseIdBank, corse);
    QCOMPARE(read.outreMerIdBank, outreMer);
    // Written and read back, they stay what they are.
    QVERIFY(writeSettings(read, ini()));
    QCOMPARE(readSettings(ini()), read);
    QFile::remove(ini());
}

void TestSettings::annulerDropsTheEdits()
{
    writeAll(ini(), "[FTP]\r\nCHECKMAJ=0\r\n");
    Settings settings(ini());
    Maj maj(settings);
    const UpdateSettings before = maj.settings();
    maj.show();
    QTest::mouseClick(maj.CheckMaj, Qt::LeftButton);
    maj.ftp->setText(QStringLiteral("https://ailleurs.test/"));
    QTest::mouseClick(maj.Annuler, Qt::LeftButton);
    QVERIFY(!maj.isVisible());
    // Nothing written, nothing in effect, and the dialog shows the settings again.
    QCOMPARE(readAll(ini()), QByteArray("[FTP]\r\nCHECKMAJ=0\r\n"));
    QCOMPARE(maj.settings(), before);
    QCOMPARE(settingsOf(maj), before);
    QFile::remove(ini());
}

void TestSettings::okRefuses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("corse");
    QTest::addColumn<QString>("message"); // empty: saved

    const QString scheme =
        QStringLiteral("Adresse non prise en charge : seules les adresses http et https le sont.");
    const QString idBank = QStringLiteral("L'idBank de l'IRL de Corse ne s'écrit qu'avec des "
                                          "chiffres (celui de l'IRL est 001515333).");
    QTest::newRow("https") << "https://exemple.test/VELMARIS.TXT"
                           << ""
                           << "";
    QTest::newRow("http, idBank") << "http://exemple.test/x"
                                  << " 010000001 "
                                  << "";
    QTest::newRow("ftp") << "ftp://exemple.test/VELMARIS.TXT"
                         << "" << scheme;
    QTest::newRow("file") << "file:///etc/passwd"
                          << "" << scheme;
    QTest::newRow("no scheme") << "exemple.test/VELMARIS.TXT"
                               << "" << scheme;
    QTest::newRow("no host") << "http://"
                             << "" << scheme;
    QTest::newRow("empty") << ""
                           << "" << scheme;
    QTest::newRow("idBank with letters") << "https://exemple.test/"
                                         << "IRL-Corse" << idBank;
}

void TestSettings::okRefuses()
{
    QFETCH(QString, address);
    QFETCH(QString, corse);
    QFETCH(QString, message);
    writeAll(ini(), "[FTP]\r\nCHECKMAJ=1\r\n");
    test::Messages boxes;
    Settings settings(ini());
    Maj maj(settings);
    maj.show();
    maj.ftp->setText(address);
    maj.idcorse->setText(corse);
    maj.CheckMaj->setChecked(false);
    QTest::mouseClick(maj.Valider, Qt::LeftButton);

    if (message.isEmpty()) {
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(!maj.isVisible());
        QCOMPARE(readSettings(ini()).address, address);
        QCOMPARE(readSettings(ini()).corseIdBank, corse.trimmed());
        QCOMPARE(maj.settings().address, address);
    } else {
        QCOMPARE(boxes.texts, QStringList{message});
        QVERIFY(maj.isVisible());
        QCOMPARE(readAll(ini()), QByteArray("[FTP]\r\nCHECKMAJ=1\r\n"));
        QVERIFY(maj.settings().checkMaj);
        QCOMPARE(maj.ftp->text(), address); // left for the user to correct
    }
    QFile::remove(ini());
}

void TestSettings::okThatCannotWriteSaysSo()
{
    // A link in place of the settings file: its target is never written.
    const QString target = m_dir.filePath(QStringLiteral("autre.ini"));
    writeAll(target, "[FTP]\r\nCHECKMAJ=0\r\n");
    QVERIFY(QFile::link(target, ini()));
    test::Messages boxes;
    Settings settings(ini());
    Maj maj(settings);
    QVERIFY(!maj.settings().checkMaj);
    maj.show();
    QTest::mouseClick(maj.CheckMaj, Qt::LeftButton);
    QTest::mouseClick(maj.Valider, Qt::LeftButton);

    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.first().startsWith(
                 QStringLiteral("Les réglages n’ont pas pu être enregistrés\u00a0: ")),
             qPrintable(boxes.texts.first()));
    QVERIFY(boxes.texts.first().contains(QStringLiteral("est un lien symbolique")));
    QVERIFY(maj.isVisible());
    QVERIFY(!maj.settings().checkMaj);
    QCOMPARE(readAll(target), QByteArray("[FTP]\r\nCHECKMAJ=0\r\n"));
    QVERIFY(QFileInfo(ini()).isSymLink());

    QString reason;
    QVERIFY(!writeProfileString(u"FTP", u"CHECKMAJ", QStringLiteral("1"), ini(), &reason));
    QVERIFY(reason.contains(QStringLiteral("est un lien symbolique")));
    QCOMPARE(readAll(target), QByteArray("[FTP]\r\nCHECKMAJ=0\r\n"));
    QFile::remove(ini());
    QFile::remove(target);
}

void TestSettings::picturesActLikeTheirButtons()
{
    Settings settings;
    Maj maj{settings};
    int downloads = 0, edits = 0;
    connect(&maj, &Maj::downloadRequested, this, [&] { ++downloads; });
    connect(&maj, &Maj::manualEditRequested, this, [&] { ++edits; });
    maj.show();
    QTest::mouseClick(maj.Image1, Qt::LeftButton);
    QTest::mouseClick(maj.Boutonmanuel, Qt::LeftButton);
    QCOMPARE(downloads, 1);
    QCOMPARE(edits, 1);
    QTest::mouseClick(maj.Picture1, Qt::LeftButton);
    QVERIFY(!maj.isVisible());
}

VELMARIS_TEST(TestSettings)
// The settings object alone owns the file: what it writes it puts in effect,
// what it cannot write leaves both the file and the settings as they were.
void TestSettings::oneObjectForTheFile_data()
{
    QTest::addColumn<QString>("where"); // "file", "no folder" (cannot be written), "none"
    QTest::addColumn<bool>("written");
    QTest::newRow("a file") << "file" << true;
    QTest::newRow("a file that cannot be written") << "no folder" << false;
    QTest::newRow("no file: kept in memory") << "none" << true;
}

void TestSettings::oneObjectForTheFile()
{
    QFETCH(QString, where);
    QFETCH(bool, written);
    const QString path = where == u"file"        ? ini()
                         : where == u"no folder" ? m_dir.filePath(QStringLiteral("absent/x.ini"))
                                                 : QString();
    Settings settings(path);
    UpdateSettings update = settings.update();
    update.address = QStringLiteral("https://exemple.test/VELMARIS.TXT");
    const LandlordSettings landlord{
        QStringLiteral("Jean Martin"), {QStringLiteral("12 avenue Foch")}, QStringLiteral("Lyon")};
    QString reason;
    QCOMPARE(settings.setUpdate(update, &reason), written);
    QCOMPARE(settings.setLandlord(landlord, &reason), written);
    QCOMPARE(reason.isEmpty(), written);
    QCOMPARE(settings.update().address, written ? update.address : kDefaultAddress.toString());
    QCOMPARE(settings.landlord() == landlord, written);
    if (where == u"file") {
        const Settings again(path); // another reader of the same file
        QCOMPARE(again.update(), update);
        QCOMPARE(again.landlord(), landlord);
    }
    QFile::remove(ini());
}

// The update dialog shows the settings the program holds, read again or not.
void TestSettings::dialogFollowsTheObject()
{
    Settings settings;
    Maj maj(settings);
    QCOMPARE(maj.ftp->text(), kDefaultAddress.toString());
    writeAll(ini(), "[FTP]\r\nADRESS=https://exemple.test/autre/VELMARIS.TXT\r\nCHECKMAJ=1\r\n");
    settings.load(ini());
    QCOMPARE(maj.ftp->text(), QStringLiteral("https://exemple.test/autre/VELMARIS.TXT"));
    QVERIFY(maj.CheckMaj->isChecked());
    QCOMPARE(maj.settings(), settings.update());
    QFile::remove(ini());
}

#include "tst_settings.moc"
