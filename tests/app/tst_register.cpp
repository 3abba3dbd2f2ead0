// SPDX-License-Identifier: GPL-3.0-or-later
// The "Baux" window driven as a landlord drives it: the register opened from
// the main window, leases added, edited, deleted, revised, imported, and
// registers that cannot be written or read.
#include "amounts.h"
#include "auditwindow.h"
#include "duerevisionsdialog.h"
#include "filechoice.h"
#include "leasefields.h"
#include "leaseform.h"
#include "leasehistorydialog.h"
#include "leaserevisiondialog.h"
#include "leasestore.h"
#include "letterdialog.h"
#include "mainwindow.h"
#include "messagecatcher.h"
#include "monthlettersdialog.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <deque>
#include <memory>

#include "testsupport.h"

using namespace velmaris;
using velmaris::test::Messages;

namespace {

const QString kShippedFolder = QStringLiteral(VELMARIS_SOURCE_DIR "/data");
const QDate kToday(2025, 11, 15);

QDate day(const char* text)
{
    return QDate::fromString(QString::fromLatin1(text), u"dd/MM/yyyy");
}

// Answers the questions asked, in turn, and keeps their texts.
struct Questions {
    std::deque<bool> answers;
    QStringList texts;
    Questions()
    {
        MessageBox::setQuestionHandler([this](const QString&, const QString& text) {
            texts << text;
            if (answers.empty())
                return false;
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~Questions() { MessageBox::setQuestionHandler(nullptr); }
    Questions(const Questions&) = delete;
    Questions& operator=(const Questions&) = delete;
};

// The file the next import or export gets.
struct Files {
    QString next;
    Files()
    {
        FileChoice::setHandler([this](bool, const QString&) { return next; });
    }
    ~Files() { FileChoice::setHandler(nullptr); }
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;
};

// Signed and started on 01/03/2020, revised by hand on 01/03/2024: due on
// 01/03/2025 by the IRL of the 4th quarter 2024 (144,64 over 142,06).
Lease dueLease(const QString& reference = QStringLiteral("A-1"))
{
    Lease lease;
    lease.reference = reference;
    lease.tenant = QStringLiteral("Mme Durand");
    lease.address = QStringLiteral("3 rue des Lilas");
    lease.postalCode = QStringLiteral("69003");
    lease.signingDate = day("01/03/2020");
    lease.startDate = day("01/03/2020");
    lease.rentCents = 85000;
    lease.chargesCents = 5000;
    lease.priorRevision = day("01/03/2024");
    return lease;
}

// The program's window on the shipped index file, its register in a folder of its own.
struct App {
    QTemporaryDir dir;
    Messages messages;
    Questions questions;
    Files files;
    Settings settings;
    std::unique_ptr<MainWindow> w;

    explicit App(const QString& indexFolder = kShippedFolder)
    {
        w = std::make_unique<MainWindow>(settings, indexFolder, QString());
        w->setRegisterFolder(dir.path());
        w->load();
        w->show();
    }
    QString registerPath() const { return dir.filePath(LeaseStore::fileName()); }

    // Clicks "Baux" and gives the register its day.
    RegisterWindow* open()
    {
        QTest::mouseClick(w->baux, Qt::LeftButton);
        RegisterWindow* r = w->registerWindow();
        if (r)
            r->setToday(kToday);
        return r;
    }

    // Stores leases from outside the window, as another copy of the program would.
    void store(const std::vector<Lease>& leases)
    {
        LeaseStore s;
        QVERIFY2(s.open(dir.path()), qPrintable(s.error()));
        QVERIFY2(s.importLeases(leases), qPrintable(s.error()));
    }

    std::vector<Lease> stored()
    {
        LeaseStore s;
        if (!s.open(dir.path()))
            return {};
        return s.leases().value_or(std::vector<Lease>());
    }
};

template <typename T> T* dialogOf(QWidget* parent)
{
    for (T* d : parent->findChildren<T*>()) {
        if (d->isVisible())
            return d;
    }
    return nullptr;
}

// What the table shows, row by row, for one column.
QStringList column(RegisterWindow* r, int c)
{
    QStringList texts;
    for (int row = 0; row < r->filter().rowCount(); ++row)
        texts << r->filter().index(row, c).data().toString();
    return texts;
}

QStringList texts(std::initializer_list<const char*> list)
{
    QStringList result;
    for (const char* t : list)
        result << QString::fromUtf8(t);
    return result;
}

void typeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    for (QChar c : text) {
        // keyClicks() knows ASCII only: accents go as the text of a key.
        if (c.unicode() < 128)
            QTest::keyClick(box, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Fills the form of a new lease with a sound one.
void fillSound(LeaseForm* f)
{
    typeInto(f->reference, QStringLiteral("B-7"));
    typeInto(f->locataire, QStringLiteral("M. Hélène Martin"));
    typeInto(f->adresse, QStringLiteral("12 cours Napoléon"));
    typeInto(f->codepostal, QStringLiteral("20000"));
    typeInto(f->datesignature, QStringLiteral("15/06/2021"));
    typeInto(f->dateeffet, QStringLiteral("01/07/2021"));
    typeInto(f->loyer, QStringLiteral("1 234,5"));
    typeInto(f->charges, QStringLiteral("60"));
}

} // namespace

class TestRegister : public QObject {
    Q_OBJECT

private slots:
    void bauxOpensOneWindow();
    void addThroughTheForm();
    void refusedInputIsKept_data();
    void refusedInputIsKept();
    void territoryFollowsThePostalCode();
    void landlordAndPlaceWithoutSeries();
    void quarterTheSigningDateGives();
    void editKeepsWhatIsNotTouched();
    void deleteAsksFirst();
    void reviseThenApply();
    void requestFromTheLetterSent();
    void applyDueFromTheWindow();
    void requestDateDecides_data();
    void requestDateDecides();
    void storeRefusalIsSaid();
    void statusesFollowTheIndexTable();
    void importBadThenGood();
    void exportWritesTheFile();
    void readOnlyRegister();
    void damagedRegister_data();
    void damagedRegister();
    void sortingAndSearch();
    void letterAndAuditButtonsOpenTheirWindows();
    void formAmounts_data();
    void formAmounts();
    void screenshots();
};

void TestRegister::bauxOpensOneWindow()
{
    App app;
    RegisterWindow* r = app.open();
    QVERIFY(r);
    QVERIFY(r->isVisible());
    QVERIFY(r->isWindow());
    QCOMPARE(r->parentWidget(), app.w.get());
    QVERIFY(!r->isModal());
    QCOMPARE(r->objectName(), QStringLiteral("Registre"));
    QCOMPARE(r->windowTitle(), QStringLiteral("Velmaris — Baux"));
    QVERIFY(QFile::exists(app.registerPath()));
    QVERIFY(app.messages.texts.isEmpty());
    QCOMPARE(r->compte->text(), QStringLiteral("aucun bail"));

    r->close();
    QTest::mouseClick(app.w->baux, Qt::LeftButton);
    QCOMPARE(app.w->registerWindow(), r);
    QVERIFY(r->isVisible());
    QCOMPARE(app.w->findChildren<RegisterWindow*>().size(), 1);
}

void TestRegister::addThroughTheForm()
{
    App app;
    RegisterWindow* r = app.open();
    QTest::mouseClick(r->ajouter, Qt::LeftButton);
    QPointer<LeaseForm> f = dialogOf<LeaseForm>(r);
    QVERIFY(f);
    fillSound(f);
    QCOMPARE(f->territoire->currentText(), QStringLiteral("Corse"));
    typeInto(f->commune, QStringLiteral("Ajaccio"));
    f->meuble->setChecked(true);
    typeInto(f->daterevision, QStringLiteral("1/7"));
    f->clause->setCurrentIndex(1);
    f->dpe->setCurrentIndex(f->dpe->findText(QStringLiteral("F")));
    typeInto(f->datedpe, QStringLiteral("2/5/21"));
    typeInto(f->derniererevision, QStringLiteral("01/07/2024"));
    f->notes->setPlainText(QStringLiteral("Clés chez le gardien\u00a0; \"bail type\""));
    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!f);
    QVERIFY2(app.messages.texts.isEmpty(), qPrintable(app.messages.texts.join(u'\n')));

    const std::vector<Lease> leases = app.stored();
    QCOMPARE(leases.size(), std::size_t(1));
    Lease expected;
    expected.id = leases[0].id;
    expected.reference = QStringLiteral("B-7");
    expected.tenant = QStringLiteral("M. Hélène Martin");
    expected.address = QStringLiteral("12 cours Napoléon");
    expected.postalCode = QStringLiteral("20000");
    expected.town = QStringLiteral("Ajaccio");
    expected.territory = Territory::Corse;
    expected.furnished = true;
    expected.signingDate = day("15/06/2021");
    expected.startDate = day("01/07/2021");
    expected.revisionDay = 1;
    expected.revisionMonth = 7;
    expected.clause = Clause::HausseEtBaisse;
    expected.dpeClass = DpeClass::F;
    expected.dpeDate = day("02/05/2021");
    expected.rentCents = 123450;
    expected.chargesCents = 6000;
    expected.priorRevision = day("01/07/2024");
    // A text box gives its no-break spaces back as spaces.
    expected.notes = QStringLiteral("Clés chez le gardien ; \"bail type\"");
    expected.version = 1;            // the register's first
    QVERIFY(leases[0].ownerId != 0); // the register's default owner
    expected.ownerId = leases[0].ownerId;
    QCOMPARE(leases[0], expected);

    // The table shows it, chosen.
    QCOMPARE(column(r, RegisterModel::Reference), QStringList{QStringLiteral("B-7")});
    QCOMPARE(column(r, RegisterModel::Rent), QStringList{QStringLiteral("1 234,50 €")});
    QCOMPARE(column(r, RegisterModel::TerritoryColumn), QStringList{QStringLiteral("Corse")});
    QCOMPARE(r->selectedLeaseId(), leases[0].id);
}

void TestRegister::refusedInputIsKept_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no reference") << "reference"
                                  << ""
                                  << "référence vide";
    QTest::newRow("reference taken")
        << "reference"
        << "A-1"
        << "La référence «\u00a0A-1\u00a0» existe déjà dans le registre.";
    QTest::newRow("impossible signing date")
        << "datesignature"
        << "31/02/2020"
        << "date de signature invalide «\u00a031/02/2020\u00a0»";
    QTest::newRow("no start date") << "dateeffet"
                                   << ""
                                   << "date d’effet manquante";
    QTest::newRow("rent cut by junk") << "loyer"
                                      << "12abc"
                                      << "loyer invalide «\u00a012abc\u00a0»";
    QTest::newRow("rent with thousands dot") << "loyer"
                                             << "1.234,50"
                                             << "loyer invalide «\u00a01.234,50\u00a0»";
    QTest::newRow("rent of three decimals") << "loyer"
                                            << "850,555"
                                            << "loyer invalide «\u00a0850,555\u00a0»";
    QTest::newRow("negative rent") << "loyer"
                                   << "-850"
                                   << "loyer invalide «\u00a0-850\u00a0»";
    QTest::newRow("no rent") << "loyer"
                             << ""
                             << "loyer manquant";
    QTest::newRow("charges unreadable") << "charges"
                                        << "50 par mois"
                                        << "charges invalides «\u00a050 par mois\u00a0»";
    QTest::newRow("revision day that no month has")
        << "daterevision"
        << "31/02"
        << "date de révision invalide «\u00a031/02\u00a0» "
           "(attendu\u00a0: un jour et un mois jj/mm, ou une date jj/mm/aa)";
    QTest::newRow("revision date unreadable")
        << "daterevision"
        << "mars"
        << "date de révision invalide «\u00a0mars\u00a0»";
    QTest::newRow("postal code short")
        << "codepostal"
        << "2000"
        << "code postal invalide «\u00a02000\u00a0» (cinq chiffres, de 01000 "
           "à 95999 ou 97xxx)";
    QTest::newRow("no such department")
        << "codepostal"
        << "96000"
        << "code postal invalide «\u00a096000\u00a0» (cinq chiffres, de "
           "01000 à 95999 ou 97xxx)";
    QTest::newRow("new commune code")
        << "codepostal"
        << "2A004"
        << "code postal invalide «\u00a02A004\u00a0»\u00a0: c’est un code commune\u00a0; "
           "les codes postaux de Corse commencent par 20 (20000 "
           "à 20620)";
    QTest::newRow("DPE date unreadable") << "datedpe"
                                         << "2021"
                                         << "date du DPE invalide «\u00a02021\u00a0»";
    QTest::newRow("prior revision unreadable")
        << "derniererevision"
        << "hier"
        << "date de dernière révision invalide «\u00a0hier\u00a0»";
    QTest::newRow("prior revision before the start")
        << "derniererevision"
        << "01/07/2020"
        << "dernière révision antérieure à la date d’effet";
    // Nothing of these can have happened yet.
    QTest::newRow("signed in the future")
        << "datesignature"
        << "01/01/2099"
        << "date de signature dans le futur «\u00a001/01/2099\u00a0»";
    QTest::newRow("prior revision in the future")
        << "derniererevision"
        << "01/06/2099"
        << "date de dernière révision dans le futur «\u00a001/06/2099\u00a0»";
    QTest::newRow("diagnosis in the future")
        << "datedpe"
        << "07/11/2099"
        << "date du DPE dans le futur «\u00a007/11/2099\u00a0»";
    QTest::newRow("no series for Saint-Barthélemy")
        << "codepostal"
        << "97133"
        << "pas de série de l’IRL publiée pour Saint-Barthélemy\u00a0: indiquez le territoire";
    QTest::newRow("Monaco")
        << "codepostal"
        << "98000"
        << "code postal «\u00a098000\u00a0» hors du champ de la loi du 6 juillet 1989 "
           "(Monaco, collectivités du Pacifique)";
}

void TestRegister::refusedInputIsKept()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, reason);

