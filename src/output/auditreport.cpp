// SPDX-License-Identifier: GPL-3.0-or-later
#include "auditreport.h"

#include "amounts.h"
#include "dates.h"
#include "indexvalue.h"
#include "postaladdress.h"

namespace velmaris {

namespace {

QString signedEuros(qint64 cents)
{
    return (cents > 0 ? QStringLiteral("+") : QString()) + eurosText(cents);
}

class Builder {
public:
    explicit Builder(AuditReport& report)
        : m_r(report)
    {
    }
    void paragraph(AuditStyle style, const QString& text, bool indented = false)
    {
        AuditBlock b;
        b.style = style;
        b.text = text;
        b.indented = indented;
        m_r.blocks.push_back(std::move(b));
    }
    void row(int table, const QStringList& cells, bool headings = false, bool bold = false)
    {
        AuditBlock b;
        b.kind = AuditBlock::Kind::Row;
        b.style = table == kAuditLeaseTable ? AuditStyle::Body : AuditStyle::Small;
        b.table = table;
        b.cells = cells;
        b.headings = headings;
        b.bold = bold || headings;
        m_r.blocks.push_back(std::move(b));
    }

private:
    AuditReport& m_r;
};

void describeLease(Builder& b, const Lease& lease)
{
    b.paragraph(AuditStyle::Heading, QStringLiteral("Le bail"));
    auto item = [&](const QString& label, const QString& value) {
        b.row(kAuditLeaseTable, {label, value});
    };
    item(QStringLiteral("Référence"), lease.reference.trimmed());
    item(QStringLiteral("Locataire"), lease.tenant.trimmed());
    item(QStringLiteral("Adresse"), dwellingLines(lease).join(u'\n'));
    item(QStringLiteral("Territoire"), territoryText(lease.territory)
                                           + (lease.furnished ? QStringLiteral(", logement meublé")
                                                              : QStringLiteral(", logement vide")));
    item(QStringLiteral("Signature"), dateText(lease.signingDate));
    item(QStringLiteral("Prise d’effet"), dateText(lease.startDate));
    item(QStringLiteral("Révision"), QStringLiteral("chaque année le %1/%2")
                                         .arg(lease.effectiveRevisionDay(), 2, 10, QChar(u'0'))
                                         .arg(lease.effectiveRevisionMonth(), 2, 10, QChar(u'0')));
    item(QStringLiteral("Trimestre de référence"),
         lease.referenceQuarter.isValid()
             ? lease.referenceQuarter.label()
             : QStringLiteral("non indiqué\u00a0: le dernier publié à la signature"));
    item(QStringLiteral("Clause"), clauseText(lease.clause));
    item(QStringLiteral("DPE"),
         lease.dpeClass == DpeClass::None
             ? QStringLiteral("non renseigné")
             : QStringLiteral("classe ") + dpeText(lease.dpeClass)
                   + (lease.dpeDate.isValid() ? QStringLiteral(" du ") + dateText(lease.dpeDate)
                                              : QString()));
}

void describeResult(Builder& b, const Audit& audit)
{
    b.paragraph(AuditStyle::Heading, QStringLiteral("Résultat"));
    QString period = QStringLiteral("Audit au ") + dateText(audit.auditDate);
    if (!audit.months.empty())
        period += QStringLiteral(" des loyers hors charges facturés de ")
                  + monthText(audit.months.front().month) + QStringLiteral(" à ")
                  + monthText(audit.months.back().month);
    b.paragraph(AuditStyle::Body, period + u'.');
    if (!audit.complete())
        b.paragraph(AuditStyle::Body, QStringLiteral("Audit incomplet. ") + audit.error);
    const AuditTotals& t = audit.totals;
    if (audit.findings.empty()) {
        if (!audit.months.empty())
            b.paragraph(AuditStyle::Body,
                        QStringLiteral("Aucun écart\u00a0: chaque mois contrôlé, le "
                                       "loyer facturé est le loyer légal."));
    } else {
        if (t.overCents > 0)
            b.paragraph(AuditStyle::Body,
                        QStringLiteral("Trop-perçu par le bailleur\u00a0: ")
                            + eurosText(t.overCents) + QStringLiteral(", dont ")
                            + eurosText(t.overClaimableCents)
                            + QStringLiteral(" sur les trois dernières années, que le locataire "
                                             "peut réclamer."));
        if (t.underCents > 0)
            b.paragraph(AuditStyle::Body, QStringLiteral("Moins-perçu par le bailleur\u00a0: ")
                                              + eurosText(t.underCents) + QStringLiteral(", dont ")
                                              + eurosText(t.underClaimableCents)
                                              + QStringLiteral(" sur les trois dernières années."));
        if (t.netCents() != 0 && t.overCents > 0 && t.underCents > 0)
            b.paragraph(AuditStyle::Body,
                        QStringLiteral("Solde\u00a0: ")
                            + eurosText(t.netCents() > 0 ? t.netCents() : -t.netCents())
                            + (t.netCents() > 0 ? QStringLiteral(" en faveur du locataire.")
                                                : QStringLiteral(" en faveur du bailleur.")));
    }
    b.paragraph(
        AuditStyle::Small,
        QStringLiteral("Les mois commencés avant le ") + dateText(audit.limitDate)
            + QStringLiteral(", plus de trois ans avant l’audit, sont marqués «\u00a0")
            + timeBarredMark()
            + QStringLiteral("\u00a0»\u00a0: ce qui y a été trop ou moins perçu ne peut plus être "
                             "réclamé (art. 7-1 de la loi du 6 juillet 1989)."));
    b.paragraph(
        AuditStyle::Small,
        QStringLiteral("Fondement\u00a0: un mois est prescrit quand son loyer est échu plus de "
                       "trois ans avant la date de l’audit (art. 7-1 de la loi du "
                       "6 juillet 1989), le loyer étant échu le premier du mois sauf "
                       "clause contraire du bail. Une révision que le bailleur a perdue, "
                       "faute de l’avoir demandée dans l’année (art. 17-1), n’est pas un "
                       "moins-perçu\u00a0: le locataire ne doit rien à ce titre. Le réclamable "
                       "est ce que le locataire peut encore réclamer s’il le réclame à la "
                       "date de l’audit."));
}

const AuditFinding* findingOf(const Audit& audit, const QDate& chargedFrom)
{
    for (const AuditFinding& f : audit.findings)
        if (f.chargedFrom == chargedFrom)
            return &f;
    return nullptr;
}

QString indicesText(const LawfulRevision& lawful)
{
    if (lawful.frozen)
        return QStringLiteral("aucune\u00a0: loyer gelé\n(DPE F/G)");
    if (!lawful.computed)
        return QStringLiteral("aucune révision possible")
               + (lawful.error.isEmpty() ? QString() : QStringLiteral("\u00a0: ") + lawful.error);
    return seriesName(lawful.series) + u'\n' + lawful.newQuarter.label()
           + QStringLiteral("\u00a0: ") + indexText(lawful.newValue) + QStringLiteral("\nsur ")
           + lawful.baseQuarter.label() + QStringLiteral("\u00a0: ") + indexText(lawful.baseValue);
}

void describeRevisions(Builder& b, const Audit& audit)
{
    if (audit.months.empty())
        return;
    b.paragraph(AuditStyle::Heading, QStringLiteral("Les révisions depuis le début"));
    b.row(kAuditRevisionTable,
          {QStringLiteral("Échéance"), QStringLiteral("Indices légaux"),
           QStringLiteral("Loyer légal"), QStringLiteral("Facturé"), QStringLiteral("Écart"),
           QStringLiteral("Cause")},
          true);
    const AuditMonth& first = audit.months.front();
    b.row(kAuditRevisionTable,
          {QStringLiteral("premier loyer\n") + monthText(first.month),
           QStringLiteral("loyer facturé pris pour légal"), eurosText(first.lawfulCents),
           eurosText(first.chargedCents), signedEuros(first.differenceCents()), QString()});
    // The revision dates the landlord let pass, in their place among the others.
    std::size_t unmade = 0;
    auto unmadeUntil = [&](const QDate& before) {
        for (; unmade < audit.years.size(); ++unmade) {
            const AuditYear& y = audit.years[unmade];
            if (before.isValid() && y.revisionDate >= before)
                break;
            if (!y.made)
                b.row(kAuditRevisionTable,
                      {dateText(y.revisionDate)
                           + (y.recordedRequest.isValid()
                                  ? QStringLiteral("\ndemande ") + dateText(y.recordedRequest)
                                        + QStringLiteral("\neffet ") + dateText(y.recordedEffect)
                                  : QStringLiteral("\nnon demandée")),
                       indicesText(y.lawful), eurosText(y.lawfulCents), eurosText(y.chargedCents),
                       signedEuros(y.differenceCents()), y.cause});
        }
    };
    for (const AuditRevision& rev : audit.revisions) {
        const LawfulRevision& lawful = rev.lawful;
        unmadeUntil(lawful.computed ? lawful.status.due : rev.chargedFrom);
        const AuditFinding* finding = findingOf(audit, rev.chargedFrom);
        QString due;
        if (lawful.computed)
            due = dateText(lawful.status.due);
        else if (finding && finding->revisionDate.isValid())
            due = dateText(finding->revisionDate);
        else
            due = QStringLiteral("aucune");
        due += QStringLiteral("\ndemande ") + dateText(rev.requestDate)
               + (rev.requestKnown ? QString() : QStringLiteral(" (supposée)"));
        if (lawful.computed && lawful.effectiveDate.isValid())
            due += QStringLiteral("\neffet ") + dateText(lawful.effectiveDate);
        const qint64 lawfulAfter = lawful.computed ? lawful.newRentCents : rev.lawfulBeforeCents;
        b.row(kAuditRevisionTable,
              {due, indicesText(lawful), eurosText(lawfulAfter),
               eurosText(rev.chargedCents) + QStringLiteral("\ndès ") + monthText(rev.chargedFrom),
               signedEuros(rev.chargedCents - lawfulAfter),
               finding ? auditCausesText(finding->causes) : QString()});
    }
    unmadeUntil(QDate());
}

void describeFindings(Builder& b, const Audit& audit)
{
    if (audit.findings.empty())
        return;
    b.paragraph(AuditStyle::Heading, QStringLiteral("Les écarts et leurs causes"));
    int n = 0;
    for (const AuditFinding& f : audit.findings) {
        QStringList amounts;
        if (f.overCents > 0)
            amounts << QStringLiteral("trop-perçu ") + eurosText(f.overCents);
        if (f.underCents > 0)
            amounts << QStringLiteral("moins-perçu ") + eurosText(f.underCents);
        const QString months =
            !f.lastMonth.isValid() || f.firstMonth == f.lastMonth
                ? monthText(f.firstMonth)
                : monthText(f.firstMonth) + QStringLiteral(" à ") + monthText(f.lastMonth);
        b.paragraph(AuditStyle::Body, QStringLiteral("%1. ").arg(++n) + auditCausesText(f.causes)
                                          + QStringLiteral(" — ") + months
                                          + QStringLiteral("\u00a0: ")
                                          + amounts.join(QStringLiteral(", ")));
        b.paragraph(AuditStyle::Small, f.text, true);
    }
}

void describeMonths(Builder& b, const Audit& audit)
{
    if (audit.months.empty())
        return;
    b.paragraph(AuditStyle::Heading, QStringLiteral("Mois par mois"));
    b.row(kAuditMonthTable,
          {QStringLiteral("Mois"), QStringLiteral("Facturé"), QStringLiteral("Légal"),
           QStringLiteral("Écart"), QString()},
          true);
    qint64 charged = 0, lawful = 0;
    QDate firstClaimable;
    for (const AuditMonth& m : audit.months) {
        charged += m.chargedCents;
        lawful += m.lawfulCents;
        if (!m.timeBarred && !firstClaimable.isValid())
            firstClaimable = m.month;
        const qint64 d = m.differenceCents();
        b.row(kAuditMonthTable,
              {monthText(m.month), amountText(m.chargedCents), amountText(m.lawfulCents),
               d == 0 ? QString() : (d > 0 ? QStringLiteral("+") : QString()) + amountText(d),
               m.timeBarred ? timeBarredMark() : QString()});
    }
    const AuditTotals& t = audit.totals;
    b.row(kAuditMonthTable,
          {QStringLiteral("Total"), amountText(charged), amountText(lawful),
           signedEuros(charged - lawful), QString()},
          false, true);
    const QString since = firstClaimable.isValid()
                              ? QStringLiteral(" (depuis ") + monthText(firstClaimable) + u')'
                              : QString();
    b.row(kAuditMonthTable,
          {QStringLiteral("Trop-perçu"), QString(), QString(), eurosText(t.overCents), QString()},
          false, true);
    b.row(kAuditMonthTable,
          {QStringLiteral("dont réclamable par le locataire") + since, QString(), QString(),
           eurosText(t.overClaimableCents), QString()},
          false, true);
    if (t.underCents > 0) {
        b.row(kAuditMonthTable,
              {QStringLiteral("Moins-perçu"), QString(), QString(), eurosText(t.underCents),
               QString()},
              false, true);
        b.row(kAuditMonthTable,
              {QStringLiteral("dont réclamable par le bailleur") + since, QString(), QString(),
               eurosText(t.underClaimableCents), QString()},
              false, true);
    }
}

} // namespace

QString timeBarredMark()
{
    return QStringLiteral("prescrit");
}

AuditAuthor auditAuthor(const Owner& owner, const Agency& agency)
{
    if (agency.isSet())
        return {QStringLiteral("Établi par ") + agency.name.trimmed()
                    + QStringLiteral(" pour le compte de ") + owner.name.trimmed(),
                agency.name.trimmed()};
    return {QStringLiteral("Bailleur\u00a0: ") + owner.name.trimmed(), owner.name.trimmed()};
}

AuditReport auditReport(const Lease& lease, const Audit& audit, const AuditAuthor& author)
{
    AuditReport r;
    r.title = QStringLiteral("Audit des révisions du loyer — bail ") + lease.reference.trimmed();
    r.author = author.name;
    r.footer = QStringLiteral("Velmaris — audit du bail ") + lease.reference.trimmed()
               + QStringLiteral(" au ") + dateText(audit.auditDate);
    r.tables = {
        {{0.28, false}, {0.72, false}},
        {{0.19, false}, {0.23, false}, {0.11, true}, {0.12, true}, {0.11, true}, {0.24, false}},
        {{0.46, false}, {0.13, true}, {0.13, true}, {0.14, true}, {0.14, false}},
    };
    Builder b(r);
    b.paragraph(AuditStyle::Title, r.title);
    if (!author.line.isEmpty())
        b.paragraph(AuditStyle::Body, author.line);
    describeLease(b, lease);
    describeResult(b, audit);
    describeRevisions(b, audit);
    describeFindings(b, audit);
    describeMonths(b, audit);
    for (const QString& note : audit.notes)
        b.paragraph(AuditStyle::Small, note);
    if (!audit.months.empty())
        b.paragraph(
            AuditStyle::Small,
            QStringLiteral(
                "Montants en euros, hors charges. Un loyer révisé est "
                "arrondi au centime inférieur (la hausse ne dépasse jamais "
                "la variation de l’indice). Un mois où un loyer révisé "
                "prend effet compte au jour près\u00a0; «\u00a0Écart\u00a0»\u00a0: facturé moins "
                "légal, positif quand le bailleur a trop perçu."));
    return r;
}

} // namespace velmaris
