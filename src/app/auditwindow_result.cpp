// SPDX-License-Identifier: GPL-3.0-or-later
// What the audit window shows of the audit, and its report on paper or as PDF.
#include "auditwindow.h"

#include "amounts.h"
#include "auditprinter.h"
#include "auditreport.h"
#include "dates.h"
#include "defaultprinter.h"
#include "filechoice.h"
#include "letteroutput.h"
#include "messages.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTextBrowser>

namespace velmaris {

namespace {

QString html(const QString& text)
{
    return text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
}

// The report as the window shows it: the result, the revisions and the
// differences. The lease is above, the months in their own table.
QString resultHtml(const AuditReport& report)
{
    QString out;
    bool inTable = false;
    const std::vector<AuditBlock>& blocks = report.blocks;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const AuditBlock& b = blocks[i];
        const bool shownElsewhere =
            (b.kind == AuditBlock::Kind::Row && b.table != kAuditRevisionTable)
            || b.style == AuditStyle::Title;
        // A heading goes with the table under it.
        const bool headsHidden = b.style == AuditStyle::Heading && i + 1 < blocks.size()
                                 && blocks[i + 1].kind == AuditBlock::Kind::Row
                                 && blocks[i + 1].table != kAuditRevisionTable;
        if (inTable && b.kind != AuditBlock::Kind::Row) {
            out += QStringLiteral("</table>");
            inTable = false;
        }
        if (shownElsewhere || headsHidden)
            continue;
        if (b.kind == AuditBlock::Kind::Row) {
            if (!inTable)
                out += QStringLiteral("<table cellspacing=0 cellpadding=3 border=1>");
            inTable = true;
            out += QStringLiteral("<tr>");
            const QString cell = b.headings ? QStringLiteral("th") : QStringLiteral("td");
            for (const QString& text : b.cells)
                out += u'<' + cell + u'>' + html(text) + QStringLiteral("</") + cell + u'>';
            out += QStringLiteral("</tr>");
        } else if (b.style == AuditStyle::Heading) {
            out += QStringLiteral("<h3>") + html(b.text) + QStringLiteral("</h3>");
        } else {
            const bool small = b.style == AuditStyle::Small;
            out += QStringLiteral("<p style=\"margin-left:%1px\">").arg(b.indented ? 20 : 0)
                   + (small ? QStringLiteral("<small>") : QString()) + html(b.text)
                   + (small ? QStringLiteral("</small>") : QString()) + QStringLiteral("</p>");
        }
    }
    if (inTable)
        out += QStringLiteral("</table>");
    return out;
}

QTableWidgetItem* amountItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

void AuditWindow::showResult()
{
    const AuditReport report = auditReport(m_lease, m_audit, m_author);
    m_result->setHtml(resultHtml(report));

    m_months->setRowCount(int(m_audit.months.size()));
    const QBrush barred = palette().brush(QPalette::Disabled, QPalette::Text);
    QDate firstClaimable;
    for (int row = 0; row < int(m_audit.months.size()); ++row) {
        const AuditMonth& m = m_audit.months[std::size_t(row)];
        const qint64 d = m.differenceCents();
        m_months->setItem(row, 0, new QTableWidgetItem(monthText(m.month)));
        m_months->setItem(row, 1, amountItem(amountText(m.chargedCents)));
        m_months->setItem(row, 2, amountItem(amountText(m.lawfulCents)));
        m_months->setItem(
            row, 3,
            amountItem(d == 0 ? QString()
                              : (d > 0 ? QStringLiteral("+") : QString()) + amountText(d)));
        m_months->setItem(row, 4,
                          new QTableWidgetItem(m.timeBarred ? timeBarredMark() : QString()));
        for (int c = 0; c < 5; ++c) {
            if (m.timeBarred)
                m_months->item(row, c)->setForeground(barred);
            else if (d != 0 && c == 3)
                m_months->item(row, c)->setForeground(d > 0 ? Qt::darkRed : Qt::darkBlue);
        }
        if (!m.timeBarred && !firstClaimable.isValid())
            firstClaimable = m.month;
    }

    const AuditTotals& t = m_audit.totals;
    QString totals;
    if (m_audit.months.empty()) {
        totals = m_audit.error;
    } else {
        totals = QStringLiteral("<b>Trop-perçu\u00a0: %1</b>, dont <b>%2</b> réclamable par le "
                                "locataire")
                     .arg(eurosText(t.overCents), eurosText(t.overClaimableCents));
        if (firstClaimable.isValid())
            totals += QStringLiteral(" (mois depuis ") + monthText(firstClaimable) + u')';
        totals += u'.';
        if (t.underCents > 0)
            totals += QStringLiteral(" Moins-perçu\u00a0: %1, dont %2 réclamable par le bailleur.")
                          .arg(eurosText(t.underCents), eurosText(t.underClaimableCents));
        totals += QStringLiteral("<br>Les mois commencés avant le ") + dateText(m_audit.limitDate)
                  + QStringLiteral(" (plus de trois ans) sont prescrits.");
        if (!m_audit.complete())
            totals += QStringLiteral("<br>Audit incomplet\u00a0: ") + m_audit.error.toHtmlEscaped();
    }
    m_totals->setText(totals);
    // The first month that differs is what the user looks for.
    for (int row = 0; row < int(m_audit.months.size()); ++row)
        if (m_audit.months[std::size_t(row)].differenceCents() != 0) {
            m_months->scrollToItem(m_months->item(row, 0), QAbstractItemView::PositionAtTop);
            break;
        }
    m_print->setEnabled(!m_audit.months.empty());
    m_pdf->setEnabled(!m_audit.months.empty());
}

void AuditWindow::print()
{
    printAuditReport(auditReport(m_lease, m_audit, m_author), this);
}

QString AuditWindow::suggestedPdfPath() const
{
    QString name = QStringLiteral("Audit %1 %2.pdf")
                       .arg(m_lease.reference.trimmed(), m_today.toString(u"yyyy-MM-dd"));
    // A reference may hold what a file name cannot.
    for (QChar& c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.isNull())
            c = u'-';
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath(name);
}

void AuditWindow::savePdf()
{
    const QString title = QStringLiteral("Enregistrer l’audit en PDF");
    QString path =
        FileChoice::save(this, title, suggestedPdfPath(), QStringLiteral("Documents PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    QString reason = outputRefusal(path, m_programFolders);
    if (!reason.isEmpty()
        || !writeAuditReportPdf(path, auditReport(m_lease, m_audit, m_author), &reason)) {
        MessageBox::critical(
            this, title, QStringLiteral("Le PDF n’a pas pu être enregistré\u00a0: ") + reason + u'.');
        return;
    }
    m_state->setText(QStringLiteral("Audit enregistré dans ") + QDir::toNativeSeparators(path)
                     + u'.');
}

void AuditWindow::leaseChanged(qint64 leaseId)
{
    if (leaseId != m_lease.id && leaseId != 0)
        return;
    const std::optional<Lease> lease = m_store.lease(m_lease.id);
    std::optional<std::vector<RevisionRecord>> history =
        lease ? m_store.history(m_lease.id) : std::nullopt;
    if (!lease || !history) {
        m_state->setText(m_store.error());
        return;
    }
    m_lease = *lease;
    m_history = std::move(*history);
    readAuthor();
    setWindowTitle(QStringLiteral("Audit du bail ") + m_lease.reference);
    // Rents being typed and not yet sound wait for the user; the audit follows them.
    if (const std::optional<std::vector<ChargedRent>> periods = typedPeriods()) {
        m_audit = auditLease(m_lease, *periods, m_history, m_table, m_today);
        showResult();
    }
}

void AuditWindow::readAuthor()
{
    // An owner that cannot be read leaves the report without the line, never wrong.
    const std::optional<LeaseSender> sender = leaseSender(m_store, m_lease);
    m_author = sender ? auditAuthor(sender->owner, sender->agency) : AuditAuthor();
}

} // namespace velmaris
