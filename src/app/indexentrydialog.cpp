#include "indexentrydialog.h"

#include "indexfiletarget.h"
#include "indextable.h"
#include "messages.h"
#include "typedindex.h"

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
    if (const std::optional<QByteArray> figures = m_target.read(&why))
        m_quarter = nextQuarterToType(*figures);
    if (!m_quarter.isValid())
        m_refusal = m_target.shared
                        ? QStringLiteral("Les indices du registre ne se lisent pas%1\u00a0: aucun "
                                         "indice ne peut y être saisi pour l'instant.")
                              .arg(why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why))
                        : QStringLiteral("Le fichier des indices %1 ne se lit pas : corrigez-le "
                                         "ou réinstallez-le avant d'y saisir un indice.")
                              .arg(QDir::toNativeSeparators(indexPath));

    auto* intro = new QLabel(
        QStringLiteral("Saisissez l'indice tel que l'Insee l'a publié (Informations rapides) ou "
                       "tel qu'il a paru au Journal officiel. Il s'ajoute %1 ; si l'Insee donne "
                       "plus tard une autre valeur, la mise à jour vous la proposera.")
            .arg(m_target.shared ? QStringLiteral("aux indices du registre, pour tous les postes")
                                 : QStringLiteral("au fichier des indices")),
        this);
    intro->setWordWrap(true);
    trimestre = new QLabel(m_quarter.isValid() ? m_quarter.label() : QString(), this);
    trimestre->setObjectName(QStringLiteral("trimestre"));
    QFont bold = trimestre->font();
    bold.setBold(true);
    trimestre->setFont(bold);

    irl = box(this, QStringLiteral("irl"), QStringLiteral("par exemple 146,60"));
    irlcorse = box(this, QStringLiteral("irlcorse"), QStringLiteral("facultatif"));
    irloutremer = box(this, QStringLiteral("irloutremer"), QStringLiteral("facultatif"));
    parution = box(this, QStringLiteral("parution"), QStringLiteral("jj/mm/aaaa"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Trimestre :"), trimestre);
    form->addRow(QStringLiteral("IRL (métropole) :"), irl);
    form->addRow(QStringLiteral("IRL de Corse :"), irlcorse);
    form->addRow(QStringLiteral("IRL d'outre-mer :"), irloutremer);
    form->addRow(QStringLiteral("Date de parution :"), parution);

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

    connect(ajouter, &QPushButton::clicked, this, &IndexEntryDialog::add);
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
}

void IndexEntryDialog::add()
{
    TypedIndex entry;
    entry.quarter = m_quarter;
    entry.irl = irl->text();
    entry.corse = irlcorse->text();
    entry.outreMer = irloutremer->text();
    entry.published = parution->text();
    const QString error = saveTypedIndex(m_target, entry, m_today);
    if (!error.isEmpty()) {
        // The dialog stays open with what was typed, to be corrected.
        MessageBox::critical(
            this, kTitle,
            QStringLiteral("Indice refusé : %1%2").arg(error, error.endsWith(u'?') ? u"" : u"."));
        return;
    }
    accept();
}

} // namespace velmaris
