// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "owner.h"

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmaris {

class RegisterSession;

// The form of one owner (bailleur): name, address, kind, contact, notes.
// "Enregistrer" refuses what validateOwner() refuses, every reason said, the
// cursor put in the first faulty box; the form stays open with what was typed
// until the owner is stored.
class OwnerForm : public QDialog {
    Q_OBJECT

public:
    // A new owner when owner.id is 0.
    explicit OwnerForm(const Owner& owner, QWidget* parent = nullptr);

    // Stores a sound owner: true when it is stored, else false with the reason in French.
    using Save = std::function<bool(const Owner& owner, QString* error)>;
    void setSave(Save save);
    // A register that may only be read: the form shows, "Enregistrer" is greyed and says why.
    void setReadOnly(const QString& why);

    // The owner the boxes describe, with the id and version of the one shown.
    Owner owner() const;
    // The version a save is checked against, after the user was told of another change.
    void setVersion(qint64 version) { m_shown.version = version; }
    const Owner& saved() const { return m_saved; }
    bool isChanged() const;

    // Escape and "Annuler": a changed form asks before its typing is thrown away.
    void reject() override;

    QLineEdit* nom = nullptr;
    std::array<QLineEdit*, kMaxOwnerAddressLines> adresse{}; // "adresse1"…"adresse4"
    QLineEdit* codepostal = nullptr;
    QLineEdit* commune = nullptr;
    QComboBox* qualite = nullptr;
    QLineEdit* courriel = nullptr;
    QLineEdit* telephone = nullptr;
    QPlainTextEdit* notes = nullptr;
    QPushButton* enregistrer = nullptr;
    QPushButton* annuler = nullptr;

private:
    void buildControls();
    void showOwner(const Owner& owner);
    void save();
    // The box a phrase of validateOwner() is about.
    QWidget* boxOf(const QString& problem) const;

    Owner m_shown;
    Save m_save;
    Owner m_saved;
};

// The form of owner `id`, modal over parent, saved into the session's store
// (version-checked; a refusal says why and keeps the typing); every window is
// told once it is stored. True when it was saved.
bool editOwner(QWidget* parent, RegisterSession& session, qint64 id);
// A new owner through the same form; its id, 0 when none was added.
qint64 addOwner(QWidget* parent, RegisterSession& session);

} // namespace velmaris
