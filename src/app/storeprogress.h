// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProgressDialog>
#include <QString>

namespace velmaris {

class RegisterSession;

// A long work on the register shown as it goes: past a second, a bar with
// "Annuler", which stops the work and leaves the register as it was. For as
// long as it lives the session holds its news (nothing reads the register
// mid-way) and the hourglass shows.
class StoreProgress {
public:
    StoreProgress(RegisterSession& session, QWidget* parent, const QString& label);
    ~StoreProgress();
    StoreProgress(const StoreProgress&) = delete;
    StoreProgress& operator=(const StoreProgress&) = delete;

    bool canceled() const { return m_dialog.wasCanceled(); }
    QProgressDialog& dialog() { return m_dialog; }

private:
    RegisterSession& m_session;
    QProgressDialog m_dialog;
};

} // namespace velmaris
