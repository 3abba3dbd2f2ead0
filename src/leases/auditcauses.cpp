// Recognising what a landlord did at a change of the rent: each cause is tried
// by recomputing the rent the way that mistake would have given it.
#include "audit_p.h"

#include "cents.h"
#include "dates.h"
#include "duedates.h"
#include "indexseries.h"

#include <functional>
#include <optional>

namespace velmaris::auditinternal {

namespace {

// num / den to the nearest whole, halves up; both positive.
qint64 roundDiv(qint64 num, qint64 den)
{
    return (2 * num + den) / (2 * den);
}

qint64 ceilDiv(qint64 num, qint64 den)
{
    return (num + den - 1) / den;
}

// A series' value for a quarter, as the index table holds it.
double valueIn(const IndexTable& table, Quarter quarter, LeaseSeries series)
{
    const IndexRow* row = table.find(quarter);
    if (!row)
        return 0;
    switch (series) {
    case LeaseSeries::Icc:
        return row->icc;
    case LeaseSeries::Average:
        return row->average;
    case LeaseSeries::Irl:
        return row->irl;
    case LeaseSeries::IrlCorse:
        return seriesValue(*row, IndexSeries::Irl, Territory::Corse);
    case LeaseSeries::IrlOutreMer:
        return seriesValue(*row, IndexSeries::Irl, Territory::OutreMer);
    }
    return 0;
}

// A pair of indices the landlord may have used: new over base.
struct Pair {
    Quarter newQuarter, baseQuarter;
    LeaseSeries newSeries = LeaseSeries::Irl, baseSeries = LeaseSeries::Irl;
    double newValue = 0, baseValue = 0;
    qint64 n = 0, b = 0;
    bool ok = false;

