// SPDX-License-Identifier: GPL-3.0-or-later
// The owners and the agency as an office edits them: "Bailleurs…", the
// owner's form and its refusals, "Agence…", and a register that may only be read.
#include "agencydialog.h"
#include "messagecatcher.h"
#include "ownerform.h"
#include "ownersdialog.h"
#include "ownersfixture.h"
#include "testmain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

using namespace velmaris;
using velmaris::test::Messages;

namespace {

QStringList column(const QTableWidget* list, int c)
{
    QStringList texts;
    for (int row = 0; row < list->rowCount(); ++row)
        texts << list->item(row, c)->text();
    return texts;
}

} // namespace

class TestOwnersWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { m_r.open(); }
    void cleanup()
    {
        m_r.close();
        QVERIFY(!QApplication::activeModalWidget());
    }

    void ownerFormRefuses_data();
    void ownerFormRefuses();
    void ownersListedAddedEdited();
    void removeOwner_data();
    void removeOwner();
    void readOnlyRegisterLists();
    void agency_data();
    void agency();

private:
    test::OwnersRegister m_r;
};

void TestOwnersWindow::ownerFormRefuses_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("said");

    QTest::newRow("no name") << "nom"
                             << ""
                             << "nom du bailleur manquant";
    QTest::newRow("postal code") << "codepostal"
                                 << "6900"
                                 << "code postal invalide «\u00a06900\u00a0»";
    QTest::newRow("e-mail") << "courriel"
                            << "jean.martin"
                            << "courriel du bailleur invalide";
}

// A refused owner says every reason and puts the cursor in the faulty box,
// the typing kept.
void TestOwnersWindow::ownerFormRefuses()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, said);
    OwnerForm form(test::sampleOwner(QStringLiteral("Jean Martin")));
    bool saved = false;
    form.setSave([&](const Owner&, QString*) { return saved = true; });
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* faulty = form.findChild<QLineEdit*>(box);
    QVERIFY(faulty);
    faulty->setText(typed);
    Messages messages;
    QTest::mouseClick(form.enregistrer, Qt::LeftButton);
    QVERIFY(!saved);
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY2(messages.texts[0].contains(said), qPrintable(messages.texts[0]));
    QVERIFY(form.isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(faulty));
    QCOMPARE(faulty->text(), typed);
}

void TestOwnersWindow::ownersListedAddedEdited()
{
    m_r.addLease(QStringLiteral("A-1"), m_r.martin);
    m_r.addLease(QStringLiteral("A-2"), m_r.martin);
    OwnersDialog dialog(*m_r.session);
    dialog.show();
    QCOMPARE(column(dialog.liste, 0), (QStringList{QStringLiteral("Jean Martin (par défaut)"),
                                                   QStringLiteral("SCI Les Tilleuls")}));
    QCOMPARE(column(dialog.liste, 1),
             (QStringList{QStringLiteral("personne physique"), QStringLiteral("SCI familiale")}));
    QCOMPARE(column(dialog.liste, 2),
             (QStringList{QStringLiteral("Lyon"), QStringLiteral("Bron")}));
    QCOMPARE(column(dialog.liste, 3), (QStringList{QStringLiteral("2"), QStringLiteral("0")}));
    QVERIFY(!dialog.modifier->isEnabled());

    Messages messages;
    test::onModal([&] { QTest::mouseClick(dialog.ajouter, Qt::LeftButton); },
                  [](QWidget* modal) {
                      auto* form = qobject_cast<OwnerForm*>(modal);
                      QVERIFY(form);
                      form->nom->setText(QStringLiteral("Hélène Roux"));
                      form->qualite->setCurrentIndex(
                          form->qualite->findText(QStringLiteral("société")));
                      QTest::mouseClick(form->enregistrer, Qt::LeftButton);
                  });
    QVERIFY(messages.texts.isEmpty());
    QCOMPARE(dialog.liste->rowCount(), 3);
    QCOMPARE(dialog.liste->item(0, 0)->text(), QStringLiteral("Hélène Roux"));
    QCOMPARE(dialog.selectedOwnerId(), dialog.owners().front().id); // the new one, chosen

    dialog.selectOwner(m_r.sci);
    test::onModal([&] { QTest::mouseClick(dialog.modifier, Qt::LeftButton); },
                  [](QWidget* modal) {
                      auto* form = qobject_cast<OwnerForm*>(modal);
                      QVERIFY(form);
                      form->commune->setText(QStringLiteral("Villeurbanne"));
                      QTest::mouseClick(form->enregistrer, Qt::LeftButton);
                  });
    QCOMPARE(m_r.store->owner(m_r.sci)->town, QStringLiteral("Villeurbanne"));
    QCOMPARE(column(dialog.liste, 2).last(), QStringLiteral("Villeurbanne"));
    QCOMPARE(dialog.selectedOwnerId(), m_r.sci);
}

void TestOwnersWindow::removeOwner_data()
{
    QTest::addColumn<bool>("withLeases");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QString>("said"); // the error box; empty: none

    QTest::newRow("still has leases") << true << true << false << "a encore 2\u00a0baux";
    QTest::newRow("none, confirmed") << false << true << true << "";
    QTest::newRow("none, kept") << false << false << false << "";
}