    App app;
    app.store({dueLease()});
    RegisterWindow* r = app.open();
    QTest::mouseClick(r->ajouter, Qt::LeftButton);
    LeaseForm* f = dialogOf<LeaseForm>(r);
    QVERIFY(f);
    fillSound(f);
    auto* target = f->findChild<QLineEdit*>(box);
    QVERIFY(target);
    typeInto(target, typed);
    QList<QLineEdit*> boxes = f->findChildren<QLineEdit*>();
    QStringList before;
    for (QLineEdit* b : boxes)
        before << b->text();

    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 1);
    QVERIFY2(app.messages.texts[0].contains(reason), qPrintable(app.messages.texts[0]));
    // Only the one reason, what was expected after it: nothing said twice.
    if (reason.startsWith(u"La référence"))
        QCOMPARE(app.messages.texts[0], reason);
    else
        QVERIFY2(app.messages.texts[0].startsWith(
                     QStringLiteral("Le bail n’est pas enregistré\u00a0:\n• ") + reason)
                     && app.messages.texts[0].count(u'•') == 1,
                 qPrintable(app.messages.texts[0]));
    QCOMPARE(f->focusWidget(), target); // where to put it right
    // The form stays, every box as typed (what was read is not tidied away).
    QVERIFY(f->isVisible());
    QStringList after;
    for (QLineEdit* b : boxes)
        after << b->text();
    QCOMPARE(after, before);
    QCOMPARE(target->text(), typed);
    QCOMPARE(app.stored().size(), std::size_t(1));

