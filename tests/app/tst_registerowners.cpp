// SPDX-License-Identifier: GPL-3.0-or-later
// The register's side of owners: the list filtered by owner and its
// column, the owner picked in the lease form, the desk's landlord taken in
// when the register opens; and every new window saved to /tmp to be looked at.
#include "agencyfixture.h"
#include "auditprinter.h"
#include "auditreport.h"
#include "auditwindow.h"
#include "leaseform.h"
#include "letterdialog.h"
#include "letterprinter.h"
#include "messagecatcher.h"
#include "ownerform.h"
#include "ownersdialog.h"
#include "ownersfixture.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace velmaris;
using velmaris::test::Messages;

class TestRegisterOwners : public QObject {
    Q_OBJECT

private slots:
    void init() { m_r.open(); }
    void cleanup()
    {
        m_r.close();
        QVERIFY(!QApplication::activeModalWidget());
    }

    void registerFilteredByOwner();
    void leaseFormFindsItsOwner();
    void deskLandlordTakenIn();
    void screenshots();

private:
    test::OwnersRegister m_r;
};

// « Bailleur : » shows one owner's leases; the owner's name has a column.
void TestRegisterOwners::registerFilteredByOwner()
{
    m_r.addLease(QStringLiteral("A-1"), m_r.martin);
    m_r.addLease(QStringLiteral("B-1"), m_r.sci);
    m_r.addLease(QStringLiteral("B-2"), m_r.sci);
    RegisterWindow r(*m_r.session, test::indexTable());
    r.open();
    QCOMPARE(r.filtrebailleur->currentText(), QStringLiteral("Tous"));
    QCOMPARE(r.filter().rowCount(), 3);
    r.filtrebailleur->setCurrentIndex(r.filtrebailleur->findData(m_r.sci));
    QStringList shown, owners;
    for (int row = 0; row < r.filter().rowCount(); ++row) {
        shown << r.filter().index(row, RegisterModel::Reference).data().toString();
        owners << r.filter().index(row, RegisterModel::OwnerColumn).data().toString();
    }
    shown.sort();
    QCOMPARE(shown, (QStringList{QStringLiteral("B-1"), QStringLiteral("B-2")}));
    QCOMPARE(owners, QStringList(2, QStringLiteral("SCI Les Tilleuls")));
    QVERIFY2(r.compte->text().endsWith(QStringLiteral("2 affichés")), qPrintable(r.compte->text()));

    // The owner renamed elsewhere: the column and the filter follow, still on it.
    Owner renamed = *m_r.store->owner(m_r.sci);
    renamed.name = QStringLiteral("SCI Les Platanes");
    QVERIFY(m_r.store->updateOwner(renamed));
    m_r.session->announce(0);
    QCOMPARE(r.filtrebailleur->currentText(), QStringLiteral("SCI Les Platanes"));
    QCOMPARE(r.filter().index(0, RegisterModel::OwnerColumn).data().toString(),
             QStringLiteral("SCI Les Platanes"));
    QCOMPARE(r.filter().rowCount(), 2);
}

// A few letters of a name find the owner; a name that is no owner's is refused.
void TestRegisterOwners::leaseFormFindsItsOwner()
{
    const std::vector<Owner> owners = *m_r.store->owners();
    LeaseForm form(Lease(), test::indexTable(), owners, m_r.martin);
    QCOMPARE(form.bailleur->currentText(), QStringLiteral("Jean Martin"));
    QCOMPARE(form.qualitebailleur->text(), QStringLiteral("personne physique"));
    QVERIFY(!form.isChanged()); // the default owner is no change

    QCompleter* completer = form.bailleur->completer();
    QCOMPARE(completer->filterMode(), Qt::MatchContains);
    completer->setCompletionPrefix(QStringLiteral("tilleul"));
    QCOMPARE(completer->completionCount(), 1);
    QCOMPARE(completer->currentCompletion(), QStringLiteral("SCI Les Tilleuls"));

    form.bailleur->setEditText(QStringLiteral("Inconnu"));
    QCOMPARE(form.qualitebailleur->text(), QString());
    QCOMPARE(form.fields().ownerId, qint64(-1));
    bool saved = false;
    form.setSave([&](const Lease&, QString*) { return saved = true; });
    {
        Messages messages;
        QTest::mouseClick(form.enregistrer, Qt::LeftButton);
        QVERIFY(!saved);
        QVERIFY2(messages.texts.value(0).contains(
                     QStringLiteral("bailleur «\u00a0Inconnu\u00a0» inconnu du registre")),
                 qPrintable(messages.texts.value(0)));
    }
    form.bailleur->setEditText(QStringLiteral("sci les tilleuls")); // case aside
    QCOMPARE(form.qualitebailleur->text(), QStringLiteral("SCI familiale"));
    QCOMPARE(form.fields().ownerId, m_r.sci);
}

