// SPDX-License-Identifier: GPL-3.0-or-later
#include "credits.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmaris {

FrmQUERVO::FrmQUERVO(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmQUERVO"));
    setWindowTitle(QStringLiteral("À propos de Velmaris"));

    LabelQuervo = new QLabel(this);
    LabelQuervo->setObjectName(QStringLiteral("LabelQuervo"));
    // What the program is, and nothing made up: no postal address stands here
    // that a user could write to.
    LabelQuervo->setText(QStringList{QStringLiteral("Velmaris"),
                                     QStringLiteral("Révision des loyers d’habitation selon "
                                                    "l’indice de référence des loyers (IRL)")}
                             .join(QStringLiteral("\r\n")));
    LabelQuervo->setWordWrap(true);
    LabelQuervo->setAlignment(Qt::AlignCenter);
    LabelQuervo->setMargin(16);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelQuervo);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(280, 0)));
}

} // namespace velmaris
