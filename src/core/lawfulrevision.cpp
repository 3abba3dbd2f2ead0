#include "lawfulrevision.h"

#include "amounts.h"
#include "cents.h"
#include "dates.h"

#include <algorithm>
#include <optional>

namespace velmaris {

namespace {

// The 2014 law (ALUR) came into force on 27 March 2014; before it the revision
// clause was governed by art. 17 d.
const QDate kAlur(2014, 3, 27);

QString clauseReference()
{
    return QStringLiteral("clause de révision du bail ; ") + referenceLaw2014();
}

QString indexReference(const QDate& due)
{
    return due < kAlur ? QStringLiteral("art. 17 d de la loi du 6 juillet 1989, rédaction alors "
                                        "en vigueur")
                       : referenceLaw2014();
}

// The index table's series and territory behind a record's series.
IndexSeries tableSeries(LeaseSeries series)
{
    switch (series) {
    case LeaseSeries::Icc:
        return IndexSeries::Icc;
    case LeaseSeries::Average:
        return IndexSeries::Average;
    default:
        return IndexSeries::Irl;
    }
}

double valueOf(const IndexTable& table, Quarter quarter, LeaseSeries series, Territory territory)
{
    const IndexRow* row = table.find(quarter);
    return row ? seriesValue(*row, tableSeries(series), territory) : 0;
}

QString missing(LeaseSeries series, Quarter quarter, Territory territory)
{
    // Before its own series began, a territory takes the mainland value: name that one.
    if (quarter <= kLastSharedIrlQuarter)
        territory = Territory::Metropole;
    return QStringLiteral("Indice manquant : ") + seriesName(tableSeries(series), territory)
           + QStringLiteral(" du ") + quarter.label() + u'.';
}

void add(LawfulRevision& r, QString text, QString reference)
{
    r.lines.push_back({std::move(text), std::move(reference)});
}

void explainDates(LawfulRevision& r, const Lease& lease)
{
    const DueStatus& s = r.status;
    const QString day = QStringLiteral("%1/%2")
                            .arg(lease.effectiveRevisionDay(), 2, 10, QChar(u'0'))
                            .arg(lease.effectiveRevisionMonth(), 2, 10, QChar(u'0'));
    add(r,
        QStringLiteral("Révision annuelle au ") + day
            + (lease.revisionDay > 0 ? QStringLiteral(" (date du bail)")
                                     : QStringLiteral(" (anniversaire de la date d'effet)"))
            + QStringLiteral(" ; révision du ") + dateText(s.due) + u'.',
        indexReference(s.due));
    if (s.lostYears > 0) {
        add(r,
            QStringLiteral("Révision du ") + dateText(s.firstUnrevised)
                + QStringLiteral(" non demandée avant le ") + dateText(s.lostOn)
                + (s.lostYears == 2  ? QStringLiteral(" (et la suivante)")
                   : s.lostYears > 2 ? QStringLiteral(" (et les %1 suivantes)").arg(s.lostYears - 1)
                                     : QString())
                + QStringLiteral(" : perdue ; la révision part du loyer payé, avec la variation "
                                 "d'une seule année."),
            referenceLaw2014());
    }
}

void explainFreeze(LawfulRevision& r, const Lease& lease)
{
    if (lease.dpeClass != DpeClass::F && lease.dpeClass != DpeClass::G)
        return;
    const QDate contract = contractStartAt(lease, r.status.due);
    const QDate from = freezeDate(lease.territory);
    const QString dwelling =
        QStringLiteral("Logement classé ") + dpeText(lease.dpeClass) + QStringLiteral(" au DPE")
        + (lease.dpeDate.isValid() ? QStringLiteral(" du ") + dateText(lease.dpeDate) : QString());
    const QString contractText = contract == lease.signingDate
                                     ? QStringLiteral("bail signé le ") + dateText(contract)
                                     : QStringLiteral("bail renouvelé le ") + dateText(contract);
    if (contract >= from)
        add(r,
            dwelling + QStringLiteral(", ") + contractText + QStringLiteral(", à partir du ")
                + dateText(from) + QStringLiteral(" : aucune hausse de loyer."),
            referenceFreeze2021());
    else
        add(r,
            dwelling + QStringLiteral(", ") + contractText + QStringLiteral(", avant le ")
                + dateText(from)
                + QStringLiteral(" : la révision reste permise jusqu'au prochain "
                                 "renouvellement."),
            referenceFreeze2021());
}

} // namespace

QString referenceLaw2014()
{
    return QStringLiteral(
        "art. 17-1 de la loi du 6 juillet 1989, modifié par la loi du 24 mars 2014");
}

QString referenceFreeze2021()
{
    return QStringLiteral("art. 17-1 de la loi du 6 juillet 1989, modifié par la loi du "
                          "22 août 2021 « Climat et résilience »");
}

LeaseSeries seriesFor(Quarter q, const QDate& signingDate, Territory territory)
{
    switch (seriesForAnniversary(q, signingDate.isValid() ? std::optional(signingDate)
                                                          : std::nullopt)) {
    case IndexSeries::Icc:
        return LeaseSeries::Icc;
    case IndexSeries::Average:
        return LeaseSeries::Average;
    case IndexSeries::Irl:
        break;
    }
    if (q > kLastSharedIrlQuarter && territory == Territory::Corse)
        return LeaseSeries::IrlCorse;
    if (q > kLastSharedIrlQuarter && territory == Territory::OutreMer)
        return LeaseSeries::IrlOutreMer;
    return LeaseSeries::Irl;
}

RevisionRecord LawfulRevision::record(qint64 leaseId) const
{
    RevisionRecord rec;
    rec.leaseId = leaseId;
    rec.dueDate = status.due;
    rec.requestDate = requestDate;
    rec.effectiveDate = effectiveDate;
    rec.oldRentCents = oldRentCents;
    rec.newRentCents = newRentCents;
    rec.baseQuarter = baseQuarter;
    rec.baseValue = baseValue;
    rec.newQuarter = newQuarter;
    rec.newValue = newValue;
    rec.series = series;
    QStringList notes;
    for (const ExplanationLine& line : lines)
        notes << line.text + QStringLiteral(" (") + line.reference + u')';
    rec.notes = notes.join(u'\n');
    return rec;
}

LawfulRevision reviseLease(const Lease& lease, const std::vector<RevisionRecord>& history,
                           const IndexTable& table, const QDate& requestDate)
{
    LawfulRevision r;
    r.requestDate = requestDate;
    r.oldRentCents = lease.rentCents;
    r.newRentCents = lease.rentCents;

    const RevisionRecord* last = nullptr;
    for (const RevisionRecord& rec : history) {
        if (!last || rec.dueDate > last->dueDate)
            last = &rec;
    }
    r.status = dueStatus(lease, last, table, requestDate);
    const DueStatus& s = r.status;
    if (!s.due.isValid()) {
        r.error = QStringLiteral("Bail incomplet : dates de signature, d'effet ou de révision "
                                 "invalides.");
        return r;
    }
    if (lease.rentCents <= 0 || lease.rentCents > kMaxAmountCents) {
        r.error = QStringLiteral("Loyer du bail invalide : la révision n'est pas calculée.");
        return r;
    }
    if (!s.reached) {
        add(r,
            QStringLiteral("Prochaine révision le ") + dateText(s.due)
                + QStringLiteral(", à demander avant le ") + dateText(s.deadline) + u'.',
            referenceLaw2014());
        explainFreeze(r, lease);
        return r;
    }
    explainDates(r, lease);

    const std::optional<Quarter> reference = referenceQuarterOf(lease, table);
    if (!reference) {
        r.error = QStringLiteral("Trimestre de référence introuvable : aucun indice publié au ")
                  + dateText(lease.signingDate) + u'.';
        return r;
    }
    const PublishedQuarter n = lastPublished(reference->number(), s.due, table);
    r.series = seriesFor(n.quarter, lease.signingDate, lease.territory);
    if (!n.found) {
        r.error = missing(r.series, n.quarter, lease.territory);
        return r;
    }
    r.newQuarter = n.quarter;
    r.baseQuarter = n.quarter.yearEarlier();
    r.newValue = valueOf(table, r.newQuarter, r.series, lease.territory);
    r.baseValue = valueOf(table, r.baseQuarter, r.series, lease.territory);
    const std::optional<qint64> newUnits = indexUnits(r.newValue);
    const std::optional<qint64> baseUnits = indexUnits(r.baseValue);
    if (!newUnits || !baseUnits) {
        r.error = missing(r.series, newUnits ? r.baseQuarter : r.newQuarter, lease.territory);
        return r;
    }

    QString where;
    if (r.series == LeaseSeries::IrlCorse)
        where = QStringLiteral(" ; bail en Corse");
    else if (r.series == LeaseSeries::IrlOutreMer)
        where = QStringLiteral(" ; bail outre-mer");
    add(r,
        QStringLiteral("Indice : ") + seriesText(r.series) + QStringLiteral(" du ")
            + r.newQuarter.label() + QStringLiteral(" (") + indexText(r.newValue)
            + QStringLiteral(", dernier publié au ") + dateText(s.due) + QStringLiteral("), base ")
            + r.baseQuarter.label() + QStringLiteral(" (") + indexText(r.baseValue) + u')' + where
            + u'.',
        indexReference(s.due));

    const qint64 computed = revisedCents(lease.rentCents, *newUnits, *baseUnits);
    add(r,
        QStringLiteral("Loyer révisé : ") + eurosText(lease.rentCents) + QStringLiteral(" × ")
            + indexText(r.newValue) + QStringLiteral(" ÷ ") + indexText(r.baseValue)
            + QStringLiteral(" = ") + eurosText(computed)
            + QStringLiteral(" (arrondi au centime)."),
        indexReference(s.due));

    qint64 rent = computed;
    if (*newUnits < *baseUnits) {
        if (lease.clause == Clause::HausseSeulement) {
            rent = lease.rentCents;
            add(r,
                QStringLiteral("L'indice baisse ; la clause « à la hausse seulement » maintient "
                               "le loyer à ")
                    + eurosText(rent) + u'.',
                clauseReference());
        } else {
            add(r,
                QStringLiteral("L'indice baisse ; la clause « à la hausse et à la baisse » "
                               "baisse le loyer à ")
                    + eurosText(rent) + u'.',
                clauseReference());
        }
    }
    explainFreeze(r, lease);
    if (s.state == DueState::Frozen && rent > lease.rentCents)
        rent = lease.rentCents;

    r.newRentCents = rent;
    r.effectiveDate = requestDate;
    const QString newRent = QStringLiteral("Nouveau loyer : ") + eurosText(rent)
                            + (rent == lease.rentCents ? QStringLiteral(" (inchangé)") : QString())
                            + QStringLiteral(", dû à compter du ") + dateText(requestDate);
    if (requestDate > s.due)
        add(r,
            newRent
                + QStringLiteral(" : demandée après la date de révision, la révision prend "
                                 "effet à compter de la demande."),
            referenceLaw2014());
    else
        add(r, newRent + QStringLiteral(", date de révision."), referenceLaw2014());
    if (lease.chargesCents > 0)
        add(r,
            QStringLiteral("Charges (") + eurosText(lease.chargesCents)
                + QStringLiteral(") non révisées."),
            QStringLiteral("art. 23 de la loi du 6 juillet 1989"));
    r.computed = true;
    return r;
}

} // namespace velmaris
