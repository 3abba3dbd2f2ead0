// SPDX-License-Identifier: GPL-3.0-or-later
#include "leaseletters.h"

#include "dates.h"
#include "quoting.h"

#include <algorithm>

namespace velmaris {

namespace {

// Whose the address is: the agency's when it writes, else the owner's.
struct Writer {
    QStringList street;
    QString postalCode, town;
    bool agency = false;
};

Writer writerOf(const LeaseSender& s)
{
    if (s.agency.isSet())
        return {s.agency.address, s.agency.postalCode, s.agency.town, true};
    return {s.owner.address, s.owner.postalCode, s.owner.town, false};
}

bool blank(const QStringList& lines)
{
    return std::all_of(lines.begin(), lines.end(),
                       [](const QString& line) { return line.trimmed().isEmpty(); });
}

} // namespace

bool LeaseSender::complete() const
{
    return senderProblem(sender()).isEmpty();
}

QString LeaseSender::missing() const
{
    if (complete())
        return {};
    const Writer w = writerOf(*this);
    const QString name = w.agency ? agency.name.trimmed() : owner.name.trimmed();
    if (name.isEmpty())
        return w.agency ? QStringLiteral("le nom et l’adresse de l’agence")
                        : QStringLiteral("le nom et l’adresse du bailleur");
    const QString whose =
        (w.agency ? QStringLiteral("de l’agence ") : QStringLiteral("du bailleur ")) + quoted(name);
    const bool noStreet = blank(w.street);
    const bool noTown = w.postalCode.trimmed().isEmpty() && w.town.trimmed().isEmpty();
    if (noStreet && !noTown)
        return QStringLiteral("la rue ") + whose;
    if (noTown && !noStreet)
        return QStringLiteral("le code postal et la commune ") + whose;
    return QStringLiteral("l’adresse postale ") + whose;
}

LeaseSender RegisterSenders::of(const Lease& lease) const
{
    const qint64 id = lease.ownerId ? lease.ownerId : fallback;
    LeaseSender s;
    s.agency = agency;
    for (const Owner& o : owners)
        if (o.id == id) {
            s.owner = o;
            break;
        }
    return s;
}

std::optional<LeaseSender> leaseSender(LeaseStore& store, const Lease& lease)
{
    const std::optional<Owner> owner =
        lease.ownerId ? store.owner(lease.ownerId) : store.defaultOwner();
    const std::optional<Agency> agency = owner ? store.agency() : std::nullopt;
    if (!owner || !agency)
        return std::nullopt;
    return LeaseSender{*owner, *agency};
}

std::optional<RegisterSenders> registerSenders(LeaseStore& store)
{
    std::optional<std::vector<Owner>> owners = store.owners();
    const std::optional<Owner> fallback = owners ? store.defaultOwner() : std::nullopt;
    const std::optional<Agency> agency = fallback ? store.agency() : std::nullopt;
    if (!owners || !fallback || !agency)
        return std::nullopt;
    return RegisterSenders{std::move(*owners), fallback->id, *agency};
}

LetterResult basisLetter(const Lease& lease, const LetterBasis& basis, const LetterSender& sender)
{
    return revisionLetter(lease, basis.revision, sender, basis.date);
}

LetterResult draftLetter(const Lease& lease, const LetterBasis& basis, const LeaseSender& s)
{
    const Writer w = writerOf(s);
    LetterSender draft = s.sender();
    if (draft.name.isEmpty())
        draft.name = draft.signature =
            w.agency ? QStringLiteral("[Nom de l’agence]") : QStringLiteral("[Nom du bailleur]");
    if (blank(w.street))
        draft.address.prepend(w.agency ? QStringLiteral("[Adresse de l’agence]")
                                       : QStringLiteral("[Adresse du bailleur]"));
    if (w.postalCode.trimmed().isEmpty() && w.town.trimmed().isEmpty())
        draft.address.append(QStringLiteral("[Code postal et commune]"));
    return basisLetter(lease, basis, draft);
}

LetterResult leaseLetter(const Lease& lease, const LetterBasis& basis, const LeaseSender& sender)
{
    return sender.complete() ? basisLetter(lease, basis, sender.sender())
                             : draftLetter(lease, basis, sender);
}

QString letterTitle(const QString& reference)
{
    return QStringLiteral("Lettre de révision ") + reference;
}

QString monthLettersTitle(int year, int month)
{
    return QStringLiteral("Lettres de révision ") + monthText(year, month);
}

MonthLetterSet monthLetterSet(const std::vector<Lease>& leases,
                              const std::vector<RevisionRecord>& lastRevisions,
                              const IndexTable& table, const RegisterSenders& senders,
                              const QDate& today, int year, int month)
{
    MonthLetterSet set;
    std::vector<RevisionLetter> written;
    for (MonthLetter& due : monthLetters(leases, lastRevisions, table, today, year, month)) {
        MonthLetterLine line{due.lease, std::move(due.basis), senders.of(*due.lease), {}};
        // The letters are sorted and refused alike with or without their sender.
        line.result = leaseLetter(*line.lease, line.basis, line.sender);
        if (line.result.letter) {
            if (line.sender.complete()) {
                written.push_back(*line.result.letter);
            } else {
                if (const QString missing = line.sender.missing(); !set.missing.contains(missing))
                    set.missing << missing;
                if (set.waiting == 0)
                    set.waiting = line.sender.owner.id;
            }
        }
        set.lines.push_back(std::move(line));
    }
    if (set.missing.isEmpty())
        set.letters = std::move(written);
    return set;
}

} // namespace velmaris
