// SPDX-License-Identifier: GPL-3.0-or-later
// The windows driven from the keyboard and on small screens: the register and
// the lease form walked with Tab, Enter, Delete and Escape; every window's
// Alt mnemonics; every window within the screen.
#include "agencydialog.h"
#include "auditwindow.h"
#include "leaseform.h"
#include "leasehistorydialog.h"
#include "leaserevisiondialog.h"
#include "leasestore.h"
#include "letterdialog.h"
#include "mainwindow.h"
#include "maj.h"
#include "messagecatcher.h"
#include "monthlettersdialog.h"
#include "ownerform.h"
#include "ownersdialog.h"
#include "registerwindow.h"
#include "testmain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <memory>

#include "testsupport.h"

using namespace velmaris;
using velmaris::test::Messages;

namespace {

// Answers the questions asked, in turn, and keeps their texts.
struct Questions {
    std::deque<bool> answers;
    QStringList texts;
    Questions()
    {
        MessageBox::setQuestionHandler([this](const QString&, const QString& text) {
            texts << text;
            const bool answer = !answers.empty() && answers.front();
            if (!answers.empty())
                answers.pop_front();
            return answer;
        });
    }
    ~Questions() { MessageBox::setQuestionHandler(nullptr); }
    Questions(const Questions&) = delete;
    Questions& operator=(const Questions&) = delete;
};

Lease lease(const QString& reference, const QString& tenant, int priorYear = 2024)
{
    Lease l;
    l.reference = reference;
    l.tenant = tenant;
    l.address = QStringLiteral("3 rue des Lilas");
    l.postalCode = QStringLiteral("69003");
    l.signingDate = l.startDate = QDate(2020, 3, 1);
    l.rentCents = 85000;
    l.priorRevision = QDate(priorYear, 3, 1);
    return l;
}

// The main window on the shipped index file, the register in a folder of its
// own holding three leases.
struct App {
    QTemporaryDir dir;
    Messages messages;
    Questions questions;
    Settings settings;
    std::unique_ptr<MainWindow> w;
    RegisterWindow* r = nullptr;

    App()
    {
        LeaseStore s;
        if (s.open(dir.path()))
            s.importLeases({lease(QStringLiteral("B-2"), QStringLiteral("M. Martin")),
                            lease(QStringLiteral("A-1"), QStringLiteral("Mme Durand")),
                            lease(QStringLiteral("C-3"), QStringLiteral("Mme Petit"), 2023)});
        w = std::make_unique<MainWindow>(settings, QStringLiteral(VELMARIS_SOURCE_DIR "/data"),
                                         QString());
        w->setRegisterFolder(dir.path());
        w->load();
        w->show();
        QTest::mouseClick(w->baux, Qt::LeftButton);
        r = w->registerWindow();
        if (r)
            r->setToday(QDate(2025, 11, 15));
    }

    template <typename T> T* shown() const
    {
        for (T* d : r->findChildren<T*>())
            if (d->isVisible())
                return d;
        return nullptr;
    }