    // Put right, it is stored.
    typeInto(f->reference, QStringLiteral("B-7"));
    typeInto(f->loyer, QStringLiteral("700"));
    typeInto(f->charges, QString());
    typeInto(f->datesignature, QStringLiteral("15/06/2021"));
    typeInto(f->dateeffet, QStringLiteral("01/07/2021"));
    typeInto(f->daterevision, QString());
    typeInto(f->codepostal, QStringLiteral("69001"));
    typeInto(f->datedpe, QString());
    typeInto(f->derniererevision, QString());
    QPointer<LeaseForm> guard(f);
    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!guard);
    QCOMPARE(app.stored().size(), std::size_t(2));
}

void TestRegister::territoryFollowsThePostalCode()
{
    App app;
    RegisterWindow* r = app.open();
    QTest::mouseClick(r->ajouter, Qt::LeftButton);
    LeaseForm* f = dialogOf<LeaseForm>(r);
    const struct {
        const char* code;
        const char* territory;
    } cases[] = {{"2A004", "Corse"}, {"97411", "outre-mer"}, {"75011", "métropole"},
                 {"20090", "Corse"}, {"97600", "outre-mer"}, {"97700", "métropole"},
                 {"2b033", "Corse"}};
    for (const auto& c : cases) {
        typeInto(f->codepostal, QString::fromLatin1(c.code));
        QCOMPARE(f->territoire->currentText(), QString::fromUtf8(c.territory));
    }
    // Once the user picks it, the postal code no longer decides.
    f->territoire->setFocus();
    QTest::keyClick(f->territoire, Qt::Key_Up); // from Corse to métropole
    QCOMPARE(f->territoire->currentText(), QStringLiteral("métropole"));
    typeInto(f->codepostal, QStringLiteral("97411"));
    QCOMPARE(f->territoire->currentText(), QStringLiteral("métropole"));
    f->reject();

    // A lease whose territory was set by hand keeps it when edited.
    Lease lease = dueLease();
    lease.postalCode = QStringLiteral("20000");
    lease.territory = Territory::Metropole;
    app.store({lease});
    r->reload();
    r->selectLease(app.stored()[0].id);
    QTest::mouseClick(r->modifier, Qt::LeftButton);
    f = dialogOf<LeaseForm>(r);
    QVERIFY(f);
    QCOMPARE(f->territoire->currentText(), QStringLiteral("métropole"));
    typeInto(f->codepostal, QStringLiteral("20090"));
    QCOMPARE(f->territoire->currentText(), QStringLiteral("métropole"));
}

// Saint-Martin has no series: the form says so until a territory is chosen;
// the lease takes the kind of the owner picked.
void TestRegister::landlordAndPlaceWithoutSeries()
{
    App app;
    {
        LeaseStore s;
        QVERIFY2(s.open(app.dir.path()), qPrintable(s.error()));
        for (const char* name : {"Jean Martin", "SCI Les Tilleuls"}) {
            Owner owner;
            owner.name = QString::fromUtf8(name);
            owner.kind = owner.name.startsWith(u"SCI") ? OwnerKind::Company : OwnerKind::Person;
            QVERIFY2(s.addOwner(owner), qPrintable(s.error()));
        }
    }
    RegisterWindow* r = app.open();
    QTest::mouseClick(r->ajouter, Qt::LeftButton);
    QPointer<LeaseForm> f = dialogOf<LeaseForm>(r);
    QVERIFY(f);
    fillSound(f);
    QCOMPARE(f->bailleur->currentText(), QStringLiteral("Jean Martin")); // the default one
    QCOMPARE(f->qualitebailleur->text(), QStringLiteral("personne physique"));
    typeInto(f->codepostal, QStringLiteral("97150"));
    QCOMPARE(f->territoire->currentText(), QStringLiteral("à indiquer"));
    QVERIFY(f->territoireabsent->isVisibleTo(f));
    QCOMPARE(f->territoireabsent->text(),
             QStringLiteral("pas de série de l’IRL publiée pour Saint-Martin\u00a0: indiquez le "
                            "territoire"));
    if (qEnvironmentVariableIsSet("VELMARIS_SHOTS"))
        f->grab().save(QStringLiteral("/tmp/i19_form.png"));
    f->territoire->setCurrentIndex(f->territoire->findText(QStringLiteral("outre-mer")));
    emit f->territoire->activated(f->territoire->currentIndex());
    QVERIFY(!f->territoireabsent->isVisibleTo(f));
    typeInto(f->codepostal, QStringLiteral("97133")); // chosen: the code no longer decides
    QCOMPARE(f->territoire->currentText(), QStringLiteral("outre-mer"));
    f->bailleur->setCurrentIndex(f->bailleur->findText(QStringLiteral("SCI Les Tilleuls")));
    QCOMPARE(f->qualitebailleur->text(), QStringLiteral("société"));
    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!f);
    const std::vector<Lease> leases = app.stored();
    QCOMPARE(leases.size(), std::size_t(1));
    QCOMPARE(leases[0].territory, Territory::OutreMer);
    QCOMPARE(leases[0].landlordKind, LandlordKind::Company);
}

