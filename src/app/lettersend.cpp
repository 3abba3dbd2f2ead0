// SPDX-License-Identifier: GPL-3.0-or-later
#include "lettersend.h"

#include "dates.h"
#include "letteroutput.h"
#include "letterprinter.h"
#include "postaladdress.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmaris {

namespace {

// The attachments wait here until the mail program has sent them: a week is
// more than any mail program takes.
constexpr int kKeptDays = 7;

QString attachmentFolder(QString* reason)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const QString path = QDir(base).filePath(QStringLiteral("courriels"));
    const QFileInfo info(path);
    // Ours alone: never through a link someone planted there.
    if (info.isSymLink() || (info.exists() && !info.isDir())) {
        *reason = QStringLiteral("le dossier des pièces jointes %1 n’est pas un dossier")
                      .arg(QDir::toNativeSeparators(path));
        return {};
    }
    if (!QDir().mkpath(path)
        || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        *reason = QStringLiteral("le dossier des pièces jointes %1 ne peut pas être créé")
                      .arg(QDir::toNativeSeparators(path));
        return {};
    }
    const QDateTime old = QDateTime::currentDateTime().addDays(-kKeptDays);
    for (const QFileInfo& file : QDir(path).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        if (file.lastModified() < old)
            QFile::remove(file.filePath());
    return path;
}

} // namespace

QString recordLetterOut(LeaseStore& store, qint64 leaseId, const QDate& due, const QDate& day,
                        LetterChannel channel)
{
    SentLetter sent;
    sent.leaseId = leaseId;
    sent.dueDate = due;
    sent.sentOn = day;
    sent.channel = channel;
    if (store.recordLetterSent(sent))
        return {};
    return QStringLiteral("Son envoi n’a pas pu être noté dans l’historique du bail\u00a0: ")
           + store.error();
}

MailDraft letterMail(const Lease& lease, const RevisionLetter& letter)
{
    MailDraft draft;
    draft.to = lease.tenantEmail.trimmed();
    draft.subject = QStringLiteral("Révision annuelle de votre loyer – bail ") + lease.reference;
    draft.body = letter.salutation
                 + QStringLiteral("\n\nVeuillez trouver ci-joint la lettre de "
                                  "révision annuelle de votre loyer (bail ")
                 + lease.reference + QStringLiteral(", ") + dwellingText(lease)
                 + QStringLiteral(").\n\nBien cordialement,\n\n") + letter.signature + u'\n';
    return draft;
}

void mailLetter(QWidget* parent, const Lease& lease, const RevisionLetter& letter,
                const QString& title, std::function<void(const QString& error)> done)
{
    QString reason;
    const QString folder = attachmentFolder(&reason);
    if (folder.isEmpty()) {
        done(reason);
        return;
    }
    MailDraft draft = letterMail(lease, letter);
    draft.attachment = QDir(folder).filePath(pdfFileName(title));
    if (!saveLettersPdf({letter}, title, draft.attachment, &reason)) {
        done(reason);
        return;
    }
    openMailDraft(draft, parent, std::move(done));
}

} // namespace velmaris
