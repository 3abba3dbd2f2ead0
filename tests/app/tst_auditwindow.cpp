// SPDX-License-Identifier: GPL-3.0-or-later
// The audit window driven as a user would: rents typed in the table, a CSV
// imported, periods removed, the differences shown, the PDF written and read
// back, and a register that refuses to be written.
#include "amounts.h"
#include "auditwindow.h"
#include "filechoice.h"
#include "leasefixture.h"
#include "leasestore.h"
#include "messages.h"
#include "testmain.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <algorithm>

#include "testsupport.h"

using namespace velmaris;
using namespace velmaris::test;

namespace {

const IndexTable& table()
{
    static const IndexTable t = realTable();
    return t;
}

const QDate kToday = day("15/09/2025");

// Every box the window shows, answered without a modal loop.
struct Boxes {
    QStringList shown;  // title, text of each error box
    QStringList asked;  // title, text of each question
    bool answer = true; // to every question
    QString fileToOpen; // what the user picks to import
    QString fileToSave; // where the user puts the PDF
    QString suggested;  // what the window proposed

    Boxes()
    {
        MessageBox::setHandler([this](const QString& t, const QString& x) { shown << t << x; });
        MessageBox::setQuestionHandler([this](const QString& t, const QString& x) {
            asked << t << x;
            return answer;
        });
        FileChoice::setHandler([this](bool saving, const QString& proposed) {
            suggested = proposed;
            return saving ? fileToSave : fileToOpen;
        });
    }
    ~Boxes()
    {
        MessageBox::setHandler(nullptr);
        MessageBox::setQuestionHandler(nullptr);
        FileChoice::setHandler(nullptr);
    }
};

// A register in a folder of its own with one lease signed and started on
// 01/04/2021 in Lyon, 800 € a month.
struct Register {
    QTemporaryDir dir;
    RegisterSession session;
    LeaseStore& store = session.store();
    qint64 id = 0;

