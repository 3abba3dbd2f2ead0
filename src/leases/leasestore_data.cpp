// Reading and writing leases and their history.
#include "leasestore.h"

#include "dates.h"
#include "leasestore_p.h"
#include "quoting.h"

#include <QDateTime>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

QString invalidLease(const QStringList& problems)
{
    QString text = problems.join(QStringLiteral(" ; "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return QStringLiteral("Bail refusé : ") + text + u'.';
}

// Who records a revision: the desk's session user.
QString sessionUser()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("USERNAME");
    return name.isEmpty() ? QStringLiteral("?") : name;
}

QString referenceExists(const QString& reference)
{
    return QStringLiteral("La référence ") + quoted(reference.trimmed())
           + QStringLiteral(" existe déjà dans le registre.");
}

} // namespace

std::optional<qint64> LeaseStore::addLease(const Lease& lease)
{
    if (!checkWritable())
        return std::nullopt;
    if (const QStringList problems = validateLease(lease); !problems.isEmpty()) {
        fail(invalidLease(problems));
        return std::nullopt;
    }
    Transaction transaction(database());
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM leases WHERE reference = ?"));
    query.addBindValue(lease.reference.trimmed());
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (query.next()) {
        fail(referenceExists(lease.reference));
        return std::nullopt;
    }
    query.prepare(kInsertLease + returningId(database()));
    bindLease(query, lease);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    const qint64 id = insertedId(query);
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return id;
}

bool LeaseStore::updateLease(const Lease& lease)
{
    if (!checkWritable())
        return false;
    if (const QStringList problems = validateLease(lease); !problems.isEmpty())
        return fail(invalidLease(problems));
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM leases WHERE reference = ? AND id <> ?"));
    query.addBindValue(lease.reference.trimmed());
    query.addBindValue(lease.id);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.next())
        return fail(referenceExists(lease.reference));
    query.prepare(QStringLiteral(
        "UPDATE leases SET reference = :reference, tenant = :tenant, address = :address, "
        "postal_code = :postal_code, territory = :territory, furnished = :furnished, "
        "signing_date = :signing_date, start_date = :start_date, "
        "reference_quarter = :reference_quarter, revision_day = :revision_day, "
        "revision_month = :revision_month, clause = :clause, dpe_class = :dpe_class, "
        "dpe_date = :dpe_date, rent_cents = :rent_cents, charges_cents = :charges_cents, "
        "prior_revision = :prior_revision, notes = :notes, town = :town, "
        "landlord_kind = :landlord_kind, version = version + 1 "
        "WHERE id = :id AND (:any_version = 0 OR version = :version)"));
    bindLease(query, lease);
    query.bindValue(QStringLiteral(":id"), lease.id);
    query.bindValue(QStringLiteral(":any_version"), lease.version);
    query.bindValue(QStringLiteral(":version"), lease.version);
    if (!query.exec())
        return failSql(query.lastError());
    // Every column comes from the form: written over a later change, it would
    // undo it (a revision applied meanwhile would lose its rent).
    if (query.numRowsAffected() != 1)
        return failKind(leaseExists(lease.id) ? StoreError::Conflict : StoreError::NotFound);
    return transaction.commit() || failSql(transaction.error());
}

bool LeaseStore::leaseExists(qint64 id)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM leases WHERE id = ?"));
    query.addBindValue(id);
    return query.exec() && query.next();
}

bool LeaseStore::removeLease(qint64 id, qint64 version)
{
    if (!checkWritable())
        return false;
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    query.prepare(QStringLiteral("DELETE FROM leases WHERE id = ? AND (? = 0 OR version = ?)"));
    query.addBindValue(id);
    query.addBindValue(version);
    query.addBindValue(version);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.numRowsAffected() != 1)
        return failKind(leaseExists(id) ? StoreError::Conflict : StoreError::NotFound);
    return transaction.commit() || failSql(transaction.error());
}

