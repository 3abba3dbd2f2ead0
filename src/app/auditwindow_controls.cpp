// SPDX-License-Identifier: GPL-3.0-or-later
// The audit window's controls: the rents charged on the left, what the audit
// found on the right, the print buttons below.
#include "auditwindow.h"
#include "windowfit.h"

#include "postaladdress.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velmaris {

void AuditWindow::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    const QString place = dwellingText(m_lease);
    auto* heading =
        new QLabel(QStringLiteral("<b>Bail %1</b> — %2, %3 (%4)")
                       .arg(m_lease.reference.toHtmlEscaped(), m_lease.tenant.toHtmlEscaped(),
                            place.toHtmlEscaped(), territoryText(m_lease.territory)),
                   this);
    heading->setObjectName(QStringLiteral("bail"));
    layout->addWidget(heading);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter, 1);

    buildPeriodsPane(splitter);
    buildResultPane(splitter);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({380, 720});
    // Rows as high as their text, not the style's default.
    const int rowHeight = fontMetrics().height() + 6;
    for (QTableWidget* t : {m_periods, m_months}) {
        t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        t->verticalHeader()->setDefaultSectionSize(rowHeight);
    }

    auto* buttons = new QHBoxLayout;
    m_print = new QPushButton(QStringLiteral("Imprimer"), this);
    m_print->setObjectName(QStringLiteral("imprimer"));
    m_pdf = new QPushButton(QStringLiteral("Enregistrer en PDF…"), this);
    m_pdf->setObjectName(QStringLiteral("enregistrerpdf"));
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    close->setObjectName(QStringLiteral("fermer"));
    close->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(m_pdf);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    // Enter ends the edit of a cell, never presses a button.
    for (QPushButton* b : {m_print, m_pdf})
        b->setAutoDefault(false);

    connect(m_print, &QPushButton::clicked, this, &AuditWindow::print);
    connect(m_pdf, &QPushButton::clicked, this, &AuditWindow::savePdf);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    giveMnemonics(this);
    scrollWhenSmall(this, buttons);
    fitToScreen(this, size().expandedTo(QSize(1000, 640)));
}

void AuditWindow::buildPeriodsPane(QWidget* splitter)
{
    // Left: the rents charged.
    auto* left = new QWidget(splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(QStringLiteral("Loyers facturés, hors charges\u00a0:"), left));
    m_periods = new QTableWidget(0, Columns, left);
    // The arrows move among the cells, Tab goes on to the next control.
    m_periods->setTabKeyNavigation(false);
    m_periods->setObjectName(QStringLiteral("loyersfactures"));
    m_periods->setHorizontalHeaderLabels({QStringLiteral("Du (mm/aaaa)"), QStringLiteral("Au"),
                                          QStringLiteral("Loyer"), QStringLiteral("Demandé le")});
    m_periods->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_periods->horizontalHeader()->setStretchLastSection(true);
    m_periods->verticalHeader()->setVisible(true);
    m_periods->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_periods->setSelectionMode(QAbstractItemView::SingleSelection);
    m_periods->setToolTip(QStringLiteral("Chaque ligne\u00a0: le premier mois facturé à ce loyer "
                                         "(mm/aaaa), le loyer hors charges (850,00) et, si vous "
                                         "la connaissez, la date de la demande (jj/mm/aaaa)."));
    leftLayout->addWidget(m_periods, 1);
    auto* editButtons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Ajouter"), left);
    add->setObjectName(QStringLiteral("ajouter"));
    auto* remove = new QPushButton(QStringLiteral("Supprimer"), left);
    remove->setObjectName(QStringLiteral("supprimer"));
    auto* import = new QPushButton(QStringLiteral("Importer CSV…"), left);
    import->setObjectName(QStringLiteral("importer"));
    editButtons->addWidget(add);
    editButtons->addWidget(remove);
    editButtons->addWidget(import);
    editButtons->addStretch();
    leftLayout->addLayout(editButtons);
    for (QPushButton* b : {add, remove, import})
        b->setAutoDefault(false);
    connect(m_periods, &QTableWidget::cellChanged, this, &AuditWindow::cellEdited);
    connect(add, &QPushButton::clicked, this, &AuditWindow::addPeriod);
    connect(remove, &QPushButton::clicked, this, &AuditWindow::removePeriod);
    connect(import, &QPushButton::clicked, this, &AuditWindow::importCsv);
    m_state = new QLabel(left);
    m_state->setObjectName(QStringLiteral("etat"));
    m_state->setWordWrap(true);
    leftLayout->addWidget(m_state);
}

void AuditWindow::buildResultPane(QWidget* splitter)
{
    // Right: what the audit found.
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    m_result = new QTextBrowser(right);
    m_result->setObjectName(QStringLiteral("ecarts"));
    rightLayout->addWidget(m_result, 3);
    m_months = new QTableWidget(0, 5, right);
    m_months->setTabKeyNavigation(false);
    m_months->setObjectName(QStringLiteral("mois"));
    m_months->setHorizontalHeaderLabels({QStringLiteral("Mois"), QStringLiteral("Facturé"),
                                         QStringLiteral("Légal"), QStringLiteral("Écart"),
                                         QString()});
    m_months->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_months->verticalHeader()->setVisible(false);
    m_months->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_months->horizontalHeader()->setStretchLastSection(true);
    rightLayout->addWidget(m_months, 2);
    m_totals = new QLabel(right);
    m_totals->setObjectName(QStringLiteral("totaux"));
    m_totals->setWordWrap(true);
    rightLayout->addWidget(m_totals);
}

} // namespace velmaris