// An owner that still holds leases is refused without asking, the store
// saying how many; one without any goes once the user says so.
void TestOwnersWindow::removeOwner()
{
    QFETCH(bool, withLeases);
    QFETCH(bool, answer);
    QFETCH(bool, removed);
    QFETCH(QString, said);
    if (withLeases) {
        m_r.addLease(QStringLiteral("B-1"), m_r.sci);
        m_r.addLease(QStringLiteral("B-2"), m_r.sci);
    }
    OwnersDialog dialog(*m_r.session);
    dialog.show();
    dialog.selectOwner(m_r.sci);
    Messages messages;
    test::Answers questions;
    questions.answers = {answer};
    QTest::mouseClick(dialog.supprimer, Qt::LeftButton);
    QCOMPARE(questions.texts.size(), withLeases ? 0 : 1);
    QCOMPARE(messages.texts.size(), said.isEmpty() ? 0 : 1);
    if (!said.isEmpty())
        QVERIFY2(messages.texts[0].contains(said), qPrintable(messages.texts[0]));
    QCOMPARE(m_r.store->owner(m_r.sci).has_value(), !removed);
    QCOMPARE(dialog.liste->rowCount(), removed ? 1 : 2);
}

void TestOwnersWindow::readOnlyRegisterLists()
{
    m_r.addLease(QStringLiteral("A-1"), m_r.martin);
    m_r.session.reset();
    const QString path = m_r.dir.filePath(LeaseStore::fileName());
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    m_r.session = std::make_unique<RegisterSession>(m_r.dir.path());
    m_r.store = &m_r.session->store();
    QVERIFY(m_r.session->openStore());
    if (!m_r.store->isReadOnly()) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QSKIP("this user writes read-only files");
    }
    OwnersDialog dialog(*m_r.session);
    dialog.show();
    dialog.selectOwner(m_r.martin);
    QCOMPARE(dialog.liste->rowCount(), 2);
    QVERIFY(dialog.etat->isVisible());
    QVERIFY(!dialog.ajouter->isEnabled() && !dialog.supprimer->isEnabled());
    QCOMPARE(dialog.modifier->text(), QStringLiteral("&Consulter…"));
    test::onModal([&] { QTest::mouseClick(dialog.modifier, Qt::LeftButton); },
                  [](QWidget* modal) {
                      auto* form = qobject_cast<OwnerForm*>(modal);
                      QVERIFY(form);
                      QVERIFY(!form->enregistrer->isEnabled());
                      form->reject();
                  });
    AgencyDialog agency(*m_r.session);
    QVERIFY(!agency.enregistrer->isEnabled());
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestOwnersWindow::agency_data()
{
    QTest::addColumn<QString>("emptied"); // a box left empty
    QTest::addColumn<QString>("said");
    QTest::newRow("whole") << QString() << QString();
    QTest::newRow("no card") << "carte"
                             << "numéro de carte professionnelle manquant";
    QTest::newRow("no chamber") << "chambre"
                                << "chambre de commerce";
    QTest::newRow("no guarantor") << "garant"
                                  << "garant financier";
}

// The agency is saved when it has what its letters must say, the cursor put
// where it lacks; "Aucune agence" removes it once the user says so.
void TestOwnersWindow::agency()
{
    QFETCH(QString, emptied);
    QFETCH(QString, said);
    test::Answers questions; // "Non" unless told
    AgencyDialog dialog(*m_r.session);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(dialog.etat->text().startsWith(QStringLiteral("Aucune agence")));
    QVERIFY(!dialog.aucune->isEnabled());
    dialog.nom->setText(QStringLiteral("Agence du Parc"));
    dialog.adresse->setPlainText(QStringLiteral("4 place Bellecour"));
    dialog.codepostal->setText(QStringLiteral("69002"));
    dialog.commune->setText(QStringLiteral("Lyon"));
    dialog.carte->setText(QStringLiteral("CPI 6901 2026 000 000 123"));
    dialog.chambre->setText(QStringLiteral("CCI Lyon Métropole"));
    dialog.garant->setText(QStringLiteral("Galian"));
    dialog.adressegarant->setPlainText(QStringLiteral("89 rue La Boétie\n75008 Paris"));
    if (!emptied.isEmpty())
        dialog.findChild<QLineEdit*>(emptied)->clear();
    Messages messages;
    QTest::mouseClick(dialog.enregistrer, Qt::LeftButton);
    if (!said.isEmpty()) {
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(said), qPrintable(messages.texts[0]));
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), emptied);
        QVERIFY(dialog.isVisible());
        QVERIFY(!m_r.store->agency()->isSet());
        dialog.reject(); // asks, answered "Non" by default: the typing stays
        QVERIFY(dialog.isVisible());
        QCOMPARE(questions.texts.size(), 1);
        return;
    }
    QVERIFY(messages.texts.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const Agency stored = *m_r.store->agency();
    QCOMPARE(stored.name, QStringLiteral("Agence du Parc"));
    QCOMPARE(stored.guarantorAddress,
             (QStringList{QStringLiteral("89 rue La Boétie"), QStringLiteral("75008 Paris")}));

    AgencyDialog again(*m_r.session);
    QCOMPARE(again.carte->text(), QStringLiteral("CPI 6901 2026 000 000 123"));
    QVERIFY(again.aucune->isEnabled());
    questions.answers = {true};
    QTest::mouseClick(again.aucune, Qt::LeftButton);
    QCOMPARE(questions.texts.size(), 1);
    QVERIFY(!m_r.store->agency()->isSet());
}

VELMARIS_TEST(TestOwnersWindow)
#include "tst_ownerswindow.moc"
