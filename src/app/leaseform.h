// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "lease.h"
#include "leasefields.h"
#include "owner.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmaris {

// The form that adds a lease to the register or edits one. "Enregistrer"
// refuses what the register would refuse, with every reason, and keeps the
// form open with what was typed; it closes once the lease is stored.
class LeaseForm : public QDialog {
    Q_OBJECT

public:
    // A new lease when lease.id is 0. The table gives the quarters to pick
    // from and the one a signing date gives; owners the owners to pick from,
    // defaultOwner the one a lease without an owner (a new one) gets.
    LeaseForm(const Lease& lease, const IndexTable& table, const std::vector<Owner>& owners,
              qint64 defaultOwner, QWidget* parent = nullptr);

    // Stores a sound lease: true when it is stored, else false with the reason
    // in French (a reference taken, a register that cannot be written).
    using Save = std::function<bool(const Lease& lease, QString* error)>;
    void setSave(Save save);

    LeaseFields fields() const;
    // Another copy changed the lease while the form was open: the form shows
    // the lease as it now is, except in the boxes the user changed, which keep
    // what was typed. The version "Enregistrer" is checked against stays the
    // one the user opened: a save over the other change is refused.
    void rebase(const Lease& current);
    // A save was refused because the lease changed: the form takes that state
    // as its own (the next "Enregistrer" writes over it, the user having been
    // told) and says, in French, which boxes it changed, "" when none did.
    QString takeVersion(const Lease& current);
    // The lease stored by the last successful "Enregistrer".
    const Lease& saved() const { return m_saved; }
    // Whether a box differs from what the register gave.
    bool isChanged() const;

    // Escape and "Annuler": a changed form asks before its typing is thrown away.
    void reject() override;

    // Controls, named as the register names the fields.
    QLineEdit* reference = nullptr;
    QLineEdit* locataire = nullptr;
    QLineEdit* courriel = nullptr;
    QLineEdit* adresse = nullptr;
    QLineEdit* codepostal = nullptr;
    QLineEdit* commune = nullptr;
    QComboBox* territoire = nullptr;
    QLabel* territoireabsent = nullptr; // a place without a series of its own: choose one
    QCheckBox* meuble = nullptr;
    QComboBox* bailleur = nullptr;     // the owner, typed or picked: a few letters find it
    QLabel* qualitebailleur = nullptr; // the owner's kind, which sets the renewal term
    QLineEdit* datesignature = nullptr;
    QLineEdit* dateeffet = nullptr;
    QComboBox* trimestrereference = nullptr;
    QLabel* trimestreapplique = nullptr; // the quarter a lease naming none gets
    QLineEdit* daterevision = nullptr;
    QComboBox* clause = nullptr;
    QComboBox* dpe = nullptr;
    QLineEdit* datedpe = nullptr;
    QLineEdit* loyer = nullptr;
    QLineEdit* charges = nullptr;
    QLineEdit* derniererevision = nullptr;
    QPlainTextEdit* notes = nullptr;
    QPushButton* enregistrer = nullptr;
    QPushButton* annuler = nullptr;

private:
    void buildControls();
    // leaseform_owner.cpp: the owner's combo box and its kind beside it.
    void buildOwnerBox(const std::vector<Owner>& owners);
    QLayout* ownerRow();
    void showOwner(qint64 id);
    // The owner whose name the box holds: 0 when empty, -1 when it is no owner's.
    qint64 chosenOwner() const;
    void showOwnerKind();
    // Problems with the owner box, for the save's list.
    QStringList ownerProblems() const;
    // The boxes showing a lease: a lease without an owner shows the default one.
    LeaseFields fieldsShowing(const Lease& lease) const;
    void layOutControls();
    void showLease(const Lease& lease);
    void showFields(const LeaseFields& fields);
    void save();
    // The box the first of these refusals is about, in the order of the form.
    QWidget* faultyBox(const QStringList& problems) const;
    void postalCodeEdited();
    void showReferenceQuarter();
    void showMissingTerritory();
    // Writes back a date or an amount once read, so the user sees what counts.
    void tidyDate(QLineEdit* box);
    void tidyAmount(QLineEdit* box);

    const IndexTable& m_table;
    std::vector<Owner> m_owners;
    qint64 m_defaultOwner = 0;
    qint64 m_id = 0;
    qint64 m_version = 0; // of the lease the save is checked against
    LeaseFields m_base;   // that lease's boxes
    LeaseFields m_shown;  // the boxes as the register last gave them
    Save m_save;
    Lease m_saved;
    bool m_territoryChosen = false; // the user picked it: the postal code no longer decides
};

} // namespace velmaris