void TestRegister::quarterTheSigningDateGives()
{
    App app;
    RegisterWindow* r = app.open();
    QTest::mouseClick(r->ajouter, Qt::LeftButton);
    LeaseForm* f = dialogOf<LeaseForm>(r);
    QCOMPARE(f->trimestrereference->currentIndex(), 0);
    // The 4th quarter 2019 was published on 16/01/2020, the 1st of 2020 in April.
    typeInto(f->datesignature, QStringLiteral("01/03/2020"));
    QCOMPARE(
        f->trimestreapplique->text(),
        QStringLiteral("Sans trimestre indiqué\u00a0: 4è tr.2019, dernier publié au 01/03/2020."));
    typeInto(f->datesignature, QStringLiteral("01/01/1990"));
    QVERIFY(f->trimestreapplique->text().startsWith(u"Aucun indice publié au 01/01/1990"));

    // A quarter written in the lease is kept as it is.
    fillSound(f);
    f->trimestrereference->setCurrentIndex(
        f->trimestrereference->findText(QStringLiteral("2è tr.2021")));
    QVERIFY(f->trimestreapplique->text().isEmpty());
    QPointer<LeaseForm> guard(f);
    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!guard);
    QCOMPARE(app.stored()[0].referenceQuarter, Quarter(2021, 2));
}

void TestRegister::editKeepsWhatIsNotTouched()
{
    App app;
    Lease lease = dueLease();
    lease.referenceQuarter = Quarter(2019, 4);
    lease.dpeClass = DpeClass::C;
    lease.notes = QStringLiteral("ligne 1\nligne 2");
    // A commune code an older register holds stays through an edit.
    lease.postalCode = QStringLiteral("2A004");
    lease.territory = Territory::Corse;
    lease.town = QStringLiteral("Ajaccio");
    app.store({lease});
    RegisterWindow* r = app.open();
    const qint64 id = app.stored()[0].id;
    r->selectLease(id);
    QTest::mouseClick(r->modifier, Qt::LeftButton);
    QPointer<LeaseForm> f = dialogOf<LeaseForm>(r);
    QVERIFY(f);
    QCOMPARE(f->commune->text(), QStringLiteral("Ajaccio"));
    QVERIFY(f->codepostal->placeholderText().indexOf(u'A') < 0);
    QCOMPARE(f->loyer->text(), QStringLiteral("850,00"));
    QCOMPARE(f->charges->text(), QStringLiteral("50,00"));
    QCOMPARE(f->datesignature->text(), QStringLiteral("01/03/2020"));
    QCOMPARE(f->trimestrereference->currentText(), QStringLiteral("4è tr.2019"));
    QCOMPARE(f->derniererevision->text(), QStringLiteral("01/03/2024"));
    typeInto(f->locataire, QStringLiteral("M. Durand"));
    typeInto(f->loyer, QStringLiteral("900"));
    QTest::mouseClick(f->enregistrer, Qt::LeftButton);
    QTRY_VERIFY(!f);

    Lease expected = lease;
    expected.id = id;
    expected.tenant = QStringLiteral("M. Durand");
    expected.rentCents = 90000;
    expected.version = 2;                       // the edit counts
    expected.ownerId = app.stored()[0].ownerId; // the default one, kept
    QVERIFY(expected.ownerId != 0);
    QCOMPARE(app.stored()[0], expected);
    QCOMPARE(column(r, RegisterModel::Rent), QStringList{QStringLiteral("900,00 €")});
    QCOMPARE(column(r, RegisterModel::Tenant), QStringList{QStringLiteral("M. Durand")});
    QCOMPARE(r->selectedLeaseId(), id);
}

void TestRegister::deleteAsksFirst()
{
    App app;
    app.store({dueLease(), dueLease(QStringLiteral("A-2"))});
    RegisterWindow* r = app.open();
    const qint64 id = app.stored()[0].id;
    r->selectLease(id);

    app.questions.answers = {false};
    QTest::mouseClick(r->supprimer, Qt::LeftButton);
    QCOMPARE(
        app.questions.texts,
        QStringList{QStringLiteral(
            "Supprimer le bail «\u00a0A-1\u00a0» (Mme Durand) et tout son historique\u00a0?")});
    QCOMPARE(app.stored().size(), std::size_t(2));
    QCOMPARE(r->model().leaseCount(), 2);

    app.questions.answers = {true};
    QTest::mouseClick(r->supprimer, Qt::LeftButton);
    QCOMPARE(app.questions.texts.size(), 2);
    QCOMPARE(app.stored().size(), std::size_t(1));
    QCOMPARE(app.stored()[0].reference, QStringLiteral("A-2"));
    QCOMPARE(column(r, RegisterModel::Reference), QStringList{QStringLiteral("A-2")});
    QVERIFY(!r->supprimer->isEnabled()); // nothing chosen any more
    QVERIFY(app.messages.texts.isEmpty());
}

// "Réviser" offers the day the revision's letter went out as the request date.
void TestRegister::requestFromTheLetterSent()
{
    App app;
    app.store({dueLease()});
    {
        LeaseStore s;
        QVERIFY(s.open(app.dir.path()));
        QVERIFY2(s.recordLetterSent({0,
                                     app.stored()[0].id,
                                     QDate(2025, 3, 1),
                                     QDate(2025, 11, 10),
                                     LetterChannel::Printed,
                                     {},
                                     {}}),
                 qPrintable(s.error()));
    }
    RegisterWindow* r = app.open();
    r->selectLease(app.stored()[0].id);
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    QPointer<LeaseRevisionDialog> d = dialogOf<LeaseRevisionDialog>(r);
    QVERIFY(d);
    QCOMPARE(d->datedemande->text(), QStringLiteral("10/11/2025"));
    QVERIFY(d->datedemande->toolTip().contains(u"lettre imprimée le 10/11/2025"));
    d->reject();
}

