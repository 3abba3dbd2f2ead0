// SPDX-License-Identifier: GPL-3.0-or-later
#include "leasefields.h"

#include "amounts.h"
#include "csvfields.h"
#include "dates.h"
#include "duedates.h"
#include "quoting.h"

#include <algorithm>

namespace velmaris {

namespace {

// An optional date: empty is none, anything unreadable a problem.
QDate optionalDate(const QString& text, const QString& what, QStringList* problems)
{
    if (text.trimmed().isEmpty())
        return {};
    if (const std::optional<QDate> date = parseFrenchDate(text))
        return *date;
    *problems << csvFieldFault(what + QStringLiteral(" invalide"), text.trimmed(), CsvLayout::Date);
    return {};
}

} // namespace

LeaseFields fieldsOf(const Lease& lease)
{
    LeaseFields f;
    f.reference = lease.reference;
    f.tenant = lease.tenant;
    f.tenantEmail = lease.tenantEmail;
    f.address = lease.address;
    f.postalCode = lease.postalCode;
    f.town = lease.town;
    f.territory = lease.territory;
    f.furnished = lease.furnished;
    f.ownerId = lease.ownerId;
    f.signingDate = dateText(lease.signingDate);
    f.startDate = dateText(lease.startDate);
    f.referenceQuarter = lease.referenceQuarter;
    f.revisionDate = dayMonthText(lease.revisionDay, lease.revisionMonth);
    f.clause = lease.clause;
    f.dpe = lease.dpeClass;
    f.dpeDate = dateText(lease.dpeDate);
    f.rent = lease.rentCents > 0 ? amountText(lease.rentCents) : QString();
    f.charges = lease.chargesCents > 0 ? amountText(lease.chargesCents) : QString();
    f.priorRevision = dateText(lease.priorRevision);
    f.notes = lease.notes;
    return f;
}

Lease leaseOf(const LeaseFields& f, qint64 id, QStringList* problems)
{
    QStringList read; // what the boxes hold that is no value at all
    Lease lease;
    lease.id = id;
    lease.reference = f.reference.trimmed();
    lease.tenant = f.tenant.trimmed();
    lease.tenantEmail = f.tenantEmail.trimmed();
    lease.address = f.address.trimmed();
    lease.postalCode = f.postalCode.trimmed().toUpper();
    lease.town = f.town.simplified();
    lease.territory = f.territory;
    lease.furnished = f.furnished;
    lease.ownerId = std::max<qint64>(f.ownerId, 0);
    lease.signingDate = parseFrenchDate(f.signingDate).value_or(QDate());
    lease.startDate = parseFrenchDate(f.startDate).value_or(QDate());
    lease.referenceQuarter = f.referenceQuarter;
    if (!f.revisionDate.trimmed().isEmpty()) {
        const std::optional<DayMonth> dm = parseDayMonth(f.revisionDate);
        // 29 February counts: in other years the revision falls on 1 March.
        if (dm && dm->month >= 1 && dm->month <= 12 && dm->day >= 1
            && dm->day <= QDate(2000, dm->month, 1).daysInMonth()) {
            lease.revisionDay = dm->day;
            lease.revisionMonth = dm->month;
        } else {
            read << csvFieldFault(QStringLiteral("date de révision invalide"),
                                  f.revisionDate.trimmed(), CsvLayout::DayMonth);
        }
    }
    lease.clause = f.clause;
    lease.dpeClass = f.dpe;
    lease.dpeDate = optionalDate(f.dpeDate, QStringLiteral("date du DPE"), &read);

    bool rentUnreadable = false;
    if (!f.rent.trimmed().isEmpty()) {
        if (const std::optional<qint64> cents = readAmount(f.rent)) {
            lease.rentCents = *cents;
        } else {
            rentUnreadable = true;
            read << csvFieldFault(QStringLiteral("loyer invalide"), f.rent.trimmed(),
                                  CsvLayout::Amount);
        }
    }
    if (!f.charges.trimmed().isEmpty()) {
        if (const std::optional<qint64> cents = readAmount(f.charges))
            lease.chargesCents = *cents;
        else
            read << csvFieldFault(QStringLiteral("charges invalides"), f.charges.trimmed(),
                                  CsvLayout::Amount);
    }
    lease.priorRevision =
        optionalDate(f.priorRevision, QStringLiteral("date de dernière révision"), &read);
    lease.notes = f.notes;

    // The register's own reasons, said of what was typed.
    QStringList checked = validateLease(lease, QDate::currentDate());
    for (qsizetype i = checked.size() - 1; i >= 0; --i) {
        QString& p = checked[i];
        auto aboutDate = [&](const QString& reason, const QString& typed, const QString& what) {
            if (p != reason)
                return;
            p = typed.trimmed().isEmpty() ? what + QStringLiteral(" manquante")
                                          : csvFieldFault(reason, typed.trimmed(), CsvLayout::Date);
        };
        aboutDate(QStringLiteral("date de signature invalide"), f.signingDate,
                  QStringLiteral("date de signature"));
        aboutDate(QStringLiteral("date d’effet invalide"), f.startDate,
                  QStringLiteral("date d’effet"));
        if (rentUnreadable && p == u"loyer manquant")
            checked.removeAt(i);
    }
    if (problems)
        *problems = checked + read;
    return lease;
}

QString referenceQuarterHint(const QDate& signingDate, const IndexTable& table)
{
    if (!signingDate.isValid())
        return QStringLiteral("Sans trimestre indiqué\u00a0: le dernier publié à la date de signature.");
    Lease lease;
    lease.signingDate = signingDate;
    const std::optional<Quarter> quarter = referenceQuarterOf(lease, table);
    if (!quarter)
        return QStringLiteral("Aucun indice publié au ") + dateText(signingDate) + u'.';
    return QStringLiteral("Sans trimestre indiqué\u00a0: ") + quarter->label()
           + QStringLiteral(", dernier publié au ") + dateText(signingDate) + u'.';
}

} // namespace velmaris