    QString chosenReference() const
    {
        const QModelIndex i = r->tableau->currentIndex();
        return i.siblingAtColumn(RegisterModel::Reference).data().toString();
    }
};

// The object names met walking with Tab from `from`, `count` of them.
QStringList walk(QWidget* from, int count)
{
    from->setFocus();
    QStringList names{from->objectName()};
    for (int i = 1; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << QApplication::focusWidget()->objectName();
    }
    return names;
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void registerByKeyboard();
    void formTabFollowsItsColumns();
    void formAsksBeforeAbandoning_data();
    void formAsksBeforeAbandoning();
    void everyWindow_data();
    void everyWindow();
    void focusedBoxIsInView();
    void clickLeavesTheViewAlone();
    void quarterBesideItsRent();
};

void TestKeyboard::registerByKeyboard()
{
    App app;
    QVERIFY(app.r);
    QVERIFY(QTest::qWaitForWindowActive(app.r));
    // Search, the owner, sorting, the table as one stop, then the commands.
    QCOMPARE(
        walk(app.r->recherche, 5),
        (QStringList{QStringLiteral("recherche"), QStringLiteral("filtrebailleur"),
                     QStringLiteral("tri"), QStringLiteral("tableau"), QStringLiteral("ajouter")}));

    // Sorted by reference from the keyboard; the arrows walk the leases.
    app.r->tri->setFocus();
    app.r->tri->setCurrentIndex(app.r->tri->findData(RegisterModel::Reference * 2));
    QCOMPARE(app.r->tableau->horizontalHeader()->sortIndicatorSection(),
             int(RegisterModel::Reference));
    app.r->tableau->setFocus();
    QTest::keyClick(app.r->tableau, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(app.chosenReference(), QStringLiteral("A-1"));
    QTest::keyClick(app.r->tableau, Qt::Key_Down);
    QCOMPARE(app.chosenReference(), QStringLiteral("B-2"));
    QVERIFY(app.r->tableau->hasFocus());
    // A heading's click shows in the control.
    app.r->tableau->sortByColumn(RegisterModel::Tenant, Qt::DescendingOrder);
    QCOMPARE(app.r->tri->currentData().toInt(), RegisterModel::Tenant * 2 + 1);

    // Enter revises the chosen lease; Delete asks before it removes it.
    QTest::keyClick(app.r->tableau, Qt::Key_Return);
    LeaseRevisionDialog* revision = app.shown<LeaseRevisionDialog>();
    QVERIFY(revision);
    QCOMPARE(revision->lease().reference, QStringLiteral("B-2"));
    revision->close();
    app.r->tableau->setFocus();
    QTest::keyClick(app.r->tableau, Qt::Key_Delete);
    QCOMPARE(app.questions.texts,
             QStringList{QStringLiteral(
                 "Supprimer le bail «\u00a0B-2\u00a0» (M. Martin) et tout son historique\u00a0?")});
    QCOMPARE(app.r->model().leaseCount(), 3);
    QVERIFY(app.messages.texts.isEmpty());
}

void TestKeyboard::formTabFollowsItsColumns()
{
    App app;
    QTest::mouseClick(app.r->ajouter, Qt::LeftButton);
    LeaseForm* f = app.shown<LeaseForm>();
    QVERIFY(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    QCOMPARE(QApplication::focusWidget(), f->reference); // opened to be typed in
    const QStringList order{
        QStringLiteral("reference"),        QStringLiteral("locataire"),
        QStringLiteral("courriel"),         QStringLiteral("adresse"),
        QStringLiteral("codepostal"),       QStringLiteral("commune"),
        QStringLiteral("territoire"),       QStringLiteral("meuble"),
        QStringLiteral("bailleur"),         QStringLiteral("datesignature"),
        QStringLiteral("dateeffet"),        QStringLiteral("dpe"),
        QStringLiteral("datedpe"),          QStringLiteral("loyer"),
        QStringLiteral("charges"),          QStringLiteral("trimestrereference"),
        QStringLiteral("daterevision"),     QStringLiteral("clause"),
        QStringLiteral("derniererevision"), QStringLiteral("notes")};
    QCOMPARE(walk(f->reference, int(order.size())), order);
}

void TestKeyboard::formAsksBeforeAbandoning_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<bool>("escape"); // else "Annuler"
    QTest::addColumn<bool>("abandon");

    QTest::newRow("new, untouched, Escape") << false << false << true << false;
    QTest::newRow("existing, untouched, Annuler") << true << false << false << false;
    QTest::newRow("new, typed, Escape, kept") << false << true << true << false;
    QTest::newRow("new, typed, Escape, abandoned") << false << true << true << true;
    QTest::newRow("existing, typed, Annuler, kept") << true << true << false << false;
    QTest::newRow("existing, typed, Annuler, abandoned") << true << true << false << true;
}

void TestKeyboard::formAsksBeforeAbandoning()
{
    QFETCH(bool, existing);
    QFETCH(bool, typed);
    QFETCH(bool, escape);
    QFETCH(bool, abandon);
    App app;
    app.r->selectLease(1);
    QTest::mouseClick(existing ? app.r->modifier : app.r->ajouter, Qt::LeftButton);
    LeaseForm* f = app.shown<LeaseForm>();
    QVERIFY(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    if (typed) {
        f->locataire->setFocus();
        QTest::keyClicks(f->locataire, QStringLiteral(" et M. Durand"));
    }
    app.questions.answers = {abandon};
    if (escape)
        QTest::keyClick(f->locataire, Qt::Key_Escape);
    else
        QTest::mouseClick(f->annuler, Qt::LeftButton);

    QCOMPARE(app.questions.texts,
             typed ? QStringList{QStringLiteral("Abandonner les modifications\u00a0?")}
                   : QStringList{});
    QCOMPARE(f->isVisible(), typed && !abandon);
    QCOMPARE(app.r->model().leaseCount(), 3);
}

void TestKeyboard::everyWindow_data()
{
    QTest::addColumn<QString>("window");
    for (const char* name : {"principale", "registre", "bail", "revision", "historique", "lettre",
                             "lettresdumois", "audit", "miseajour", "afaire", "revisionsdues",
                             "saisieindice", "bailleurs", "fichebailleur", "agence"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Each window within the screen (the test screen is smaller than 1024×768), and
// every button with an Alt mnemonic of its own.
void TestKeyboard::everyWindow()
{
    QFETCH(QString, window);
    App app;
    app.r->selectLease(1);
    auto opened = [&](QPushButton* button) -> QWidget* {
        QTest::mouseClick(button, Qt::LeftButton);
        for (QWidget* w : app.r->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isWindow() && w->isVisible())
                return w;
        return nullptr;
    };
    if (window == u"miseajour")
        app.w->updateDialog().show();
    // The owners' windows open modally from the register: opened here as they are.
    std::unique_ptr<QWidget> own;
    if (window == u"bailleurs")
        own = std::make_unique<OwnersDialog>(app.r->session(), app.r);
    else if (window == u"agence")
        own = std::make_unique<AgencyDialog>(app.r->session(), app.r);
    else if (window == u"fichebailleur")
        own = std::make_unique<OwnerForm>(Owner(), app.r);
    if (own)
        own->show();
    QWidget* w = own                          ? own.get()
                 : window == u"miseajour"     ? static_cast<QWidget*>(&app.w->updateDialog())
                 : window == u"principale"    ? app.w.get()
                 : window == u"registre"      ? static_cast<QWidget*>(app.r)
                 : window == u"bail"          ? opened(app.r->modifier)
                 : window == u"revision"      ? opened(app.r->reviser)
                 : window == u"historique"    ? opened(app.r->historique)
                 : window == u"lettre"        ? opened(app.r->lettre)
                 : window == u"lettresdumois" ? opened(app.r->lettresdumois)
                 : window == u"afaire"        ? opened(app.r->afaire)
                 : window == u"revisionsdues" ? opened(app.r->revisionsdues)
                 : window == u"saisieindice"  ? opened(app.r->saisirindice)
                                              : opened(app.r->audit);
    QVERIFY(w);
    if (window == u"audit") { // rents charged: an increase of 2022 applied too early
        auto* add = w->findChild<QPushButton*>(QStringLiteral("ajouter"));
        auto* rents = w->findChild<QTableWidget*>(QStringLiteral("loyersfactures"));
        for (const char* month : {"03/2020", "01/2022"}) {
            QTest::mouseClick(add, Qt::LeftButton);
            const int row = rents->rowCount() - 1;
            rents->item(row, 0)->setText(QString::fromLatin1(month));
            rents->item(row, 2)->setText(QStringLiteral("%1,00").arg(850 + 40 * row));
        }
    }
    w->activateWindow(); // its focus comes back, in view
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::qWait(20);
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") == 1)
        w->grab().save(QStringLiteral("/tmp/fenetre_%1.png").arg(window));

    const QSize room = w->screen()->availableGeometry().size();
    QVERIFY2(w->width() <= room.width() && w->height() <= room.height(),
             qPrintable(QStringLiteral("%1×%2").arg(w->width()).arg(w->height())));

    // Tab never stops on a window's scroll area, which shows nothing of its own;
    // the window never scrolls sideways (a table may, inside it).
    for (const QScrollArea* area : w->findChildren<QScrollArea*>()) {
        QVERIFY2(!(area->focusPolicy() & Qt::TabFocus), qPrintable(area->objectName()));
        QVERIFY2(area->horizontalScrollBar()->maximum() == 0,
                 qPrintable(QString::number(area->horizontalScrollBar()->maximum()) + u' '
                            + QString::number(area->widget()->minimumSizeHint().width()) + u' '
                            + QString::number(area->viewport()->width())));
    }

    // Tab from the first stop on: every stop is a control the user sees,
    // enabled, scrolled into view; none is a frame with nothing to type in.
    QWidget* at = QApplication::focusWidget();
    const QWidget* first = at;
    // (A window manager may keep the focus elsewhere: then there is no walk.)
    const bool walks = at && at->window() == w;
    bool round = false; // back to a stop met before
    QStringList walked;
    for (int stops = 0; walks && stops < 40; ++stops) {
        // A table that takes Tab for its cells is left with Ctrl+Tab.
        const auto* cells = qobject_cast<QAbstractItemView*>(at);
        QTest::keyClick(at, Qt::Key_Tab,
                        cells && cells->tabKeyNavigation() ? Qt::ControlModifier : Qt::NoModifier);
        QWidget* next = QApplication::focusWidget();
        // Back to the first stop, or to a field met before: a row of buttons
        // that keeps the focus among themselves is no round.
        round = next == first
                || (next && walked.contains(next->objectName())
                    && !qobject_cast<QAbstractButton*>(next));
        if (!next || next == at || round)
            break;
        at = next;
        walked << at->objectName();
        QVERIFY2(at->isVisible() && at->isEnabled() && !qobject_cast<QScrollArea*>(at),
                 qPrintable(at->objectName()));
        for (const QScrollArea* area : w->findChildren<QScrollArea*>())
            if (area->widget() && area->widget()->isAncestorOf(at)) {
                const QRect shown(at->mapTo(area->viewport(), QPoint(0, 0)), at->size());
                QVERIFY2(area->viewport()->rect().intersects(shown), qPrintable(at->objectName()));
            }
    }
    // Round the window and back.
    QVERIFY2(!walks || round, qPrintable(walked.join(u' ')));

    QStringList taken;
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
        if (b->window() != w || b->text().isEmpty())
            continue;
        const qsizetype at = b->text().indexOf(u'&');
        QVERIFY2(at >= 0 && at + 1 < b->text().size(), qPrintable(b->text()));
        const QString letter = b->text().mid(at + 1, 1).toLower();
        QVERIFY2(!taken.contains(letter), qPrintable(b->text()));
        taken << letter;
    }
}

// On a screen too small for the main window, the box the cursor goes to is
// scrolled into view: the lease date on the right, then the rent box on the left.
void TestKeyboard::focusedBoxIsInView()
{
    App app;
    MainWindow& w = *app.w;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.resize(420, 300);
    QTest::qWait(20); // laid out again
    auto* area = w.findChild<QScrollArea*>(QStringLiteral("defilement"));
    QVERIFY(area);
    auto inView = [area](QWidget* box) {
        const QRect shown(box->mapTo(area->viewport(), QPoint(0, 0)), box->size());
        return area->viewport()->rect().contains(shown);
    };
    w.loyer[0]->setFocus();
    QVERIFY(inView(w.loyer[0]));
    QVERIFY(!inView(w.datedubail));
    w.datedubail->setFocus();
    QVERIFY(inView(w.datedubail));
    QTest::keyClicks(w.datedubail, QStringLiteral("15/07/2020"));
    QTest::keyClick(w.datedubail, Qt::Key_Return);
    QWidget* box = QApplication::focusWidget();
    QVERIFY(box && box->objectName().startsWith(u"loyer_"));
    QVERIFY(inView(box));
}

// A click in a visible row of a register too tall for its window leaves the
// window where it is: the next click lands where it was aimed.
void TestKeyboard::clickLeavesTheViewAlone()
{
    App app;
    app.r->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.r));
    app.r->resize(500, 260);
    QTest::qWait(20);
    auto* area = app.r->findChild<QScrollArea*>(QStringLiteral("defilement"));
    QVERIFY(area);
    QScrollBar* bar = area->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum() / 2);
    const int before = bar->value();
    QTableView* table = app.r->tableau;
    const QRect row = table->visualRect(table->model()->index(1, 0));
    const QPoint at = row.center();
    QVERIFY(table->viewport()->rect().contains(at));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(bar->value(), before);
}

// On 1024×768 at scale 2 (512×384 points), the rent box the lease date leads
// to shows with its quarter: the commands go below the grid.
void TestKeyboard::quarterBesideItsRent()
{
    App app;
    MainWindow& w = *app.w;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.resize(512, 384);
    QTest::qWait(20);
    auto* area = w.findChild<QScrollArea*>(QStringLiteral("defilement"));
    auto inView = [area](QWidget* box) {
        const QRect shown(box->mapTo(area->viewport(), QPoint(0, 0)), box->size());
        return area->viewport()->rect().contains(shown);
    };
    w.datedubail->setFocus();
    QTest::keyClicks(w.datedubail, QStringLiteral("15/07/2020"));
    QTest::keyClick(w.datedubail, Qt::Key_Return);
    QWidget* box = QApplication::focusWidget();
    QVERIFY(box && box->objectName().startsWith(u"loyer_"));
    const int row = box->objectName().mid(6).toInt();
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") == 1)
        w.grab().save(QStringLiteral("/tmp/fenetre_calculatrice_etroite.png"));
    QVERIFY(inView(box));
    QVERIFY2(inView(w.textind[row]), qPrintable(w.textind[row]->text()));
}

VELMARIS_TEST(TestKeyboard)
#include "tst_keyboard.moc"