void TestRegister::reviseThenApply()
{
    App app;
    app.store({dueLease()});
    RegisterWindow* r = app.open();
    QCOMPARE(column(r, RegisterModel::Status),
             QStringList{QStringLiteral("à réviser avant le 01/03/2026")});
    QCOMPARE(column(r, RegisterModel::NextDue), QStringList{QStringLiteral("01/03/2025")});
    QCOMPARE(r->compte->text(), QStringLiteral("1\u00a0bail, dont 1 à réviser"));
    const qint64 id = app.stored()[0].id;
    r->selectLease(id);

    QTest::mouseClick(r->reviser, Qt::LeftButton);
    QPointer<LeaseRevisionDialog> d = dialogOf<LeaseRevisionDialog>(r);
    QVERIFY(d);
    QCOMPARE(d->datedemande->text(), QStringLiteral("15/11/2025"));
    QCOMPARE(d->ancienloyer->text(), QStringLiteral("850,00 €"));
    QCOMPARE(d->indicebase->text(), QStringLiteral("IRL du 4è tr.2023\u00a0: 142,06"));
    QCOMPARE(d->nouvelindice->text(), QStringLiteral("IRL du 4è tr.2024\u00a0: 144,64"));
    QCOMPARE(d->formule->text(), QStringLiteral("850,00 € × 144,64 ÷ 142,06 = 865,43 €"));
    QCOMPARE(d->nouveauloyer->text(), QStringLiteral("865,43 €"));
    QCOMPARE(d->priseeffet->text(), QStringLiteral("15/11/2025"));
    // Every explanation line and its legal reference.
    const QString shown = d->explications->toPlainText();
    QVERIFY(!d->revision().lines.empty());
    for (const ExplanationLine& line : d->revision().lines) {
        QVERIFY2(test::plainText(shown).contains(test::plainText(line.text)),
                 qPrintable(line.text));
        QVERIFY2(shown.contains(line.reference), qPrintable(line.reference));
    }
    QVERIFY(shown.contains(QStringLiteral("demandée après la date de révision")));
    QVERIFY(d->appliquer->isEnabled());

    QTest::mouseClick(d->appliquer, Qt::LeftButton);
    QTRY_VERIFY(!d);
    QVERIFY2(app.messages.texts.isEmpty(), qPrintable(app.messages.texts.join(u'\n')));
    QCOMPARE(app.stored()[0].rentCents, 86543);
    QCOMPARE(column(r, RegisterModel::Rent), QStringList{QStringLiteral("865,43 €")});
    QCOMPARE(column(r, RegisterModel::Status), QStringList{QStringLiteral("à jour")});
    QCOMPARE(column(r, RegisterModel::NextDue), QStringList{QStringLiteral("01/03/2026")});

    // The history holds it with every field.
    QCOMPARE(r->selectedLeaseId(), id);
    QTest::mouseClick(r->historique, Qt::LeftButton);
    LeaseHistoryDialog* h = dialogOf<LeaseHistoryDialog>(r);
    QVERIFY(h);
    QCOMPARE(h->revisions->rowCount(), 1);
    QStringList cells;
    for (int c = 0; c < LeaseHistoryDialog::AppliedBy; ++c)
        cells << h->revisions->item(0, c)->text();
    QCOMPARE(cells, texts({"01/03/2025", "15/11/2025", "15/11/2025", "850,00 €", "865,43 €",
                           "4è tr.2023", "142,06", "4è tr.2024", "144,64", "IRL"}));
    QVERIFY(
        h->notesrevision->toPlainText().contains(QStringLiteral("Nouveau loyer : 865,43 €")));
    QVERIFY(h->revisions->item(0, LeaseHistoryDialog::Notes)->text().contains(u"art. 17-1"));
    // Who applied it, at this desk's clock.
    const QString applied = h->revisions->item(0, LeaseHistoryDialog::AppliedBy)->text();
    QVERIFY2(applied.contains(QStringLiteral(", le ")) && applied.contains(u" à "),
             qPrintable(applied));
    h->reject();

    // Revised: the next one is a year away, nothing to apply.
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    d = dialogOf<LeaseRevisionDialog>(r);
    QVERIFY(d);
    QVERIFY(!d->appliquer->isEnabled());
    QCOMPARE(d->etatrevision->text(), QStringLiteral("prochaine révision le 01/03/2026"));
}

// The month's batch: the list first, recorded on confirmation, then each
// line says what became of it; the register follows.
void TestRegister::applyDueFromTheWindow()
{
    App app;
    Lease corse = dueLease(QStringLiteral("CORSE"));
    corse.postalCode = QStringLiteral("20000");
    corse.territory = Territory::Corse; // its 2nd quarter 2025 regional IRL is not in the file
    corse.signingDate = corse.startDate = day("01/09/2024");
    corse.priorRevision = QDate();
    app.store({dueLease(), corse});
    RegisterWindow* r = app.open();
    QTest::mouseClick(r->revisionsdues, Qt::LeftButton);
    QPointer<DueRevisionsDialog> d = dialogOf<DueRevisionsDialog>(r);
    QVERIFY(d);
    QCOMPARE(d->liste->rowCount(), 2);
    QCOMPARE(d->enregistrer->text(), QStringLiteral("&Enregistrer la révision"));
    QCOMPARE(app.stored()[1].rentCents, 85000); // nothing before the confirmation
    QTest::mouseClick(d->enregistrer, Qt::LeftButton);
    QStringList outcomes;
    for (int row = 0; row < d->liste->rowCount(); ++row)
        outcomes << d->liste->item(row, 0)->text() + u' ' + d->liste->item(row, 5)->text();
    QCOMPARE(outcomes,
             (QStringList{QStringLiteral("A-1 enregistrée"),
                          QStringLiteral("CORSE non enregistrée\u00a0: Indice manquant\u00a0: IRL "
                                         "Corse du 2è tr.2025. Saisissez-le tel que l’Insee "
                                         "l’a publié par «\u00a0Saisir un indice…\u00a0» (le "
                                         "trimestre «\u00a0à compléter\u00a0») ou par "
                                         "velmaris-cli --add-index 22025 --corse VALEUR.")}));
    // The reason, cut short in its cell, is read whole on hovering it.
    QCOMPARE(d->liste->item(1, 5)->toolTip(), d->liste->item(1, 5)->text());
    QVERIFY(!d->enregistrer->isEnabled());
    QCOMPARE(d->fermer->text(), QStringLiteral("&Fermer"));
    QTRY_COMPARE(column(r, RegisterModel::Rent).contains(QStringLiteral("865,43 €")), true);
    d->reject();
}