std::optional<Lease> LeaseStore::lease(qint64 id)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT ") + kLeaseColumns
                  + QStringLiteral(" FROM leases WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        failKind(StoreError::NotFound);
        return std::nullopt;
    }
    return leaseFromRow(query);
}

std::optional<Lease> LeaseStore::findLease(const QString& reference)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT ") + kLeaseColumns
                  + QStringLiteral(" FROM leases WHERE reference = ?"));
    query.addBindValue(reference.trimmed());
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        fail(QStringLiteral("Aucun bail de référence ") + quoted(reference.trimmed())
                 + QStringLiteral(" dans le registre."),
             StoreError::NotFound);
        return std::nullopt;
    }
    return leaseFromRow(query);
}

std::optional<std::vector<Lease>> LeaseStore::leases()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ") + kLeaseColumns
                    + QStringLiteral(" FROM leases ORDER BY reference"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<Lease> result;
    while (query.next())
        result.push_back(leaseFromRow(query));
    if (query.lastError().isValid()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return result;
}

bool LeaseStore::importLeases(const std::vector<Lease>& leases, std::vector<int>* clashes)
{
    if (clashes)
        clashes->clear();
    if (!checkWritable())
        return false;
    for (const Lease& lease : leases) {
        if (const QStringList problems = validateLease(lease); !problems.isEmpty())
            return fail(QStringLiteral("Bail ") + quoted(lease.reference) + QStringLiteral(" : ")
                        + problems.join(QStringLiteral(" ; ")) + u'.');
    }
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun())
        return failSql(transaction.error());

    // The references already there are read inside the write lock, so that no
    // other program can add one between the check and the inserts.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT reference FROM leases")))
        return failSql(query.lastError());
    QSet<QString> existing;
    while (query.next())
        existing.insert(query.value(0).toString());
    int clashCount = 0, firstClash = -1;
    for (int i = 0; i < int(leases.size()); ++i) {
        if (existing.contains(leases[i].reference.trimmed())) {
            if (clashCount++ == 0)
                firstClash = i;
            if (clashes)
                clashes->push_back(i);
        }
    }
    if (clashCount > 0)
        return fail(clashCount == 1 ? referenceExists(leases[firstClash].reference)
                                    : QStringLiteral("%1 références existent déjà dans le "
                                                     "registre.")
                                          .arg(clashCount));

    QSqlQuery insert(db);
    insert.prepare(kInsertLease);
    for (const Lease& lease : leases) {
        bindLease(insert, lease);
        if (!insert.exec())
            return failSql(insert.lastError());
    }
    return transaction.commit() || failSql(transaction.error());
}

// The lease as the revision was computed on: same version, same rent, and
// no revision of that date or a later one recorded meanwhile.
bool LeaseStore::revisionStillApplies(const RevisionRecord& rec, qint64 leaseVersion)
{
    QSqlQuery query(database());
    // A server's desks run side by side: the lease's row is locked before it
    // is read, so that a second desk waits and then sees the first one's rent.
    if (isServer()) {
        query.prepare(QStringLiteral("SELECT 1 FROM leases WHERE id = ? FOR UPDATE"));
        query.addBindValue(rec.leaseId);
        if (!query.exec()) {
            failSql(query.lastError());
            return false;
        }
    }
    query.prepare(QStringLiteral("SELECT rent_cents, (SELECT max(due_date) FROM revisions "
                                 "WHERE lease_id = leases.id), version FROM leases WHERE id = ?"));
    query.addBindValue(rec.leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return false;
    }
    if (!query.next()) {
        failKind(StoreError::NotFound);
        return false;
    }
    // Computed on a state that has changed since (another window, another
    // program): recording it would revise twice or from the wrong rent.
    if (leaseVersion > 0 && query.value(2).toLongLong() != leaseVersion) {
        failKind(StoreError::Conflict);
        return false;
    }
    if (query.value(0).toLongLong() != rec.oldRentCents) {
        fail(QStringLiteral("Le loyer de ce bail a changé depuis le calcul : recalculez la "
                            "révision."),
             StoreError::Conflict);
        return false;
    }
    const QDate lastDue = dateFromKey(query.value(1).toString());
    if (lastDue.isValid() && rec.dueDate <= lastDue) {
        fail(QStringLiteral("Une révision du ") + dateText(lastDue)
                 + QStringLiteral(" ou plus récente est déjà enregistrée pour ce bail."),
             StoreError::Conflict);
        return false;
    }
    return true;
}