// The desk's landlord ([BAILLEUR]) unknown to the register is taken in as an
// owner when the window opens it, and the window says so, once.
void TestRegisterOwners::deskLandlordTakenIn()
{
    const QString ini = m_r.dir.filePath(QStringLiteral("Velmaris.ini"));
    QVERIFY(writeLandlord({QStringLiteral("Hélène Roux"),
                           {QStringLiteral("2 place Bellecour"), QStringLiteral("69002 Lyon")},
                           QStringLiteral("Lyon")},
                          ini));
    Settings settings(ini);
    m_r.session = std::make_unique<RegisterSession>(m_r.dir.path());
    m_r.store = &m_r.session->store();
    Messages messages;
    {
        RegisterWindow r(*m_r.session, test::indexTable());
        r.setSettings(&settings);
        r.open();
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(r.avis->isVisibleTo(&r));
        QVERIFY2(r.avis->text().contains(QStringLiteral("Hélène Roux")),
                 qPrintable(r.avis->text()));
        QCOMPARE(r.filtrebailleur->count(), 4); // « Tous » and three owners
    }
    const std::vector<Owner> owners = *m_r.store->owners();
    const auto roux = std::find_if(owners.begin(), owners.end(), [](const Owner& o) {
        return o.name == QStringLiteral("Hélène Roux");
    });
    QVERIFY(roux != owners.end());
    QCOMPARE(roux->town, QStringLiteral("Lyon"));

    RegisterWindow again(*m_r.session, test::indexTable());
    again.setSettings(&settings);
    again.open();
    QVERIFY(again.avis->isHidden());
    QCOMPARE(m_r.store->owners()->size(), owners.size());
}

void TestRegisterOwners::screenshots()
{
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") != 1)
        QSKIP("VELMARIS_SCREENSHOTS=1 saves the windows to /tmp");
    const QString tag = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    for (int i = 0; i < 12; ++i)
        m_r.addLease(QStringLiteral("LOT-%1").arg(i, 3, 10, QChar(u'0')),
                     i % 3 ? m_r.martin : m_r.sci);
    RegisterWindow r(*m_r.session, test::indexTable());
    r.open();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    auto save = [&](QWidget* w, const char* name) {
        QTest::qWait(50);
        w->grab().save(QStringLiteral("/tmp/owners_%1_x%2.png").arg(QLatin1String(name), tag));
    };
    save(&r, "registre");
    auto shoot = [&](QPushButton* button, const char* name) {
        test::onModal([&] { QTest::mouseClick(button, Qt::LeftButton); },
                      [&](QWidget* modal) {
                          save(modal, name);
                          if (auto* owners = qobject_cast<OwnersDialog*>(modal)) {
                              owners->selectOwner(m_r.sci);
                              test::onModal(
                                  [&] { QTest::mouseClick(owners->modifier, Qt::LeftButton); },
                                  [&](QWidget* form) {
                                      save(form, "fiche");
                                      static_cast<QDialog*>(form)->reject();
                                  });
                          }
                          static_cast<QDialog*>(modal)->reject();
                      });
    };
    shoot(r.bailleurs, "bailleurs");
    shoot(r.agence, "agence");
    QTest::mouseClick(r.ajouter, Qt::LeftButton);
    auto* form = r.findChild<LeaseForm*>();
    QVERIFY(form);
    form->bailleur->setFocus();
    form->bailleur->lineEdit()->selectAll();
    QTest::keyClicks(form->bailleur, QStringLiteral("till"));
    save(form->bailleur->completer()->popup(), "completion");
    QTest::keyClick(form->bailleur->completer()->popup(), Qt::Key_Down);
    QTest::keyClick(form->bailleur->completer()->popup(), Qt::Key_Return);
    save(form, "bail");
    form->done(QDialog::Rejected);

    // The letters: an owner without address, then an agency's letter, its PDF kept.
    Lease due = test::makeLease(QStringLiteral("A-12"), test::day("15/03/2023"), 85000);
    due.tenant = QStringLiteral("Mme Durand");
    due.address = QStringLiteral("3 rue des Lilas");
    due.postalCode = QStringLiteral("69003");
    due.town = QStringLiteral("Lyon");
    due.ownerId = m_r.sci;
    const qint64 id = *m_r.store->addLease(due);
    Owner sci = *m_r.store->owner(m_r.sci);
    sci.address.clear();
    QVERIFY(m_r.store->updateOwner(sci));
    LetterDialog* letter =
        showLeaseLetter(&r, *m_r.session, id, test::indexTable(), QDate(2024, 3, 15));
    QVERIFY(letter);
    save(letter, "lettre_incomplete");
    letter->close();
    // Long mentions, as a real chamber's name is, for the page's foot.
    Agency agency = test::sampleAgency();
    agency.cardChamber = QStringLiteral("CCI Lyon Métropole Saint-Étienne Roanne");
    agency.guarantorName = QStringLiteral("Galian Assurances");
    QVERIFY(m_r.store->setAgency(agency));
    letter = showLeaseLetter(&r, *m_r.session, id, test::indexTable(), QDate(2024, 3, 15));
    QVERIFY(letter && letter->letter());
    save(letter, "lettre_agence");
    QVERIFY(saveLettersPdf({*letter->letter()}, QStringLiteral("Lettre"),
                           QStringLiteral("/tmp/owners_lettre_agence.pdf")));
    letter->close();
    AuditWindow* audit = showAudit(&r, *m_r.session, id, test::indexTable(), QDate(2025, 11, 15));
    QVERIFY(audit);
    save(audit, "audit");
    const Audit result =
        auditLease(*m_r.store->lease(id), {}, {}, test::indexTable(), QDate(2025, 11, 15));
    QString reason;
    QVERIFY(writeAuditReportPdf(
        QStringLiteral("/tmp/owners_audit.pdf"),
        auditReport(*m_r.store->lease(id), result, auditAuthor(sci, agency)), &reason));
    audit->close();
}

VELMARIS_TEST(TestRegisterOwners)
#include "tst_registerowners.moc"
