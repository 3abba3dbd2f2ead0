// SPDX-License-Identifier: GPL-3.0-or-later
// The revision letters as a landlord sends them: one lease's letter read,
// saved as a PDF and read back, the month's letters together, the reasons
// when a lease gets none, the owner filled in from the letter, and an
// agency's letter on the owner's behalf.
#include "agencydialog.h"
#include "agencyfixture.h"
#include "filechoice.h"
#include "leasestore.h"
#include "letterdialog.h"
#include "letteroutput.h"
#include "lettersend.h"
#include "messagecatcher.h"
#include "messages.h"
#include "monthlettersdialog.h"
#include "ownerform.h"
#include "testmain.h"

#include "../leases/leasefixture.h"
#include "../output/pdflines.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "testsupport.h"

using namespace velmaris;
using velmaris::test::day;
using velmaris::test::makeLease;
using velmaris::test::Messages;

namespace {

const IndexTable& table()
{
    static const IndexTable t = test::realTable();
    return t;
}

// Where the next "Enregistrer en PDF…" goes, and what it suggested.
struct Files {
    QString next;
    QStringList suggested;
    Files()
    {
        FileChoice::setHandler([this](bool, const QString& proposed) {
            suggested << proposed;
            return next;
        });
    }
    ~Files() { FileChoice::setHandler(nullptr); }
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;
};

QString pdfText(const QString& path)
{
    return test::pdfRawText(path).normalized(QString::NormalizationForm_KC);
}

bool havePdfToText()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// Lease kinds the tests keep in the register.
Lease lease(const QString& reference, const char* start, const QString& tenant,
            const QString& postal, DpeClass dpe = DpeClass::None)
{
    Lease l = makeLease(reference, day(start), 85000);
    l.tenant = tenant;
    l.postalCode = postal;
    l.territory = territoryFromPostalCode(postal);
    l.address = QStringLiteral("3 rue des Lilas\n") + postal + QStringLiteral(" Ville");
    l.dpeClass = dpe;
    if (dpe != DpeClass::None)
        l.dpeDate = l.signingDate;
    return l;
}

} // namespace

class TestLetterDialog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pdfFileNames_data();
    void pdfFileNames();
    void letterReadSavedAndReadBack();
    void mailedAndRecorded();
    void letterFollowsItsLease_data();
    void letterFollowsItsLease();
    void refusedInOneBox_data();
    void refusedInOneBox();
    void saveCancelledOrRefused_data();
    void saveCancelledOrRefused();
    void missingSender_data();
    void missingSender();
    void ownerFilledFromTheLetter();
    void agencyWritesForTheOwner();
    void printWithoutPrinter();
    void monthLetters();
    void monthWithoutSender();

private:
    qint64 add(const Lease& l);
    // The register's default owner, as the tests' letters sign.
    void setOwner(const QString& name, const QStringList& street, const QString& postalCode,
                  const QString& town);

    QTemporaryDir m_dir;
    std::unique_ptr<RegisterSession> m_session;
    LeaseStore* m_store = nullptr;
    qint64 m_owner = 0;
    std::unique_ptr<QWidget> m_parent;
};

void TestLetterDialog::init()
{
    QVERIFY(m_dir.isValid());
    m_session = std::make_unique<RegisterSession>(m_dir.path());
    m_store = &m_session->store();
    QVERIFY2(m_store->open(m_dir.path()), qPrintable(m_store->error()));
    m_parent = std::make_unique<QWidget>();
    m_parent->show();
    Owner owner;
    owner.name = QStringLiteral("Jean Martin");
    owner.address = {QStringLiteral("12 avenue Foch")};
    owner.postalCode = QStringLiteral("69006");
    owner.town = QStringLiteral("Lyon");
    const std::optional<qint64> id = m_store->addOwner(owner);
    QVERIFY2(id, qPrintable(m_store->error()));
    m_owner = *id;
}

void TestLetterDialog::cleanup()
{
    m_parent.reset(); // and the dialogs over it
    m_store = nullptr;
    m_session.reset();
    for (const QString& file : QDir(m_dir.path()).entryList(QDir::Files))
        QFile::remove(m_dir.filePath(file));
    QVERIFY(!QApplication::activeModalWidget());
}

