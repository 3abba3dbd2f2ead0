// SPDX-License-Identifier: GPL-3.0-or-later
#include "mailprogram.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace velmaris {

namespace {

// xdg-email's exit statuses, said to the user.
QString mailFailure(int status, const QString& detail)
{
    switch (status) {
    case 2:
        return QStringLiteral("la pièce jointe n’a pas pu être lue");
    case 3:
        return QStringLiteral("aucun programme de courriel n’est installé");
    case 4:
        return QStringLiteral("le programme de courriel a refusé le message");
    default:
        break;
    }
    return detail.isEmpty()
               ? QStringLiteral("le programme de courriel s’est arrêté (code %1)").arg(status)
               : detail;
}

} // namespace

void openMailDraft(const MailDraft& draft, QObject* owner,
                   std::function<void(const QString& error)> done)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty()) {
        done(QStringLiteral("xdg-email est introuvable (paquet xdg-utils)\u00a0: aucun programme de "
                            "courriel ne peut être ouvert"));
        return;
    }
    if (!QFileInfo(draft.attachment).isFile()) {
        done(QStringLiteral("la pièce jointe n’a pas pu être lue"));
        return;
    }
    QStringList arguments = {QStringLiteral("--utf8"),
                             QStringLiteral("--subject"),
                             draft.subject,
                             QStringLiteral("--body"),
                             draft.body,
                             QStringLiteral("--attach"),
                             draft.attachment};
    if (!draft.to.trimmed().isEmpty())
        arguments << draft.to.trimmed();
    // Its owner may close first: the process then finishes on its own.
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(
        process, &QProcess::finished, owner, [process, done](int status, QProcess::ExitStatus how) {
            if (how == QProcess::NormalExit && status == 0)
                done(QString());
            else
                done(mailFailure(how == QProcess::NormalExit ? status : -1,
                                 QString::fromLocal8Bit(process->readAll()).trimmed()));
        });
    QObject::connect(process, &QProcess::errorOccurred, owner,
                     [process, done](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         done(QStringLiteral("xdg-email n’a pas pu être lancé"));
                         process->deleteLater();
                     });
    process->start(program, arguments);
}

} // namespace velmaris
