// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexentrydialog.h"

#include "dates.h"
#include "indexfiletarget.h"
#include "indextable.h"
#include "indexvalue.h"
#include "messages.h"
#include "typedindex.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmaris {

namespace {

const QString kTitle = QStringLiteral("Saisir un indice");

QLineEdit* box(QWidget* parent, const QString& name, const QString& placeholder)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    edit->setMaxLength(12);
    return edit;
}

} // namespace

IndexEntryDialog::IndexEntryDialog(const QString& indexPath, QWidget* parent, IndexTarget target)
    : QDialog(parent)
    , m_target(target.write ? std::move(target) : indexFileTarget(indexPath))
{
    setObjectName(QStringLiteral("SaisieIndice"));
    setWindowTitle(kTitle);

    QString why;
    if (const std::optional<QByteArray> figures = m_target.read(&why)) {
        m_quarter = nextQuarterToType(*figures);
        m_figures = parseIndexFile(*figures);
    }
    if (!m_quarter.isValid())
        m_refusal =
            m_target.shared
                ? QStringLiteral("Les indices du registre ne se lisent pas%1\u00a0: aucun "
                                 "indice ne peut y être saisi pour l’instant.")
                      .arg(why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why))
                : QStringLiteral("Le fichier des indices %1 ne se lit pas\u00a0: corrigez-le "
                                 "ou réinstallez-le avant d’y saisir un indice.")
                      .arg(QDir::toNativeSeparators(indexPath));

    auto* intro = new QLabel(
        QStringLiteral(
            "Saisissez l’indice tel que l’Insee l’a publié (Informations rapides) ou "
            "tel qu’il a paru au Journal officiel. Il s’ajoute %1\u00a0; si l’Insee donne "
            "plus tard une autre valeur, la mise à jour vous la proposera.")
            .arg(m_target.shared ? QStringLiteral("aux indices du registre, pour tous les postes")
                                 : QStringLiteral("au fichier des indices")),
        this);
    intro->setWordWrap(true);
    trimestre = new QComboBox(this);
    trimestre->setObjectName(QStringLiteral("trimestre"));
    if (m_quarter.isValid())
        trimestre->addItem(m_quarter.label(), m_quarter.key());
    // The regional series start later than the IRL: a quarter since their
    // first value that lacks one of them can be completed.
    Quarter regionalSince;
    for (const IndexRow& row : m_figures.rows)
        if (row.irlCorse > 0 || row.irlOutreMer > 0)
            regionalSince = !regionalSince.isValid() || row.quarter < regionalSince ? row.quarter
                                                                                    : regionalSince;
    for (const IndexRow& row : m_figures.rows)
        if (regionalSince.isValid() && row.quarter >= regionalSince
            && (row.irlCorse <= 0 || row.irlOutreMer <= 0))
            trimestre->addItem(row.quarter.label() + QStringLiteral(" (à compléter)"),
                               row.quarter.key());

    irl = box(this, QStringLiteral("irl"), QStringLiteral("par exemple 146,60"));
    irlcorse = box(this, QStringLiteral("irlcorse"), QStringLiteral("facultatif"));
    irloutremer = box(this, QStringLiteral("irloutremer"), QStringLiteral("facultatif"));
    parution = box(this, QStringLiteral("parution"), QStringLiteral("jj/mm/aaaa"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Trimestre\u00a0:"), trimestre);
    form->addRow(QStringLiteral("IRL (métropole)\u00a0:"), irl);
    form->addRow(QStringLiteral("IRL de Corse\u00a0:"), irlcorse);
    form->addRow(QStringLiteral("IRL d’outre-mer\u00a0:"), irloutremer);
    form->addRow(QStringLiteral("Date de parution\u00a0:"), parution);

    ajouter = new QPushButton(QStringLiteral("&Ajouter"), this);
    ajouter->setObjectName(QStringLiteral("ajouter"));
    ajouter->setDefault(true);
    ajouter->setEnabled(m_quarter.isValid());
    annuler = new QPushButton(QStringLiteral("A&nnuler"), this);
    annuler->setObjectName(QStringLiteral("annuler"));
    annuler->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(annuler);
    buttons->addWidget(ajouter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(trimestre, &QComboBox::currentIndexChanged, this, &IndexEntryDialog::quarterChosen);
    connect(ajouter, &QPushButton::clicked, this, &IndexEntryDialog::add);
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
}

void IndexEntryDialog::quarterChosen()
{
    const Quarter chosen =
        Quarter::fromKey(trimestre->currentData().toString()).value_or(m_quarter);
    const auto row = std::find_if(m_figures.rows.begin(), m_figures.rows.end(),
                                  [&](const IndexRow& r) { return r.quarter == chosen; });
    const bool existing = chosen != m_quarter && row != m_figures.rows.end();
    // A quarter of the file shows what it holds; only what it lacks is typed.
    const auto show = [existing](QLineEdit* box, double there, const QString& text) {
        box->setText(existing ? (there > 0 ? text : QString()) : QString());
        box->setEnabled(!existing || there <= 0);
    };
    show(irl, existing ? row->irl : 0, existing ? indexText(row->irl) : QString());
    show(parution, existing ? 1 : 0, existing ? dateText(row->published) : QString());
    show(irlcorse, existing ? row->irlCorse : 0, existing ? indexText(row->irlCorse) : QString());
    show(irloutremer, existing ? row->irlOutreMer : 0,
         existing ? indexText(row->irlOutreMer) : QString());
}

void IndexEntryDialog::add()
{
    TypedIndex entry;
    entry.quarter = Quarter::fromKey(trimestre->currentData().toString()).value_or(m_quarter);
    const bool existing = entry.quarter != m_quarter;
    // Only the regional values typed go into a quarter the file holds.
    entry.irl = existing ? QString() : irl->text();
    entry.corse = irlcorse->text();
    entry.outreMer = irloutremer->text();
    entry.published = existing ? QString() : parution->text();
    if (existing) {
        entry.corse = irlcorse->isEnabled() ? irlcorse->text() : QString();
        entry.outreMer = irloutremer->isEnabled() ? irloutremer->text() : QString();
    }
    const QString error = saveTypedIndex(m_target, entry, m_today);
    if (!error.isEmpty()) {
        // The dialog stays open with what was typed, to be corrected.
        MessageBox::critical(this, kTitle, typedIndexRefusal(error));
        return;
    }
    accept();
}

} // namespace velmaris
