#include "maj.h"
#include "profile.h"
#include "settings.h"

#include <QCheckBox>
#include <QFile>
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
    void annulerKeepsChangesUnsaved();
    void picturesActLikeTheirButtons();

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
}

void TestSettings::readRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, address);
    QFETCH(bool, checkConnection);
    QFETCH(bool, checkMaj);
    if (!content.isNull())
        writeAll(ini(), content);

    Maj maj;
    loadSettings(maj, ini());
    QCOMPARE(maj.ftp->text(), address);
    QCOMPARE(maj.Checkconnection->isChecked(), checkConnection);
    QCOMPARE(maj.CheckMaj->isChecked(), checkMaj);
    QCOMPARE(maj.iniPath(), ini());
    QFile::remove(ini());
}

void TestSettings::writesInOrderIntoNewFile()
{
    QVERIFY(writeSettings({QStringLiteral("http://h/x"), false, true}, ini()));
    QCOMPARE(readAll(ini()),
             QByteArray("[FTP]\r\nADRESS=http://h/x\r\nCHECKCONNECTION=0\r\nCHECKMAJ=1\r\n"));
    QFile::remove(ini());
}

void TestSettings::okWritesWhatIsReadBack()
{
    Maj maj;
    loadSettings(maj, ini());
    maj.ftp->setText(QStringLiteral("https://exemple.test/dossier/VELMARIS.TXT"));
    maj.Checkconnection->setChecked(false);
    maj.CheckMaj->setChecked(true);
    maj.show();
    QTest::mouseClick(maj.Valider, Qt::LeftButton);
    QVERIFY(!maj.isVisible());

    Maj again;
    loadSettings(again, ini());
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
    Maj maj;
    loadSettings(maj, ini());
    QTest::mouseClick(maj.Picture2, Qt::LeftButton);
    QCOMPARE(readProfileString(u"FTP", u"ADRESS", ini()), kDefaultAddress.toString());
    QFile::remove(ini());
}

void TestSettings::annulerKeepsChangesUnsaved()
{
    writeAll(ini(), "[FTP]\r\nCHECKMAJ=0\r\n");
    Maj maj;
    loadSettings(maj, ini());
    maj.show();
    QTest::mouseClick(maj.CheckMaj, Qt::LeftButton);
    QTest::mouseClick(maj.Annuler, Qt::LeftButton);
    QVERIFY(!maj.isVisible());
    QVERIFY(maj.CheckMaj->isChecked());
    QCOMPARE(readAll(ini()), QByteArray("[FTP]\r\nCHECKMAJ=0\r\n"));
    QFile::remove(ini());
}

void TestSettings::picturesActLikeTheirButtons()
{
    Maj maj;
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

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
