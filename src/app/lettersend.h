// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "leasestore.h"
#include "mailprogram.h"
#include "revisionletter.h"

#include <QDate>
#include <QString>

#include <functional>

class QWidget;

namespace velmaris {

// What happens to a letter once it leaves the dialog: the day it went out
// kept in the lease's history, and "Envoyer par courriel…".

// Records that the letter of the revision `due` went out today by `channel`.
// A failure to record is said in the returned text (empty when recorded): the
// letter itself went out all the same.
QString recordLetterOut(LeaseStore& store, qint64 leaseId, const QDate& due, const QDate& day,
                        LetterChannel channel);

// The message the tenant receives with the letter attached: a French subject
// and a short body, signed as the letter is.
MailDraft letterMail(const Lease& lease, const RevisionLetter& letter);

// Writes the letter's PDF where the mail program can take it (a folder of the
// program's own, its older attachments cleared) and opens the draft; done()
// gets the error in French, empty once the mail program has it.
void mailLetter(QWidget* parent, const Lease& lease, const RevisionLetter& letter,
                const QString& title, std::function<void(const QString& error)> done);

} // namespace velmaris