    Register()
    {
        if (!store.open(dir.path()))
            qFatal("register not opened");
        id = store.addLease(makeLease(QStringLiteral("B-12"), day("01/04/2021"), 80000)).value();
    }
};

QTableWidget* periodsOf(AuditWindow* w)
{
    return w->findChild<QTableWidget*>(QStringLiteral("loyersfactures"));
}

QString labelText(AuditWindow* w, const char* name)
{
    return w->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

void click(AuditWindow* w, const char* name)
{
    QPushButton* button = w->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY2(button && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

QLineEdit* openEditor(QTableWidget* t)
{
    for (QLineEdit* e : t->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            return e;
    return nullptr;
}

// Types into a cell as a user does: opens its editor (unless it is open
// already, as Ajouter leaves it), types, presses Enter.
bool typeInto(QTableWidget* t, int row, int column, const QString& text)
{
    QLineEdit* editor = openEditor(t);
    if (!editor || t->currentRow() != row || t->currentColumn() != column) {
        t->setCurrentCell(row, column);
        t->editItem(t->item(row, column));
        editor = openEditor(t);
    }
    if (!editor)
        return false;
    editor->selectAll();
    // Typed key by key; what test keys cannot type ("€", no-break blanks) is pasted.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        QTest::keyClicks(editor, text);
    else
        editor->insert(text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits and closes the editor from the event loop.
    for (int i = 0; i < 50 && openEditor(t); ++i)
        QCoreApplication::processEvents();
    return !openEditor(t);
}

// "04/2021=800;05/2022=819,83@20/04/2022": each period added with Ajouter and
// typed, month first.
bool typePeriods(AuditWindow* w, const QString& periods)
{
    QTableWidget* t = periodsOf(w);
    for (const QString& item : periods.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u'=');
        const QStringList rent = parts.value(1).split(u'@');
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("ajouter")), Qt::LeftButton);
        const int row = t->currentRow();
        if (row < 0 || !typeInto(t, row, 2, rent[0]))
            return false;
        // The row may have moved into month order: find it by its rent.
        if (!typeInto(t, t->currentRow(), 0, parts[0]))
            return false;
        if (rent.size() > 1 && !typeInto(t, t->currentRow(), 3, rent[1]))
            return false;
    }
    return true;
}

QString column(QTableWidget* t, int c)
{
    QStringList texts;
    for (int row = 0; row < t->rowCount(); ++row)
        texts << (t->item(row, c) ? t->item(row, c)->text() : QString());
    return texts.join(u';');
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestAuditWindow : public QObject {
    Q_OBJECT

private slots:
    void typedRents_data();
    void typedRents();
    void importCsv_data();
    void importCsv();
    void importAsksBeforeReplacing();
    void removeAsks();
    void monthsAndTotals();
    void pdfReadBack();
    void registerRefusesWrite();
    void missingLease();
};

void TestAuditWindow::typedRents_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("months"); // the first column, once typed
    QTest::addColumn<QString>("rents");  // as the table writes them back
    QTest::addColumn<QString>("state");  // what the window asks to correct; empty: sound
    QTest::addColumn<qint64>("over");    // over-charged in all
    QTest::addColumn<QString>("cause");  // in the differences shown
    QTest::addColumn<QString>("stored"); // the months in the register: the last sound table

    // 812,87 owed from the 4th quarter 2021, 819,83 charged from the 1st 2022.
    QTest::newRow("wrong quarter") << "04/2021=800;05/2022=819,83"
                                   << "04/2021;05/2022"
                                   << "800,00;819,83"
                                   << "" << qint64(41 * 696) << "mauvais trimestre"
                                   << "04/2021;05/2022";
    QTest::newRow("typed out of order, a dot, a single digit month")
        << "05/2022=819.83;4/2021=800"
        << "04/2021;05/2022"
        << "800,00;819,83"
        << "" << qint64(41 * 696) << "mauvais trimestre"
        << "04/2021;05/2022";
    QTest::newRow("the lawful rent, asked on time") << "04/2021=800;04/2022=812,87@01/04/2022"
                                                    << "04/2021;04/2022"
                                                    << "800,00;812,87"
                                                    << "" << qint64(0) << ""
                                                    << "04/2021;04/2022";
    QTest::newRow("amounts as a spreadsheet writes them")
        << "04/2021=800 €;04/2022=812,87\u00A0€@01/04/22"
        << "04/2021;04/2022"
        << "800,00;812,87"
        << "" << qint64(0) << ""
        << "04/2021;04/2022";
    QTest::newRow("an amount that is no amount")
        << "04/2021=800;05/2022=12abc"
        << "04/2021;05/2022"
        << "800,00;12abc"
        << "ligne 2\u00a0: loyer invalide «\u00a012abc\u00a0»\u00a0: caractère «\u00a0a\u00a0» "
           "inattendu"
        << qint64(0) << ""
        << "04/2021";
    QTest::newRow("a negative rent")
        << "04/2021=-800"
        << "04/2021"
        << "-800"
        << "ligne 1\u00a0: loyer invalide «\u00a0-800\u00a0»" << qint64(0) << ""
        << "";
    QTest::newRow("three decimals")
        << "04/2021=800,005"
        << "04/2021"
        << "800,005"
        << "ligne 1\u00a0: loyer invalide «\u00a0800,005\u00a0»" << qint64(0) << ""
        << "";
    QTest::newRow("a month before the lease")
        << "03/2021=800"
        << "03/2021"
        << "800,00"
        << "ligne 1\u00a0: mois 03/2021 antérieur à la prise d’effet du bail (01/04/2021)"
        << qint64(0) << ""
        << "04/2021";
    QTest::newRow("a month twice")
        << "04/2021=800;04/2021=810"
        << "04/2021;04/2021"
        << "800,00;810,00"
        << "ligne 2\u00a0: mois 04/2021 en double (ligne 1)" << qint64(0) << ""
        << "04/2021;05/2021";
    QTest::newRow("a month that is no month")
        << "04/2021=800;13/2022=819,83"
        << "04/2021;13/2022"
        << "800,00;819,83"
        << "ligne 2\u00a0: mois invalide «\u00a013/2022\u00a0» (attendu\u00a0: un mois mm/aaaa"
        << qint64(0) << ""
        << "04/2021;05/2021";
    QTest::newRow("a request date that is no date")
        << "04/2021=800;05/2022=819,83@31/02/2022"
        << "04/2021;05/2022"
        << "800,00;819,83"
        << "ligne 2\u00a0: date de demande invalide «\u00a031/02/2022\u00a0» (attendu\u00a0: une "
           "date "
           "jj/mm/aaaa"
        << qint64(0) << ""
        << "04/2021;05/2022";
}

void TestAuditWindow::typedRents()
{
    QFETCH(QString, typed);
    QFETCH(QString, months);
    QFETCH(QString, rents);
    QFETCH(QString, state);
    QFETCH(qint64, over);
    QFETCH(QString, cause);
    QFETCH(QString, stored);

    Boxes boxes;
    Register reg;
    AuditWindow* w = showAudit(nullptr, reg.session, reg.id, table(), kToday);
    QVERIFY(w);
    std::unique_ptr<AuditWindow> owner(w);
    QVERIFY(typePeriods(w, typed));
    QTableWidget* t = periodsOf(w);
    QCOMPARE(column(t, 0), months);
    QCOMPARE(column(t, 2), rents);

    const std::vector<ChargedRent> inRegister =
        reg.store.chargedRents(reg.id).value_or(std::vector<ChargedRent>{});
    QStringList storedMonths;
    for (const ChargedRent& p : inRegister)
        storedMonths << monthText(p.month);
    QCOMPARE(storedMonths.join(u';'), stored);
    if (state.isEmpty()) {
        QCOMPARE(labelText(w, "etat"), QString());
        QVERIFY(w->isSaved());
        QStringList storedRents;
        for (const ChargedRent& p : inRegister)
            storedRents << amountText(p.rentCents);
        QCOMPARE(storedRents.join(u';'), rents);
        QCOMPARE(w->audit().totals.overCents, over);
        const QString shown = w->findChild<QTextBrowser*>(QStringLiteral("ecarts"))->toPlainText();
        QVERIFY2(cause.isEmpty() ? shown.contains(QStringLiteral("Aucun écart"))
                                 : shown.contains(cause),
                 qPrintable(shown));
    } else {
        QVERIFY2(labelText(w, "etat").contains(state), qPrintable(labelText(w, "etat")));
        QVERIFY(!w->isSaved());
    }
    QVERIFY(boxes.shown.isEmpty());
    boxes.answer = true; // closing with a line to correct asks first
    w->close();
    QCOMPARE(boxes.asked.isEmpty(), state.isEmpty());
}

void TestAuditWindow::importCsv_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("errors"); // each in the error box; none: imported
    QTest::addColumn<QString>("months");

    QTest::newRow("sound, with a request date and a BOM")
        << QByteArray("\xEF\xBB\xBFmois;loyer;date_demande\r\n04/2021;800,00;\r\n"
                      "05/2022;819,83;20/04/2022\r\n")
        << QStringList() << "04/2021;05/2022";
    QTest::newRow("columns in another order, first days of months")
        << QByteArray("loyer;MOIS\n819,83;01/05/2022\n800;01/04/2021\n") << QStringList()
        << "04/2021;05/2022";
    QTest::newRow("every bad line with its number")
        << QByteArray("mois;loyer;date_demande\n04/2021;800;\n13/2022;819,83;\n"
                      "05/2022;abc;\n06/2022;819,83;2022-03-20\n04/2021;810;\n")
        << QStringList{QStringLiteral("ligne 3"),    QStringLiteral("13/2022"),
                       QStringLiteral("ligne 4"),    QStringLiteral("ligne 5"),
                       QStringLiteral("2022-03-20"), QStringLiteral("ligne 6")}
        << "";
    QTest::newRow("no rent column")
        << QByteArray("mois;montant\n04/2021;800\n") << QStringList{QStringLiteral("loyer")} << "";
    QTest::newRow("a header and nothing else")
        << QByteArray("mois;loyer\n") << QStringList{QStringLiteral("aucun loyer")} << "";
}

void TestAuditWindow::importCsv()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, errors);
    QFETCH(QString, months);