qint64 TestLetterDialog::add(const Lease& l)
{
    const std::optional<qint64> id = m_store->addLease(l);
    if (!id)
        qFatal("%s", qPrintable(m_store->error()));
    return *id;
}

void TestLetterDialog::setOwner(const QString& name, const QStringList& street,
                                const QString& postalCode, const QString& town)
{
    Owner owner = *m_store->owner(m_owner);
    owner.name = name;
    owner.address = street;
    owner.postalCode = postalCode;
    owner.town = town;
    if (!m_store->updateOwner(owner))
        qFatal("%s", qPrintable(m_store->error()));
}

void TestLetterDialog::pdfFileNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain") << "Lettre de révision A-12"
                           << "Lettre de révision A-12.pdf";
    QTest::newRow("a slash would make a folder") << "Lettre de révision A/12"
                                                 << "Lettre de révision A-12.pdf";
    QTest::newRow("what Windows refuses") << "Lettre de révision B\\3:4*?\"<>|"
                                          << "Lettre de révision B-3-4------.pdf";
    QTest::newRow("a line break") << "Lettre de révision C\n1"
                                  << "Lettre de révision C-1.pdf";
    QTest::newRow("dots only") << ".."
                               << "Lettre.pdf";
    QTest::newRow("nothing") << "  "
                             << "Lettre.pdf";
}

void TestLetterDialog::pdfFileNames()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(pdfFileName(title), name);
}

void TestLetterDialog::letterFollowsItsLease_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("toldForAll"); // announced as a change of the whole register
    QTest::addColumn<QString>("tenant");  // the letter's tenant after; empty: no letter
    QTest::newRow("renamed, told by its id") << "rename" << false << "M. Petit";
    QTest::newRow("renamed, register told") << "rename" << true << "M. Petit";
    QTest::newRow("another lease told") << "other" << false << "Mme Durand";
    QTest::newRow("removed") << "remove" << false << "";
}

void TestLetterDialog::letterFollowsItsLease()
{
    QFETCH(QString, change);
    QFETCH(bool, toldForAll);
    QFETCH(QString, tenant);
    const qint64 id = add(lease(QStringLiteral("A/12"), "15/03/2023", QStringLiteral("Mme Durand"),
                                QStringLiteral("69003")));
    const qint64 other = add(lease(QStringLiteral("B/7"), "15/03/2023", QStringLiteral("M. Roux"),
                                   QStringLiteral("69003")));
    Messages messages;
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog);
    Lease current = *m_store->lease(id);
    current.tenant = QStringLiteral("M. Petit");
    if (change == u"remove")
        QVERIFY(m_store->removeLease(id, current.version));
    else
        QVERIFY(m_store->updateLease(current));
    m_session->announce(toldForAll ? 0 : change == u"other" ? other : id);

    QCOMPARE(dialog->letter().has_value(), !tenant.isEmpty());
    QCOMPARE(dialog->enregistrer->isEnabled(), !tenant.isEmpty());
    if (tenant.isEmpty())
        QCOMPARE(dialog->etat->text(), QStringLiteral("Ce bail n’est plus dans le registre."));
    else
        QVERIFY(dialog->texte->toPlainText().contains(tenant));
    QVERIFY(messages.texts.isEmpty());
    dialog->close();
}

