// SPDX-License-Identifier: GPL-3.0-or-later
#include "storeprogress.h"

#include "registersession.h"

#include <QApplication>

namespace velmaris {

StoreProgress::StoreProgress(RegisterSession& session, QWidget* parent, const QString& label)
    : m_session(session)
    , m_dialog(label, QStringLiteral("&Annuler"), 0, 1000, parent)
{
    m_dialog.setWindowTitle(label);
    m_dialog.setWindowModality(Qt::ApplicationModal);
    m_dialog.setMinimumDuration(1000);
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    m_dialog.setValue(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_session.setWorking(true);
    m_session.store().setProgress([this](qint64 done, qint64 total) {
        m_dialog.setValue(total > 0 ? int(std::min<qint64>(done * 1000 / total, 999)) : 0);
        return !m_dialog.wasCanceled();
    });
}

StoreProgress::~StoreProgress()
{
    m_session.store().setProgress({});
    m_dialog.reset();
    m_dialog.hide();
    QApplication::restoreOverrideCursor();
    m_session.setWorking(false);
}

} // namespace velmaris
