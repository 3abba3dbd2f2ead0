// SPDX-License-Identifier: GPL-3.0-or-later
// Owners found for leases that come without one: a desk's own landlord
// ([BAILLEUR] of its settings) taken into the register (the leases an earlier
// version kept without an owner get it, and a landlord the register does not
// know yet is added, once), and the owners of an import's lines.
#include "leasestore.h"

#include "leasestore_p.h"
#include "typography.h"
#include "quoting.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>

#include <map>

namespace velmaris {

using namespace storeinternal;

namespace {

QString leaseCount(int n)
{
    return countOf(n, u"bail", u"baux");
}

} // namespace

std::optional<QString> LeaseStore::adoptLandlord(const QString& name,
                                                 const QStringList& addressLines)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    if (isReadOnly())
        return QString(); // another desk will do it
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    QSqlError e;
    // Two desks opening at once: the second finds the first one's work done.
    if (isServer() && !run(db, QStringLiteral("SELECT pg_advisory_xact_lock(8367228)"), &e)) {
        failSql(e);
        return std::nullopt;
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT landlord_kind, count(*) FROM leases WHERE owner_id IS "
                                   "NULL GROUP BY landlord_kind ORDER BY landlord_kind DESC"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::map<LandlordKind, int> orphans; // physique first, then morale
    while (query.next())
        orphans[landlordKindFromText(query.value(0).toString()).value_or(LandlordKind::Person)] +=
            query.value(1).toInt();
    const auto owners = readOwners();
    if (!owners)
        return std::nullopt;

    Owner desk = ownerFromLines(name, addressLines, OwnerKind::Person);
    const QString key = desk.identity();
    query.prepare(QStringLiteral("SELECT 1 FROM adopted_landlords WHERE key = ?"));
    query.addBindValue(key);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    const bool known = query.next();
    if (orphans.empty() && (known || name.trimmed().isEmpty()))
        return QString(); // nothing to do: nothing written, no news for the other desks
    QString told;
    if (!orphans.empty()) {
        // Leases of one sender, of one kind or several: an owner for each
        // kind, the existing one when the register has it.
        QStringList given;
        for (const auto& [kind, count] : orphans) {
            Owner wanted = desk;
            wanted.kind = ownerKindOf(kind);
            if (orphans.size() > 1)
                wanted = ownerOfKind(desk, wanted.kind);
            std::optional<qint64> id;
            for (const Owner& owner : *owners)
                if (owner.sameAs(wanted) && landlordKindOf(owner.kind) == kind)
                    id = owner.id;
            if (!id && !(id = insertOwner(wanted)))
                return std::nullopt;
            query.prepare(QStringLiteral("UPDATE leases SET owner_id = ? WHERE owner_id IS NULL "
                                         "AND landlord_kind = ?"));
            query.addBindValue(*id);
            query.addBindValue(landlordKindKey(kind));
            if (!query.exec()) {
                failSql(query.lastError());
                return std::nullopt;
            }
            given << quoted(wanted.name) + QStringLiteral(" (") + leaseCount(count) + u')';
        }
        told = orphans.size() == 1
                   ? QStringLiteral("Les baux sans bailleur du registre (%1) sont rattachés au "
                                    "bailleur %2, celui des réglages de ce poste.")
                         .arg(leaseCount(orphans.begin()->second), quoted(desk.name))
                   : QStringLiteral("Les baux sans bailleur du registre sont rattachés à %1\u00a0: "
                                    "leurs types de bailleur différaient. Vérifiez dans "
                                    "«\u00a0Bailleurs…\u00a0» à qui ils appartiennent.")
                         .arg(given.join(QStringLiteral(" et ")));
    } else if (!name.trimmed().isEmpty()) {
        // A landlord of this desk that the register does not know: kept as
        // an owner, said, and never added again once taken in.
        bool present = false;
        for (const Owner& owner : *owners)
            present = present || owner.sameAs(desk);
        if (!present) {
            if (!insertOwner(desk))
                return std::nullopt;
            if (!owners->empty())
                told = QStringLiteral("Le bailleur %1 des réglages de ce poste n’était pas dans le "
                                      "registre\u00a0: il est ajouté aux bailleurs, sans bail. Les "
                                      "lettres partent au nom du bailleur de chaque bail.")
                           .arg(quoted(desk.name));
        }
    }
    if (!name.trimmed().isEmpty() && !known) {
        query.prepare(isServer() ? QStringLiteral("INSERT INTO adopted_landlords (key) VALUES (?) "
                                                  "ON CONFLICT (key) DO NOTHING")
                                 : QStringLiteral("INSERT OR IGNORE INTO adopted_landlords (key) "
                                                  "VALUES (?)"));
        query.addBindValue(key);
        if (!query.exec()) {
            failSql(query.lastError());
            return std::nullopt;
        }
    }
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return told;
}

bool LeaseStore::settleImportedOwners(std::vector<Lease>& leases,
                                      const std::vector<LineOwner>* lineOwners)
{
    auto known = readOwners();
    if (!known)
        return false;
    std::vector<Owner> all = std::move(*known);
    QHash<QString, std::size_t> byIdentity;
    std::size_t oldest = all.size();
    for (std::size_t i = 0; i < all.size(); ++i) {
        byIdentity.insert(all[i].identity(), i);
        if (oldest == all.size() || all[i].id < all[oldest].id)
            oldest = i;
    }
    const auto add = [&](const Owner& owner, const Lease& lease) -> std::optional<std::size_t> {
        if (const QStringList problems = validateOwner(owner); !problems.isEmpty()) {
            fail(QStringLiteral("Bail ") + quoted(lease.reference.trimmed()) + QStringLiteral("\u00a0: ")
                 + problems.join(QStringLiteral("\u00a0; ")) + u'.');
            return std::nullopt;
        }
        const std::optional<qint64> id = insertOwner(owner);
        if (!id)
            return std::nullopt;
        all.push_back(owner);
        all.back().id = *id;
        all.back().version = 1;
        byIdentity.insert(owner.identity(), all.size() - 1);
        return all.size() - 1;
    };
    for (std::size_t i = 0; i < leases.size(); ++i) {
        Lease& lease = leases[i];
        const LineOwner* line = lineOwners && i < lineOwners->size() ? &(*lineOwners)[i] : nullptr;
        // Without the lines' owners (a caller of earlier days), the lease's kind was given.
        const bool kindGiven = line ? line->kindGiven : true;
        const LandlordKind kind =
            line && line->kindGiven ? landlordKindOf(line->owner.kind) : lease.landlordKind;
        Owner wanted;
        if (line && !line->owner.name.trimmed().isEmpty()) {
            wanted = line->owner;
        } else {
            if (oldest == all.size()) {
                const auto made = add(ownerFromLines(QString(), {}, ownerKindOf(kind)), lease);
                if (!made)
                    return false;
                oldest = *made;
            }
            wanted = all[oldest];
            // The default owner of another kind: the variant that says so.
            if (kindGiven && landlordKindOf(wanted.kind) != kind)
                wanted = ownerOfKind(wanted, ownerKindOf(kind));
        }
        std::size_t at = 0;
        if (const auto found = byIdentity.constFind(wanted.identity());
            found != byIdentity.cend()) {
            at = *found;
            if (kindGiven && landlordKindOf(all[at].kind) != kind)
                return fail(QStringLiteral("Bail ") + quoted(lease.reference.trimmed())
                            + QStringLiteral("\u00a0: le bailleur ") + quoted(all[at].name)
                            + QStringLiteral(" est au registre comme ")
                            + ownerKindText(all[at].kind) + QStringLiteral(", la ligne le dit ")
                            + landlordKindText(kind) + u'.');
        } else {
            const auto made = add(wanted, lease);
            if (!made)
                return false;
            at = *made;
        }
        lease.ownerId = all[at].id;
        lease.landlordKind = landlordKindOf(all[at].kind);
    }
    return true;
}

} // namespace velmaris