    Boxes boxes;
    Register reg;
    boxes.fileToOpen = reg.dir.filePath(QStringLiteral("loyers.csv"));
    QVERIFY(writeFile(boxes.fileToOpen, csv));
    std::unique_ptr<AuditWindow> w(showAudit(nullptr, reg.session, reg.id, table(), kToday));
    QVERIFY(w);
    click(w.get(), "importer");
    QTableWidget* t = periodsOf(w.get());
    const std::vector<ChargedRent> stored = reg.store.chargedRents(reg.id).value();
    if (errors.isEmpty()) {
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.join(u'\n')));
        QCOMPARE(column(t, 0), months);
        QCOMPARE(stored.size(), std::size_t(t->rowCount()));
        QCOMPARE(w->audit().totals.overCents, qint64(41 * 696));
        // The register kept the request date given.
        QVERIFY(stored.back().requestDate.isValid() || !csv.contains("20/04/2022"));
    } else {
        QCOMPARE(boxes.shown.size(), 2);
        QVERIFY(boxes.shown[1].startsWith(QStringLiteral("Rien n’a été importé")));
        for (const QString& e : errors)
            QVERIFY2(boxes.shown[1].contains(e), qPrintable(e + u'\n' + boxes.shown[1]));
        QCOMPARE(t->rowCount(), 0);
        QVERIFY(stored.empty());
    }
}

