// SPDX-License-Identifier: GPL-3.0-or-later
// The lease form's owner: a combo box where a few letters of a name find it,
// the owner's kind beside it, read only (it is the owner's, not the lease's).
#include "leaseform.h"

#include "quoting.h"

#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace velmaris {

namespace {

// Two owners of one name (a father and his son in two towns) read apart.
QStringList ownerTexts(const std::vector<Owner>& owners)
{
    QStringList texts;
    for (const Owner& o : owners) {
        const QString name = o.name.trimmed();
        const bool twin =
            std::count_if(owners.begin(), owners.end(),
                          [&](const Owner& other) {
                              return other.name.trimmed().compare(name, Qt::CaseInsensitive) == 0;
                          })
            > 1;
        QString text = name;
        if (twin)
            text += QStringLiteral(" (")
                    + (o.town.trimmed().isEmpty() ? QStringLiteral("n°\u00a0%1").arg(o.id)
                                                  : o.town.trimmed())
                    + u')';
        if (texts.contains(text, Qt::CaseInsensitive))
            text += QStringLiteral(" n°\u00a0%1").arg(o.id);
        texts << text;
    }
    return texts;
}

} // namespace

void LeaseForm::buildOwnerBox(const std::vector<Owner>& owners)
{
    bailleur = new QComboBox(this);
    bailleur->setObjectName(QStringLiteral("bailleur"));
    bailleur->setEditable(true);
    bailleur->setInsertPolicy(QComboBox::NoInsert);
    bailleur->setMaxVisibleItems(16);
    const QStringList texts = ownerTexts(owners);
    for (std::size_t i = 0; i < owners.size(); ++i)
        bailleur->addItem(texts[qsizetype(i)], owners[i].id);
    bailleur->lineEdit()->setPlaceholderText(QStringLiteral("Tapez une partie du nom"));
    auto* completer = new QCompleter(bailleur->model(), bailleur);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    bailleur->setCompleter(completer);
    bailleur->setToolTip(QStringLiteral("Le bailleur du logement, parmi ceux du registre "
                                        "(«\u00a0Bailleurs…\u00a0» dans la fenêtre des baux)"));
    qualitebailleur = new QLabel(this);
    qualitebailleur->setObjectName(QStringLiteral("qualitebailleur"));
    qualitebailleur->setToolTip(QStringLiteral("Bail vide\u00a0: renouvelé tous les 3 ans avec "
                                               "une personne physique ou une SCI familiale, "
                                               "tous les 6 ans avec une société"));
    connect(bailleur, &QComboBox::currentTextChanged, this, &LeaseForm::showOwnerKind);
}

QLayout* LeaseForm::ownerRow()
{
    auto* row = new QHBoxLayout;
    row->addWidget(bailleur, 1);
    row->addWidget(qualitebailleur);
    return row;
}

void LeaseForm::showOwner(qint64 id)
{
    int i = bailleur->findData(id);
    if (i < 0 && id > 0) { // an owner added elsewhere since the list was read
        bailleur->addItem(QStringLiteral("Bailleur n°\u00a0%1").arg(id), id);
        i = bailleur->count() - 1;
    }
    bailleur->setCurrentIndex(i);
    if (i < 0)
        bailleur->setEditText(QString());
    showOwnerKind();
}

qint64 LeaseForm::chosenOwner() const
{
    const QString text = bailleur->currentText().trimmed();
    if (text.isEmpty())
        return 0;
    const int current = bailleur->currentIndex();
    if (current >= 0 && bailleur->itemText(current) == text)
        return bailleur->itemData(current).toLongLong();
    const int typed = bailleur->findText(text, Qt::MatchFixedString);
    return typed >= 0 ? bailleur->itemData(typed).toLongLong() : -1;
}

void LeaseForm::showOwnerKind()
{
    const qint64 id = chosenOwner();
    const auto it =
        std::find_if(m_owners.begin(), m_owners.end(), [id](const Owner& o) { return o.id == id; });
    qualitebailleur->setText(it == m_owners.end() ? QString() : ownerKindText(it->kind));
}

QStringList LeaseForm::ownerProblems() const
{
    const qint64 id = chosenOwner();
    // A register without any owner yet gives the lease its default one.
    if (id == 0 && m_owners.empty())
        return {};
    if (id == 0)
        return {QStringLiteral("bailleur manquant\u00a0: choisissez-le dans la liste")};
    if (id < 0)
        return {QStringLiteral("bailleur ") + quoted(bailleur->currentText().trimmed())
                + QStringLiteral(" inconnu du registre\u00a0: choisissez-le dans la liste, ou "
                                 "ajoutez-le par «\u00a0Bailleurs…\u00a0» dans la fenêtre des "
                                 "baux")};
    return {};
}

LeaseFields LeaseForm::fieldsShowing(const Lease& lease) const
{
    LeaseFields f = fieldsOf(lease);
    if (f.ownerId == 0)
        f.ownerId = m_defaultOwner;
    return f;
}

} // namespace velmaris