void TestLetterDialog::letterReadSavedAndReadBack()
{
    const qint64 id = add(lease(QStringLiteral("A/12"), "15/03/2023", QStringLiteral("Mme Durand"),
                                QStringLiteral("69003")));
    Messages messages;
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(messages.texts.isEmpty());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Lettre de révision A/12"));
    QVERIFY(dialog->bailleurmanquant->isHidden());
    QVERIFY(dialog->texte->isReadOnly());
    const QString shown = dialog->texte->toPlainText();
    for (const char* part : {"Jean Martin\n12 avenue Foch\n69006 LYON", "Mme Durand",
                             "Lyon, le 15 mars 2024", "bail A/12", "879,72"})
        QVERIFY2(shown.contains(QString::fromUtf8(part)), part);

    if (!havePdfToText())
        QSKIP("pdftotext (poppler-utils) is not installed");
    Files files;
    files.next = m_dir.filePath(QStringLiteral("lettre")); // no suffix typed
    QTest::mouseClick(dialog->enregistrer, Qt::LeftButton);
    QVERIFY(messages.texts.isEmpty());
    QCOMPARE(files.suggested.size(), 1);
    QCOMPARE(QFileInfo(files.suggested.front()).fileName(),
             QStringLiteral("Lettre de révision A-12.pdf"));
    const QString path = files.next + QStringLiteral(".pdf");
    QCOMPARE(dialog->savedPath(), path);
    QVERIFY(dialog->etat->text().contains(QStringLiteral("lettre.pdf")));
    const QString text = pdfText(path);
    QCOMPARE(text.count(u'\f'), 1);
    const QString flowing = text.simplified();
    for (const char* part : {"Jean Martin", "Mme Durand", "3 rue des Lilas", "69003 Ville",
                             "Objet\u00a0: révision annuelle du loyer au 15 mars 2024",
                             "850,00 € × 142,06 ÷ 137,26 = 879,72 €"})
        QVERIFY2(
            flowing.contains(QString::fromUtf8(part).normalized(QString::NormalizationForm_KC)),
            part);

    QTest::mouseClick(dialog->fermer, Qt::LeftButton);
    QTRY_VERIFY(!dialog); // deleted once closed
}

// "Envoyer par courriel…" hands the PDF to the desktop's mail program (here a
// stand-in xdg-email on the PATH that keeps its arguments), with the tenant's
// address; the day it went out is kept in the lease's history.
void TestLetterDialog::mailedAndRecorded()
{
    Lease l = lease(QStringLiteral("A-12"), "15/03/2023", QStringLiteral("Mme Durand"),
                    QStringLiteral("69003"));
    l.tenantEmail = QStringLiteral("durand@exemple.fr");
    const qint64 id = add(l);
    QTemporaryDir bin;
    const QString said = bin.filePath(QStringLiteral("arguments"));
    auto standIn = [&](int status) {
        test::writeAll(
            bin.filePath(QStringLiteral("xdg-email")),
            QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > %1\nexit %2\n")
                .arg(said)
                .arg(status)
                .toUtf8());
        QFile::setPermissions(bin.filePath(QStringLiteral("xdg-email")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    Messages messages;
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog);
    dialog->recommandee->setChecked(true);
    QVERIFY(dialog->texte->toPlainText().contains(u"Lettre recommandée avec avis de réception"));

    standIn(3); // no mail program set up: said, nothing kept
    QTest::mouseClick(dialog->courriel, Qt::LeftButton);
    QTRY_COMPARE(messages.texts.size(), 1);
    QVERIFY2(messages.texts[0].contains(u"aucun programme de courriel"),
             qPrintable(messages.texts[0]));
    QCOMPARE(m_store->lettersSent(id)->size(), 0u);

    standIn(0);
    QTest::mouseClick(dialog->courriel, Qt::LeftButton);
    QTRY_VERIFY(dialog->etat->text().contains(u"historique"));
    qputenv("PATH", path);
    const QStringList arguments =
        QString::fromUtf8(test::readAll(said)).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(arguments.value(2), QStringLiteral("Révision annuelle de votre loyer – bail A-12"));
    QCOMPARE(arguments.last(), QStringLiteral("durand@exemple.fr"));
    const QString attached = arguments.value(arguments.indexOf(QStringLiteral("--attach")) + 1);
    QVERIFY(test::readAll(attached).startsWith("%PDF"));
    const auto sent = m_store->lettersSent(id);
    QCOMPARE(sent->size(), 1u);
    QCOMPARE(sentLetterText(sent->front()),
             QStringLiteral("lettre envoyée le 15/03/2024, par courriel"));
    QCOMPARE(sent->front().dueDate, day("15/03/2024"));
    if (havePdfToText())
        QVERIFY(pdfText(attached).contains(u"Lettre recommandée avec avis de réception"));
}

void TestLetterDialog::refusedInOneBox_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("dpe");
    QTest::addColumn<bool>("owner"); // with a whole address
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("known"); // the lease is in the register
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("reason");

    const QString letter = QStringLiteral("Lettre de révision");
    QTest::newRow("not due, index not out")
        << "15/03/2023" << int(DpeClass::None) << true << QDate(2024, 1, 10) << true << letter
        << "La révision n’est pas encore due\u00a0: prochaine révision le 15/03/2024, lettre à "
           "écrire "
           "à partir du 15/03/2024.";
    QTest::newRow("frozen, G") << "10/03/2023" << int(DpeClass::G) << true << QDate(2024, 3, 15)
                               << true << letter
                               << "loyer gelé (DPE F/G)\u00a0: logement classé G au DPE";
    QTest::newRow("frozen, ahead of its date")
        << "10/03/2023" << int(DpeClass::G) << true << QDate(2024, 2, 20) << true << letter
        << "loyer gelé (DPE F/G)\u00a0: logement classé G au DPE";
    // The lease's own reason comes first: an owner's address would not help.
    QTest::newRow("frozen, no owner’s address either")
        << "10/03/2023" << int(DpeClass::G) << false << QDate(2024, 3, 15) << true << letter
        << "loyer gelé (DPE F/G)";
    QTest::newRow("removed meanwhile")
        << "15/03/2023" << int(DpeClass::None) << true << QDate(2024, 3, 15) << false << letter
        << "Ce bail n’est plus dans le registre.";
}

void TestLetterDialog::refusedInOneBox()
{
    QFETCH(QString, start);
    QFETCH(int, dpe);
    QFETCH(bool, owner);
    QFETCH(QDate, today);
    QFETCH(bool, known);
    QFETCH(QString, title);
    QFETCH(QString, reason);
    if (!owner)
        setOwner(QStringLiteral("Jean Martin"), {}, {}, {});
    qint64 id = add(lease(QStringLiteral("R-1"), start.toLatin1(), QStringLiteral("M. Petit"),
                          QStringLiteral("69003"), DpeClass(dpe)));
    if (!known)
        id += 1000;
    Messages messages;
    QVERIFY(!showLeaseLetter(m_parent.get(), *m_session, id, table(), today));
    QCOMPARE(messages.titles, QStringList{title});
    const QString text = messages.texts.value(0).replace(QChar(0x00A0), u' ');
    QVERIFY2(test::plainText(text).contains(test::plainText(reason)), qPrintable(text));
    QVERIFY(m_parent->findChildren<LetterDialog*>().isEmpty());
}

void TestLetterDialog::saveCancelledOrRefused_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder; empty: cancelled
    QTest::addColumn<bool>("box");

    QTest::newRow("cancelled") << QString() << false;
    QTest::newRow("folder missing") << "absent/lettre.pdf" << true;
    QTest::newRow("a folder in the way") << "dossier.pdf" << true;
}