void TestAuditWindow::importAsksBeforeReplacing()
{
    Boxes boxes;
    Register reg;
    QVERIFY(reg.store.setChargedRents(reg.id, {{day("01/04/2021"), 80000, {}}}));
    boxes.fileToOpen = reg.dir.filePath(QStringLiteral("loyers.csv"));
    QVERIFY(writeFile(boxes.fileToOpen, "mois;loyer\n04/2021;800\n05/2022;819,83\n"));
    std::unique_ptr<AuditWindow> w(showAudit(nullptr, reg.session, reg.id, table(), kToday));
    QVERIFY(w);
    QCOMPARE(periodsOf(w.get())->rowCount(), 1);

    boxes.answer = false;
    click(w.get(), "importer");
    QCOMPARE(boxes.asked.value(1),
             QStringLiteral("Remplacer les 1 périodes du tableau par les 2 du fichier\u00a0?"));
    QCOMPARE(periodsOf(w.get())->rowCount(), 1);
    QCOMPARE(reg.store.chargedRents(reg.id)->size(), std::size_t(1));

    boxes.answer = true;
    click(w.get(), "importer");
    QCOMPARE(periodsOf(w.get())->rowCount(), 2);
    QCOMPARE(reg.store.chargedRents(reg.id)->size(), std::size_t(2));

    // Cancelling the file choice changes nothing.
    boxes.fileToOpen.clear();
    boxes.asked.clear();
    click(w.get(), "importer");
    QVERIFY(boxes.asked.isEmpty());
    QCOMPARE(periodsOf(w.get())->rowCount(), 2);
}

void TestAuditWindow::removeAsks()
{
    Boxes boxes;
    Register reg;
    QVERIFY(reg.store.setChargedRents(
        reg.id, {{day("01/04/2021"), 80000, {}}, {day("01/05/2022"), 81983, {}}}));
    std::unique_ptr<AuditWindow> w(showAudit(nullptr, reg.session, reg.id, table(), kToday));
    QVERIFY(w);
    QCOMPARE(w->audit().totals.overCents, qint64(41 * 696));
    QTableWidget* t = periodsOf(w.get());
    t->setCurrentCell(1, 0);

    boxes.answer = false;
    click(w.get(), "supprimer");
    QCOMPARE(boxes.asked.value(1),
             QStringLiteral("Supprimer la période à partir de 05/2022 (819,83)\u00a0?"));
    QCOMPARE(t->rowCount(), 2);

    boxes.answer = true;
    click(w.get(), "supprimer");
    QCOMPARE(t->rowCount(), 1);
    QCOMPARE(reg.store.chargedRents(reg.id)->size(), std::size_t(1));
    QCOMPARE(w->audit().totals.overCents, qint64(0));
    QCOMPARE(column(t, 1), QStringLiteral("à ce jour"));
}

void TestAuditWindow::monthsAndTotals()
{
    Boxes boxes;
    Register reg;
    QVERIFY(reg.store.setChargedRents(
        reg.id, {{day("01/04/2021"), 80000, {}}, {day("01/05/2022"), 81983, {}}}));
    std::unique_ptr<AuditWindow> w(showAudit(nullptr, reg.session, reg.id, table(), kToday));
    QVERIFY(w);
    QCOMPARE(column(periodsOf(w.get()), 1), QStringLiteral("04/2022;à ce jour"));
    QTableWidget* months = w->findChild<QTableWidget*>(QStringLiteral("mois"));
    QCOMPARE(months->rowCount(), 54); // 04/2021 to 09/2025
    // The months begun before 15/09/2022 are past the three years.
    QCOMPARE(months->item(17, 0)->text(), QStringLiteral("09/2022"));
    QCOMPARE(months->item(17, 4)->text(), QStringLiteral("prescrit"));
    QCOMPARE(months->item(18, 4)->text(), QString());
    QCOMPARE(months->item(17, 3)->text(), QStringLiteral("+6,96"));
    QCOMPARE(months->item(0, 3)->text(), QString());
    const QString totals = labelText(w.get(), "totaux");
    for (const QString& expected : {QStringLiteral("285,36 €"), QStringLiteral("250,56 €"),
                                    QStringLiteral("10/2022"), QStringLiteral("15/09/2022")})
        QVERIFY2(totals.contains(expected), qPrintable(totals));
    const QString shown = w->findChild<QTextBrowser*>(QStringLiteral("ecarts"))->toPlainText();
    for (const QString& expected :
         {QStringLiteral("Les révisions depuis le début"),
          QStringLiteral("4è tr.2021\u00a0: 132,62"), QStringLiteral("812,87 €"),
          QStringLiteral("mauvais trimestre"), QStringLiteral("1er tr.2022")})
        QVERIFY2(test::plainText(shown).contains(test::plainText(expected)), qPrintable(expected));
    // The revisions of 2023 and 2024 were never asked: lost, and shown as such.
    QCOMPARE(shown.count(QStringLiteral("révision perdue (loyer permis")), 2);
    if (qEnvironmentVariableIsSet("VELMARIS_SHOTS"))
        w->grab().save(QStringLiteral("/tmp/i19_audit.png"));
}

