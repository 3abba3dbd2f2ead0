// SPDX-License-Identifier: GPL-3.0-or-later
#include "passworddialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <qt6keychain/keychain.h>

#include <memory>

namespace velmaris {

PasswordDialog::PasswordDialog(const QString& prompt, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("MotDePasse"));
    setWindowTitle(QStringLiteral("Registre des baux"));
    invite = new QLabel(prompt, this);
    invite->setWordWrap(true);
    motdepasse = new QLineEdit(this);
    motdepasse->setObjectName(QStringLiteral("motdepasse"));
    motdepasse->setEchoMode(QLineEdit::Password);
    invite->setBuddy(motdepasse);
    memoriser = new QCheckBox(QStringLiteral("&Mémoriser le mot de passe dans le trousseau du "
                                             "bureau"),
                              this);
    memoriser->setObjectName(QStringLiteral("memoriser"));
    memoriser->setToolTip(QStringLiteral("Le trousseau de la session (GNOME, KDE…) le garde, "
                                         "chiffré\u00a0; Velmaris ne l’écrit dans aucun fichier."));
    auto* buttons = new QDialogButtonBox(this);
    ok = buttons->addButton(QStringLiteral("&Ouvrir"), QDialogButtonBox::AcceptRole);
    annuler = buttons->addButton(QStringLiteral("&Annuler"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(invite);
    layout->addWidget(motdepasse);
    layout->addWidget(memoriser);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    motdepasse->setFocus();
}

QString PasswordDialog::password() const
{
    return motdepasse->text();
}

bool PasswordDialog::remember() const
{
    return memoriser->isChecked();
}

namespace keyring {

namespace {

const QString kService = QStringLiteral("Velmaris");

// What a job ended with; kept apart from the job, which may outlive a wait.
struct Outcome {
    bool done = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorText;
    QString text;
};

QString why(const Outcome& outcome)
{
    switch (outcome.error) {
    case QKeychain::NoError:
    case QKeychain::EntryNotFound:
        return {};
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return QStringLiteral("aucun trousseau n’est ouvert dans cette session");
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        return QStringLiteral("le trousseau en a refusé l’accès");
    default:
        break;
    }
    // The keyring's own words, in English, only after ours.
    return outcome.done && !outcome.errorText.isEmpty()
               ? QStringLiteral("aucun trousseau ne répond dans cette session («\u00a0%1\u00a0»)")
                     .arg(outcome.errorText)
               : QStringLiteral("aucun trousseau ne répond dans cette session");
}

// Runs the job and waits for it, a minute at most (the keyring may be asking
// the user to unlock it).
std::shared_ptr<Outcome> run(QKeychain::Job* job)
{
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [outcome, &loop](QKeychain::Job* j) {
        outcome->done = true;
        outcome->error = j->error();
        outcome->errorText = j->errorString();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j))
            outcome->text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome->done)
        loop.exec();
    if (!outcome->done)
        outcome->error = QKeychain::OtherError;
    return outcome;
}

} // namespace

Read readPassword(const QString& key)
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(key);
    const auto outcome = run(job);
    Read read;
    read.found = outcome->done && outcome->error == QKeychain::NoError;
    read.password = outcome->text;
    read.error = why(*outcome);
    return read;
}

QString writePassword(const QString& key, const QString& password)
{
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(key);
    job->setTextData(password);
    const auto outcome = run(job);
    if (outcome->done && outcome->error == QKeychain::NoError)
        return {};
    const QString reason = why(*outcome);
    return reason.isEmpty() ? QStringLiteral("le trousseau ne l’a pas gardé") : reason;
}

} // namespace keyring

} // namespace velmaris
