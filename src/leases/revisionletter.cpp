// SPDX-License-Identifier: GPL-3.0-or-later
#include "revisionletter.h"

#include "typography.h"

#include "amounts.h"
#include "dates.h"
#include "duedates.h"
#include "indexvalue.h"
#include "postaladdress.h"
#include "quoting.h"
#include "revisionstep.h"

#include <QRegularExpression>

#include <algorithm>

namespace velmaris {

namespace {

constexpr QChar kNoBreak(0x00A0);

QString lawText(const QDate& due)
{
    const QString law = QStringLiteral("de la loi n") + QChar(0x00B0) + kNoBreak
                        + QStringLiteral("89-462 du 6 juillet 1989");
    return (!underLaw2014(due) ? QStringLiteral("l’article 17 d ")
                               : QStringLiteral("l’article 17-1 "))
           + law;
}

QString changeText(qint64 hundredths)
{
    if (hundredths == 0)
        return QStringLiteral("stable (0,00") + kNoBreak + QStringLiteral("%)");
    const QString amount = amountText(hundredths < 0 ? -hundredths : hundredths) + kNoBreak + u'%';
    return (hundredths < 0 ? QStringLiteral("baisse de ") : QStringLiteral("hausse de ")) + amount;
}

// French typography (no line of the printed letter starts with ":" or ";"),
// and a no-break space between the day and its month ("15 mars" never cut).
QString frenchSpacing(QString text)
{
    static const QRegularExpression kDayMonth(
        QStringLiteral("\\b(\\d{1,2}|1er) (janvier|février|mars|avril|mai|juin|juillet|août|"
                       "septembre|octobre|novembre|décembre)\\b"));
    text.replace(kDayMonth, QStringLiteral("\\1") + kNoBreak + QStringLiteral("\\2"));
    return frenchTypography(text);
}

void applyFrenchSpacing(RevisionLetter& letter)
{
    letter.subject = frenchSpacing(letter.subject);
    letter.subjectDetail = frenchSpacing(letter.subjectDetail);
    for (LetterBlock& block : letter.body) {
        block.text = frenchSpacing(block.text);
        for (LetterFigure& figure : block.figures)
            figure.label = frenchSpacing(figure.label);
    }
    letter.closing = frenchSpacing(letter.closing);
}

LetterResult refuse(QString reason)
{
    return {std::nullopt, std::move(reason)};
}

// Why an F/G lease under the freeze gets no letter.
QString frozenReason(const Lease& lease, const LawfulRevision& r)
{
    const QDate contract = contractStartAt(lease, r.status.due);
    return QStringLiteral("loyer gelé (DPE F/G)\u00a0: logement classé ") + dpeText(lease.dpeClass)
           + QStringLiteral(" au DPE, bail ")
           + (contract == lease.signingDate ? QStringLiteral("signé le ")
                                            : QStringLiteral("renouvelé le "))
           + dateText(contract) + QStringLiteral(", depuis le ")
           + dateText(freezeDate(lease.territory)) + QStringLiteral("\u00a0; le loyer reste à ")
           + eurosText(r.oldRentCents, AmountLayout::NoBreak)
           + QStringLiteral(" et aucune lettre de révision n’est à envoyer.");
}

// Why a revision that leaves the rent as it is gets no letter.
QString unchangedReason(const Lease& lease, const LawfulRevision& r, bool fall)
{
    const QString rent = eurosText(r.oldRentCents, AmountLayout::NoBreak);
    if (fall && lease.clause == Clause::HausseSeulement)
        return QStringLiteral(
                   "L’indice baisse et la clause «\u00a0à la hausse seulement\u00a0» maintient "
                   "le loyer à ")
               + rent + QStringLiteral("\u00a0: aucune lettre de révision n’est à envoyer.");
    return QStringLiteral("Le loyer reste à ") + rent
           + QStringLiteral("\u00a0: aucune lettre de révision n’est à envoyer.");
}

// Why no letter can be written for this revision; nothing when one can.
std::optional<QString> refusal(const Lease& lease, const LawfulRevision& r,
                               const LetterSender& sender, const QDate& date)
{
    const DueStatus& s = r.status;
    if (!s.due.isValid())
        return r.error.isEmpty() ? QStringLiteral("Bail incomplet\u00a0: pas de date de révision.")
                                 : r.error;
    // A frozen rent gets no letter, this year or any other, whatever the clause.
    if (r.frozen || s.state == DueState::Frozen)
        return frozenReason(lease, r);
    if (!s.reached)
        return QStringLiteral("La révision n’est pas encore due\u00a0: prochaine révision le ")
               + dateText(s.due) + QStringLiteral(", lettre à écrire à partir du ")
               + dateText(s.due) + u'.';
    if (!r.computed)
        return r.error.isEmpty() ? QStringLiteral("La révision n’est pas calculée.") : r.error;
    if (s.deadline.isValid() && date >= s.deadline)
        return QStringLiteral("Révision du ") + dateText(s.due)
               + QStringLiteral(" perdue\u00a0: elle devait être demandée avant le ")
               + dateText(s.deadline) + u'.';

    const std::optional<IndexValue> newIndex = IndexValue::fromDouble(r.newValue);
    const std::optional<IndexValue> baseIndex = IndexValue::fromDouble(r.baseValue);
    if (!newIndex || !baseIndex || r.oldRentCents <= 0 || r.oldRentCents > kMaxAmountCents)
        return QStringLiteral("Révision incomplète\u00a0: indice ou loyer manquant.");
    const bool fall = *newIndex < *baseIndex;
    if (r.newRentCents == r.oldRentCents)
        return unchangedReason(lease, r, fall);
    const qint64 formula =
        revisedRent(r.oldRentCents, *newIndex, *baseIndex, RentRounding::Register);
    // What the letter asks must be what its own formula gives.
    if (formula != r.newRentCents)
        return QStringLiteral("Le nouveau loyer enregistré (")
               + eurosText(r.newRentCents, AmountLayout::NoBreak)
               + QStringLiteral(") ne suit pas la formule de révision (")
               + eurosText(formula, AmountLayout::NoBreak)
               + QStringLiteral(")\u00a0: aucune lettre n’est écrite.");
    if (const QString problem = senderProblem(sender); !problem.isEmpty())
        return problem;
    if (lease.tenant.trimmed().isEmpty())
        return QStringLiteral("Le locataire du bail «\u00a0") + lease.reference
               + QStringLiteral("\u00a0» n’est pas renseigné.");

    return std::nullopt;
}

// The opening: what the lease provides, and from when the new rent is owed.
void addOpening(RevisionLetter& letter, const Lease& lease, const LawfulRevision& r,
                const QString& from, bool late)
{
    const DueStatus& s = r.status;
    const QString dwelling = dwellingText(lease);
    letter.body.push_back(
        {QStringLiteral("Le bail ")
             + (dwelling.isEmpty() ? QString()
                                   : QStringLiteral("du logement situé ") + dwelling + u',')
             + QStringLiteral(" signé le ") + longDateText(lease.signingDate)
             + QStringLiteral(", prévoit la révision du loyer chaque année au ")
             + longDayMonthText(lease.effectiveRevisionDay(), lease.effectiveRevisionMonth())
             + QStringLiteral(", ") + clauseText(lease.clause)
             + QStringLiteral(", selon la variation de ") + seriesLongName(r.series)
             + QStringLiteral(", conformément à ") + lawText(s.due) + u'.',
         {}});
    if (late)
        letter.body.push_back(
            {QStringLiteral("La date de révision prévue au bail était le ") + longDateText(s.due)
                 + QStringLiteral(". La révision étant demandée après cette date, elle prend "
                                  "effet à compter de la présente demande, soit le ")
                 + from + QStringLiteral(", sans effet rétroactif (") + lawText(s.due)
                 + QStringLiteral(")."),
             {}});
    else
        letter.body.push_back({QStringLiteral("La révision de cette année intervient le ") + from
                                   + QStringLiteral(", date de révision prévue au bail\u00a0; le "
                                                    "nouveau loyer est dû à compter de cette "
                                                    "date."),
                               {}});
}

// The indices, the computation and the new rent.
void addFigures(RevisionLetter& letter, const Lease& lease, const LawfulRevision& r,
                const QString& from)
{
    const IndexValue newIndex = IndexValue::fromDouble(r.newValue).value_or(IndexValue());
    const IndexValue baseIndex = IndexValue::fromDouble(r.baseValue).value_or(IndexValue());
    const bool fall = newIndex < baseIndex;
    letter.body.push_back({QStringLiteral("L’indice retenu est celui du ")
                               + r.newQuarter.longLabel()
                               + QStringLiteral(", dernier publié à la date de révision, comparé "
                                                "à celui du même trimestre de l’année "
                                                "précédente\u00a0:"),
                           {}});
    const QString series = seriesFigureName(r.series);
    letter.body.push_back({{},
                           {{QStringLiteral("Indice de base\u00a0: ") + series
                                 + QStringLiteral(", ") + r.baseQuarter.longLabel(),
                             indexText(r.baseValue)},
                            {QStringLiteral("Nouvel indice\u00a0: ") + series + QStringLiteral(", ")
                                 + r.newQuarter.longLabel(),
                             indexText(r.newValue)},
                            {QStringLiteral("Variation de l’indice"),
                             changeText(changeHundredths(newIndex, baseIndex))}}});

    const QString product = eurosText(r.oldRentCents, AmountLayout::NoBreak) + QStringLiteral(" × ")
                            + indexText(r.newValue) + QStringLiteral(" ÷ ") + indexText(r.baseValue)
                            + QStringLiteral(" = ")
                            + eurosText(r.newRentCents, AmountLayout::NoBreak);
    letter.body.push_back(
        {(fall ? QStringLiteral("L’indice ayant baissé et le bail prévoyant une révision à la "
                                "hausse et à la baisse, le loyer hors charges diminue\u00a0: ")
               : QStringLiteral("Le loyer hors charges révisé est égal au loyer actuel multiplié "
                                "par le nouvel indice et divisé par l’indice de base\u00a0: "))
             + product + QStringLiteral(" (arrondi au centime inférieur)."),
         {}});

    LetterBlock rents;
    rents.figures.push_back({QStringLiteral("Loyer actuel hors charges"),
                             eurosText(r.oldRentCents, AmountLayout::NoBreak)});
    rents.figures.push_back({QStringLiteral("Nouveau loyer hors charges, à compter du ") + from,
                             eurosText(r.newRentCents, AmountLayout::NoBreak)});
    if (lease.chargesCents > 0) {
        rents.figures.push_back({QStringLiteral("Charges, inchangées"),
                                 eurosText(lease.chargesCents, AmountLayout::NoBreak)});
        rents.figures.push_back(
            {QStringLiteral("Total charges comprises, à compter du ") + from,
             eurosText(r.newRentCents + lease.chargesCents, AmountLayout::NoBreak)});
    }
    letter.body.push_back(std::move(rents));

    letter.body.push_back(
        {QStringLiteral("Je vous remercie d’appliquer ce nouveau montant à vos paiements à compter "
                        "du ")
             + from
             + (lease.chargesCents > 0 ? QStringLiteral(
                    "\u00a0; les charges ne sont pas concernées par la révision et "
                    "restent inchangées.")
                                       : QStringLiteral(".")),
         {}});
}

} // namespace

QString registeredMailLine()
{
    return QStringLiteral("Lettre recommandée avec avis de réception");
}

QString salutationFor(const QString& tenant)
{
    const QStringList words = tenant.simplified().split(u' ', Qt::SkipEmptyParts);
    const QString first = words.value(0).toLower();
    // Two people, or nobody named: both forms, as any formal letter does.
    if (words.contains(QStringLiteral("et"), Qt::CaseInsensitive))
        return QStringLiteral("Madame, Monsieur,");
    if (first == u"mme" || first == u"mme." || first == u"madame" || first == u"mlle"
        || first == u"mademoiselle")
        return QStringLiteral("Madame,");
    if (first == u"m." || first == u"monsieur" || first == u"mr" || first == u"mr.")
        return QStringLiteral("Monsieur,");
    if (first == u"mmes" || first == u"mesdames")
        return QStringLiteral("Mesdames,");
    if (first == u"mm." || first == u"messieurs")
        return QStringLiteral("Messieurs,");
    return QStringLiteral("Madame, Monsieur,");
}

LetterSender letterSender(const Owner& owner, const Agency& agency)
{
    LetterSender sender;
    if (agency.isSet()) {
        sender.name = agency.name.trimmed();
        sender.address = agency.postalLines();
        sender.onBehalfOf = QStringLiteral("Pour le compte de ") + owner.name.trimmed();
        sender.place = agency.town.trimmed();
        sender.mentions = agencyMentions(agency);
        sender.signature = sender.name;
    } else {
        sender.name = owner.name.trimmed();
        sender.address = owner.postalLines();
        sender.place = owner.town.trimmed();
        sender.signature = sender.name;
    }
    return sender;
}

QString senderProblem(const LetterSender& sender)
{
    const bool agency = !sender.onBehalfOf.isEmpty();
    if (sender.name.trimmed().isEmpty())
        return agency ? QStringLiteral(
                   "Le nom de l’agence n’est pas renseigné\u00a0: indiquez-le dans "
                   "«\u00a0Agence…\u00a0» du registre.")
                      : QStringLiteral(
                          "Le nom du bailleur n’est pas renseigné\u00a0: indiquez-le dans "
                          "«\u00a0Bailleurs…\u00a0» du registre.");
    // An address is at least a street line and the town's line.
    if (sender.address.size() < 2)
        return agency
                   ? QStringLiteral("L’adresse de l’agence ") + quoted(sender.name)
                         + QStringLiteral(
                             " n’est pas complète\u00a0: indiquez-la dans «\u00a0Agence…\u00a0» "
                             "du registre.")
                   : QStringLiteral("L’adresse du bailleur ") + quoted(sender.name)
                         + QStringLiteral(
                             " n’est pas complète\u00a0: indiquez-la dans «\u00a0Bailleurs…\u00a0» "
                             "du registre.");
    return {};
}

LetterResult revisionLetter(const Lease& lease, const LawfulRevision& r, const LetterSender& sender,
                            const QDate& date)
{
    if (std::optional<QString> why = refusal(lease, r, sender, date))
        return refuse(*why);
    const DueStatus& s = r.status;
    const QDate effective = std::max({r.effectiveDate, date, s.due});
    const QString from = longDateText(effective);

    RevisionLetter letter;
    letter.reference = lease.reference;
    letter.sender << sender.name << sender.address;
    letter.onBehalfOf = sender.onBehalfOf;
    letter.mentions = sender.mentions;
    const QString place = sender.place;
    letter.recipient = postalBlock(lease.tenant, lease);
    const QString on = QStringLiteral("le ") + longDateText(date);
    letter.placeAndDate = place.trimmed().isEmpty() ? QStringLiteral("Le ") + longDateText(date)
                                                    : place.trimmed() + QStringLiteral(", ") + on;
    letter.subject =
        QStringLiteral("Objet\u00a0: révision annuelle du loyer au ") + longDateText(s.due);
    letter.subjectDetail = QStringLiteral("Réf. : bail ") + lease.reference;
    letter.salutation = salutationFor(lease.tenant);

    addOpening(letter, lease, r, from, effective > s.due);
    addFigures(letter, lease, r, from);

    QString form = letter.salutation;
    form.chop(1); // its comma
    letter.closing = QStringLiteral("Je vous prie d’agréer, ") + form
                     + QStringLiteral(", l’expression de mes salutations distinguées.");
    letter.signature = sender.signature;
    applyFrenchSpacing(letter);
    return {std::move(letter), {}};
}

QString letterText(const RevisionLetter& letter)
{
    QStringList parts;
    QStringList from = letter.sender;
    if (!letter.onBehalfOf.isEmpty())
        from << letter.onBehalfOf;
    parts << from.join(u'\n') << letter.recipient.join(u'\n') << letter.placeAndDate;
    if (!letter.delivery.isEmpty())
        parts << letter.delivery;
    parts << letter.subject + u'\n' + letter.subjectDetail << letter.salutation;
    for (const LetterBlock& block : letter.body) {
        if (block.figures.empty()) {
            parts << block.text;
            continue;
        }
        QStringList rows;
        for (const LetterFigure& figure : block.figures)
            rows << figure.label + kNoBreak + QStringLiteral(": ") + figure.value;
        parts << rows.join(u'\n');
    }
    parts << letter.closing << letter.signature;
    if (!letter.mentions.isEmpty())
        parts << letter.mentions.join(u'\n');
    return parts.join(QStringLiteral("\n\n")) + u'\n';
}

} // namespace velmaris
