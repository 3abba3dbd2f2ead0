// Reading and writing leases and their history.
#include "leasestore.h"

#include "leasestore_p.h"

#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

const QString kLeaseColumns = QStringLiteral(
    "id, reference, tenant, address, postal_code, territory, furnished, signing_date, "
    "start_date, reference_quarter, revision_day, revision_month, clause, dpe_class, dpe_date, "
    "rent_cents, charges_cents, prior_revision, notes");

const QString kRevisionColumns = QStringLiteral(
    "id, lease_id, due_date, request_date, effective_date, old_rent_cents, new_rent_cents, "
    "base_quarter, base_value, new_quarter, new_value, series, notes");

// Dates are kept as ISO text: readable in the file, and they sort as dates.
QString dateKey(const QDate& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QDate dateFromKey(const QString& text)
{
    // yyyy-MM-dd, read by hand: the register reads tens of thousands at once.
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            if (text[i] < u'0' || text[i] > u'9')
                return {};
            parts[p] = parts[p] * 10 + (text[i].unicode() - u'0');
        }
    }
    return QDate(parts[0], parts[1], parts[2]);
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
    }
    return {};
}

// The columns are NOT NULL: an absent value is an empty text, never a null one.
QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

Quarter quarterFromKey(const QString& key)
{
    return Quarter::fromKey(key).value_or(Quarter());
}

void bindLease(QSqlQuery& query, const Lease& lease)
{
    query.bindValue(QStringLiteral(":reference"), text(lease.reference.trimmed()));
    query.bindValue(QStringLiteral(":tenant"), text(lease.tenant));
    query.bindValue(QStringLiteral(":address"), text(lease.address));
    query.bindValue(QStringLiteral(":postal_code"), text(lease.postalCode.trimmed().toUpper()));
    query.bindValue(QStringLiteral(":territory"), text(territoryKey(lease.territory)));
    query.bindValue(QStringLiteral(":furnished"), lease.furnished ? 1 : 0);
    query.bindValue(QStringLiteral(":signing_date"), text(dateKey(lease.signingDate)));
    query.bindValue(QStringLiteral(":start_date"), text(dateKey(lease.startDate)));
    query.bindValue(QStringLiteral(":reference_quarter"), text(lease.referenceQuarter.key()));
    query.bindValue(QStringLiteral(":revision_day"), lease.revisionDay);
    query.bindValue(QStringLiteral(":revision_month"), lease.revisionMonth);
    query.bindValue(QStringLiteral(":clause"), lease.clause == Clause::HausseEtBaisse
                                                   ? QStringLiteral("hausse_baisse")
                                                   : QStringLiteral("hausse"));
    query.bindValue(QStringLiteral(":dpe_class"), text(dpeText(lease.dpeClass)));
    query.bindValue(QStringLiteral(":dpe_date"), text(dateKey(lease.dpeDate)));
    query.bindValue(QStringLiteral(":rent_cents"), lease.rentCents);
    query.bindValue(QStringLiteral(":charges_cents"), lease.chargesCents);
    query.bindValue(QStringLiteral(":prior_revision"), text(dateKey(lease.priorRevision)));
    query.bindValue(QStringLiteral(":notes"), text(lease.notes));
}

const QString kInsertLease = QStringLiteral(
    "INSERT INTO leases (reference, tenant, address, postal_code, territory, furnished, "
    "signing_date, start_date, reference_quarter, revision_day, revision_month, clause, "
    "dpe_class, dpe_date, rent_cents, charges_cents, prior_revision, notes) VALUES "
    "(:reference, :tenant, :address, :postal_code, :territory, :furnished, :signing_date, "
    ":start_date, :reference_quarter, :revision_day, :revision_month, :clause, :dpe_class, "
    ":dpe_date, :rent_cents, :charges_cents, :prior_revision, :notes)");

Lease leaseFromRow(const QSqlQuery& q)
{
    Lease lease;
    lease.id = q.value(0).toLongLong();
    lease.reference = q.value(1).toString();
    lease.tenant = q.value(2).toString();
    lease.address = q.value(3).toString();
    lease.postalCode = q.value(4).toString();
    lease.territory = territoryFromText(q.value(5).toString()).value_or(Territory::Metropole);
    lease.furnished = q.value(6).toInt() != 0;
    lease.signingDate = dateFromKey(q.value(7).toString());
    lease.startDate = dateFromKey(q.value(8).toString());
    lease.referenceQuarter = quarterFromKey(q.value(9).toString());
    lease.revisionDay = q.value(10).toInt();
    lease.revisionMonth = q.value(11).toInt();
    lease.clause = q.value(12).toString() == u"hausse_baisse" ? Clause::HausseEtBaisse
                                                              : Clause::HausseSeulement;
    lease.dpeClass = dpeFromText(q.value(13).toString()).value_or(DpeClass::None);
    lease.dpeDate = dateFromKey(q.value(14).toString());
    lease.rentCents = q.value(15).toLongLong();
    lease.chargesCents = q.value(16).toLongLong();
    lease.priorRevision = dateFromKey(q.value(17).toString());
    lease.notes = q.value(18).toString();
    return lease;
}

