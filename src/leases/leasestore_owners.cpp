// SPDX-License-Identifier: GPL-3.0-or-later
// The register's owners.
#include "leasestore.h"

#include "leasestore_p.h"
#include "typography.h"
#include "quoting.h"

#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

const QString kOwnerColumns =
    QStringLiteral("id, name, address, postal_code, town, kind, email, phone, notes, version");

QStringList linesOf(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

QString textOf(const QStringList& lines)
{
    QStringList kept;
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty())
            kept << line.trimmed();
    return text(kept.join(u'\n'));
}

Owner ownerFromRow(const QSqlQuery& q)
{
    Owner owner;
    owner.id = q.value(0).toLongLong();
    owner.name = q.value(1).toString();
    owner.address = linesOf(q.value(2).toString());
    owner.postalCode = q.value(3).toString();
    owner.town = q.value(4).toString();
    owner.kind = ownerKindFromText(q.value(5).toString()).value_or(OwnerKind::Person);
    owner.email = q.value(6).toString();
    owner.phone = q.value(7).toString();
    owner.notes = q.value(8).toString();
    owner.version = q.value(9).toLongLong();
    return owner;
}

// name, address, postal_code, town, kind, email, phone, notes
QVariantList ownerValues(const Owner& owner)
{
    return {text(owner.name.trimmed()),
            textOf(owner.address),
            text(owner.postalCode.trimmed().toUpper()),
            text(owner.town.trimmed()),
            ownerKindKey(owner.kind),
            text(owner.email.trimmed()),
            text(owner.phone.trimmed()),
            text(owner.notes)};
}