void TestRegister::requestDateDecides_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("applies");
    QTest::addColumn<QString>("effective");
    QTest::addColumn<QString>("state");

    QTest::newRow("on the revision date") << "01/03/2025" << true << "01/03/2025"
                                          << "à réviser avant le 01/03/2026";
    QTest::newRow("before it") << "28/02/2025" << false << ""
                               << "prochaine révision le 01/03/2025";
    QTest::newRow("not a date") << "31/02/2025" << false << ""
                                << "Saisissez la date de la demande (jj/mm/aaaa).";
}

void TestRegister::requestDateDecides()
{
    QFETCH(QString, request);
    QFETCH(bool, applies);
    QFETCH(QString, effective);
    QFETCH(QString, state);

    App app;
    app.store({dueLease()});
    RegisterWindow* r = app.open();
    r->selectLease(app.stored()[0].id);
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    LeaseRevisionDialog* d = dialogOf<LeaseRevisionDialog>(r);
    typeInto(d->datedemande, request);
    QCOMPARE(d->appliquer->isEnabled(), applies);
    QCOMPARE(d->priseeffet->text(), effective);
    QCOMPARE(d->etatrevision->text(), state);
}

// The rent changed behind the dialog's back: the store refuses, the box says
// why, and the dialog computes again on the lease as it now is.
void TestRegister::storeRefusalIsSaid()
{
    App app;
    app.store({dueLease()});
    RegisterWindow* r = app.open();
    const qint64 id = app.stored()[0].id;
    r->selectLease(id);
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    QPointer<LeaseRevisionDialog> d = dialogOf<LeaseRevisionDialog>(r);
    {
        LeaseStore other;
        QVERIFY(other.open(app.dir.path()));
        Lease changed = app.stored()[0];
        changed.rentCents = 90000;
        QVERIFY(other.updateLease(changed));
    }
    QTest::mouseClick(d->appliquer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 1);
    QCOMPARE(app.messages.texts[0],
             QStringLiteral("Ce bail a été modifié par ailleurs depuis son ouverture."));
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->lease().rentCents, qint64(90000));
    LeaseStore check;
    QVERIFY(check.open(app.dir.path()));
    QVERIFY(check.history(id)->empty());
}

// The index file gains the quarter the revision needs: status and dialog follow.
void TestRegister::statusesFollowTheIndexTable()
{
    QTemporaryDir indexDir;
    const QByteArray full = test::readAll(kShippedFolder + QStringLiteral("/VELMARIS.TXT"));
    QByteArray cut;
    for (const QByteArray& line : full.split('\n')) {
        if (line.startsWith("42025\t") || line.startsWith("32025\t") || line.startsWith("22025\t")
            || line.startsWith("12025\t") || line.startsWith("42024\t"))
            continue;
        cut += line + '\n';
    }
    cut.chop(1);
    const QString indexPath = indexDir.filePath(QStringLiteral("VELMARIS.TXT"));
    test::writeAll(indexPath, cut);

    App app(indexDir.path());
    QCOMPARE(app.w->table().newestQuarter(), Quarter(2024, 3));
    app.store({dueLease()});
    RegisterWindow* r = app.open();
    r->selectLease(app.stored()[0].id);
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    LeaseRevisionDialog* d = dialogOf<LeaseRevisionDialog>(r);
    QVERIFY(!d->appliquer->isEnabled());
    QVERIFY2(d->etatrevision->text().contains(u"Indice manquant\u00a0: IRL du 4è tr.2024."),
             qPrintable(d->etatrevision->text()));

    test::writeAll(indexPath, full);
    QVERIFY(app.w->loadTable());
    QCOMPARE(d->nouveauloyer->text(), QStringLiteral("865,43 €"));
    QVERIFY(d->appliquer->isEnabled());
    QCOMPARE(column(r, RegisterModel::Status),
             QStringList{QStringLiteral("à réviser avant le 01/03/2026")});
}

void TestRegister::importBadThenGood()
{
    App app;
    RegisterWindow* r = app.open();
    const QByteArray header = "reference;locataire;code_postal;date_signature;date_effet;clause;"
                              "loyer\r\n";
    const QString bad = app.dir.filePath(QStringLiteral("bad.csv"));
    test::writeAll(bad, header
                            + "C-1;Mme Petit;69001;01/02/2021;01/02/2021;à la hausse "
                              "seulement;700\r\n"
                              "C-2;M. Grand;69001;31/02/2021;01/03/2021;à la hausse "
                              "seulement;650\r\n"
                              "C-3;M. Moyen;69001;01/04/2021;01/04/2021;au hasard;600\r\n");
    app.files.next = bad;
    QTest::mouseClick(r->importer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 1);
    const QString said = app.messages.texts[0];
    QVERIFY2(said.startsWith(u"Aucun bail n’est importé de"), qPrintable(said));
    QVERIFY2(said.contains(u"\nligne 3\u00a0: date de signature invalide «\u00a031/02/2021\u00a0»"),
             qPrintable(said));
    QVERIFY2(said.contains(u"\nligne 4\u00a0: "), qPrintable(said));
    QVERIFY(app.stored().empty());
    QCOMPARE(r->model().leaseCount(), 0);

    const QString good = app.dir.filePath(QStringLiteral("good.csv"));
    test::writeAll(good, header
                             + "C-1;Mme Petit;69001;01/02/2021;01/02/2021;à la hausse "
                               "seulement;700\r\n"
                               "C-2;M. Grand;20167;01/03/2021;01/03/2021;à la hausse et à "
                               "la baisse;650,50\r\n");
    app.files.next = good;
    QTest::mouseClick(r->importer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 2);
    QCOMPARE(app.messages.texts[1], QStringLiteral("2\u00a0baux importés."));
    QCOMPARE(app.stored().size(), std::size_t(2));
    QCOMPARE(r->model().leaseCount(), 2);

    // The same file again: every reference is taken, nothing is added.
    QTest::mouseClick(r->importer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 3);
    QVERIFY2(app.messages.texts[2].contains(u"déjà dans le registre"),
             qPrintable(app.messages.texts[2]));
    QCOMPARE(app.stored().size(), std::size_t(2));

    // Cancelled: nothing happens.
    app.files.next.clear();
    QTest::mouseClick(r->importer, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 3);
}