    QString text() const
    {
        const QString series =
            newSeries == baseSeries
                ? seriesText(newSeries)
                : seriesText(newSeries) + QStringLiteral(" / ") + seriesText(baseSeries);
        return series + QStringLiteral(" du ") + newQuarter.label() + QStringLiteral(" (")
               + indexText(newValue) + QStringLiteral(") sur celui du ") + baseQuarter.label()
               + QStringLiteral(" (") + indexText(baseValue) + u')';
    }
};

// The series the lease's own rules give a quarter.
LeaseSeries lawfulSeries(const Lease& lease, Quarter quarter)
{
    return seriesFor(quarter, lease.signingDate, lease.territory);
}

Pair pairOf(const Change& c, Quarter newQuarter, Quarter baseQuarter,
            std::optional<LeaseSeries> series = std::nullopt)
{
    Pair p;
    p.newQuarter = newQuarter;
    p.baseQuarter = baseQuarter;
    p.newSeries = series.value_or(lawfulSeries(*c.lease, newQuarter));
    p.baseSeries = series.value_or(lawfulSeries(*c.lease, baseQuarter));
    p.newValue = valueIn(*c.table, newQuarter, p.newSeries);
    p.baseValue = valueIn(*c.table, baseQuarter, p.baseSeries);
    const std::optional<qint64> n = indexUnits(p.newValue), b = indexUnits(p.baseValue);
    p.ok = n && b;
    if (p.ok) {
        p.n = *n;
        p.b = *b;
    }
    return p;
}

Pair lawfulPair(const LawfulRevision& r)
{
    Pair p;
    p.newQuarter = r.newQuarter;
    p.baseQuarter = r.baseQuarter;
    p.newSeries = p.baseSeries = r.series;
    p.newValue = r.newValue;
    p.baseValue = r.baseValue;
    const std::optional<qint64> n = indexUnits(r.newValue), b = indexUnits(r.baseValue);
    p.ok = n && b;
    if (p.ok) {
        p.n = *n;
        p.b = *b;
    }
    return p;
}

bool gives(const Change& c, const Pair& p, qint64 from)
{
    return p.ok && revisedCents(from, p.n, p.b) == c.after;
}

Recognition found(AuditCause cause, QString text)
{
    return {{cause}, std::move(text)};
}

// The ways of rounding that a spreadsheet or a calculator leads to, each with
// what it did.
struct Rounding {
    const char16_t* text;
    std::function<qint64(qint64 rent, qint64 n, qint64 b)> rent;
};

const std::vector<Rounding>& fineRoundings()
{
    static const std::vector<Rounding> r = {
        {u"montant tronqué au centime",
         [](qint64 rent, qint64 n, qint64 b) { return rent * n / b; }},
        {u"montant arrondi au centime supérieur",
         [](qint64 rent, qint64 n, qint64 b) { return ceilDiv(rent * n, b); }},
        {u"coefficient arrondi à 4 décimales",
         [](qint64 rent, qint64 n, qint64 b) {
             return roundDiv(rent * roundDiv(n * 10000, b), 10000);
         }},
        {u"coefficient tronqué à 4 décimales",
         [](qint64 rent, qint64 n, qint64 b) { return roundDiv(rent * (n * 10000 / b), 10000); }},
    };
    return r;
}

const std::vector<Rounding>& coarseRoundings()
{
    static const std::vector<Rounding> r = {
        {u"montant arrondi à l'euro",
         [](qint64 rent, qint64 n, qint64 b) { return roundDiv(rent * n, b * 100) * 100; }},
        {u"montant arrondi à l'euro supérieur",
         [](qint64 rent, qint64 n, qint64 b) { return ceilDiv(rent * n, b * 100) * 100; }},
        {u"montant tronqué à l'euro",
         [](qint64 rent, qint64 n, qint64 b) { return rent * n / (b * 100) * 100; }},
        {u"coefficient arrondi à 3 décimales",
         [](qint64 rent, qint64 n, qint64 b) {
             return roundDiv(rent * roundDiv(n * 1000, b), 1000);
         }},
        {u"coefficient tronqué à 3 décimales",
         [](qint64 rent, qint64 n, qint64 b) { return roundDiv(rent * (n * 1000 / b), 1000); }},
    };
    return r;
}

std::optional<Recognition> byRounding(const Change& c, const Pair& lawful,
                                      const std::vector<Rounding>& ways)
{
    for (const Rounding& way : ways) {
        if (way.rent(c.before, lawful.n, lawful.b) == c.after)
            return found(AuditCause::Rounding,
                         QStringLiteral("Les indices sont les bons, mais le calcul n'est pas "
                                        "arrondi au centime le plus proche : ")
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
                             + dateText(r.status.lostOn) + QStringLiteral(", est perdue ; ");
    // The change of every year since the rent was last revised, at once.
    const Pair catchUp = pairOf(c, r.newQuarter, r.newQuarter.plus(-4 * (lost + 1)));
    if (gives(c, catchUp, c.before))
        return found(AuditCause::LostYear,
                     lostText + QStringLiteral("le calcul la rattrape : ") + catchUp.text()
                         + QStringLiteral(", au lieu de la variation d'une seule année (")
                         + lawful.text() + QStringLiteral(")."));
    // The lost year's own revision, or it and this year's one after the other.
    for (int j = 1; j <= lost; ++j) {
        const Pair old = pairOf(c, r.newQuarter.plus(-4 * j), r.newQuarter.plus(-4 * (j + 1)));
        if (gives(c, old, c.before))
            return found(AuditCause::LostYear,
                         lostText + QStringLiteral("elle est appliquée quand même : ") + old.text()
                             + QStringLiteral(", au lieu de ") + lawful.text()
                             + QStringLiteral("."));
        if (old.ok && lawful.ok
            && revisedCents(revisedCents(c.before, old.n, old.b), lawful.n, lawful.b) == c.after)
            return found(AuditCause::LostYear,
                         lostText + QStringLiteral("elle est appliquée avant celle de l'année (")
                             + old.text() + QStringLiteral(", puis ") + lawful.text()
                             + QStringLiteral(")."));
    }
    return std::nullopt;
}

std::optional<Recognition> bySeries(const Change& c, const Pair& lawful)
{
    for (LeaseSeries s : {LeaseSeries::Irl, LeaseSeries::IrlCorse, LeaseSeries::IrlOutreMer,
                          LeaseSeries::Average, LeaseSeries::Icc}) {
        if (s == lawful.newSeries)
            continue;
        const Pair other = pairOf(c, lawful.newQuarter, lawful.baseQuarter, s);
        if (!other.ok || (other.n == lawful.n && other.b == lawful.b))
            continue;
        if (gives(c, other, c.before))
            return found(AuditCause::WrongSeries,
                         QStringLiteral("Le calcul suit la mauvaise série : ") + other.text()
                             + QStringLiteral(", au lieu de ") + lawful.text()
                             + QStringLiteral(", la série du bail (territoire : ")
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
                         QStringLiteral("Le calcul prend un autre trimestre : ") + other.text()
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
                + QStringLiteral(") avec la variation cumulée de l'indice : ") + cumulative.text()
                + QStringLiteral(", au lieu de réviser le loyer en cours (") + eurosText(c.before)
                + QStringLiteral(") avec la variation d'une année."));
    if (gives(c, lawful, c.initial))
        return found(AuditCause::Compounding,
                     QStringLiteral("Le calcul révise le premier loyer (") + eurosText(c.initial)
                         + QStringLiteral(") au lieu du loyer en cours (") + eurosText(c.before)
                         + QStringLiteral(") : ") + lawful.text() + u'.');
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
           + QStringLiteral(" : le loyer ne peut pas augmenter.");
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
            text += QStringLiteral(" La hausse appliquée est celle de l'indice (") + lawful.text()
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
                     QStringLiteral("L'indice baisse et la clause « ") + clauseText(c.lease->clause)
                         + QStringLiteral(" » maintient le loyer à ") + eurosText(c.before)
                         + QStringLiteral(" ; la baisse de l'indice (") + lawful.text()
                         + QStringLiteral(") est appliquée quand même."));
    return found(AuditCause::Other,
                 QStringLiteral("Aucun calcul connu ne donne ") + eurosText(c.after)
                     + QStringLiteral(" ; le loyer légal est ") + eurosText(r.newRentCents)
                     + QStringLiteral(" (") + lawful.text() + QStringLiteral(")."));
}

Recognition withoutLawful(const Change& c)
{
    switch (c.none) {
    case NoRevision::SameYear: {
        const LawfulRevision& r = *c.yearRevision;
        const QString text = QStringLiteral("Seconde hausse pour la révision du ")
                             + dateText(r.status.due)
                             + QStringLiteral(" : le loyer ne se révise qu'une fois par an.");
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
                                    "n'était paru : le loyer ne pouvait pas être révisé."));
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
        return QStringLiteral("mauvaise série d'indices");
    case AuditCause::FrozenIncrease:
        return QStringLiteral("hausse pendant le gel (DPE F/G)");
    case AuditCause::Retroactive:
        return QStringLiteral("application rétroactive");
    case AuditCause::LostYear:
        return QStringLiteral("année perdue appliquée");
    case AuditCause::Rounding:
        return QStringLiteral("erreur d'arrondi");
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
