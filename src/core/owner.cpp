// SPDX-License-Identifier: GPL-3.0-or-later
// Owners and the agency: their kinds, their checks, how they sign.
#include "owner.h"

#include "postaladdress.h"
#include "quoting.h"

#include <QRegularExpression>

namespace velmaris {

namespace {

// Blanks, case and accents aside: what tells two spellings of one name apart
// for a person, not for the program.
QString folded(const QString& text)
{
    QString out;
    for (QChar c : text.simplified().normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toCaseFolded();
    return out;
}

QStringList addressProblems(const QStringList& address, const QString& postalCode,
                            const QString& town, const QString& whose)
{
    QStringList problems;
    if (address.size() > kMaxOwnerAddressLines)
        problems << QStringLiteral("adresse %1 trop longue (%2 lignes au plus avant le code "
                                   "postal)")
                        .arg(whose)
                        .arg(kMaxOwnerAddressLines);
    for (const QString& line : address)
        if (line.size() > kMaxNameLength) {
            problems << QStringLiteral("ligne d’adresse %1 trop longue (%2 caractères au plus)")
                            .arg(whose)
                            .arg(kMaxNameLength);
            break;
        }
    if (const QString problem = postalCodeProblem(postalCode.trimmed()); !problem.isEmpty())
        problems << problem;
    if (town.size() > kMaxNameLength)
        problems << QStringLiteral("commune %1 trop longue").arg(whose);
    return problems;
}

QStringList lines(const QStringList& address, const QString& postalCode, const QString& town)
{
    QStringList out;
    for (const QString& line : address)
        if (!line.trimmed().isEmpty())
            out << line.trimmed();
    if (const QString last = postalTownLine(postalCode, town); !last.isEmpty())
        out << last;
    return out;
}

} // namespace

QString ownerKindText(OwnerKind kind)
{
    switch (kind) {
    case OwnerKind::FamilySci:
        return QStringLiteral("SCI familiale");
    case OwnerKind::Company:
        return QStringLiteral("société");
    case OwnerKind::Person:
        break;
    }
    return QStringLiteral("personne physique");
}

QString ownerKindKey(OwnerKind kind)
{
    switch (kind) {
    case OwnerKind::FamilySci:
        return QStringLiteral("sci");
    case OwnerKind::Company:
        return QStringLiteral("societe");
    case OwnerKind::Person:
        break;
    }
    return QStringLiteral("physique");
}

std::optional<OwnerKind> ownerKindFromText(QStringView text)
{
    const QString key = folded(text.toString());
    for (OwnerKind kind : {OwnerKind::Person, OwnerKind::FamilySci, OwnerKind::Company})
        if (key == folded(ownerKindText(kind)) || key == ownerKindKey(kind))
            return kind;
    if (key == u"sci")
        return OwnerKind::FamilySci;
    // A lease's kind, as older registers and files wrote it.
    if (const std::optional<LandlordKind> old = landlordKindFromText(text); old && !key.isEmpty())
        return ownerKindOf(*old);
    return std::nullopt;
}

LandlordKind landlordKindOf(OwnerKind kind)
{
    return kind == OwnerKind::Company ? LandlordKind::Company : LandlordKind::Person;
}

OwnerKind ownerKindOf(LandlordKind kind)
{
    return kind == LandlordKind::Company ? OwnerKind::Company : OwnerKind::Person;
}

QStringList Owner::postalLines() const
{
    return lines(address, postalCode, town);
}

QString Owner::identity() const
{
    return folded(name) + u'\n' + folded(postalLines().join(u' '));
}

bool Owner::sameAs(const Owner& other) const
{
    return identity() == other.identity();
}

QStringList validateOwner(const Owner& owner)
{
    QStringList problems;
    const QString name = owner.name.trimmed();
    if (name.isEmpty())
        problems << QStringLiteral("nom du bailleur manquant");
    else if (name.size() > kMaxNameLength)
        problems << QStringLiteral("nom du bailleur trop long (%1 caractères au plus)")
                        .arg(kMaxNameLength);
    problems << addressProblems(owner.address, owner.postalCode, owner.town,
                                QStringLiteral("du bailleur"));
    if (owner.email.size() > kMaxContactLength || owner.phone.size() > kMaxContactLength)
        problems << QStringLiteral("courriel ou téléphone du bailleur trop long");
    if (const QString problem = emailProblem(owner.email, QStringLiteral("du bailleur"));
        !problem.isEmpty())
        problems << problem;
    if (owner.notes.size() > kMaxNotesLength)
        problems << QStringLiteral("notes du bailleur trop longues (%1 caractères au plus)")
                        .arg(kMaxNotesLength);
    return problems;
}

Owner ownerOfKind(const Owner& base, OwnerKind kind)
{
    Owner owner = base;
    owner.id = 0;
    owner.version = 0;
    owner.kind = kind;
    owner.name = base.name.trimmed() + QStringLiteral(" (") + ownerKindText(kind) + u')';
    owner.notes = QStringLiteral("Créé par Velmaris\u00a0: des baux de ") + quoted(base.name.trimmed())
                  + QStringLiteral(" étaient d’un autre type de bailleur (") + ownerKindText(kind)
                  + QStringLiteral(") que les autres. Vérifiez à qui ils appartiennent.");
    return owner;
}

Owner ownerFromLines(const QString& name, const QStringList& addressLines, OwnerKind kind)
{
    Owner owner;
    owner.kind = kind;
    owner.name =
        name.trimmed().isEmpty() ? QStringLiteral("Bailleur à renseigner") : name.trimmed();
    static const QRegularExpression codeAndTown(QStringLiteral("^(\\d{5}|2[AB]\\d{3})\\s+(.*)$"));
    QStringList street;
    for (const QString& line : addressLines)
        if (!line.trimmed().isEmpty())
            street << line.trimmed();
    for (int i = int(street.size()) - 1; i >= 0; --i) {
        const QRegularExpressionMatch m = codeAndTown.match(street[i]);
        if (m.hasMatch()) {
            owner.postalCode = m.captured(1).toUpper();
            owner.town = m.captured(2).trimmed();
            street.removeAt(i);
            break;
        }
    }
    // Lines beyond what an owner holds are joined, never dropped.
    while (street.size() > kMaxOwnerAddressLines) {
        street[kMaxOwnerAddressLines - 1] += QStringLiteral(", ") + street.takeLast();
    }
    owner.address = street;
    if (name.trimmed().isEmpty())
        owner.notes = QStringLiteral("Créé par Velmaris pour les baux sans bailleur\u00a0: "
                                     "indiquez son nom et son adresse.");
    return owner;
}

QStringList Agency::postalLines() const
{
    return lines(address, postalCode, town);
}

QStringList validateAgency(const Agency& agency)
{
    if (!agency.isSet())
        return {};
    QStringList problems;
    if (agency.name.trimmed().size() > kMaxNameLength)
        problems << QStringLiteral("nom de l’agence trop long");
    problems << addressProblems(agency.address, agency.postalCode, agency.town,
                                QStringLiteral("de l’agence"));
    if (agency.address.isEmpty() || agency.town.trimmed().isEmpty())
        problems << QStringLiteral("adresse de l’agence incomplète");
    if (agency.cardNumber.trimmed().isEmpty())
        problems << QStringLiteral("numéro de carte professionnelle manquant");
    if (agency.cardChamber.trimmed().isEmpty())
        problems << QStringLiteral("chambre de commerce qui a délivré la carte manquante");
    if (agency.guarantorName.trimmed().isEmpty() || agency.guarantorAddress.isEmpty())
        problems << QStringLiteral("garant financier (nom et adresse) manquant");
    for (const QString* text : {&agency.cardNumber, &agency.cardChamber, &agency.guarantorName,
                                &agency.email, &agency.phone})
        if (text->size() > kMaxContactLength) {
            problems << QStringLiteral("mention de l’agence trop longue (%1 caractères au plus)")
                            .arg(kMaxContactLength);
            break;
        }
    return problems;
}

QStringList agencyMentions(const Agency& agency)
{
    if (!agency.isSet())
        return {};
    QStringList mentions;
    mentions << QStringLiteral("Carte professionnelle n°\u00a0") + agency.cardNumber.trimmed()
                    + QStringLiteral(" délivrée par la ") + agency.cardChamber.trimmed();
    QStringList guarantor;
    for (const QString& line : agency.guarantorAddress)
        if (!line.trimmed().isEmpty())
            guarantor << line.trimmed();
    mentions << QStringLiteral("Garant financier\u00a0: ") + agency.guarantorName.trimmed()
                    + (guarantor.isEmpty()
                           ? QString()
                           : QStringLiteral(", ") + guarantor.join(QStringLiteral(", ")));
    return mentions;
}

} // namespace velmaris
