// SPDX-License-Identifier: GPL-3.0-or-later
// Recognising what a landlord did at a change of the rent: each cause is tried
// by recomputing the rent the way that mistake would have given it.
#include "audit_p.h"

#include "amounts.h"
#include "dates.h"
#include "duedates.h"
#include "indexseries.h"
#include "revisionstep.h"

#include <functional>
#include <optional>

namespace velmaris::auditinternal {

namespace {

// Rent x index products of the wrong ways of rounding: wider than 64 bits.
__extension__ typedef __int128 Wide;

// num / den to the nearest whole, halves up; both positive.
Wide roundDiv(Wide num, Wide den)
{
    return (2 * num + den) / (2 * den);
}

Wide ceilDiv(Wide num, Wide den)
{
    return (num + den - 1) / den;
}

// A pair of indices the landlord may have used: new over base.
struct Pair {
    Quarter newQuarter, baseQuarter;
    IndexSeries newSeries = IndexSeries::Irl, baseSeries = IndexSeries::Irl;
    IndexValue n, b;
    bool ok = false;

    QString text() const
    {
        const QString series =
            newSeries == baseSeries
                ? seriesName(newSeries)
                : seriesName(newSeries) + QStringLiteral(" / ") + seriesName(baseSeries);
        return series + QStringLiteral(" du ") + newQuarter.label() + QStringLiteral(" (")
               + n.text() + QStringLiteral(") sur celui du ") + baseQuarter.label()
               + QStringLiteral(" (") + b.text() + u')';
    }
};

Pair pairOf(const Change& c, Quarter newQuarter, Quarter baseQuarter,
            std::optional<IndexSeries> series = std::nullopt)
{
    Pair p;
    p.newQuarter = newQuarter;
    p.baseQuarter = baseQuarter;
    p.newSeries = series.value_or(leaseSeries(*c.lease, newQuarter));
    p.baseSeries = series.value_or(leaseSeries(*c.lease, baseQuarter));
    const std::optional<IndexValue> n = seriesIndex(*c.table, newQuarter, p.newSeries);
    const std::optional<IndexValue> b = seriesIndex(*c.table, baseQuarter, p.baseSeries);
    p.n = n.value_or(IndexValue());
    p.b = b.value_or(IndexValue());
    p.ok = n && b;
    return p;
}

Pair lawfulPair(const LawfulRevision& r)
{
    Pair p;
    p.newQuarter = r.newQuarter;
    p.baseQuarter = r.baseQuarter;
    p.newSeries = p.baseSeries = r.series;
    const std::optional<IndexValue> n = IndexValue::fromDouble(r.newValue);
    const std::optional<IndexValue> b = IndexValue::fromDouble(r.baseValue);
    p.n = n.value_or(IndexValue());
    p.b = b.value_or(IndexValue());
    p.ok = n && b;
    return p;
}

qint64 lawfulRent(qint64 from, const Pair& p)
{
    return revisedRent(from, p.n, p.b, RentRounding::Register);
}

bool gives(const Change& c, const Pair& p, qint64 from)
{
    return p.ok && lawfulRent(from, p) == c.after;
}

Recognition found(AuditCause cause, QString text)
{
    return {{cause}, std::move(text)};
}

// The ways of rounding that a spreadsheet or a calculator leads to, each with
// what it did.
struct Rounding {
    const char16_t* text;
    std::function<Wide(Wide rent, Wide n, Wide b)> rent;
};

const std::vector<Rounding>& fineRoundings()
{
    static const std::vector<Rounding> r = {
        {u"montant arrondi au centime le plus proche",
         [](Wide rent, Wide n, Wide b) { return roundDiv(rent * n, b); }},
        {u"montant arrondi au centime supérieur",
         [](Wide rent, Wide n, Wide b) { return ceilDiv(rent * n, b); }},
        {u"coefficient arrondi à 4 décimales",
         [](Wide rent, Wide n, Wide b) { return roundDiv(rent * roundDiv(n * 10000, b), 10000); }},
        {u"coefficient tronqué à 4 décimales",
         [](Wide rent, Wide n, Wide b) { return roundDiv(rent * (n * 10000 / b), 10000); }},
    };
    return r;
}

const std::vector<Rounding>& coarseRoundings()
{
    static const std::vector<Rounding> r = {
        {u"montant arrondi à l’euro",
         [](Wide rent, Wide n, Wide b) { return roundDiv(rent * n, b * 100) * 100; }},
        {u"montant arrondi à l’euro supérieur",
         [](Wide rent, Wide n, Wide b) { return ceilDiv(rent * n, b * 100) * 100; }},
        {u"montant tronqué à l’euro",
         [](Wide rent, Wide n, Wide b) { return rent * n / (b * 100) * 100; }},
        {u"coefficient arrondi à 3 décimales",
         [](Wide rent, Wide n, Wide b) { return roundDiv(rent * roundDiv(n * 1000, b), 1000); }},
        {u"coefficient tronqué à 3 décimales",
         [](Wide rent, Wide n, Wide b) { return roundDiv(rent * (n * 1000 / b), 1000); }},
    };
    return r;
}

std::optional<Recognition> byRounding(const Change& c, const Pair& lawful,
                                      const std::vector<Rounding>& ways)
{
    for (const Rounding& way : ways) {
        if (lawful.ok && way.rent(c.before, lawful.n.units(), lawful.b.units()) == c.after)
            return found(AuditCause::Rounding,
                         QStringLiteral("Les indices sont les bons, mais le calcul n’est pas "
                                        "arrondi au centime inférieur\u00a0: ")
                             + QString::fromUtf16(way.text) + QStringLiteral(" (") + lawful.text()
                             + QStringLiteral(")."));
    }
    return std::nullopt;
}

std::optional<Recognition> byLostYear(const Change& c, const LawfulRevision& r, const Pair& lawful)
{
    const int lost = r.status.lostYears;
    if (lost <= 0)
        return std::nullopt;
    const QString lostText = QStringLiteral("La révision du ") + dateText(r.status.firstUnrevised)
                             + QStringLiteral(", non demandée avant le ")
                             + dateText(r.status.lostOn) + QStringLiteral(", est perdue\u00a0; ");
    // The change of every year since the rent was last revised, at once.
    const Pair catchUp = pairOf(c, r.newQuarter, r.newQuarter.plus(-4 * (lost + 1)));
    if (gives(c, catchUp, c.before))
        return found(AuditCause::LostYear,
                     lostText + QStringLiteral("le calcul la rattrape\u00a0: ") + catchUp.text()
                         + QStringLiteral(", au lieu de la variation d’une seule année (")
                         + lawful.text() + QStringLiteral(")."));
    // The lost year's own revision, or it and this year's one after the other.
    for (int j = 1; j <= lost; ++j) {
        const Pair old = pairOf(c, r.newQuarter.plus(-4 * j), r.newQuarter.plus(-4 * (j + 1)));
        if (gives(c, old, c.before))
            return found(AuditCause::LostYear,
                         lostText + QStringLiteral("elle est appliquée quand même\u00a0: ") + old.text()
                             + QStringLiteral(", au lieu de ") + lawful.text()
                             + QStringLiteral("."));
        if (old.ok && lawful.ok && lawfulRent(lawfulRent(c.before, old), lawful) == c.after)
            return found(AuditCause::LostYear,
                         lostText + QStringLiteral("elle est appliquée avant celle de l’année (")
                             + old.text() + QStringLiteral(", puis ") + lawful.text()
                             + QStringLiteral(")."));
    }
    return std::nullopt;
}

std::optional<Recognition> bySeries(const Change& c, const Pair& lawful)
{
    for (IndexSeries s : {IndexSeries::Irl, IndexSeries::IrlCorse, IndexSeries::IrlOutreMer,
                          IndexSeries::Average, IndexSeries::Icc}) {
        if (s == lawful.newSeries)
            continue;
        const Pair other = pairOf(c, lawful.newQuarter, lawful.baseQuarter, s);
        if (!other.ok || (other.n == lawful.n && other.b == lawful.b))
            continue;
        if (gives(c, other, c.before))
            return found(AuditCause::WrongSeries,
                         QStringLiteral("Le calcul suit la mauvaise série\u00a0: ") + other.text()
                             + QStringLiteral(", au lieu de ") + lawful.text()
                             + QStringLiteral(", la série du bail (territoire\u00a0: ")
                             + territoryText(c.lease->territory) + QStringLiteral(")."));
    }
    return std::nullopt;
}

std::optional<Recognition> byQuarter(const Change& c, const Pair& lawful)
{
    for (int shift = -4; shift <= 4; ++shift) {
        const Quarter q = lawful.newQuarter.plus(shift);
        const IndexRow* row = c.table->find(q);
        if (shift == 0 || !row || !row->published.isValid() || row->published > c.latest)
            continue;
        const Pair other = pairOf(c, q, q.yearEarlier());
        if (gives(c, other, c.before))
            return found(AuditCause::WrongQuarter,
                         QStringLiteral("Le calcul prend un autre trimestre\u00a0: ") + other.text()
                             + QStringLiteral(", au lieu de ") + lawful.text()
                             + QStringLiteral(", le trimestre de référence du bail."));
    }
    return std::nullopt;
}

std::optional<Recognition> byCompounding(const Change& c, const Pair& lawful)
{
    if (c.initial == c.before)
        return std::nullopt; // nothing to compound yet
    const Pair cumulative = pairOf(c, lawful.newQuarter, c.initialQuarter);
    if (c.initialQuarter.isValid() && c.initialQuarter != lawful.baseQuarter
        && gives(c, cumulative, c.initial))
        return found(
            AuditCause::Compounding,
            QStringLiteral("Le calcul part du premier loyer (") + eurosText(c.initial)
                + QStringLiteral(") avec la variation cumulée de l’indice\u00a0: ") + cumulative.text()
                + QStringLiteral(", au lieu de réviser le loyer en cours (") + eurosText(c.before)
                + QStringLiteral(") avec la variation d’une année."));
    if (gives(c, lawful, c.initial))
        return found(AuditCause::Compounding,
                     QStringLiteral("Le calcul révise le premier loyer (") + eurosText(c.initial)
                         + QStringLiteral(") au lieu du loyer en cours (") + eurosText(c.before)
                         + QStringLiteral(")\u00a0: ") + lawful.text() + u'.');
    return std::nullopt;
}

QString frozenText(const Lease& lease, const LawfulRevision& r)
{
    const QDate contract = contractStartAt(lease, r.status.due);
    return QStringLiteral("Logement classé ") + dpeText(lease.dpeClass)
           + QStringLiteral(" au DPE, bail ")
           + (contract == lease.signingDate ? QStringLiteral("signé") : QStringLiteral("renouvelé"))
           + QStringLiteral(" le ") + dateText(contract) + QStringLiteral(", à partir du ")
           + dateText(freezeDate(lease.territory))
           + QStringLiteral("\u00a0: le loyer ne peut pas être révisé.");
}

Recognition withLawful(const Change& c)
{
    const LawfulRevision& r = *c.lawful;
    if (c.after == r.newRentCents)
        return {};
    const Pair lawful = lawfulPair(r);
    if (r.status.state == DueState::Frozen && c.after > c.before) {
        QString text = frozenText(*c.lease, r);
        if (gives(c, lawful, c.before))
            text += QStringLiteral(" La hausse appliquée est celle de l’indice (") + lawful.text()
                    + QStringLiteral(").");
        return found(AuditCause::FrozenIncrease, text);
    }
    if (std::optional<Recognition> k = byLostYear(c, r, lawful))
        return *k;
    // The rounding variants only make sense where the lawful rent moves.
    const bool moves = r.newRentCents != c.before;
    if (moves) {
        if (std::optional<Recognition> k = byRounding(c, lawful, fineRoundings()))
            return *k;
    }
    if (std::optional<Recognition> k = bySeries(c, lawful))
        return *k;
    if (std::optional<Recognition> k = byQuarter(c, lawful))
        return *k;
    if (moves) {
        if (std::optional<Recognition> k = byRounding(c, lawful, coarseRoundings()))
            return *k;
    }
    if (std::optional<Recognition> k = byCompounding(c, lawful))
        return *k;
    if (!moves && gives(c, lawful, c.before))
        return found(AuditCause::Other,
                     QStringLiteral("L’indice baisse et la clause «\u00a0") + clauseText(c.lease->clause)
                         + QStringLiteral("\u00a0» maintient le loyer à ") + eurosText(c.before)
                         + QStringLiteral("\u00a0; la baisse de l’indice (") + lawful.text()
                         + QStringLiteral(") est appliquée quand même."));
    return found(AuditCause::Other,
                 QStringLiteral("Aucun calcul connu ne donne ") + eurosText(c.after)
                     + QStringLiteral("\u00a0; le loyer légal est ") + eurosText(r.newRentCents)
                     + QStringLiteral(" (") + lawful.text() + QStringLiteral(")."));
}

Recognition withoutLawful(const Change& c)
{
    switch (c.none) {
    case NoRevision::SameYear: {
        const LawfulRevision& r = *c.yearRevision;
        const QString text = QStringLiteral("Seconde hausse pour la révision du ")
                             + dateText(r.status.due)
                             + QStringLiteral("\u00a0: le loyer ne se révise qu’une fois par an.");
        if (r.status.lostYears > 0 && gives(c, lawfulPair(r), c.before))
            return found(AuditCause::LostYear,
                         text + QStringLiteral(" Elle rattrape la révision perdue du ")
                             + dateText(r.status.firstUnrevised) + QStringLiteral(" (")
                             + lawfulPair(r).text() + QStringLiteral(")."));
        return found(AuditCause::Other, text);
    }
    case NoRevision::BeforeFirst:
        return found(AuditCause::Other,
                     QStringLiteral("Le loyer change avant la première date de révision du "
                                    "bail."));
    case NoRevision::NoNewIndex:
        return found(AuditCause::Other,
                     QStringLiteral("Aucun indice plus récent que celui du loyer en cours "
                                    "n’était paru\u00a0: le loyer ne pouvait pas être révisé."));
    case NoRevision::Frozen: {
        const LawfulRevision& r = *c.yearRevision;
        QString text = frozenText(*c.lease, r);
        if (c.after < c.before)
            return found(AuditCause::Other, text + QStringLiteral(" La baisse appliquée est en "
                                                                  "faveur du locataire."));
        if (r.baseValue > 0 && gives(c, lawfulPair(r), c.before))
            text += QStringLiteral(" La hausse appliquée est celle de l’indice (")
                    + lawfulPair(r).text() + QStringLiteral(").");
        return found(AuditCause::FrozenIncrease, text);
    }
    case NoRevision::None:
        break;
    }
    return {};
}

} // namespace

Recognition recognise(const Change& c)
{
    if (c.lawful)
        return withLawful(c);
    if (c.after == c.before)
        return {};
    return withoutLawful(c);
}

} // namespace velmaris::auditinternal

namespace velmaris {

QString auditCauseText(AuditCause cause)
{
    switch (cause) {
    case AuditCause::WrongQuarter:
        return QStringLiteral("mauvais trimestre");
    case AuditCause::WrongSeries:
        return QStringLiteral("mauvaise série d’indices");
    case AuditCause::FrozenIncrease:
        return QStringLiteral("hausse pendant le gel (DPE F/G)");
    case AuditCause::Retroactive:
        return QStringLiteral("application rétroactive");
    case AuditCause::LostYear:
        return QStringLiteral("année perdue appliquée");
    case AuditCause::Rounding:
        return QStringLiteral("erreur d’arrondi");
    case AuditCause::Compounding:
        return QStringLiteral("erreur de calcul composé");
    case AuditCause::Late:
        return QStringLiteral("application tardive");
    case AuditCause::Other:
        return QStringLiteral("autre écart");
    }
    return {};
}

QString auditCausesText(const std::vector<AuditCause>& causes)
{
    QStringList texts;
    for (AuditCause c : causes)
        texts << auditCauseText(c);
    return texts.join(QStringLiteral(", "));
}

} // namespace velmaris