void TestRegister::exportWritesTheFile()
{
    App app;
    app.store({dueLease(), dueLease(QStringLiteral("A-2"))});
    RegisterWindow* r = app.open();
    const QString path = app.dir.filePath(QStringLiteral("export.csv"));
    app.files.next = path;
    QTest::mouseClick(r->exporter, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 1);
    QVERIFY(app.messages.texts[0].startsWith(u"Le registre des baux est exporté dans"));
    const QByteArray bytes = test::readAll(path);
    QCOMPARE(bytes.count("\r\n"), 3);
    QVERIFY(bytes.contains("A-2;Mme Durand"));

    // A folder that does not exist: said, nothing claimed.
    app.files.next = app.dir.filePath(QStringLiteral("nowhere/export.csv"));
    QTest::mouseClick(r->exporter, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 2);
    QVERIFY(!app.messages.texts[1].startsWith(u"Le registre des baux est exporté"));
}

void TestRegister::readOnlyRegister()
{
    App app;
    app.store({dueLease()});
    QFile::setPermissions(app.registerPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    RegisterWindow* r = app.open();
    QCOMPARE(app.messages.texts.size(), 1);
    QVERIFY2(app.messages.texts[0].contains(u"est en lecture seule"),
             qPrintable(app.messages.texts[0]));
    QVERIFY(r->etat->isVisible());
    QCOMPARE(r->model().leaseCount(), 1);
    r->selectLease(app.stored()[0].id);
    for (QPushButton* off : {r->ajouter, r->supprimer, r->importer})
        QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
    for (QPushButton* on : {r->modifier, r->reviser, r->historique, r->exporter})
        QVERIFY2(on->isEnabled(), qPrintable(on->objectName()));

    // The computation shows; nothing can be recorded.
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    LeaseRevisionDialog* d = dialogOf<LeaseRevisionDialog>(r);
    QCOMPARE(d->nouveauloyer->text(), QStringLiteral("865,43 €"));
    QVERIFY(!d->appliquer->isEnabled());
    d->reject();
    QTest::mouseClick(r->modifier, Qt::LeftButton);
    LeaseForm* f = dialogOf<LeaseForm>(r);
    QVERIFY(f);
    QVERIFY(!f->enregistrer->isEnabled());
    f->reject();
    QCOMPARE(app.messages.texts.size(), 1);
    QFile::setPermissions(app.registerPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestRegister::damagedRegister_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("said");
    QTest::newRow("not SQLite") << QByteArray("reference;loyer\nA-1;850\n") << "endommagé";
    QTest::newRow("cut in half") << QByteArray("cut") << "endommagé";
}

void TestRegister::damagedRegister()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, said);

    App app;
    if (content == "cut") {
        std::vector<Lease> many;
        for (int i = 0; i < 400; ++i)
            many.push_back(dueLease(QStringLiteral("R-%1").arg(i)));
        app.store(many);
        QByteArray bytes = test::readAll(app.registerPath());
        QVERIFY(bytes.size() > 8192);
        bytes.truncate(bytes.size() / 2);
        QFile::remove(app.registerPath() + QStringLiteral("-wal"));
        QFile::remove(app.registerPath() + QStringLiteral("-shm"));
        content = bytes;
    }
    test::writeAll(app.registerPath(), content);
    const QByteArray before = test::readAll(app.registerPath());

    RegisterWindow* r = app.open();
    QVERIFY(r->isVisible());
    QCOMPARE(app.messages.texts.size(), 1);
    QVERIFY2(app.messages.texts[0].contains(said), qPrintable(app.messages.texts[0]));
    QCOMPARE(r->model().leaseCount(), 0);
    QVERIFY(r->etat->isVisible());
    for (QPushButton* off : {r->ajouter, r->modifier, r->supprimer, r->reviser, r->historique,
                             r->importer, r->exporter})
        QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
    QCOMPARE(test::readAll(app.registerPath()), before);

    // The calculator window goes on working.
    app.w->datedubail->setFocus();
    app.w->loyer[0]->setFocus();
    QTest::keyClicks(app.w->loyer[0], QStringLiteral("500"));
    QTest::keyClick(app.w->loyer[0], Qt::Key_Return);
    QVERIFY(!app.w->schedule().isEmpty());

    // Opened again once the file is moved away: a new register.
    QVERIFY(QFile::rename(app.registerPath(), app.registerPath() + QStringLiteral(".old")));
    r->close();
    QTest::mouseClick(app.w->baux, Qt::LeftButton);
    QCOMPARE(app.messages.texts.size(), 1);
    QVERIFY(r->ajouter->isEnabled());
    QVERIFY(!r->etat->isVisible());
}

void TestRegister::sortingAndSearch()
{
    App app;
    std::vector<Lease> leases;
    // Due dates: 01/03/2025, 01/06/2026 (Z-9), 01/01/2026 (M-5).
    leases.push_back(dueLease());
    Lease z = dueLease(QStringLiteral("Z-9"));
    z.tenant = QStringLiteral("Hélène Éluard");
    z.startDate = z.signingDate = day("01/06/2023");
    z.priorRevision = day("01/06/2025");
    z.rentCents = 50000;
    leases.push_back(z);
    Lease m = dueLease(QStringLiteral("M-5"));
    m.tenant = QStringLiteral("M. Petit");
    m.startDate = m.signingDate = day("01/01/2023");
    m.priorRevision = day("01/01/2025");
    m.rentCents = 120000;
    leases.push_back(m);
    app.store(leases);
    RegisterWindow* r = app.open();

    QCOMPARE(column(r, RegisterModel::Reference), texts({"A-1", "M-5", "Z-9"}));
    QCOMPARE(column(r, RegisterModel::NextDue), texts({"01/03/2025", "01/01/2026", "01/06/2026"}));
    QCOMPARE(r->tableau->horizontalHeader()->sortIndicatorSection(), int(RegisterModel::NextDue));

    QHeaderView* header = r->tableau->horizontalHeader();
    auto clickHeading = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 5, 5));
    };
    clickHeading(RegisterModel::Rent);
    QCOMPARE(column(r, RegisterModel::Rent), texts({"500,00 €", "850,00 €", "1 200,00 €"}));
    clickHeading(RegisterModel::Rent);
    QCOMPARE(column(r, RegisterModel::Rent), texts({"1 200,00 €", "850,00 €", "500,00 €"}));
    clickHeading(RegisterModel::Tenant);
    QCOMPARE(column(r, RegisterModel::Reference), texts({"Z-9", "M-5", "A-1"}));

    typeInto(r->recherche, QStringLiteral("helene"));
    QCOMPARE(column(r, RegisterModel::Reference), texts({"Z-9"}));
    QCOMPARE(r->compte->text(), QStringLiteral("3\u00a0baux, dont 1 à réviser — 1 affiché"));
    typeInto(r->recherche, QStringLiteral("m-"));
    QCOMPARE(column(r, RegisterModel::Reference), texts({"M-5"}));
    typeInto(r->recherche, QStringLiteral("DURAND"));
    QCOMPARE(column(r, RegisterModel::Reference), texts({"A-1"}));
    typeInto(r->recherche, QStringLiteral("personne"));
    QVERIFY(column(r, RegisterModel::Reference).isEmpty());
    QVERIFY(!r->reviser->isEnabled());
    typeInto(r->recherche, QString());
    QCOMPARE(r->filter().rowCount(), 3);
}

