// SPDX-License-Identifier: GPL-3.0-or-later
#include "lease.h"

#include "dates.h"

#include <QRegularExpression>

#include <utility>

namespace velmaris {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Compares the way a person types these words: case and accents do not
// matter, blanks around are ignored.
QString folded(QStringView text)
{
    QString s = text.trimmed().toString().toLower();
    static const QString accented = QStringLiteral("àâäéèêëîïôöùûüç");
    static const QString plain = QStringLiteral("aaaeeeeiioouuuc");
    for (QChar& c : s) {
        if (const qsizetype at = accented.indexOf(c); at >= 0)
            c = plain[at];
    }
    return s;
}

bool sameWord(QStringView text, QStringView word)
{
    return folded(text) == folded(word);
}

QString quoted(QStringView text)
{
    return QStringLiteral("«\u00a0") + text.toString() + QStringLiteral("\u00a0»");
}

} // namespace

int Lease::effectiveRevisionDay() const
{
    return revisionDay > 0 ? revisionDay : startDate.day();
}

int Lease::effectiveRevisionMonth() const
{
    return revisionMonth > 0 ? revisionMonth : startDate.month();
}

bool isValidPostalCode(QStringView code)
{
    if (code.size() != 5)
        return false;
    for (QChar c : code) {
        if (!isDigit(c))
            return false;
    }
    const int department = (code[0].unicode() - u'0') * 10 + (code[1].unicode() - u'0');
    return (department >= 1 && department <= 95) || department == 97;
}

bool isCorsicanCommuneCode(QStringView code)
{
    return code.size() == 5 && code[0] == u'2'
           && (code[1] == u'A' || code[1] == u'B' || code[1] == u'a' || code[1] == u'b')
           && isDigit(code[2]) && isDigit(code[3]) && isDigit(code[4]);
}

QString postalCodeProblem(QStringView code)
{
    if (code.isEmpty() || isValidPostalCode(code))
        return {};
    if (isCorsicanCommuneCode(code))
        return QStringLiteral("code postal invalide ") + quoted(code)
               + QStringLiteral("\u00a0: c’est un code commune\u00a0; les codes postaux de Corse "
                                "commencent par 20 (20000 à 20620)");
    return QStringLiteral("code postal invalide ") + quoted(code)
           + QStringLiteral(" (cinq chiffres, de 01000 à 95999 ou 97xxx)");
}

Territory territoryFromPostalCode(QStringView code)
{
    code = code.trimmed();
    if (code.size() >= 2 && code[0] == u'2'
        && (code[1] == u'0' || code[1] == u'A' || code[1] == u'B' || code[1] == u'a'
            || code[1] == u'b'))
        return Territory::Corse;
    if (!placeWithoutSeries(code).isEmpty())
        return Territory::Unset;
    if (code.size() >= 3 && code.startsWith(u"97") && code[2] >= u'1' && code[2] <= u'6')
        return Territory::OutreMer;
    return Territory::Metropole;
}

QString placeWithoutSeries(QStringView code)
{
    code = code.trimmed();
    if (code.startsWith(u"975"))
        return QStringLiteral("Saint-Pierre-et-Miquelon");
    if (code == u"97133")
        return QStringLiteral("Saint-Barthélemy");
    if (code == u"97150")
        return QStringLiteral("Saint-Martin");
    return {};
}

QString noSeriesMessage(QStringView code)
{
    const QString place = placeWithoutSeries(code);
    return QStringLiteral("pas de série de l’IRL publiée pour ")
           + (place.isEmpty() ? QStringLiteral("ce code postal") : place)
           + QStringLiteral("\u00a0: indiquez le territoire");
}

QString territoryText(Territory territory)
{
    switch (territory) {
    case Territory::Metropole:
        return QStringLiteral("métropole");
    case Territory::Corse:
        return QStringLiteral("Corse");
    case Territory::OutreMer:
        return QStringLiteral("outre-mer");
    case Territory::Unset:
        break;
    }
    return {};
}

QString territoryKey(Territory territory)
{
    switch (territory) {
    case Territory::Metropole:
        return QStringLiteral("metropole");
    case Territory::Corse:
        return QStringLiteral("corse");
    case Territory::OutreMer:
        return QStringLiteral("outremer");
    case Territory::Unset:
        break;
    }
    return {};
}

std::optional<Territory> territoryFromText(QStringView text)
{
    if (sameWord(text, u"métropole"))
        return Territory::Metropole;
    if (sameWord(text, u"Corse"))
        return Territory::Corse;
    if (sameWord(text, u"outre-mer") || sameWord(text, u"outremer"))
        return Territory::OutreMer;
    return std::nullopt;
}

QString clauseText(Clause clause)
{
    return clause == Clause::HausseEtBaisse ? QStringLiteral("à la hausse et à la baisse")
                                            : QStringLiteral("à la hausse seulement");
}

std::optional<Clause> clauseFromText(QStringView text)
{
    if (sameWord(text, u"à la hausse seulement") || sameWord(text, u"hausse"))
        return Clause::HausseSeulement;
    if (sameWord(text, u"à la hausse et à la baisse") || sameWord(text, u"hausse_baisse"))
        return Clause::HausseEtBaisse;
    return std::nullopt;
}

QString landlordKindText(LandlordKind kind)
{
    return kind == LandlordKind::Company ? QStringLiteral("personne morale")
                                         : QStringLiteral("personne physique ou SCI familiale");
}

