// SPDX-License-Identifier: GPL-3.0-or-later
#include "leaserevisiondialog.h"

#include "amounts.h"
#include "dates.h"
#include "indexvalue.h"
#include "messages.h"
#include "windowfit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velmaris {

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QString indexLine(IndexSeries series, Quarter quarter, double value)
{
    return seriesName(series) + QStringLiteral(" du ") + quarter.label() + QStringLiteral("\u00a0: ")
           + indexText(value);
}

} // namespace

LeaseRevisionDialog::LeaseRevisionDialog(const Lease& lease, std::vector<RevisionRecord> history,
                                         const IndexTable& table, const QDate& requestDate,
                                         QWidget* parent)
    : QDialog(parent)
    , m_lease(lease)
    , m_history(std::move(history))
    , m_table(table)
    , m_today(requestDate)
{
    setObjectName(QStringLiteral("Revision"));
    setWindowTitle(QStringLiteral("Révision du bail ") + lease.reference);
    buildControls();
    datedemande->setText(dateText(requestDate));
    recompute();
}

void LeaseRevisionDialog::buildControls()
{
    datedemande = named(new QLineEdit(this), QStringLiteral("datedemande"));
    datedemande->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
    datedemande->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000"))
                                 + 20);
    // Every value goes on a second line rather than lose its end ("€") in a
    // narrow window.
    auto label = [this](const QString& name) {
        auto* l = named(new QLabel(this), name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setWordWrap(true);
        return l;
    };
    etatrevision = label(QStringLiteral("etatrevision"));
    ancienloyer = label(QStringLiteral("ancienloyer"));
    indicebase = label(QStringLiteral("indicebase"));
    nouvelindice = label(QStringLiteral("nouvelindice"));
    formule = label(QStringLiteral("formule"));
    nouveauloyer = label(QStringLiteral("nouveauloyer"));
    {
        QFont bold = nouveauloyer->font();
        bold.setBold(true);
        nouveauloyer->setFont(bold);
    }
    priseeffet = label(QStringLiteral("priseeffet"));
    explications = named(new QTextBrowser(this), QStringLiteral("explications"));
    explications->setMinimumSize(withinScreen(this, QSize(560, 180)));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Date de la demande\u00a0:"), datedemande);
    form->addRow(QStringLiteral("État\u00a0:"), etatrevision);
    form->addRow(QStringLiteral("Loyer actuel\u00a0:"), ancienloyer);
    form->addRow(QStringLiteral("Indice de base\u00a0:"), indicebase);
    form->addRow(QStringLiteral("Nouvel indice\u00a0:"), nouvelindice);
    form->addRow(QStringLiteral("Calcul\u00a0:"), formule);
    form->addRow(QStringLiteral("Nouveau loyer\u00a0:"), nouveauloyer);
    form->addRow(QStringLiteral("À compter du\u00a0:"), priseeffet);

    auto* buttons = new QDialogButtonBox(this);
    appliquer = named(buttons->addButton(QStringLiteral("Appliquer"), QDialogButtonBox::AcceptRole),
                      QStringLiteral("appliquer"));
    fermer = named(buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::RejectRole),
                   QStringLiteral("fermer"));
    appliquer->setAutoDefault(false);
    fermer->setAutoDefault(false);
    connect(appliquer, &QPushButton::clicked, this, &LeaseRevisionDialog::apply);
    connect(fermer, &QPushButton::clicked, this, &QDialog::reject);
    connect(datedemande, &QLineEdit::textChanged, this, &LeaseRevisionDialog::recompute);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Explications\u00a0:"), this));
    layout->addWidget(explications, 1);
    layout->addWidget(buttons);
    giveMnemonics(this);
    scrollWhenSmall(this, buttons);
}

void LeaseRevisionDialog::setApply(Apply apply)
{
    m_apply = std::move(apply);
}

void LeaseRevisionDialog::setLease(const Lease& lease, std::vector<RevisionRecord> history)
{
    m_lease = lease;
    m_history = std::move(history);
    recompute();
}

void LeaseRevisionDialog::setReadOnly(bool readOnly, const QString& why)
{
    m_readOnly = readOnly;
    m_readOnlyWhy = why.isEmpty() ? QStringLiteral("Le registre est en lecture seule.") : why;
    recompute();
}

void LeaseRevisionDialog::recompute()
{
    const std::optional<QDate> date = parseFrenchDate(datedemande->text());
    m_dateValid = date.has_value();
    for (QLabel* l : {indicebase, nouvelindice, formule, nouveauloyer, priseeffet})
        l->clear();
    ancienloyer->setText(eurosText(m_lease.rentCents));
    if (!date) {
        m_revision = LawfulRevision();
        etatrevision->setText(QStringLiteral("Saisissez la date de la demande (jj/mm/aaaa)."));
        explications->clear();
        appliquer->setEnabled(false);
        return;
    }
    m_revision = reviseLease(m_lease, m_history, m_table, *date);
    const LawfulRevision& r = m_revision;

    QString state = r.status.text();
    if (!r.status.reached && r.status.due.isValid())
        state =
            (r.status.state == DueState::Frozen ? QStringLiteral("gelée (DPE F/G)\u00a0; ") : QString())
            + QStringLiteral("prochaine révision le ") + dateText(r.status.due);
    if (!r.error.isEmpty())
        state += QStringLiteral(" — ") + r.error;
    etatrevision->setText(state);

    if (r.computed) {
        indicebase->setText(indexLine(r.series, r.baseQuarter, r.baseValue));
        nouvelindice->setText(indexLine(r.series, r.newQuarter, r.newValue));
        formule->setText(eurosText(r.oldRentCents) + QStringLiteral(" × ") + indexText(r.newValue)
                         + QStringLiteral(" ÷ ") + indexText(r.baseValue) + QStringLiteral(" = ")
                         + eurosText(r.formulaCents));
        nouveauloyer->setText(
            eurosText(r.newRentCents)
            + (r.newRentCents == r.oldRentCents ? QStringLiteral(" (inchangé)") : QString()));
        priseeffet->setText(dateText(r.effectiveDate));
    } else if (r.frozen) {
        nouveauloyer->setText(eurosText(r.newRentCents)
                              + QStringLiteral(" (inchangé, loyer gelé)"));
    }

    QString html;
    for (const ExplanationLine& line : r.lines)
        html += QStringLiteral("<p>") + line.text.toHtmlEscaped()
                + QStringLiteral("<br><i style=\"color:#555\">") + line.reference.toHtmlEscaped()
                + QStringLiteral("</i></p>");
    explications->setHtml(html);

    // A letter may be prepared ahead; the revision is recorded once asked.
    m_ahead = *date > m_today;
    appliquer->setEnabled(r.canApply() && !m_readOnly && !m_ahead);
    appliquer->setToolTip(m_readOnly ? m_readOnlyWhy
                          : m_ahead  ? requestAheadText(*date, m_today)
                                     : QString());
}

void LeaseRevisionDialog::apply()
{
    // The index table may have been read again since it was shown.
    recompute();
    if (!m_revision.canApply() || m_readOnly || m_ahead)
        return;
    QString error;
    if (m_apply && !m_apply(m_revision.record(m_lease.id), &error)) {
        MessageBox::critical(this, QStringLiteral("Révision"), error);
        return;
    }
    accept();
}

} // namespace velmaris
