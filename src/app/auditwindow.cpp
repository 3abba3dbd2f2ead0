// SPDX-License-Identifier: GPL-3.0-or-later
// The audit window: the rents actually charged, typed or imported, kept in
// the register. Its controls: auditwindow_controls.cpp; what the audit makes
// of them: auditwindow_result.cpp.
#include "auditwindow.h"

#include "amounts.h"
#include "chargedcsv.h"
#include "csvfields.h"
#include "dates.h"
#include "filechoice.h"
#include "leasestore.h"
#include "messages.h"
#include "quoting.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>

namespace velmaris {

namespace {

constexpr int kMaxListedErrors = 30;

QString cellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

} // namespace

AuditWindow* showAudit(QWidget* parent, RegisterSession& session, qint64 leaseId,
                       const IndexTable& table, const QDate& today)
{
    LeaseStore& store = session.store();
    const QString title = QStringLiteral("Audit du bail");
    const std::optional<Lease> lease = store.lease(leaseId);
    if (!lease) {
        MessageBox::critical(parent, title, store.error());
        return nullptr;
    }
    // Rents that could not be read are never replaced by an empty table.
    const std::optional<std::vector<ChargedRent>> periods = store.chargedRents(leaseId);
    const std::optional<std::vector<RevisionRecord>> history =
        periods ? store.history(leaseId) : std::nullopt;
    if (!periods || !history) {
        MessageBox::critical(parent, title,
                             QStringLiteral("Les loyers facturés du bail ") + lease->reference
                                 + QStringLiteral(" n’ont pas pu être lus\u00a0: ") + store.error());
        return nullptr;
    }
    auto* window = new AuditWindow(session, *lease, *periods, *history, table, today, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

AuditWindow::AuditWindow(RegisterSession& session, const Lease& lease,
                         std::vector<ChargedRent> periods, std::vector<RevisionRecord> history,
                         const IndexTable& table, const QDate& today, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_store(session.store())
    , m_lease(lease)
    , m_history(std::move(history))
    , m_table(table)
    , m_today(today)
{
    setObjectName(QStringLiteral("audit"));
    setWindowTitle(QStringLiteral("Audit du bail ") + lease.reference);
    buildControls();
    sortChargedRents(periods);
    fillPeriods(periods);
    m_audit = auditLease(m_lease, periods, m_history, m_table, m_today);
    readAuthor();
    showResult();
    connect(&m_session, &RegisterSession::leaseChanged, this, &AuditWindow::leaseChanged);
    if (m_store.isReadOnly())
        m_state->setText(QStringLiteral("Registre en lecture seule\u00a0: les loyers saisis ici ne "
                                        "pourront pas y être enregistrés."));
}

void AuditWindow::fillPeriods(const std::vector<ChargedRent>& periods)
{
    // Items are written over, never replaced: this runs from the signal of an
    // item just edited.
    auto set = [this](int row, int column, const QString& text) {
        if (QTableWidgetItem* item = m_periods->item(row, column))
            item->setText(text);
        else
            m_periods->setItem(row, column, new QTableWidgetItem(text));
        return m_periods->item(row, column);
    };
    m_filling = true;
    m_periods->setRowCount(int(periods.size()));
    for (int row = 0; row < int(periods.size()); ++row) {
        const ChargedRent& p = periods[std::size_t(row)];
        set(row, From, monthText(p.month));
        set(row, Rent, amountText(p.rentCents))
            ->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        set(row, Request, dateText(p.requestDate));
        // "Au": the month before the next period, which the table derives.
        QTableWidgetItem* to =
            set(row, To,
                row + 1 < int(periods.size())
                    ? monthText(periods[std::size_t(row) + 1].month.addMonths(-1))
                    : QStringLiteral("à ce jour"));
        to->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        to->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    }
    m_filling = false;
}

std::optional<std::vector<ChargedRent>> AuditWindow::typedPeriods(QStringList* problems) const
{
    QStringList found;
    std::vector<ChargedRent> periods;
    QHash<QDate, int> lines; // month -> line it was typed on
    for (int row = 0; row < m_periods->rowCount(); ++row) {
        const QString line = QStringLiteral("ligne %1\u00a0: ").arg(row + 1);
        ChargedRent p;
        const QString month = cellText(m_periods, row, From);
        const QString rent = cellText(m_periods, row, Rent);
        const QString request = cellText(m_periods, row, Request);
        bool ok = true;
        if (const std::optional<QDate> m = parseMonth(month)) {
            p.month = *m;
        } else {
            found << line + csvFieldFault(QStringLiteral("mois invalide"), month, CsvLayout::Month);
            ok = false;
        }
        if (rent.isEmpty()) {
            found << line + QStringLiteral("loyer manquant");
            ok = false;
        } else if (const std::optional<qint64> c = readAmount(rent); c && *c > 0) {
            p.rentCents = *c;
        } else {
            found << line
                         + csvFieldFault(QStringLiteral("loyer invalide"), rent, CsvLayout::Amount);
            ok = false;
        }
        if (!request.isEmpty()) {
            if (const std::optional<QDate> d = parseFrenchDate(request)) {
                p.requestDate = *d;
            } else {
                found << line
                             + csvFieldFault(QStringLiteral("date de demande invalide"), request,
                                             CsvLayout::Date);
                ok = false;
            }
        }
        if (!ok)
            continue;
        for (const QString& problem : validateChargedRent(p, m_lease))
            found << line + problem;
        if (const auto it = lines.constFind(p.month); it != lines.constEnd())
            found << line + QStringLiteral("mois ") + monthText(p.month)
                         + QStringLiteral(" en double (ligne %1)").arg(*it + 1);
        lines.insert(p.month, row);
        periods.push_back(p);
    }
    if (problems)
        *problems = found;
    if (!found.isEmpty())
        return std::nullopt;
    sortChargedRents(periods);
    return periods;
}

void AuditWindow::cellEdited(int row, int column)
{
    if (m_filling)
        return;
    // A sound amount or month is written back the way the register writes it.
    QTableWidgetItem* item = m_periods->item(row, column);
    if (item) {
        m_filling = true;
        const QString text = item->text().trimmed();
        if (column == Rent) {
            if (const std::optional<qint64> c = readAmount(text); c && *c > 0)
                item->setText(amountText(*c));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        } else if (column == From) {
            if (const std::optional<QDate> m = parseMonth(text))
                item->setText(monthText(*m));
        } else if (column == Request) {
            if (const std::optional<QDate> d = parseFrenchDate(text))
                item->setText(dateText(*d));
        }
        m_filling = false;
    }
    periodsChanged();
}

void AuditWindow::addPeriod()
{
    QDate month(m_lease.startDate.year(), m_lease.startDate.month(), 1);
    for (int row = 0; row < m_periods->rowCount(); ++row)
        if (const std::optional<QDate> m = parseMonth(cellText(m_periods, row, From)))
            month = std::max(month, m->addMonths(1));
    const int row = m_periods->rowCount();
    m_filling = true;
    m_periods->insertRow(row);
    m_periods->setItem(row, From, new QTableWidgetItem(monthText(month)));
    m_periods->setItem(row, Rent, new QTableWidgetItem());
    m_periods->setItem(row, Request, new QTableWidgetItem());
    m_filling = false;
    periodsChanged();
    // The rent is what is left to type.
    m_periods->setCurrentCell(row, Rent);
    m_periods->editItem(m_periods->item(row, Rent));
}

void AuditWindow::removePeriod()
{
    const int row = m_periods->currentRow();
    if (row < 0)
        return;
    const QString rent = cellText(m_periods, row, Rent);
    if (!MessageBox::question(
            this, QStringLiteral("Supprimer une période"),
            QStringLiteral("Supprimer la période à partir de ") + cellText(m_periods, row, From)
                + (rent.isEmpty() ? QString() : QStringLiteral(" (") + rent + u')')
                + QStringLiteral("\u00a0?")))
        return;
    m_periods->removeRow(row);
    periodsChanged();
}

void AuditWindow::importCsv()
{
    const QString title = QStringLiteral("Importer les loyers facturés");
    const QString path = FileChoice::open(
        this, title, QStringLiteral("Fichiers CSV (*.csv);;Tous les fichiers (*)"));
    if (path.isEmpty())
        return;
    const ChargedCsvImport imported = readChargedRentsCsv(path, m_lease);
    if (!imported.ok()) {
        QStringList listed = imported.errors.mid(0, kMaxListedErrors);
        if (imported.errors.size() > kMaxListedErrors)
            listed << QStringLiteral("… et %1 autres erreurs.")
                          .arg(imported.errors.size() - kMaxListedErrors);
        MessageBox::critical(this, title,
                             QStringLiteral("Rien n’a été importé\u00a0:\n") + listed.join(u'\n'));
        return;
    }
    if (imported.periods.empty()) {
        MessageBox::critical(this, title,
                             QStringLiteral("Rien n’a été importé\u00a0: le fichier ne contient aucun "
                                            "loyer."));
        return;
    }
    if (m_periods->rowCount() > 0
        && !MessageBox::question(
            this, title,
            QStringLiteral("Remplacer les %1 périodes du tableau par les %2 du "
                           "fichier\u00a0?")
                .arg(m_periods->rowCount())
                .arg(imported.periods.size())))
        return;
    fillPeriods(imported.periods);
    periodsChanged();
}

void AuditWindow::periodsChanged()
{
    m_saved = false;
    QStringList problems;
    const std::optional<std::vector<ChargedRent>> periods = typedPeriods(&problems);
    if (!periods) {
        m_state->setText(QStringLiteral("À corriger avant l’audit\u00a0:\n") + problems.join(u'\n'));
        return;
    }
    // Back in month order, with the end of each period.
    const int current = m_periods->currentRow();
    const QString currentMonth = current >= 0 ? cellText(m_periods, current, From) : QString();
    fillPeriods(*periods);
    for (int row = 0; row < m_periods->rowCount(); ++row)
        if (cellText(m_periods, row, From) == currentMonth)
            m_periods->setCurrentCell(row, m_periods->currentColumn());
    m_state->clear();
    save(*periods);
    m_audit = auditLease(m_lease, *periods, m_history, m_table, m_today);
    showResult();
}

void AuditWindow::save(const std::vector<ChargedRent>& periods)
{
    if (m_store.setChargedRents(m_lease.id, periods)) {
        m_saved = true;
        m_failureShown = false;
        return;
    }
    m_state->setText(QStringLiteral("Non enregistré dans le registre\u00a0: ") + m_store.error());
    // Once, not at every cell typed while the register stays shut.
    if (m_failureShown)
        return;
    m_failureShown = true;
    MessageBox::critical(this, QStringLiteral("Registre des baux"),
                         QStringLiteral("Les loyers facturés n’ont pas pu être enregistrés\u00a0: ")
                             + m_store.error()
                             + QStringLiteral("\n\nIls restent dans cette fenêtre, qui audite, "
                                              "imprime et enregistre en PDF ce qu’elle montre\u00a0; "
                                              "la prochaine modification essaiera de nouveau de "
                                              "les enregistrer."));
}

void AuditWindow::reject()
{
    close(); // Escape asks, as the close button does, before anything is lost
}

void AuditWindow::closeEvent(QCloseEvent* event)
{
    if (!m_saved) {
        // One more try before anything typed is given up.
        if (const std::optional<std::vector<ChargedRent>> periods = typedPeriods();
            periods && m_store.setChargedRents(m_lease.id, *periods))
            m_saved = true;
    }
    if (!m_saved
        && !MessageBox::question(
            this, QStringLiteral("Fermer l’audit"),
            QStringLiteral("Les loyers facturés du tableau ne sont pas enregistrés "
                           "dans le registre. Fermer quand même\u00a0? Ils seront "
                           "perdus."))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace velmaris