RevisionRecord revisionFromRow(const QSqlQuery& q)
{
    RevisionRecord rec;
    rec.id = q.value(0).toLongLong();
    rec.leaseId = q.value(1).toLongLong();
    rec.dueDate = dateFromKey(q.value(2).toString());
    rec.requestDate = dateFromKey(q.value(3).toString());
    rec.effectiveDate = dateFromKey(q.value(4).toString());
    rec.oldRentCents = q.value(5).toLongLong();
    rec.newRentCents = q.value(6).toLongLong();
    rec.baseQuarter = quarterFromKey(q.value(7).toString());
    rec.baseValue = q.value(8).toDouble();
    rec.newQuarter = quarterFromKey(q.value(9).toString());
    rec.newValue = q.value(10).toDouble();
    rec.series = seriesFromKey(q.value(11).toString()).value_or(LeaseSeries::Irl);
    rec.notes = q.value(12).toString();
    return rec;
}

QString invalidLease(const QStringList& problems)
{
    QString text = problems.join(QStringLiteral(" ; "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return QStringLiteral("Bail refusé : ") + text + u'.';
}

QString referenceExists(const QString& reference)
{
    return QStringLiteral("La référence « ") + reference.trimmed()
           + QStringLiteral(" » existe déjà dans le registre.");
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
    query.prepare(kInsertLease);
    bindLease(query, lease);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    const qint64 id = query.lastInsertId().toLongLong();
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
        "prior_revision = :prior_revision, notes = :notes WHERE id = :id"));
    bindLease(query, lease);
    query.bindValue(QStringLiteral(":id"), lease.id);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.numRowsAffected() != 1)
        return fail(QStringLiteral("Ce bail n'est plus dans le registre."));
    return transaction.commit() || failSql(transaction.error());
}

bool LeaseStore::removeLease(qint64 id)
{
    if (!checkWritable())
        return false;
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    query.prepare(QStringLiteral("DELETE FROM leases WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.numRowsAffected() != 1)
        return fail(QStringLiteral("Ce bail n'est plus dans le registre."));
    return transaction.commit() || failSql(transaction.error());
}

std::optional<Lease> LeaseStore::lease(qint64 id)
{
    if (!isOpen()) {
        fail(QStringLiteral("Le registre des baux n'est pas ouvert."));
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
        fail(QStringLiteral("Ce bail n'est plus dans le registre."));
        return std::nullopt;
    }
    return leaseFromRow(query);
}

std::optional<Lease> LeaseStore::findLease(const QString& reference)
{
    if (!isOpen()) {
        fail(QStringLiteral("Le registre des baux n'est pas ouvert."));
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
        fail(QStringLiteral("Aucun bail de référence « ") + reference.trimmed()
             + QStringLiteral(" » dans le registre."));
        return std::nullopt;
    }
    return leaseFromRow(query);
}

std::optional<std::vector<Lease>> LeaseStore::leases()
{
    if (!isOpen()) {
        fail(QStringLiteral("Le registre des baux n'est pas ouvert."));
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
            return fail(QStringLiteral("Bail « ") + lease.reference + QStringLiteral(" » : ")
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

std::optional<qint64> LeaseStore::appendRevision(const RevisionRecord& rec)
{
    if (!checkWritable())
        return std::nullopt;
    if (!rec.dueDate.isValid() || !rec.requestDate.isValid() || !rec.effectiveDate.isValid()
        || rec.newRentCents <= 0 || rec.newRentCents > kMaxAmountCents) {
        fail(QStringLiteral("Révision incomplète : elle n'est pas enregistrée."));
        return std::nullopt;
    }
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT rent_cents, (SELECT max(due_date) FROM revisions "
                                 "WHERE lease_id = leases.id) FROM leases WHERE id = ?"));
    query.addBindValue(rec.leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        fail(QStringLiteral("Ce bail n'est plus dans le registre."));
        return std::nullopt;
    }
    // Computed on a state that has changed since (another window, another
    // program): recording it would revise twice or from the wrong rent.
    if (query.value(0).toLongLong() != rec.oldRentCents) {
        fail(QStringLiteral("Le loyer de ce bail a changé depuis le calcul : recalculez la "
                            "révision."));
        return std::nullopt;
    }
    const QDate lastDue = dateFromKey(query.value(1).toString());
    if (lastDue.isValid() && rec.dueDate <= lastDue) {
        fail(QStringLiteral("Une révision du ") + lastDue.toString(u"dd/MM/yyyy")
             + QStringLiteral(" ou plus récente est déjà enregistrée pour ce bail."));
        return std::nullopt;
    }

    query.prepare(QStringLiteral(
        "INSERT INTO revisions (lease_id, due_date, request_date, effective_date, "
        "old_rent_cents, new_rent_cents, base_quarter, base_value, new_quarter, new_value, "
        "series, notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
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
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    query.prepare(QStringLiteral("UPDATE leases SET rent_cents = ? WHERE id = ?"));
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
        fail(QStringLiteral("Le registre des baux n'est pas ouvert."));
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
        fail(QStringLiteral("Le registre des baux n'est pas ouvert."));
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    // The notes stay out: the register needs the dates and the quarter only.
    if (!query.exec(QStringLiteral(
            "SELECT r.id, r.lease_id, r.due_date, r.request_date, r.effective_date, "
            "r.old_rent_cents, r.new_rent_cents, r.base_quarter, r.base_value, r.new_quarter, "
            "r.new_value, r.series, '' FROM revisions r JOIN (SELECT lease_id, max(due_date) "
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
