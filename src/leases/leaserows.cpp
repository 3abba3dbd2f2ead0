// SPDX-License-Identifier: GPL-3.0-or-later
// How a lease and a revision record map onto the columns of the register.
#include "leasestore_p.h"

#include <QSqlDriver>
#include <QVariant>

namespace velmaris::storeinternal {

const QString kLeaseColumns = QStringLiteral(
    "id, reference, tenant, address, postal_code, territory, furnished, signing_date, "
    "start_date, reference_quarter, revision_day, revision_month, clause, dpe_class, dpe_date, "
    "rent_cents, charges_cents, prior_revision, notes, version, town, landlord_kind, owner_id, "
    "tenant_email");

const QString kRevisionColumns = QStringLiteral(
    "id, lease_id, due_date, request_date, effective_date, old_rent_cents, new_rent_cents, "
    "base_quarter, base_value, new_quarter, new_value, series, notes, applied_by, applied_at");

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

QVariant dateParam(const QDate& date, bool server)
{
    // A server's date columns are DATE, an absent one NULL; a file's are text.
    if (server)
        return date.isValid() ? QVariant(dateKey(date)) : QVariant(QMetaType(QMetaType::QString));
    return text(dateKey(date));
}

QDate dateFromValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QDate ? value.toDate() : dateFromKey(value.toString());
}

QDateTime dateTimeFromValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QDateTime
               ? value.toDateTime()
               : QDateTime::fromString(value.toString(), Qt::ISODate);
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

const QStringList kLeaseWrittenColumns = {QStringLiteral("reference"),
                                          QStringLiteral("tenant"),
                                          QStringLiteral("address"),
                                          QStringLiteral("postal_code"),
                                          QStringLiteral("territory"),
                                          QStringLiteral("furnished"),
                                          QStringLiteral("signing_date"),
                                          QStringLiteral("start_date"),
                                          QStringLiteral("reference_quarter"),
                                          QStringLiteral("revision_day"),
                                          QStringLiteral("revision_month"),
                                          QStringLiteral("clause"),
                                          QStringLiteral("dpe_class"),
                                          QStringLiteral("dpe_date"),
                                          QStringLiteral("rent_cents"),
                                          QStringLiteral("charges_cents"),
                                          QStringLiteral("prior_revision"),
                                          QStringLiteral("notes"),
                                          QStringLiteral("town"),
                                          QStringLiteral("landlord_kind"),
                                          QStringLiteral("owner_id"),
                                          QStringLiteral("tenant_email")};

QVariantList leaseValues(const Lease& lease, bool server)
{
    return {text(lease.reference.trimmed()),
            text(lease.tenant),
            text(lease.address),
            text(lease.postalCode.trimmed().toUpper()),
            text(territoryKey(lease.territory)),
            lease.furnished,
            dateParam(lease.signingDate, server),
            dateParam(lease.startDate, server),
            text(lease.referenceQuarter.key()),
            lease.revisionDay,
            lease.revisionMonth,
            lease.clause == Clause::HausseEtBaisse ? QStringLiteral("hausse_baisse")
                                                   : QStringLiteral("hausse"),
            text(dpeText(lease.dpeClass)),
            dateParam(lease.dpeDate, server),
            lease.rentCents,
            lease.chargesCents,
            dateParam(lease.priorRevision, server),
            text(lease.notes),
            text(lease.town.trimmed()),
            landlordKindKey(lease.landlordKind),
            lease.ownerId > 0 ? QVariant(lease.ownerId) : QVariant(QMetaType(QMetaType::LongLong)),
            text(lease.tenantEmail.trimmed())};
}

void bindLease(QSqlQuery& query, const Lease& lease)
{
    const bool server = query.driver() && query.driver()->dbmsType() == QSqlDriver::PostgreSQL;
    const QVariantList values = leaseValues(lease, server);
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(u':' + kLeaseWrittenColumns[i], values[i]);
}

const QString kInsertLease =
    QStringLiteral("INSERT INTO leases (") + kLeaseWrittenColumns.join(QStringLiteral(", "))
    + QStringLiteral(") VALUES (:") + kLeaseWrittenColumns.join(QStringLiteral(", :")) + u')';

Lease leaseFromRow(const QSqlQuery& q)
{
    Lease lease;
    lease.id = q.value(0).toLongLong();
    lease.reference = q.value(1).toString();
    lease.tenant = q.value(2).toString();
    lease.address = q.value(3).toString();
    lease.postalCode = q.value(4).toString();
    // '' is a territory still to choose; an unknown key reads as before.
    const QString territory = q.value(5).toString();
    lease.territory = territory.isEmpty()
                          ? Territory::Unset
                          : territoryFromText(territory).value_or(Territory::Metropole);
    lease.furnished = q.value(6).toInt() != 0;
    lease.signingDate = dateFromValue(q.value(7));
    lease.startDate = dateFromValue(q.value(8));
    lease.referenceQuarter = quarterFromKey(q.value(9).toString());
    lease.revisionDay = q.value(10).toInt();
    lease.revisionMonth = q.value(11).toInt();
    lease.clause = q.value(12).toString() == u"hausse_baisse" ? Clause::HausseEtBaisse
                                                              : Clause::HausseSeulement;
    lease.dpeClass = dpeFromText(q.value(13).toString()).value_or(DpeClass::None);
    lease.dpeDate = dateFromValue(q.value(14));
    lease.rentCents = q.value(15).toLongLong();
    lease.chargesCents = q.value(16).toLongLong();
    lease.priorRevision = dateFromValue(q.value(17));
    lease.notes = q.value(18).toString();
    lease.version = q.value(19).toLongLong();
    lease.town = q.value(20).toString();
    lease.landlordKind =
        landlordKindFromText(q.value(21).toString()).value_or(LandlordKind::Person);
    lease.ownerId = q.value(22).toLongLong();
    lease.tenantEmail = q.value(23).toString();
    return lease;
}

RevisionRecord revisionFromRow(const QSqlQuery& q)
{
    RevisionRecord rec;
    rec.id = q.value(0).toLongLong();
    rec.leaseId = q.value(1).toLongLong();
    rec.dueDate = dateFromValue(q.value(2));
    rec.requestDate = dateFromValue(q.value(3));
    rec.effectiveDate = dateFromValue(q.value(4));
    rec.oldRentCents = q.value(5).toLongLong();
    rec.newRentCents = q.value(6).toLongLong();
    rec.baseQuarter = quarterFromKey(q.value(7).toString());
    rec.baseValue = q.value(8).toDouble();
    rec.newQuarter = quarterFromKey(q.value(9).toString());
    rec.newValue = q.value(10).toDouble();
    rec.series = seriesFromKey(q.value(11).toString()).value_or(IndexSeries::Irl);
    rec.notes = q.value(12).toString();
    rec.appliedBy = q.value(13).toString();
    rec.appliedAt = dateTimeFromValue(q.value(14));
    return rec;
}

} // namespace velmaris::storeinternal
