// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures of the manual, taken from the windows themselves.
//   velmaris_doc_images DATA_FOLDER OUTPUT_FOLDER
// DATA_FOLDER holds an index file and a register (scripts/screenshots.sh fills
// one from the manual's example CSV); every window is opened on it as a user
// opens it, on a fixed day so that the pictures only change with the program.
#include "auditwindow.h"
#include "mainwindow.h"
#include "messages.h"
#include "monthlettersdialog.h"
#include "ownersdialog.h"
#include "registerwindow.h"
#include "settings.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <cstdio>

using namespace velmaris;

namespace {

bool save(QWidget* w, const QString& folder, const QString& name)
{
    if (!w) {
        std::fprintf(stderr, "velmaris_doc_images: no window for %s\n", qPrintable(name));
        return false;
    }
    w->activateWindow();
    QTest::qWait(50);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "velmaris_doc_images: %s not written\n", qPrintable(path));
        return false;
    }
    return true;
}

// The window a button of the register opens.
QWidget* opened(RegisterWindow* r, QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
    for (QWidget* w : r->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isWindow() && w->isVisible())
            return w;
    return nullptr;
}

// Rents charged to the tenant of A-12 (850,00 € from 15/03/2021), the last two
// raised more than the index allowed.
void fillRentsCharged(QWidget* audit)
{
    auto* add = audit->findChild<QPushButton*>(QStringLiteral("ajouter"));
    auto* rents = audit->findChild<QTableWidget*>(QStringLiteral("loyersfactures"));
    if (!add || !rents)
        return;
    const std::pair<const char*, const char*> charged[] = {{"03/2021", "850,00"},
                                                           {"03/2022", "863,68"},
                                                           {"03/2023", "893,92"},
                                                           {"03/2024", "930,00"},
                                                           {"03/2025", "950,00"}};
    for (const auto& [month, rent] : charged) {
        QTest::mouseClick(add, Qt::LeftButton);
        const int row = rents->rowCount() - 1;
        rents->item(row, 0)->setText(QString::fromLatin1(month));
        rents->item(row, 2)->setText(QString::fromLatin1(rent));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmaris_doc_images DATA_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QString data = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    // A message or a question would wait for a click nobody gives: said, and answered no.
    MessageBox::setHandler([](const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    });
    MessageBox::setQuestionHandler([](const QString&, const QString&) { return false; });

    Settings settings(QDir(data).filePath(QStringLiteral("Velmaris.ini")));
    MainWindow w(settings, data, QString());
    w.setRegisterFolder(data);
    w.load();
    w.show();
    bool ok = QTest::qWaitForWindowExposed(&w);

    // The calculator: a lease of 15/10/2019 at 850 €.
    w.datedubail->setFocus();
    QTest::keyClicks(w.datedubail, QStringLiteral("15/10/2019"));
    QTest::keyClick(w.datedubail, Qt::Key_Return);
    QTest::qWait(100); // the rent box of the lease's quarter takes the focus
    if (auto* box = qobject_cast<QLineEdit*>(w.focusWidget()); box && box != w.datedubail) {
        QTest::keyClicks(box, QStringLiteral("850"));
        QTest::keyClick(box, Qt::Key_Return);
    }
    ok = save(&w, out, QStringLiteral("calculette")) && ok;

    QTest::mouseClick(w.baux, Qt::LeftButton);
    RegisterWindow* r = w.registerWindow();
    if (!r)
        return 1;
    r->setToday(QDate(2027, 1, 25));
    r->selectLease(1);
    ok = save(r, out, QStringLiteral("registre")) && ok;
    const std::pair<const char*, QPushButton*> windows[] = {{"bail", r->modifier},
                                                            {"revision", r->reviser},
                                                            {"lettre", r->lettre},
                                                            {"lettres-du-mois", r->lettresdumois},
                                                            {"a-faire", r->afaire},
                                                            {"revisions-dues", r->revisionsdues},
                                                            {"saisie-indice", r->saisirindice},
                                                            {"audit", r->audit}};
    for (const auto& [name, button] : windows) {
        QWidget* shown = opened(r, button);
        if (shown && button == r->audit) // the rents charged since the lease began
            fillRentsCharged(shown);
        if (auto* month = qobject_cast<MonthLettersDialog*>(shown)) // the month of A-12's revision
            month->setMonth(2026, 3);
        ok = save(shown, out, QString::fromLatin1(name)) && ok;
        if (shown)
            shown->close();
    }
    OwnersDialog owners(r->session(), r);
    owners.show();
    ok = save(&owners, out, QStringLiteral("bailleurs")) && ok;
    return ok ? 0 : 1;
}
