// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datafolder.h"
#include "indextable.h"
#include "leasestore.h"
#include "registersession.h"
#include "revisionletter.h"

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
// list with the reason, never dropped in silence. Each letter comes from its
// lease's owner, or from the agency on the owner's behalf; while a sender
// lacks a name or an address the dialog says what is missing and offers
// "Bailleur…" (or "Agence…"), and saving and printing wait: the month's
// letters go out together.
class MonthLettersDialog : public QDialog {
    Q_OBJECT

public:
    // lastRevisions: the latest record of each lease, as LeaseStore::lastRevisions() gives.
    MonthLettersDialog(RegisterSession& session, std::vector<Lease> leases,
                       std::vector<RevisionRecord> lastRevisions, IndexTable table,
                       const QDate& today, QWidget* parent = nullptr);

    // The list follows the register: when the session says a lease changed,
    // the leases are read again and the month's letters written anew.
    void follow();

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
    // The letters of the month, in the list's order; empty while a sender is incomplete.
    const std::vector<RevisionLetter>& letters() const { return m_letters; }
    const std::vector<Refused>& refused() const { return m_refused; }
    // "Lettres de révision mars 2026": the PDF's title and file name.
    QString title() const;

    // Reads the senders again and writes the month's letters anew.
    void rebuild();
    // "Bailleur…": the agency when it writes, else the owner of the lease
    // chosen in the list, else the first one whose letters wait for it.
    void editSender();
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
    // The letters went out today by that way: kept in their leases' history.
    void wentOut(LetterChannel channel, const QString& said);
    void buildControls();
    void savePdf();
    void print();

    RegisterSession& m_session;
    std::vector<Lease> m_leases;
    std::vector<RevisionRecord> m_lastRevisions;
    IndexTable m_table;
    bool m_agency = false; // the letters come from the agency
    qint64 m_waiting = 0;  // the first owner whose letters wait for it
    QDate m_today;
    std::vector<RevisionLetter> m_letters;
    std::vector<SentLetter> m_going; // the lease and revision of each letter, in order
    std::vector<Refused> m_refused;
    QString m_saved;
    DataFolders m_programFolders;
};

// Entry point for the register window's monthLettersRequested(): reads the
// leases and their last revisions from the store and shows the month's
// letters over `parent` (window-modal, deleted when closed), which it
// returns. When the store cannot be read one box says why and nothing else
// opens: the result is then null. Today is the day the letters are written.
MonthLettersDialog* showMonthLetters(QWidget* parent, RegisterSession& session,
                                     const IndexTable& table, const QDate& today);

} // namespace velmaris