QString refusedOwner(const QStringList& problems)
{
    QString text = problems.join(QStringLiteral("\u00a0; "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return QStringLiteral("Bailleur refusé\u00a0: ") + text + u'.';
}

QString ownerExists(const Owner& owner)
{
    return QStringLiteral("Le bailleur ") + quoted(owner.name.trimmed())
           + QStringLiteral(" est déjà dans le registre, à la même adresse.");
}

} // namespace

std::optional<std::vector<Owner>> LeaseStore::readOwners(const QString& where)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ") + kOwnerColumns + QStringLiteral(" FROM owners ")
                    + where + QStringLiteral(" ORDER BY name, id"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<Owner> owners;
    while (query.next())
        owners.push_back(ownerFromRow(query));
    if (query.lastError().isValid()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return owners;
}

std::optional<std::vector<Owner>> LeaseStore::owners()
{
    return readOwners();
}

std::optional<Owner> LeaseStore::owner(qint64 id)
{
    auto found = readOwners(QStringLiteral("WHERE id = %1").arg(id));
    if (!found)
        return std::nullopt;
    if (found->empty()) {
        fail(QStringLiteral("Ce bailleur n’est plus dans le registre."), StoreError::NotFound);
        return std::nullopt;
    }
    return found->front();
}

std::optional<Owner> LeaseStore::defaultOwner()
{
    auto found = readOwners(QStringLiteral("WHERE id = (SELECT min(id) FROM owners)"));
    if (!found)
        return std::nullopt;
    if (found->empty()) {
        fail(QStringLiteral("Le registre n’a encore aucun bailleur."), StoreError::NotFound);
        return std::nullopt;
    }
    return found->front();
}

std::optional<QHash<qint64, int>> LeaseStore::leaseCountsByOwner()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT owner_id, count(*) FROM leases WHERE owner_id IS NOT "
                                   "NULL GROUP BY owner_id"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    QHash<qint64, int> counts;
    while (query.next())
        counts.insert(query.value(0).toLongLong(), query.value(1).toInt());
    return counts;
}

std::optional<qint64> LeaseStore::insertOwner(const Owner& owner)
{
    if (const QStringList problems = validateOwner(owner); !problems.isEmpty()) {
        fail(refusedOwner(problems));
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO owners (name, address, postal_code, town, kind, "
                                 "email, phone, notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                  + returningId(database()));
    for (const QVariant& value : ownerValues(owner))
        query.addBindValue(value);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return insertedId(query);
}

std::optional<qint64> LeaseStore::addOwner(const Owner& owner)
{
    if (!checkWritable())
        return std::nullopt;
    if (const QStringList problems = validateOwner(owner); !problems.isEmpty()) {
        fail(refusedOwner(problems));
        return std::nullopt;
    }
    Transaction transaction(database());
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    const auto existing = readOwners();
    if (!existing)
        return std::nullopt;
    for (const Owner& other : *existing)
        if (other.sameAs(owner)) {
            fail(ownerExists(owner));
            return std::nullopt;
        }
    const std::optional<qint64> id = insertOwner(owner);
    if (!id)
        return std::nullopt;
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return id;
}

bool LeaseStore::updateOwner(const Owner& owner)
{
    if (!checkWritable())
        return false;
    if (const QStringList problems = validateOwner(owner); !problems.isEmpty())
        return fail(refusedOwner(problems));
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    const auto existing = readOwners();
    if (!existing)
        return false;
    bool found = false;
    for (const Owner& other : *existing) {
        found = found || other.id == owner.id;
        if (other.id != owner.id && other.sameAs(owner))
            return fail(ownerExists(owner));
    }
    if (!found)
        return fail(QStringLiteral("Ce bailleur n’est plus dans le registre."),
                    StoreError::NotFound);
    QSqlQuery query(database());
    query.prepare(QStringLiteral("UPDATE owners SET name = ?, address = ?, postal_code = ?, "
                                 "town = ?, kind = ?, email = ?, phone = ?, notes = ?, "
                                 "version = version + 1 WHERE id = ? AND (? = 0 OR version = ?)"));
    for (const QVariant& value : ownerValues(owner))
        query.addBindValue(value);
    query.addBindValue(owner.id);
    query.addBindValue(owner.version);
    query.addBindValue(owner.version);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.numRowsAffected() != 1)
        return failKind(StoreError::Conflict);
    // Its leases renew as its kind says.
    query.prepare(QStringLiteral("UPDATE leases SET landlord_kind = ? WHERE owner_id = ? AND "
                                 "landlord_kind <> ?"));
    const QString kind = landlordKindKey(landlordKindOf(owner.kind));
    query.addBindValue(kind);
    query.addBindValue(owner.id);
    query.addBindValue(kind);
    if (!query.exec())
        return failSql(query.lastError());
    return transaction.commit() || failSql(transaction.error());
}

bool LeaseStore::removeOwner(qint64 id, qint64 version)
{
    if (!checkWritable())
        return false;
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT name, (SELECT count(*) FROM leases WHERE owner_id = "
                                 "owners.id) FROM owners WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec())
        return failSql(query.lastError());
    if (!query.next())
        return fail(QStringLiteral("Ce bailleur n’est plus dans le registre."),
                    StoreError::NotFound);
    const QString name = query.value(0).toString();
    if (const int leases = query.value(1).toInt(); leases > 0)
        return fail(QStringLiteral("Le bailleur %1 a encore %2\u00a0: donnez-les à un autre bailleur "
                                   "avant de le supprimer.")
                        .arg(quoted(name), countOf(leases, u"bail", u"baux")));
    query.prepare(QStringLiteral("DELETE FROM owners WHERE id = ? AND (? = 0 OR version = ?)"));
    query.addBindValue(id);
    query.addBindValue(version);
    query.addBindValue(version);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.numRowsAffected() != 1)
        return failKind(StoreError::Conflict);
    return transaction.commit() || failSql(transaction.error());
}

bool LeaseStore::settleOwner(Lease& lease)
{
    if (lease.ownerId <= 0) {
        // The default owner, or its variant of the lease's kind: a kind the
        // caller gave is never silently changed.
        std::vector<LineOwner> line(1);
        line[0].owner.kind = ownerKindOf(lease.landlordKind);
        line[0].kindGiven = true;
        std::vector<Lease> one{lease};
        if (!settleImportedOwners(one, &line))
            return false;
        lease.ownerId = one[0].ownerId;
        lease.landlordKind = one[0].landlordKind;
        return true;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT kind FROM owners WHERE id = ?"));
    query.addBindValue(lease.ownerId);
    if (!query.exec())
        return failSql(query.lastError());
    if (!query.next())
        return fail(QStringLiteral("Le bailleur de ce bail n’est plus dans le registre\u00a0: "
                                   "choisissez-en un autre."),
                    StoreError::NotFound);
    lease.landlordKind =
        landlordKindOf(ownerKindFromText(query.value(0).toString()).value_or(OwnerKind::Person));
    return true;
}

} // namespace velmaris