void TestRegister::letterAndAuditButtonsOpenTheirWindows()
{
    App app;
    app.store({dueLease()});
    RegisterWindow* r = app.open();
    QVERIFY(r);
    r->selectLease(app.stored()[0].id);
    // What each button opens over the register, found among its children.
    auto opened = [r]() -> QWidget* {
        for (QWidget* w : r->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (qobject_cast<LetterDialog*>(w) || qobject_cast<MonthLettersDialog*>(w)
                || qobject_cast<AuditWindow*>(w))
                return w;
        return nullptr;
    };
    for (QPushButton* button : {r->lettre, r->lettresdumois, r->audit}) {
        QVERIFY(button->isVisible());
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QWidget* w = opened();
        QVERIFY2(w && w->isVisible(),
                 qPrintable(button->text() + u' ' + app.messages.texts.join(u'|')));
        delete w;
    }
    QVERIFY2(app.messages.texts.isEmpty(), qPrintable(app.messages.texts.join(u'|')));

    // Without a lease chosen there is nothing to write to or audit.
    r->tableau->clearSelection();
    QVERIFY(!r->lettre->isEnabled());
    QVERIFY(!r->audit->isEnabled());
    QVERIFY(r->lettresdumois->isEnabled());
}

void TestRegister::formAmounts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("cents"); // -1: refused

    QTest::newRow("whole") << "850" << qint64(85000);
    QTest::newRow("comma, one decimal") << "850,5" << qint64(85050);
    QTest::newRow("dot") << "850.05" << qint64(85005);
    QTest::newRow("grouped with a blank") << "1 234,56" << qint64(123456);
    QTest::newRow("no-break blank") << QStringLiteral("1\u00a0234,56") << qint64(123456);
    QTest::newRow("euro sign") << "850 €" << qint64(85000);
    QTest::newRow("euro sign stuck") << "850,00€" << qint64(85000);
    QTest::newRow("zero charges") << "0" << qint64(0);
    QTest::newRow("junk after") << "12abc" << qint64(-1);
    QTest::newRow("thousands dot") << "1.234,50" << qint64(-1);
    QTest::newRow("three decimals") << "850,555" << qint64(-1);
    QTest::newRow("negative") << "-850" << qint64(-1);
    QTest::newRow("exponent") << "1e3" << qint64(-1);
    QTest::newRow("euro alone") << "€" << qint64(-1);
}

void TestRegister::formAmounts()
{
    QFETCH(QString, typed);
    QFETCH(qint64, cents);
    const std::optional<qint64> read = readAmount(typed);
    QCOMPARE(read.value_or(-1), cents);
}

// Saves every window of the register to /tmp when VELMARIS_SCREENSHOTS=1, to be looked at.
void TestRegister::screenshots()
{
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") != 1)
        QSKIP("VELMARIS_SCREENSHOTS=1 saves the windows to /tmp");
    App app;
    std::vector<Lease> leases;
    for (int i = 0; i < 40; ++i) {
        Lease l = dueLease(QStringLiteral("LOT-%1").arg(i, 3, 10, QChar(u'0')));
        l.tenant = i % 3 ? QStringLiteral("M. et Mme Dupont-Durand") : QStringLiteral("Mme Petit");
        l.startDate = l.signingDate = day("01/03/2020").addDays(i * 37);
        l.priorRevision = i % 4 ? QDate() : day("01/03/2024");
        l.dpeClass = i % 5 == 0 ? DpeClass::G : DpeClass::C;
        leases.push_back(l);
    }
    app.store(leases);
    RegisterWindow* r = app.open();
    for (QSize size : {QSize(), QSize(1024, 768)}) {
        const QString tag = size.isValid() ? QStringLiteral("1024") : QStringLiteral("normal");
        if (size.isValid()) {
            r->resize(size);
            app.w->resize(size);
        }
        QTest::qWait(50);
        r->grab().save(QStringLiteral("/tmp/registre_%1.png").arg(tag));
        app.w->grab().save(QStringLiteral("/tmp/principale_%1.png").arg(tag));
    }
    r->selectLease(app.stored()[0].id);
    QTest::mouseClick(r->modifier, Qt::LeftButton);
    LeaseForm* f = dialogOf<LeaseForm>(r);
    QTest::qWait(50);
    f->grab().save(QStringLiteral("/tmp/bail.png"));
    f->reject();
    QTest::mouseClick(r->reviser, Qt::LeftButton);
    LeaseRevisionDialog* d = dialogOf<LeaseRevisionDialog>(r);
    QTest::qWait(50);
    d->grab().save(QStringLiteral("/tmp/revision.png"));
    QTest::mouseClick(d->appliquer, Qt::LeftButton);
    QTest::mouseClick(r->historique, Qt::LeftButton);
    LeaseHistoryDialog* h = dialogOf<LeaseHistoryDialog>(r);
    QTest::qWait(50);
    h->grab().save(QStringLiteral("/tmp/historique.png"));
    h->reject();
    QTest::mouseClick(r->revisionsdues, Qt::LeftButton);
    DueRevisionsDialog* due = dialogOf<DueRevisionsDialog>(r);
    QTest::qWait(50);
    due->grab().save(QStringLiteral("/tmp/revisionsdues.png"));
    QTest::mouseClick(due->enregistrer, Qt::LeftButton);
    QTest::qWait(50);
    due->grab().save(QStringLiteral("/tmp/revisionsdues_faites.png"));
}

VELMARIS_TEST(TestRegister)
#include "tst_register.moc"
