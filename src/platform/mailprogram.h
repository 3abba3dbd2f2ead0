// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QObject;

namespace velmaris {

// A message for the user's own mail program to open, ready to send: the
// program never sends mail itself.
struct MailDraft {
    QString to; // may be empty: the user types it there
    QString subject;
    QString body;
    QString attachment; // a file's path
};

// Opens the draft in the desktop's mail program (xdg-email, found on PATH)
// without waiting for it; done(error) is called on `owner` once the program
// has taken the draft (error empty) or failed (error in French: none
// installed, no mail program set up, the file gone).
void openMailDraft(const MailDraft& draft, QObject* owner,
                   std::function<void(const QString& error)> done);

} // namespace velmaris