QString landlordKindKey(LandlordKind kind)
{
    return kind == LandlordKind::Company ? QStringLiteral("morale") : QStringLiteral("physique");
}

std::optional<LandlordKind> landlordKindFromText(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty() || sameWord(text, u"personne physique ou SCI familiale")
        || sameWord(text, u"physique"))
        return LandlordKind::Person;
    if (sameWord(text, u"personne morale") || sameWord(text, u"morale"))
        return LandlordKind::Company;
    return std::nullopt;
}

QString dpeText(DpeClass dpe)
{
    if (dpe == DpeClass::None)
        return {};
    return QString(QChar(u'A' + (int(dpe) - int(DpeClass::A))));
}

std::optional<DpeClass> dpeFromText(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return DpeClass::None;
    if (text.size() != 1)
        return std::nullopt;
    const char16_t c = text[0].toUpper().unicode();
    if (c < u'A' || c > u'G')
        return std::nullopt;
    return DpeClass(int(DpeClass::A) + (c - u'A'));
}

QString emailProblem(const QString& mail, const QString& whose)
{
    static const QRegularExpression address(
        QStringLiteral("^[^@\\s,;<>]+@[^@\\s,;<>]+\\.[^@\\s,;<>]+$"));
    const QString trimmed = mail.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (trimmed.size() > kMaxContactLength)
        return QStringLiteral("courriel %1 trop long (%2 caractères au plus)")
            .arg(whose)
            .arg(kMaxContactLength);
    if (!address.match(trimmed).hasMatch())
        return QStringLiteral("courriel %1 invalide ").arg(whose) + quoted(trimmed)
               + QStringLiteral("\u00a0: une adresse s’écrit nom@domaine.fr");
    return {};
}

QStringList validateLease(const Lease& lease, const QDate& today)
{
    QStringList problems;
    if (const QString problem = emailProblem(lease.tenantEmail, QStringLiteral("du locataire"));
        !problem.isEmpty())
        problems << problem;
    const QString reference = lease.reference.trimmed();
    if (reference.isEmpty())
        problems << QStringLiteral("référence vide");
    else if (reference.size() > kMaxReferenceLength)
        problems << QStringLiteral("référence trop longue (%1 caractères au plus)")
                        .arg(kMaxReferenceLength);
    const std::pair<const QString&, const char16_t*> texts[] = {
        {lease.tenant, u"nom du locataire trop long"},
        {lease.address, u"adresse trop longue"},
        {lease.town, u"nom de commune trop long"}};
    for (const auto& [text, what] : texts)
        if (text.size() > kMaxNameLength)
            problems << QString::fromUtf16(what)
                            + QStringLiteral(" (%1 caractères au plus)").arg(kMaxNameLength);
    if (lease.notes.size() > kMaxNotesLength)
        problems
            << QStringLiteral("notes trop longues (%1 caractères au plus)").arg(kMaxNotesLength);
    if (!lease.signingDate.isValid())
        problems << QStringLiteral("date de signature invalide");
    if (!lease.startDate.isValid())
        problems << QStringLiteral("date d’effet invalide");
    if (lease.postalCode.size() == 5 && lease.postalCode.startsWith(u"98")) {
        // Monaco and the Pacific have laws of their own.
        problems << QStringLiteral("code postal ") + quoted(lease.postalCode)
                        + QStringLiteral(" hors du champ de la loi du 6 juillet 1989 (Monaco, "
                                         "collectivités du Pacifique)");
    } else if (const QString problem = isCorsicanCommuneCode(lease.postalCode)
                                           ? QString() // kept from an older register
                                           : postalCodeProblem(lease.postalCode);
               !problem.isEmpty()) {
        problems << problem;
    } else if (lease.territory == Territory::Unset) {
        problems << noSeriesMessage(lease.postalCode);
    }
    if (today.isValid()) {
        const std::pair<QDate, const char16_t*> past[] = {
            {lease.signingDate, u"date de signature"},
            {lease.priorRevision, u"date de dernière révision"},
            {lease.dpeDate, u"date du DPE"}};
        for (const auto& [date, what] : past) {
            if (date.isValid() && date > today)
                problems << QString::fromUtf16(what) + QStringLiteral(" dans le futur ")
                                + quoted(dateText(date));
        }
    }

    const bool noRevisionDate = lease.revisionDay == 0 && lease.revisionMonth == 0;
    // 29 February is allowed: in other years the revision falls on 1 March.
    const bool revisionDateOk =
        lease.revisionMonth >= 1 && lease.revisionMonth <= 12 && lease.revisionDay >= 1
        && lease.revisionDay <= QDate(2000, lease.revisionMonth, 1).daysInMonth();
    if (!noRevisionDate && !revisionDateOk)
        problems << QStringLiteral("date de révision invalide ")
                        + quoted(QString::number(lease.revisionDay) + u'/'
                                 + QString::number(lease.revisionMonth));

    if (lease.rentCents <= 0)
        problems << QStringLiteral("loyer manquant");
    else if (lease.rentCents > kMaxAmountCents)
        problems << QStringLiteral("loyer trop élevé");
    if (lease.chargesCents < 0)
        problems << QStringLiteral("charges négatives");
    else if (lease.chargesCents > kMaxAmountCents)
        problems << QStringLiteral("charges trop élevées");
    if (lease.priorRevision.isValid() && lease.startDate.isValid()
        && lease.priorRevision <= lease.startDate)
        problems << QStringLiteral("dernière révision antérieure à la date d’effet");
    return problems;
}

} // namespace velmaris