void TestAuditWindow::pdfReadBack()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    Boxes boxes;
    Register reg;
    boxes.fileToOpen = reg.dir.filePath(QStringLiteral("loyers.csv"));
    QVERIFY(writeFile(boxes.fileToOpen, "mois;loyer\n04/2021;800\n05/2022;819,83\n"));
    std::unique_ptr<AuditWindow> w(showAudit(nullptr, reg.session, reg.id, table(), kToday));
    QVERIFY(w);
    click(w.get(), "importer");

    // Without ".pdf" the window adds it.
    boxes.fileToSave = reg.dir.filePath(QStringLiteral("audit B-12"));
    click(w.get(), "enregistrerpdf");
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.join(u'\n')));
    QVERIFY(boxes.suggested.endsWith(QStringLiteral("Audit B-12 2025-09-15.pdf")));
    const QString path = boxes.fileToSave + QStringLiteral(".pdf");
    QVERIFY(QFile::exists(path));
    QVERIFY(labelText(w.get(), "etat").contains(QStringLiteral("audit B-12.pdf")));
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(30000));
    const QString text =
        QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    for (const char* expected : {"bail B-12", "Mme Durand", "mauvais trimestre", "prescrit",
                                 "285,36 €", "250,56 €", "819,83"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);

    // A folder that is not there: a French reason, nothing written.
    boxes.fileToSave = reg.dir.filePath(QStringLiteral("absent/audit.pdf"));
    click(w.get(), "enregistrerpdf");
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(boxes.shown[1].startsWith(QStringLiteral("Le PDF n’a pas pu être enregistré\u00a0: ")));
    QVERIFY(!QFile::exists(boxes.fileToSave));
}

void TestAuditWindow::registerRefusesWrite()
{
    Boxes boxes;
    Register reg;
    std::unique_ptr<AuditWindow> w(showAudit(nullptr, reg.session, reg.id, table(), kToday));
    QVERIFY(w);
    // Another window takes the lease out of the register meanwhile.
    {
        LeaseStore other;
        QVERIFY(other.open(reg.dir.path()));
        QVERIFY(other.removeLease(reg.id));
    }
    QVERIFY(typePeriods(w.get(), QStringLiteral("04/2021=800;05/2022=819,83")));
    // One box, however many cells were typed, and the rents stay on screen
    // and in the audit.
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(boxes.shown[1].contains(QStringLiteral("n’ont pas pu être enregistrés")));
    QVERIFY(boxes.shown[1].contains(QStringLiteral("Ce bail n’est plus dans le registre.")));
    QVERIFY(labelText(w.get(), "etat").startsWith(QStringLiteral("Non enregistré")));
    QCOMPARE(column(periodsOf(w.get()), 2), QStringLiteral("800,00;819,83"));
    QCOMPARE(w->audit().totals.overCents, qint64(41 * 696));
    QVERIFY(!w->isSaved());

    // Closing asks; "Non" keeps the window and what it holds.
    w->show();
    boxes.answer = false;
    QVERIFY(!w->close());
    QCOMPARE(boxes.asked.value(0), QStringLiteral("Fermer l’audit"));
    QVERIFY(w->isVisible());
    boxes.answer = true;
    QVERIFY(w->close());
}

void TestAuditWindow::missingLease()
{
    Boxes boxes;
    Register reg;
    QVERIFY(!showAudit(nullptr, reg.session, reg.id + 1, table(), kToday));
    QCOMPARE(boxes.shown.value(1), QStringLiteral("Ce bail n’est plus dans le registre."));
    reg.store.close();
    QVERIFY(!showAudit(nullptr, reg.session, reg.id, table(), kToday));
    QCOMPARE(boxes.shown.size(), 4);
}

VELMARIS_TEST(TestAuditWindow)
#include "tst_auditwindow.moc"