void TestLetterDialog::saveCancelledOrRefused()
{
    QFETCH(QString, target);
    QFETCH(bool, box);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("dossier.pdf")));
    const qint64 id = add(lease(QStringLiteral("A-12"), "15/03/2023", QStringLiteral("Mme Durand"),
                                QStringLiteral("69003")));
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog);
    Files files;
    files.next = target.isEmpty() ? QString() : m_dir.filePath(target);
    Messages messages;
    QTest::mouseClick(dialog->enregistrer, Qt::LeftButton);
    QCOMPARE(messages.texts.size(), box ? 1 : 0);
    if (box)
        QVERIFY2(messages.texts.front().contains(QStringLiteral("n’a pas pu être écrit")),
                 qPrintable(messages.texts.front()));
    QVERIFY(dialog->savedPath().isEmpty());
    QVERIFY(dialog->etat->text().isEmpty());
    QVERIFY(dialog->isVisible()); // the letter stays, to try elsewhere
    QVERIFY(QFileInfo(m_dir.filePath(QStringLiteral("dossier.pdf"))).isDir());
}

void TestLetterDialog::missingSender_data()
{
    QTest::addColumn<QStringList>("street");
    QTest::addColumn<QString>("postalCode");
    QTest::addColumn<QString>("town");
    QTest::addColumn<QString>("asked"); // in the band
    QTest::addColumn<QString>("draft"); // the letter's first lines meanwhile

    QTest::newRow("no address") << QStringList() << QString() << QString()
                                << "l’adresse postale du bailleur"
                                << "Jean Martin\n[Adresse du bailleur]\n[Code postal et commune]\n";
    QTest::newRow("no street") << QStringList() << "69006"
                               << "Lyon"
                               << "la rue du bailleur"
                               << "Jean Martin\n[Adresse du bailleur]\n69006 LYON\n";
    QTest::newRow("no town") << QStringList{QStringLiteral("12 avenue Foch")} << QString()
                             << QString() << "le code postal et la commune du bailleur"
                             << "Jean Martin\n12 avenue Foch\n[Code postal et commune]\n";
}

