// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datafolder.h"
#include "gridline.h"
#include "indexchange.h"
#include "indexfile.h"
#include "indextable.h"
#include "revision.h"
#include "settings.h"

#include <QLocale>
#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QFileSystemWatcher;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QBoxLayout;
class QScrollArea;
class QScrollBar;

namespace velmaris {

class Maj;
class IndexUpdater;
class RegisterSession;
class RegisterWindow;

// The program's one window: the index grid, the rent boxes, the lease date and
// the commands. It owns the index table; every handler works on it.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    // commandLineFolder: the folder of the index file given on the command line,
    // or empty for the program's own folder. settings: the program's settings
    // file, which the update dialog edits.
    MainWindow(Settings& settings, const QString& commandLineFolder, const QString& programFolder,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The update dialog, made the first time it is wanted: most sessions never
    // open it, and the window shows sooner without it.
    Maj& updateDialog();

    IndexTable& table() { return m_table; }
    const IndexTable& table() const { return m_table; }
    // What the grid shows of the table: its top row and reference row.
    const GridView& view() const { return m_view; }
    const QLocale& locale() const { return m_locale; }
    // The rents of the last revision, by quarter.
    const Schedule& schedule() const { return m_schedule; }

    // Copies the visible rows of the table into the twenty grid lines.
    void fillGrid();
    // Reads the index file again, reports a failure, resets the scroll bar and fills the grid.
    bool loadTable();
    // The start-up steps after the window is built: the table, then the update check.
    void load();

    // The lease register ("Baux", registeropen.cpp): the application's
    // session, the folder of its file, and its one window, made at the first
    // click. A window given no session (tests) makes one on that folder.
    void setRegisterSession(RegisterSession& session);
    void setRegisterFolder(const QString& folder);
    // Where the program's files are (the register's folder among them): no
    // output goes over them, and a broken index file can get the shipped copy back.
    void setDataFolders(const DataFolders& folders);
    void showRegister();
    RegisterWindow* registerWindow() const { return m_register; }

    // "Saisir un indice…" over a window (this one, the register, the update
    // dialog); the table is read again once the quarter is added.
    void enterIndex(QWidget* over = nullptr);

    // Controls, named as the product names them.
    std::array<QLabel*, kGridLines> textind{};
    std::array<QLabel*, kGridLines> indice{};
    std::array<QLabel*, kGridLines> irl{};
    std::array<QLabel*, kGridLines> moyenne{};
    std::array<QLabel*, kGridLines> Datejo{};
    std::array<QLineEdit*, kGridLines> loyer{};
    QScrollBar* barreinsee = nullptr;
    QLineEdit* datedubail = nullptr;
    QCheckBox* reeval = nullptr;
    QLabel* nover = nullptr;
    QPushButton* calculatrice = nullptr;
    QPushButton* imprimer = nullptr;
    QPushButton* pdf = nullptr; // "Enregistrer en PDF…"
    QPushButton* Command2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* baux = nullptr;
    QPushButton* saisirindice = nullptr; // "Saisir un indice…"
    QPushButton* arret = nullptr;
    std::array<QLabel*, 2> Label1{};
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* statut = nullptr; // under the grid: how the last update ended
    QLabel* perime = nullptr; // under the grid: a quarter out that the table lacks

signals:
    // The index table was read again (or could not be): what revises by it follows.
    void tableLoaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The controls (mainwindow_build.cpp).
    void buildControls();
    QFrame* buildGrid();
    void buildGridHeadings(QWidget* panel, QGridLayout* grid);
    QWidget* buildSide();
    void buildTitle();
    void buildCommands();
    void buildShortcuts();
    void fitToContents();
    void showCredits();
    void calculatorClicked();
    void activated();
    void scrollChanged(int value);
    // The wheel over the grid: the indices scroll, or the window once they are at an end.
    bool gridWheel(QEvent* event);
    void resetScrollBar();
    // A table that cannot be read (mainwindow_index.cpp): said, with the shipped
    // copy offered in its place. What the table holds afterwards.
    IndexFileResult reportLoadFailure(const IndexFileResult& failure);

    // Rent boxes and lease date (mainwindow_rent.cpp).
    void loyerClick(int i);
    void loyerGotFocus(int i);
    void loyerEnter(int i, bool fromLeaving);
    void loyerLostFocus(int i);
    void datedubailGotFocus();
    void datedubailLostFocus();
    void datedubailEnter();
    void findReferenceIndex();
    void reevalToggled();
    // After the table was read again: the same revision on the same quarter, or
    // none when that quarter is gone.
    void reviseAgain();
    // A rent typed in the focused box and not yet revised goes with the row it was
    // typed on, before the box shows another row.
    void commitTyping();
    bool m_inRevision = false; // guards the Enter that leaving a box repeats
    // Whether the user typed in each box since coming into it: only typing counts,
    // never a text the grid put there (after a scroll, say).
    std::array<bool, kGridLines> m_edited{};
    QString m_leaseTextOnFocus;
    Quarter m_leaseQuarter; // the quarter the lease-date lookup found

    // Printing and copying (mainwindow_output.cpp).
    void printReport();
    // The pages "Imprimer" prints, in a PDF file the user chooses.
    void saveReportPdf();
    void copyTable();

    // Settings dialog, download and manual editing (mainwindow_update.cpp).
    void setupUpdate();
    void showUpdateDialog();
    // The update dialog when it is on screen, else this window: the owner of
    // what a command of the dialog asks or says.
    QWidget* updateOwner();
    // The address and idBanks as the dialog shows them, saved or not.
    UpdateSettings shownUpdateSettings() const;
    void autoUpdateCheck();
    void downloadNow();
    void downloadFinished();
    // Says under the grid when INSEE has published a quarter the table lacks.
    void showStaleness();
    void editIndexFile();
    void importInseeFile();
    // The index file changed on disk (an editor, another copy): read it again.
    void indexFileTouched();
    void watchIndexFile();
    QByteArray indexFileBytes() const;
    bool askCorrection(const QString& question);

    // The office's index figures on a shared register (mainwindow_office.cpp).
    // The session's news: a store opened, another desk's commit.
    void followSession();
    // The session's store is open on a server: the table is the register's.
    bool officeOpen() const;
    // The register's figures into the table (the desk's file seeding or
    // completing them, then their copy); false when they are not to be had.
    bool loadOfficeTable();
    // Another desk committed: the figures read again when they changed.
    void officeNews();
    // Where a change of the figures goes: the register's figures when the
    // store is open on a server (opened first, quietly, when mayOpen), else
    // this desk's file.
    IndexTarget indexTarget(bool mayOpen);
    // What a change said when it could only go to this desk's file although
    // the settings name a server; empty otherwise.
    QString officeMissed() const;
    qint64 m_officeVersion = 0; // of the register's figures in the table; 0: none

    // The last days to ask a revision that come soon, said on the status line
    // once a run, as soon as the register is open (registeropen.cpp): a file
    // register is opened for it at start, quietly; a server's waits for its
    // store to open, never asking a password at start.
    void openRegisterQuietly();
    void tellDeadlines();
    bool m_deadlinesTold = false;
    IndexUpdater* m_updater = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    QByteArray m_seenBytes; // the index file as the watcher last saw it
    bool m_downloadByHand = false;

    DataFolders m_folders;
    RegisterSession* m_session = nullptr;
    std::unique_ptr<RegisterSession> m_ownSession;
    RegisterWindow* m_register = nullptr;

    QWidget* m_panel = nullptr;
    QScrollArea* m_scroll = nullptr;
    // The grid and the commands beside it, or the commands below the grid
    // when the window is too narrow for both: a quarter and its rent box stay
    // in view together.
    QBoxLayout* m_columns = nullptr;
    QWidget* m_grid = nullptr;
    QWidget* m_side = nullptr;
    void arrangeColumns();
    Settings& m_settings;
    Maj* m_maj = nullptr; // a child, made by updateDialog()
    IndexTable m_table;
    GridView m_view;
    Schedule m_schedule;
    QLocale m_locale;
    NumberStyle m_style; // how m_locale writes numbers and dates
    bool m_loading = false;
};

} // namespace velmaris
