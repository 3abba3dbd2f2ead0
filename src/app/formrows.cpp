// SPDX-License-Identifier: GPL-3.0-or-later
#include "formrows.h"

#include "messages.h"

namespace velmaris {

void refuseSave(QWidget* form, const QString& title, const QString& heading,
                const QStringList& problems, QWidget* faulty)
{
    MessageBox::critical(form, title,
                         heading + QStringLiteral("\u00a0:\n• ")
                             + problems.join(QStringLiteral("\n• ")));
    if (!faulty)
        return;
    faulty->setFocus(Qt::OtherFocusReason);
    if (auto* box = qobject_cast<QLineEdit*>(faulty))
        box->selectAll();
}

bool abandonChanges(QWidget* form)
{
    return MessageBox::question(form, form->windowTitle(),
                                QStringLiteral("Abandonner les modifications\u00a0?"));
}

QString keptAfterConflict()
{
    return QStringLiteral("\nVos saisies sont gardées\u00a0; «\u00a0Enregistrer\u00a0» les "
                          "enregistre sur ce nouvel état.");
}

} // namespace velmaris