// What the owner lacks is said, and shown where it goes in the letter.
void TestLetterDialog::missingSender()
{
    QFETCH(QStringList, street);
    QFETCH(QString, postalCode);
    QFETCH(QString, town);
    QFETCH(QString, asked);
    QFETCH(QString, draft);
    setOwner(QStringLiteral("Jean Martin"), street, postalCode, town);
    const qint64 id = add(lease(QStringLiteral("A-12"), "15/03/2023", QStringLiteral("Mme Durand"),
                                QStringLiteral("69003")));
    Messages messages;
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog);
    QVERIFY(messages.texts.isEmpty());
    QVERIFY(dialog->bailleurmanquant->isVisible());
    const QString band = dialog->bailleurmanquant->text();
    QVERIFY2(band.contains(QStringLiteral("Renseignez ") + asked
                           + QStringLiteral(" «&nbsp;Jean Martin&nbsp;»")),
             qPrintable(band));
    QVERIFY(!dialog->enregistrer->isEnabled());
    QVERIFY(!dialog->imprimer->isEnabled());
    QVERIFY(!dialog->letter());
    QVERIFY2(dialog->texte->toPlainText().startsWith(draft),
             qPrintable(dialog->texte->toPlainText()));
    QVERIFY(dialog->texte->toPlainText().contains(QStringLiteral("879,72")));
}

void TestLetterDialog::ownerFilledFromTheLetter()
{
    setOwner(QStringLiteral("Jean Martin"), {}, {}, {});
    const qint64 id = add(lease(QStringLiteral("A-12"), "15/03/2023", QStringLiteral("Mme Durand"),
                                QStringLiteral("69003")));
    Messages messages;
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog);
    QCOMPARE(dialog->bailleur->text(), QStringLiteral("&Bailleur…"));
    bool answered = false;
    QTimer::singleShot(0, dialog, [&] {
        auto* form = dialog->findChild<OwnerForm*>();
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->nom->text(), QStringLiteral("Jean Martin"));
        form->adresse[0]->setText(QStringLiteral("12 avenue Foch"));
        form->codepostal->setText(QStringLiteral("69006"));
        form->commune->setText(QStringLiteral("Lyon"));
        QTest::mouseClick(form->enregistrer, Qt::LeftButton);
        answered = true;
    });
    QTest::mouseClick(dialog->bailleur, Qt::LeftButton);
    QTRY_VERIFY(answered);
    QVERIFY(messages.texts.isEmpty());
    QCOMPARE(m_store->owner(m_owner)->town, QStringLiteral("Lyon"));
    QVERIFY(dialog->bailleurmanquant->isHidden());
    QVERIFY(dialog->enregistrer->isEnabled());
    QVERIFY(dialog->letter());
    QCOMPARE(dialog->letter()->sender,
             (QStringList{QStringLiteral("Jean Martin"), QStringLiteral("12 avenue Foch"),
                          QStringLiteral("69006 LYON")}));
    QVERIFY(!dialog->texte->toPlainText().contains(u'['));
}

