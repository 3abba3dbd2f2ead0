// SPDX-License-Identifier: GPL-3.0-or-later
// The agency that manages the register, one row or none.
#include "leasestore.h"

#include "leasestore_p.h"

#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

const QString kAgencyColumns =
    QStringLiteral("name, address, postal_code, town, card_number, card_chamber, guarantor_name, "
                   "guarantor_address, email, phone, version");

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

} // namespace

std::optional<Agency> LeaseStore::agency()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT ") + kAgencyColumns
                    + QStringLiteral(" FROM agency WHERE id = 1"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    Agency agency;
    if (!query.next())
        return agency;
    agency.name = query.value(0).toString();
    agency.address = linesOf(query.value(1).toString());
    agency.postalCode = query.value(2).toString();
    agency.town = query.value(3).toString();
    agency.cardNumber = query.value(4).toString();
    agency.cardChamber = query.value(5).toString();
    agency.guarantorName = query.value(6).toString();
    agency.guarantorAddress = linesOf(query.value(7).toString());
    agency.email = query.value(8).toString();
    agency.phone = query.value(9).toString();
    agency.version = query.value(10).toLongLong();
    return agency;
}

bool LeaseStore::setAgency(const Agency& agency)
{
    if (!checkWritable())
        return false;
    if (const QStringList problems = validateAgency(agency); !problems.isEmpty()) {
        QString text = problems.join(QStringLiteral("\u00a0; "));
        text[0] = text[0].toUpper();
        return fail(QStringLiteral("Agence refusée\u00a0: ") + text + u'.');
    }
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    // Read at one version, written over another desk's change: refused.
    if (!query.exec(QStringLiteral("SELECT version FROM agency WHERE id = 1")))
        return failSql(query.lastError());
    const qint64 there = query.next() ? query.value(0).toLongLong() : 0;
    if (agency.version != 0 && agency.version != there)
        return failKind(StoreError::Conflict);
    if (!query.exec(QStringLiteral("DELETE FROM agency")))
        return failSql(query.lastError());
    if (agency.isSet()) {
        query.prepare(QStringLiteral("INSERT INTO agency (id, ") + kAgencyColumns
                      + QStringLiteral(") VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QVariantList values = {text(agency.name.trimmed()),
                                     textOf(agency.address),
                                     text(agency.postalCode.trimmed()),
                                     text(agency.town.trimmed()),
                                     text(agency.cardNumber.trimmed()),
                                     text(agency.cardChamber.trimmed()),
                                     text(agency.guarantorName.trimmed()),
                                     textOf(agency.guarantorAddress),
                                     text(agency.email.trimmed()),
                                     text(agency.phone.trimmed()),
                                     there + 1};
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            return failSql(query.lastError());
    }
    return transaction.commit() || failSql(transaction.error());
}

} // namespace velmaris
