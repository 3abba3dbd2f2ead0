// SPDX-License-Identifier: GPL-3.0-or-later
#include "lawfulrevision.h"

#include "amounts.h"
#include "dates.h"
#include "indexvalue.h"
#include "revisionstep.h"

#include <algorithm>
#include <optional>

namespace velmaris {

namespace {

QString clauseReference()
{
    return QStringLiteral("clause de révision du bail\u00a0; ") + referenceLaw2014();
}

QString indexReference(const QDate& due)
{
    return !underLaw2014(due)
               ? QStringLiteral("art. 17 d de la loi du 6 juillet 1989, rédaction alors "
                                "en vigueur")
               : referenceLaw2014();
}

QString missing(IndexSeries series, Quarter quarter, const IndexTable& table)
{
    // Before its own series began, a territory takes the mainland value: name that one.
    if (quarter <= kLastSharedIrlQuarter && series != IndexSeries::Average
        && series != IndexSeries::Icc)
        series = IndexSeries::Irl;
    return missingIndexText(series, quarter, table.rowOf(quarter) >= 0);
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
                                     : QStringLiteral(" (anniversaire de la date d’effet)"))
            + QStringLiteral("\u00a0; révision du ") + dateText(s.due) + u'.',
        indexReference(s.due));
    if (s.lostYears > 0) {
        add(r,
            QStringLiteral("Révision du ") + dateText(s.firstUnrevised)
                + QStringLiteral(" non demandée avant le ") + dateText(s.lostOn)
                + (s.lostYears == 2  ? QStringLiteral(" (et la suivante)")
                   : s.lostYears > 2 ? QStringLiteral(" (et les %1 suivantes)").arg(s.lostYears - 1)
                                     : QString())
                + QStringLiteral(
                    "\u00a0: perdue\u00a0; la révision part du loyer payé, avec la variation "
                    "d’une seule année."),
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
                + dateText(from)
                + QStringLiteral("\u00a0: aucune révision du loyer, ni à la hausse ni à "
                                 "la baisse."),
            referenceFreeze2021());
    else
        add(r,
            dwelling + QStringLiteral(", ") + contractText + QStringLiteral(", avant le ")
                + dateText(from)
                + QStringLiteral("\u00a0: la révision reste permise jusqu’au prochain "
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
    return QStringLiteral("art. 17-1 III de la loi du 6 juillet 1989, créé par l’art. 159 de la "
                          "loi du 22 août 2021 «\u00a0Climat et résilience\u00a0»");
}

bool underLaw2014(const QDate& due)
{
    // The 2014 law (ALUR) came into force on 27 March 2014.
    return due >= QDate(2014, 3, 27);
}

IndexSeries leaseSeries(const Lease& lease, Quarter newQuarter)
{
    return seriesFor(newQuarter,
                     lease.signingDate.isValid() ? std::optional(lease.signingDate) : std::nullopt,
                     lease.territory);
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

namespace {

// The indices of the revision at the status's due date; false with r.error set
// when one is missing.
bool findIndices(LawfulRevision& r, const Lease& lease, const IndexTable& table,
                 IndexValue& newIndex, IndexValue& baseIndex)
{
    const std::optional<Quarter> reference = referenceQuarterOf(lease, table);
    if (!reference) {
        r.error =
            QStringLiteral("Trimestre de référence introuvable\u00a0: aucun indice publié au ")
            + dateText(lease.signingDate) + u'.';
        return false;
    }
    const PublishedQuarter n = lastPublished(reference->number(), r.status.due, table);
    r.series = leaseSeries(lease, n.quarter);
    if (!n.found) {
        r.error = missing(r.series, n.quarter, table);
        return false;
    }
    r.newQuarter = n.quarter;
    r.unpublishedQuarter = n.unpublished;
    r.baseQuarter = n.quarter.yearEarlier();
    const std::optional<IndexValue> newValue = seriesIndex(table, r.newQuarter, r.series);
    const std::optional<IndexValue> baseValue = seriesIndex(table, r.baseQuarter, r.series);
    if (!newValue || !baseValue) {
        r.error = missing(r.series, newValue ? r.baseQuarter : r.newQuarter, table);
        return false;
    }
    newIndex = *newValue;
    baseIndex = *baseValue;
    r.newValue = newIndex.toDouble();
    r.baseValue = baseIndex.toDouble();
    return true;
}

void explainIndices(LawfulRevision& r, const Lease& lease, qint64 computed)
{
    QString where;
    if (r.series == IndexSeries::IrlCorse)
        where = QStringLiteral("\u00a0; bail en Corse");
    else if (r.series == IndexSeries::IrlOutreMer)
        where = QStringLiteral("\u00a0; bail outre-mer");
    const QDate& due = r.status.due;
    add(r,
        QStringLiteral("Indice\u00a0: ") + seriesName(r.series) + QStringLiteral(" du ")
            + r.newQuarter.label() + QStringLiteral(" (") + indexText(r.newValue)
            + QStringLiteral(", dernier publié au ") + dateText(due) + QStringLiteral("), base ")
            + r.baseQuarter.label() + QStringLiteral(" (") + indexText(r.baseValue) + u')' + where
            + u'.',
        indexReference(due));
    if (r.unpublishedQuarter.isValid())
        add(r,
            QStringLiteral("Le ") + r.unpublishedQuarter.label()
                + QStringLiteral(" n’était pas publié au ") + dateText(due)
                + QStringLiteral(" (publication au plus tôt le ")
                + dateText(earliestPublication(r.unpublishedQuarter))
                + QStringLiteral(")\u00a0: l’indice applicable est le dernier publié à la date de "
                                 "révision, celui du même trimestre de l’année précédente."),
            indexReference(due));
    add(r,
        QStringLiteral("Loyer révisé\u00a0: ") + eurosText(lease.rentCents) + QStringLiteral(" × ")
            + indexText(r.newValue) + QStringLiteral(" ÷ ") + indexText(r.baseValue)
            + QStringLiteral(" = ") + eurosText(computed)
            + QStringLiteral(" (arrondi au centime inférieur)."),
        indexReference(due));
}

// The rent after the clause: a fall is passed on only under "à la hausse et à la baisse".
qint64 applyClause(LawfulRevision& r, const Lease& lease, qint64 computed, bool fall)
{
    if (!fall)
        return computed;
    if (lease.clause == Clause::HausseSeulement) {
        add(r,
            QStringLiteral(
                "L’indice baisse\u00a0; la clause «\u00a0à la hausse seulement\u00a0» maintient "
                "le loyer à ")
                + eurosText(lease.rentCents) + u'.',
            clauseReference());
        return lease.rentCents;
    }
    add(r,
        QStringLiteral("L’indice baisse\u00a0; la clause «\u00a0à la hausse et à la baisse\u00a0» "
                       "baisse le loyer à ")
            + eurosText(computed) + u'.',
        clauseReference());
    return computed;
}

void explainFrozenRent(LawfulRevision& r, const Lease& lease)
{
    add(r,
        QStringLiteral("Loyer gelé\u00a0: ") + eurosText(lease.rentCents)
            + QStringLiteral(" inchangé à la révision du ") + dateText(r.status.due) + u'.',
        referenceFreeze2021());
}

void explainNewRent(LawfulRevision& r, const Lease& lease)
{
    const qint64 rent = r.newRentCents;
    const QString newRent = QStringLiteral("Nouveau loyer\u00a0: ") + eurosText(rent)
                            + (rent == lease.rentCents ? QStringLiteral(" (inchangé)") : QString())
                            + QStringLiteral(", dû à compter du ") + dateText(r.requestDate);
    if (r.requestDate > r.status.due)
        add(r,
            newRent
                + QStringLiteral("\u00a0: demandée après la date de révision, la révision prend "
                                 "effet à compter de la demande."),
            referenceLaw2014());
    else
        add(r, newRent + QStringLiteral(", date de révision."), referenceLaw2014());
    if (lease.chargesCents > 0)
        add(r,
            QStringLiteral("Charges (") + eurosText(lease.chargesCents)
                + QStringLiteral(") non révisées."),
            QStringLiteral("art. 23 de la loi du 6 juillet 1989"));
}

} // namespace

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
        r.error = QStringLiteral("Bail incomplet\u00a0: dates de signature, d’effet ou de révision "
                                 "invalides.");
        return r;
    }
    if (lease.rentCents <= 0 || lease.rentCents > kMaxAmountCents) {
        r.error = QStringLiteral("Loyer du bail invalide\u00a0: la révision n’est pas calculée.");
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
    if (lease.territory == Territory::Unset) {
        r.error = noSeriesMessage(lease.postalCode);
        return r;
    }
    // An F/G dwelling under the freeze is not revised at all, whatever the
    // clause: no index is needed and the rent stays.
    if (s.state == DueState::Frozen) {
        // What the index would have given, for an audit's account of a rise
        // applied all the same; never the rent.
        IndexValue newIndex, baseIndex;
        if (findIndices(r, lease, table, newIndex, baseIndex))
            r.formulaCents =
                revisedRent(lease.rentCents, newIndex, baseIndex, RentRounding::Register);
        r.error.clear();
        r.frozen = true;
        r.effectiveDate = requestDate; // the rent in force stays owed from then on
        explainFreeze(r, lease);
        explainFrozenRent(r, lease);
        return r;
    }
    IndexValue newIndex, baseIndex;
    if (!findIndices(r, lease, table, newIndex, baseIndex))
        return r;
    const qint64 computed =
        revisedRent(lease.rentCents, newIndex, baseIndex, RentRounding::Register);
    r.formulaCents = computed;
    explainIndices(r, lease, computed);
    qint64 rent = applyClause(r, lease, computed, newIndex < baseIndex);
    explainFreeze(r, lease);

    r.newRentCents = rent;
    r.effectiveDate = requestDate;
    explainNewRent(r, lease);
    r.computed = true;
    return r;
}

QString requestAheadText(const QDate& request, const QDate& today)
{
    return QStringLiteral("La demande est datée du %1, après aujourd’hui (%2)\u00a0: une révision "
                          "s’enregistre le jour où elle est demandée. La lettre peut être "
                          "préparée à l’avance.")
        .arg(dateText(request), dateText(today));
}

} // namespace velmaris