// With an agency the letter comes from it, on the owner's behalf, its card
// and guarantor at the foot of the page; "Agence…" replaces "Bailleur…".
void TestLetterDialog::agencyWritesForTheOwner()
{
    const Agency agency = test::sampleAgency();
    QVERIFY2(m_store->setAgency(agency), qPrintable(m_store->error()));
    const qint64 id = add(lease(QStringLiteral("A-12"), "15/03/2023", QStringLiteral("Mme Durand"),
                                QStringLiteral("69003")));
    Messages messages;
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog && dialog->letter());
    QCOMPARE(dialog->bailleur->text(), QStringLiteral("&Agence…"));
    const RevisionLetter& letter = *dialog->letter();
    QCOMPARE(letter.sender,
             (QStringList{QStringLiteral("Agence du Parc"), QStringLiteral("4 place Bellecour"),
                          QStringLiteral("69002 LYON")}));
    QCOMPARE(letter.onBehalfOf, QStringLiteral("Pour le compte de Jean Martin"));
    QCOMPARE(letter.signature, QStringLiteral("Agence du Parc"));
    QCOMPARE(letter.mentions.size(), 2);
    if (!havePdfToText())
        QSKIP("pdftotext (poppler-utils) is not installed");
    Files files;
    files.next = m_dir.filePath(QStringLiteral("agence.pdf"));
    QTest::mouseClick(dialog->enregistrer, Qt::LeftButton);
    QVERIFY(messages.texts.isEmpty());
    const QString text = pdfText(files.next).simplified();
    for (const char* part : {"Agence du Parc", "Pour le compte de Jean Martin",
                             "Carte professionnelle n° CPI 6901 2026 000 000 123 délivrée par",
                             "Garant financier\u00a0: Galian, 89 rue La Boétie, 75008 Paris"})
        QVERIFY2(text.contains(QString::fromUtf8(part).normalized(QString::NormalizationForm_KC)),
                 part);
}

void TestLetterDialog::printWithoutPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer: the test would print");
    const qint64 id = add(lease(QStringLiteral("A-12"), "15/03/2023", QStringLiteral("Mme Durand"),
                                QStringLiteral("69003")));
    QPointer<LetterDialog> dialog =
        showLeaseLetter(m_parent.get(), *m_session, id, table(), QDate(2024, 3, 15));
    QVERIFY(dialog);
    Messages messages;
    QTest::mouseClick(dialog->imprimer, Qt::LeftButton);
    QCOMPARE(messages.titles, QStringList{QStringLiteral("Erreur d’impression")});
    QVERIFY(dialog->etat->text().isEmpty()); // nothing said to be printed
}

