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

#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace velmaris {

// "Lettre": the revision letter of one lease, read before it goes out, then
// saved as a PDF or printed. The letter is the one letterBasis() finds at
// `today`, sent by the lease's owner, or by the agency on its behalf when the
// register has one. While that sender lacks a name or an address the dialog
// says what is missing, shows the letter with it to fill in and offers
// "Bailleur…" (the owner's form) or "Agence…"; saving and printing wait for it.
class LetterDialog : public QDialog {
    Q_OBJECT

public:
    LetterDialog(RegisterSession& session, const Lease& lease,
                 const std::vector<RevisionRecord>& history, const IndexTable& table,
                 const QDate& today, QWidget* parent = nullptr);

    // The letter follows its lease and its sender: when the session says the
    // lease or the register changed, the letter is written again from the
    // register; a lease gone leaves no letter.
    void follow();

    // Why no letter can be written for this lease, in French; empty when one
    // can (perhaps once its sender is complete).
    QString refusal() const { return m_refusal; }
    // The letter as it would go out; nothing while its sender is incomplete.
    const std::optional<RevisionLetter>& letter() const { return m_letter; }
    // The title of the PDF and of the printed document, its file name too.
    QString title() const;

    // Reads the sender again and writes the letter anew.
    void rebuild();
    // "Bailleur…": the owner's form, or "Agence…" the agency's, then the letter again.
    void editSender();
    // The path the last "Enregistrer en PDF…" wrote, empty when none.
    QString savedPath() const { return m_saved; }
    // The program's files, which "Enregistrer en PDF…" never writes over.
    void setProgramFolders(const DataFolders& folders) { m_programFolders = folders; }

    QLabel* bailleurmanquant = nullptr;
    QPushButton* bailleur = nullptr;
    QPlainTextEdit* texte = nullptr;
    QLabel* etat = nullptr;
    QCheckBox* recommandee = nullptr; // "Lettre recommandée avec avis de réception"
    QPushButton* courriel = nullptr;  // "Envoyer par courriel…"
    QPushButton* enregistrer = nullptr;
    QPushButton* imprimer = nullptr;
    QPushButton* fermer = nullptr;

private:
    void buildControls();
    void savePdf();
    void print();
    void sendByMail();
    // The letter went out today by that way: kept in the lease's history.
    void wentOut(LetterChannel channel, const QString& said);

    void leaseChanged();

    RegisterSession& m_session;
    Lease m_lease;
    IndexTable m_table;
    QDate m_today;
    LetterBasis m_basis;
    bool m_agency = false; // the sender is the agency
    QString m_refusal;
    std::optional<RevisionLetter> m_letter;
    QString m_saved;
    DataFolders m_programFolders;
};

// Entry point for the register window's letterRequested(leaseId): reads the
// lease and its history from the store, then shows its letter in a LetterDialog
// over `parent` (window-modal, deleted when closed) and returns it. When no
// letter can be written, or the store cannot be read, one box says why in
// French and nothing else opens: the result is then null. Today is the day
// the letter is written.
LetterDialog* showLeaseLetter(QWidget* parent, RegisterSession& session, qint64 leaseId,
                              const IndexTable& table, const QDate& today);

} // namespace velmaris
