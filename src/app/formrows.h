#pragma once

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

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

} // namespace velmaris