void TestLetterDialog::monthLetters()
{
    add(lease(QStringLiteral("M-1"), "15/03/2023", QStringLiteral("Mme Durand"),
              QStringLiteral("69003")));
    add(lease(QStringLiteral("M-2"), "20/03/2023", QStringLiteral("M. Santoni"),
              QStringLiteral("20000")));
    add(lease(QStringLiteral("M-3"), "10/03/2023", QStringLiteral("Mme Leroy"),
              QStringLiteral("69003"), DpeClass::G));
    add(lease(QStringLiteral("M-4"), "05/04/2023", QStringLiteral("M. Hoarau"),
              QStringLiteral("97400")));
    Messages messages;
    QPointer<MonthLettersDialog> dialog =
        showMonthLetters(m_parent.get(), *m_session, table(), QDate(2024, 2, 20));
    QVERIFY(dialog);
    QVERIFY(messages.texts.isEmpty());
    // Next month at first.
    QCOMPARE(dialog->mois->currentText(), QStringLiteral("mars"));
    QCOMPARE(dialog->annee->value(), 2024);
    QCOMPARE(dialog->title(), QStringLiteral("Lettres de révision mars 2024"));

    // In order of revision date, the frozen lease listed with its reason.
    QTableWidget* list = dialog->liste;
    QCOMPARE(list->rowCount(), 3);
    QStringList references, due;
    for (int row = 0; row < list->rowCount(); ++row) {
        references << list->item(row, 0)->text();
        due << list->item(row, 2)->text();
    }
    QCOMPARE(references,
             (QStringList{QStringLiteral("M-3"), QStringLiteral("M-1"), QStringLiteral("M-2")}));
    QCOMPARE(due, (QStringList{QStringLiteral("10/03/2024"), QStringLiteral("15/03/2024"),
                               QStringLiteral("20/03/2024")}));
    QVERIFY(list->item(0, 3)->text().startsWith(QStringLiteral("loyer gelé (DPE F/G)")));
    if (qEnvironmentVariableIsSet("VELMARIS_SHOTS"))
        dialog->grab().save(QStringLiteral("/tmp/i19_month.png"));
    QVERIFY(list->item(1, 3)->text().contains(QStringLiteral("879,72")));
    QCOMPARE(dialog->letters().size(), std::size_t(2));
    QCOMPARE(dialog->refused().size(), std::size_t(1));
    QCOMPARE(dialog->refused().front().reference, QStringLiteral("M-3"));
    QVERIFY(dialog->compte->text().startsWith(QStringLiteral("2 lettres à envoyer")));
    QVERIFY(dialog->compte->text().contains(QStringLiteral("1 bail sans lettre")));

    if (havePdfToText()) {
        Files files;
        files.next = m_dir.filePath(QStringLiteral("mars.pdf"));
        QTest::mouseClick(dialog->enregistrer, Qt::LeftButton);
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(QFileInfo(files.suggested.value(0)).fileName(),
                 QStringLiteral("Lettres de révision mars 2024.pdf"));
        const QStringList pages = pdfText(files.next).split(u'\f', Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(QStringLiteral("Mme Durand")));
        QVERIFY(pages[1].contains(QStringLiteral("M. Santoni")));
        QVERIFY(pages[1].contains(QStringLiteral("série Corse")));
        // Written in February, ahead of the revision date, it takes effect on it.
        QVERIFY(pages[0].contains(QStringLiteral("Lyon, le 20 février 2024")));
        QVERIFY(pages[0].simplified().contains(QStringLiteral("à compter du 15 mars 2024")));
        QVERIFY(dialog->etat->text().startsWith(QStringLiteral("2 lettres enregistrées")));
        // Each lease's history keeps the day its letter went out.
        const Lease m1 = *m_store->findLease(QStringLiteral("M-1"));
        QCOMPARE(sentLetterText(m_store->lettersSent(m1.id)->front()),
                 QStringLiteral("lettre enregistrée en PDF le 20/02/2024"));
        QCOMPARE(m_store->lettersSent(m1.id)->front().dueDate, day("15/03/2024"));
    }

    // Another month: the list follows.
    dialog->mois->setCurrentIndex(3);
    QCOMPARE(dialog->liste->rowCount(), 1);
    QCOMPARE(dialog->liste->item(0, 0)->text(), QStringLiteral("M-4"));
    dialog->annee->setValue(2025);
    dialog->mois->setCurrentIndex(6);
    QCOMPARE(dialog->liste->rowCount(), 0);
    QCOMPARE(dialog->compte->text(),
             QStringLiteral("Aucune lettre de révision à écrire aujourd’hui pour juillet 2025."));
    QVERIFY(!dialog->enregistrer->isEnabled());
    QVERIFY(!dialog->imprimer->isEnabled());
    QVERIFY(dialog->etat->text().isEmpty());

    QTest::mouseClick(dialog->fermer, Qt::LeftButton);
    QTRY_VERIFY(!dialog);
}

void TestLetterDialog::monthWithoutSender()
{
    setOwner(QStringLiteral("Jean Martin"), {}, {}, {});
    add(lease(QStringLiteral("M-1"), "15/03/2023", QStringLiteral("Mme Durand"),
              QStringLiteral("69003")));
    QPointer<MonthLettersDialog> dialog =
        showMonthLetters(m_parent.get(), *m_session, table(), QDate(2024, 2, 20));
    QVERIFY(dialog);
    QCOMPARE(dialog->liste->rowCount(), 1);
    QVERIFY(dialog->refused().empty()); // listed as a letter, waiting for its sender
    QVERIFY(dialog->liste->item(0, 3)->text().contains(QStringLiteral("à compléter")));
    QVERIFY(dialog->letters().empty());
    QVERIFY(dialog->bailleurmanquant->isVisible());
    QVERIFY(!dialog->enregistrer->isEnabled());

    setOwner(QStringLiteral("SCI Les Tilleuls"), {QStringLiteral("2 rue Neuve")},
             QStringLiteral("69006"), QStringLiteral("Lyon"));
    m_session->announce(0); // the dialog follows the register
    QVERIFY(dialog->bailleurmanquant->isHidden());
    QCOMPARE(dialog->letters().size(), std::size_t(1));
    QCOMPARE(dialog->letters().front().signature, QStringLiteral("SCI Les Tilleuls"));
    QVERIFY(dialog->enregistrer->isEnabled());
}

VELMARIS_TEST(TestLetterDialog)
#include "tst_letterdialog.moc"