std::optional<qint64> LeaseStore::appendRevision(const RevisionRecord& rec, qint64 leaseVersion)
{
    if (!checkWritable())
        return std::nullopt;
    if (!rec.dueDate.isValid() || !rec.requestDate.isValid() || !rec.effectiveDate.isValid()
        || rec.newRentCents <= 0 || rec.newRentCents > kMaxAmountCents) {
        fail(QStringLiteral("Révision incomplète : elle n'est pas enregistrée."),
             StoreError::Refused);
        return std::nullopt;
    }
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    if (!revisionStillApplies(rec, leaseVersion))
        return std::nullopt;
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
                      "INSERT INTO revisions (lease_id, due_date, request_date, effective_date, "
                      "old_rent_cents, new_rent_cents, base_quarter, base_value, new_quarter, "
                      "new_value, series, notes, applied_by, applied_at) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                  + returningId(db));
    query.addBindValue(rec.leaseId);
    query.addBindValue(text(dateKey(rec.dueDate)));
    query.addBindValue(text(dateKey(rec.requestDate)));
    query.addBindValue(text(dateKey(rec.effectiveDate)));
    query.addBindValue(rec.oldRentCents);
    query.addBindValue(rec.newRentCents);
    query.addBindValue(text(rec.baseQuarter.key()));
    query.addBindValue(rec.baseValue);
    query.addBindValue(text(rec.newQuarter.key()));
    query.addBindValue(rec.newValue);
    query.addBindValue(text(seriesKey(rec.series)));
    query.addBindValue(text(rec.notes));
    query.addBindValue(text(rec.appliedBy.isEmpty() ? sessionUser() : rec.appliedBy));
    const QDateTime at = rec.appliedAt.isValid() ? rec.appliedAt : QDateTime::currentDateTimeUtc();
    query.addBindValue(at.toUTC().toString(Qt::ISODate));
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    const qint64 id = insertedId(query);
    query.prepare(
        QStringLiteral("UPDATE leases SET rent_cents = ?, version = version + 1 WHERE id = ?"));
    query.addBindValue(rec.newRentCents);
    query.addBindValue(rec.leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return id;
}

std::optional<std::vector<RevisionRecord>> LeaseStore::history(qint64 leaseId)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT ") + kRevisionColumns
                  + QStringLiteral(" FROM revisions WHERE lease_id = ? ORDER BY due_date, id"));
    query.addBindValue(leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<RevisionRecord> result;
    while (query.next())
        result.push_back(revisionFromRow(query));
    return result;
}

std::optional<std::vector<RevisionRecord>> LeaseStore::lastRevisions()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    // The notes stay out: the register needs the dates and the quarter only.
    if (!query.exec(QStringLiteral(
            "SELECT r.id, r.lease_id, r.due_date, r.request_date, r.effective_date, "
            "r.old_rent_cents, r.new_rent_cents, r.base_quarter, r.base_value, r.new_quarter, "
            "r.new_value, r.series, '', r.applied_by, r.applied_at FROM revisions r JOIN (SELECT lease_id, max(due_date) "
            "AS due FROM revisions GROUP BY lease_id) m ON r.lease_id = m.lease_id AND "
            "r.due_date = m.due"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<RevisionRecord> result;
    while (query.next())
        result.push_back(revisionFromRow(query));
    return result;
}

} // namespace velmaris
