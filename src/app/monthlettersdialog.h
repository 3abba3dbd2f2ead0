#pragma once

#include "datafolder.h"
#include "indextable.h"
#include "leasestore.h"
#include "registersession.h"
#include "revisionletter.h"
#include "settings.h"

#include <QDate>
#include <QDialog>
#include <QString>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace velmaris {

// "Lettres du mois…": the leases whose revision letter is for a date in the
// chosen month (next month at first), and all their letters in one PDF or on
// the printer, each from a new page. A lease that gets no letter stays in the
// list with the reason, never dropped in silence. The landlord comes from
// section [BAILLEUR] of the ini file; while it lacks a name or an address the
// dialog says so and offers "Bailleur…", and saving and printing wait.
class MonthLettersDialog : public QDialog {
    Q_OBJECT

public:
    // lastRevisions: the latest record of each lease, as LeaseStore::lastRevisions() gives.
    MonthLettersDialog(std::vector<Lease> leases, std::vector<RevisionRecord> lastRevisions,
                       IndexTable table, Settings& settings, const QDate& today,
                       QWidget* parent = nullptr);

    // The list follows the register: when the session says a lease changed,
    // the leases are read again and the month's letters written anew.
    void follow(RegisterSession& session);

    void setMonth(int year, int month);
    int year() const;
    int month() const;

    // A lease of the month that gets no letter, and why.
    struct Refused {
        QString reference;
        QString tenant;
        QDate due;
        QString reason;
    };
    // The letters of the month, in the list's order; empty while the landlord is missing.
    const std::vector<RevisionLetter>& letters() const { return m_letters; }
    const std::vector<Refused>& refused() const { return m_refused; }
    // "Lettres de révision mars 2026": the PDF's title and file name.
    QString title() const;

    // Reads the landlord again and writes the month's letters anew.
    void rebuild();
    void editLandlord();
    QString savedPath() const { return m_saved; }
    // The program's files, which "Enregistrer en PDF…" never writes over.
    void setProgramFolders(const DataFolders& folders) { m_programFolders = folders; }

    QComboBox* mois = nullptr;
    QSpinBox* annee = nullptr;
    QLabel* bailleurmanquant = nullptr;
    QTableWidget* liste = nullptr;
    QLabel* compte = nullptr;
    QLabel* etat = nullptr;
    QPushButton* bailleur = nullptr;
    QPushButton* enregistrer = nullptr;
    QPushButton* imprimer = nullptr;
    QPushButton* fermer = nullptr;

private:
    void buildControls();
    void savePdf();
    void print();

    std::vector<Lease> m_leases;
    std::vector<RevisionRecord> m_lastRevisions;
    IndexTable m_table;
    Settings& m_settings;
    QDate m_today;
    std::vector<RevisionLetter> m_letters;
    std::vector<Refused> m_refused;
    QString m_saved;
    DataFolders m_programFolders;
};

// Entry point for the register window's monthLettersRequested(): reads the
// leases and their last revisions from the store and shows the month's
// letters over `parent` (window-modal, deleted when closed), which it
// returns. When the store cannot be read one box says why and nothing else
// opens: the result is then null. The letters sign with the settings'
// landlord; today the day the letters are written.
MonthLettersDialog* showMonthLetters(QWidget* parent, RegisterSession& session,
                                     const IndexTable& table, Settings& settings,
                                     const QDate& today);

} // namespace velmaris
