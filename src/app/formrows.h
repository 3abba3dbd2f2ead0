// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

namespace velmaris {

// The row of a postal address's last line in a form: "Code postal :" with a
// box for five digits, then "Commune :" and the town's box, each label's
// Alt letter going to its own box.
inline void addPostalRow(QFormLayout* form, QLineEdit* postalCode, QLineEdit* town, QWidget* parent)
{
    auto* place = new QHBoxLayout;
    postalCode->setFixedWidth(postalCode->fontMetrics().horizontalAdvance(QStringLiteral("000000"))
                              + 16);
    auto* townLabel = new QLabel(QStringLiteral("&Commune\u00a0:"), parent);
    townLabel->setBuddy(town);
    place->addWidget(postalCode);
    place->addWidget(townLabel);
    place->addWidget(town, 1);
    form->addRow(QStringLiteral("Code &postal\u00a0:"), place);
    // A label's buddy is the first box of its row: the postal code here.
    if (auto* label = qobject_cast<QLabel*>(form->labelForField(place)))
        label->setBuddy(postalCode);
}

// A refused save: its reasons under heading ("Le bailleur n'est pas
// enregistré"), then the focus on the faulty box, its text selected.
void refuseSave(QWidget* form, const QString& title, const QString& heading,
                const QStringList& problems, QWidget* faulty);

// "Annuler" or Escape on a form with changes: true when the user lets them go.
bool abandonChanges(QWidget* form);

// What a conflict's message adds when the typing stays for the next save.
QString keptAfterConflict();

} // namespace velmaris
