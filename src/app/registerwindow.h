// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datafolder.h"
#include "indextable.h"
#include "leasestore.h"
#include "registermodel.h"
#include "registersession.h"

#include <QDate>
#include <QPointer>
#include <QWidget>

class QBoxLayout;
class QComboBox;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class QTimer;

namespace velmaris {

class LeaseForm;

// "1 bail", "12 baux".
QString leaseCount(int n);

class LeaseRevisionDialog;
class Settings;

// "Baux": the lease register in a window of its own. It revises by the main
// window's index table, which it only reads; a register that cannot be opened
// leaves it empty, one that cannot be written leaves it read-only. The
// register itself is the session's: the window shows it and follows every
// change the session announces.
class RegisterWindow : public QWidget {
    Q_OBJECT

public:
    // Nothing is read before open().
    RegisterWindow(RegisterSession& session, const IndexTable& table, QWidget* parent = nullptr);
    ~RegisterWindow() override;

    // Shows the window in front; opens the register when it is not open yet
    // (again after a failure: the file may have been freed or restored).
    void open();
    // Reads the leases again from the register.
    void reload();
    // The main window read its index table again: every status follows.
    void indexTableChanged();

    // The program's settings, whose landlord goes with a backup and comes back
    // with a restore, and meets the register at each opening (taken in as an
    // owner when the register lacks it); none: backups carry no landlord.
    void setSettings(Settings* settings) { m_settings = settings; }

    // The day the statuses are computed at, and the default request date;
    // today unless set (tests).
    QDate today() const;
    void setToday(const QDate& day);

    LeaseStore& store() { return m_store; }
    RegisterSession& session() { return m_session; }
    // Seconds between two tries to reach a server that stopped answering (tests).
    void setRetryInterval(int seconds) { m_retryEvery = seconds; }
    // The program's files, which an export never writes over.
    void setProgramFolders(const DataFolders& folders) { m_programFolders = folders; }
    const DataFolders& programFolders() const { return m_programFolders; }
    const RegisterModel& model() const { return m_model; }
    const RegisterFilter& filter() const { return m_filter; }
    // The lease chosen in the table, 0 when none.
    qint64 selectedLeaseId() const;
    void selectLease(qint64 id);

    QTableView* tableau = nullptr;
    QLineEdit* recherche = nullptr;
    QComboBox* tri = nullptr; // "Trier par" : the headings' sorting, from the keyboard
    QLabel* compte = nullptr;
    QLabel* etat = nullptr; // read-only or unavailable register
    QLabel* avis = nullptr; // what the opening did (the desk's landlord taken as an owner)
    QComboBox* filtrebailleur = nullptr; // « Bailleur : » Tous, or one owner's leases
    QPushButton* ajouter = nullptr;
    QPushButton* modifier = nullptr;
    QPushButton* supprimer = nullptr;
    QPushButton* reviser = nullptr;
    QPushButton* historique = nullptr;
    QPushButton* importer = nullptr;
    QPushButton* exporter = nullptr;
    QPushButton* sauvegarder = nullptr;
    QPushButton* restaurer = nullptr;
    QPushButton* lettre = nullptr;
    QPushButton* lettresdumois = nullptr;
    QPushButton* calendrier = nullptr; // "Exporter le calendrier…"
    QPushButton* afaire = nullptr;        // "À faire…": the last days to ask that come soon
    QPushButton* revisionsdues = nullptr; // "Appliquer les révisions dues…"
    QPushButton* audit = nullptr;
    QPushButton* saisirindice = nullptr; // "Saisir un indice…"
    QPushButton* bailleurs = nullptr;    // "Bailleurs…"
    QPushButton* agence = nullptr;       // "Agence…"
    QPushButton* fermer = nullptr;

signals:
    void letterRequested(qint64 leaseId);
    void monthLettersRequested();
    void auditRequested(qint64 leaseId);
    // A newly published quarter to type into the index file.
    void indexEntryRequested();
    // A lease was added, changed, removed, revised or imported.
    void registerChanged();

protected:
    void changeEvent(QEvent* event) override;
    // Enter on a lease revises it, Delete asks to remove it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The search and its filters on one line, or one above the other when
    // the window is too narrow for them: nothing scrolls sideways but the table.
    QBoxLayout* m_searchLines = nullptr;
    QBoxLayout* m_filterLines = nullptr;
    void arrangeSearch();
    // The controls (registerwindow_build.cpp).
    void buildControls();
    void buildTable();
    void buildSorting();
    void buildButtons();
    bool openStore();
    // The session's store opened, the server's password asked once if it wants one.
    bool openSessionStore();
    // registerwindow_owners.cpp: the owners' and the agency's commands, the
    // filter by owner, and the desk's landlord ([BAILLEUR] of the settings)
    // met at each opening of the register; what that did, "" when nothing.
    void addOwnerButtons(QBoxLayout* side);
    QLabel* buildOwnerFilter();
    bool readOwners();
    void showOwnerFilter();
    QString adoptDeskLandlord();
    void showOwners();
    void showAgency();
    // registerwindow_server.cpp: a server that stopped answering is shown,
    // and the store opened again once it answers.
    void watchServer();
    void showLostServer();
    bool writable() const;
    // Why the writing buttons are greyed, for their tooltips.
    QString readOnlyTip() const;
    const Lease* selectedLease() const;
    void updateButtons();
    void updateCount();
    // A lease written here: every window is told, this one selects `select`.
    void changed(qint64 leaseId, qint64 select);
    void leaseChanged();
    // The open form or revision dialog of lease id follows it when it changes.
    void follow(qint64 id, LeaseForm* form, LeaseRevisionDialog* dialog);

    void addLease();
    void editLease();
    void removeLease();
    void reviseLease();
    // Every revision due today, listed, then recorded at once.
    void applyDue();
    void showHistory();
    void importCsv();
    void exportCsv();
    // registerwindow_calendar.cpp: the coming revision dates as an iCalendar file.
    void exportCalendar();

    // registerwindow_backup.cpp: the whole register saved and brought back,
    // and what the window does when another program changed the register.
    void addBackupButtons(QBoxLayout* side);
    void updateBackupButtons();
    void backupRegister();
    void restoreRegister();
    void refreshIfChangedElsewhere();
    void showCurrentLease(qint64 id);

    RegisterSession& m_session;
    LeaseStore& m_store;
    DataFolders m_programFolders;
    Settings* m_settings = nullptr;
    const IndexTable& m_table;
    RegisterModel m_model;
    RegisterFilter m_filter;
    QDate m_today;       // set by tests; invalid: the real day
    QDate m_statusesDay; // the day the statuses were computed at
    QPointer<LeaseRevisionDialog> m_revision;
    std::vector<Owner> m_owners; // as last read, by name
    qint64 m_defaultOwner = 0;
    bool m_adopted = false;    // the desk's landlord was met since the store was opened
    QTimer* m_watch = nullptr; // each second: is the server still there, when to try again
    int m_retryEvery = 10;     // seconds between two tries
    int m_retryIn = 0;         // seconds to the next one; 0: the server answers
};

} // namespace velmaris
