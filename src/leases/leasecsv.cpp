// SPDX-License-Identifier: GPL-3.0-or-later
#include "leasecsv.h"

#include "amounts.h"
#include "csvfields.h"
#include "csvtext.h"
#include "datafolder.h"
#include "dates.h"
#include "leasestore.h"
#include "quoting.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>

#include <array>
#include <optional>

namespace velmaris {

namespace {

enum Column {
    Reference,
    Tenant,
    Address,
    PostalCode,
    Town,
    TerritoryCol,
    Furnished,
    SigningDate,
    StartDate,
    ReferenceQuarter,
    RevisionDate,
    ClauseCol,
    Dpe,
    DpeDate,
    Rent,
    Charges,
    PriorRevision,
    Notes,
    AppliedRevision,
    LandlordCol, // the kind alone, as older files give it; read, no longer written
    OwnerName,
    OwnerAddress,
    OwnerPostalCode,
    OwnerTown,
    OwnerKindCol,
    TenantEmail,
    ColumnCount
};

// clang-format off
constexpr std::array<const char16_t*, ColumnCount> kHeaders = {
    u"reference",      u"locataire",           u"adresse",       u"code_postal",
    u"commune",        u"territoire",          u"meuble",        u"date_signature",
    u"date_effet",     u"trimestre_reference", u"date_revision", u"clause",
    u"dpe",            u"date_dpe",            u"loyer",         u"charges",
    u"derniere_revision", u"notes",            u"revision_appliquee", u"bailleur",
    u"bailleur_nom",   u"bailleur_adresse",    u"bailleur_code_postal", u"bailleur_commune",
    u"bailleur_type",  u"locataire_courriel"};
// clang-format on

constexpr std::array<Column, 5> kRequired = {Reference, SigningDate, StartDate, ClauseCol, Rent};

// One record being read; each bad field adds its reason. A bad field gets a
// harmless value so that validateLease() does not report it twice.
struct LeaseReading {
    const CsvRecord& record;
    const CsvSheet& sheet;
    QStringList& reasons;

    QString field(Column c) const { return sheet.field(record, c); }
    QDate date(Column c, const QString& what, QDate fallback) const
    {
        const QString text = field(c);
        if (text.isEmpty())
            return {};
        if (const std::optional<QDate> d = parseFrenchDate(text))
            return *d;
        reasons << csvFieldFault(what + QStringLiteral(" invalide"), text, CsvLayout::Date);
        return fallback;
    }
};

void readDates(const LeaseReading& in, Lease& lease)
{
    const QDate placeholder(2000, 1, 1);
    lease.signingDate = in.date(SigningDate, QStringLiteral("date de signature"), placeholder);
    lease.startDate = in.date(StartDate, QStringLiteral("date d’effet"), placeholder);
    lease.dpeDate = in.date(DpeDate, QStringLiteral("date du DPE"), {});
    lease.priorRevision = in.date(PriorRevision, QStringLiteral("date de dernière révision"), {});
    // The last revision applied in the register the file comes from counts
    // here as one made before: the same status, the same next revision.
    const QDate applied =
        in.date(AppliedRevision, QStringLiteral("date de révision appliquée"), {});
    if (applied.isValid() && (!lease.priorRevision.isValid() || applied > lease.priorRevision))
        lease.priorRevision = applied;
    if (in.field(SigningDate).isEmpty())
        in.reasons << QStringLiteral("date de signature manquante");
    if (in.field(StartDate).isEmpty())
        in.reasons << QStringLiteral("date d’effet manquante");
    if (!lease.signingDate.isValid() || !lease.startDate.isValid()) {
        lease.signingDate = placeholder;
        lease.startDate = placeholder;
    }
}

// Territory, furnished, reference quarter, revision day and clause.
void readTerms(const LeaseReading& in, Lease& lease)
{
    QStringList& reasons = in.reasons;
    if (const QString text = in.field(TerritoryCol); text.isEmpty())
        lease.territory = territoryFromPostalCode(lease.postalCode);
    else if (const std::optional<Territory> t = territoryFromText(text))
        lease.territory = *t;
    else
        reasons << QStringLiteral("territoire invalide ") + quoted(text)
                       + QStringLiteral(" (métropole, Corse ou outre-mer)");

    if (const QString text = in.field(Furnished).toLower(); text == u"oui")
        lease.furnished = true;
    else if (!text.isEmpty() && text != u"non")
        reasons << QStringLiteral("meublé invalide ") + quoted(in.field(Furnished))
                       + QStringLiteral(" (oui ou non)");


    if (const QString text = in.field(ReferenceQuarter); !text.isEmpty()) {
        std::optional<Quarter> q = Quarter::fromLabel(text);
        if (!q)
            q = Quarter::fromKey(text);
        if (q)
            lease.referenceQuarter = *q;
        else
            reasons << QStringLiteral("trimestre de référence invalide ") + quoted(text);
    }

    if (const QString text = in.field(RevisionDate); !text.isEmpty()) {
        const DayMonth dm = csvDayMonth(text).value_or(DayMonth());
        if (dm.month >= 1 && dm.month <= 12 && dm.day >= 1
            && dm.day <= QDate(2000, dm.month, 1).daysInMonth()) {
            lease.revisionDay = dm.day;
            lease.revisionMonth = dm.month;
        } else {
            reasons << csvFieldFault(QStringLiteral("date de révision invalide"), text,
                                     CsvLayout::DayMonth);
        }
    }

    if (const QString text = in.field(ClauseCol); text.isEmpty())
        reasons << QStringLiteral("clause manquante");
    else if (const std::optional<Clause> c = clauseFromText(text))
        lease.clause = *c;
    else
        reasons << QStringLiteral("clause invalide ") + quoted(text)
                       + QStringLiteral(" («\u00a0à la hausse seulement\u00a0» ou «\u00a0à la hausse et à la "
                                        "baisse\u00a0»)");
}

void readAmounts(const LeaseReading& in, Lease& lease)
{
    if (const QString text = in.field(Rent); text.isEmpty()) {
        in.reasons << QStringLiteral("loyer manquant");
        lease.rentCents = 1;
    } else if (const std::optional<qint64> c = readAmount(text); c && *c > 0) {
        lease.rentCents = *c;
    } else {
        in.reasons << csvFieldFault(QStringLiteral("loyer invalide"), text, CsvLayout::Amount);
        lease.rentCents = 1;
    }
    if (const QString text = in.field(Charges); !text.isEmpty()) {
        if (const std::optional<qint64> c = readAmount(text); c && *c >= 0)
            lease.chargesCents = *c;
        else
            in.reasons << csvFieldFault(QStringLiteral("charges invalides"), text,
                                        CsvLayout::Amount);
    }
}

// Whose the lease is: the owner's columns, the kind from bailleur_type or,
// in an older file, bailleur.
LineOwner readOwner(const LeaseReading& in, Lease& lease)
{
    LineOwner line;
    Owner& owner = line.owner;
    owner.name = in.field(OwnerName);
    for (const QString& part : in.sheet.rawField(in.record, OwnerAddress).split(u'\n'))
        if (!part.trimmed().isEmpty())
            owner.address << part.trimmed();
    owner.postalCode = csvPostalCode(in.field(OwnerPostalCode).toUpper());
    owner.town = in.field(OwnerTown);
    const bool typed = !in.field(OwnerKindCol).isEmpty();
    const QString kind = typed ? in.field(OwnerKindCol) : in.field(LandlordCol);
    if (const std::optional<OwnerKind> k = ownerKindFromText(kind); k && !kind.isEmpty()) {
        owner.kind = *k;
        line.kindGiven = true;
        lease.landlordKind = landlordKindOf(*k);
    } else if (!kind.isEmpty()) {
        in.reasons << QStringLiteral("type de bailleur invalide ") + quoted(kind)
                          + QStringLiteral(" (personne physique, SCI familiale ou société)");
    }
    if (owner.name.isEmpty()) {
        if (!owner.address.isEmpty() || !owner.postalCode.isEmpty() || !owner.town.isEmpty())
            in.reasons << QStringLiteral("adresse du bailleur sans son nom (bailleur_nom)");
        return line;
    }
    for (const QString& problem : validateOwner(owner))
        in.reasons << problem;
    return line;
}

Lease readLease(const CsvRecord& record, const CsvSheet& sheet, const QDate& today,
                QStringList& reasons, LineOwner* owner)
{
    const LeaseReading in{record, sheet, reasons};
    Lease lease;
    lease.reference = in.field(Reference);
    lease.tenant = in.field(Tenant);
    lease.tenantEmail = in.field(TenantEmail);
    lease.address = sheet.rawField(record, Address);
    lease.postalCode = csvPostalCode(in.field(PostalCode).toUpper());
    lease.town = in.field(Town);
    if (!lease.postalCode.isEmpty() && !isValidPostalCode(lease.postalCode)) {
        // Said here with what was expected; the code is then left out so
        // that validateLease() does not say it again.
        reasons << (isCorsicanCommuneCode(lease.postalCode)
                        ? postalCodeProblem(lease.postalCode)
                        : csvFieldFault(QStringLiteral("code postal invalide"), lease.postalCode,
                                        CsvLayout::PostalCode));
        lease.postalCode.clear();
    }
    lease.notes = sheet.rawField(record, Notes);
    readDates(in, lease);
    readTerms(in, lease);
    if (const std::optional<DpeClass> dpe = dpeFromText(in.field(Dpe)))
        lease.dpeClass = *dpe;
    else
        reasons << QStringLiteral("classe DPE invalide ") + quoted(in.field(Dpe))
                       + QStringLiteral(" (A à G)");
    readAmounts(in, lease);
    *owner = readOwner(in, lease);
    reasons << validateLease(lease, today);
    return lease;
}

} // namespace

CsvImport parseLeasesCsv(const QByteArray& bytes, const QDate& today)
{
    CsvImport result;
    CsvSheet sheet = readCsvSheet(bytes, {std::begin(kHeaders), std::end(kHeaders)},
                                  {std::begin(kRequired), std::end(kRequired)});
    result.errors = sheet.errors;
    if (!result.errors.isEmpty())
        return result;

    QHash<QString, int> seen; // reference -> line
    for (std::size_t r = 1; r < sheet.records.size(); ++r) {
        const CsvRecord& record = sheet.records[r];
        bool skip = false;
        if (const QString fault = sheet.shapeFault(record, &skip); skip || !fault.isEmpty()) {
            if (!skip)
                result.errors << fault;
            continue;
        }
        QStringList reasons;
        LineOwner owner;
        Lease lease = readLease(record, sheet, today, reasons, &owner);
        if (!lease.reference.isEmpty()) {
            result.references.emplace_back(record.line, lease.reference);
            const auto it = seen.constFind(lease.reference);
            if (it != seen.constEnd())
                reasons << QStringLiteral("référence ") + quoted(lease.reference)
                               + QStringLiteral(" en double (ligne %1)").arg(it.value());
            else
                seen.insert(lease.reference, record.line);
        }
        for (const QString& reason : reasons)
            result.errors << csvLineError(record.line, reason);
        if (reasons.isEmpty()) {
            result.leases.push_back(std::move(lease));
            result.owners.push_back(std::move(owner));
            result.lines.push_back(record.line);
        }
        // Read: its text goes, so that the file is never held twice over.
        sheet.records[r] = CsvRecord();
    }
    if (!result.errors.isEmpty()) {
        result.leases.clear();
        result.owners.clear();
        result.lines.clear();
    }
    return result;
}

QByteArray leasesToCsv(const std::vector<Lease>& leases,
                       const std::vector<RevisionRecord>& lastRevisions,
                       const std::vector<Owner>& owners)
{
    QHash<qint64, const Owner*> ownerOf;
    for (const Owner& owner : owners)
        ownerOf.insert(owner.id, &owner);
    QHash<qint64, QDate> applied;
    for (const RevisionRecord& rec : lastRevisions) {
        QDate& slot = applied[rec.leaseId];
        if (!slot.isValid() || rec.dueDate > slot)
            slot = rec.dueDate;
    }
    QString text;
    text.reserve(qsizetype(leases.size()) * 200 + 300);
    text += QChar(0xFEFF); // spreadsheets read the file as UTF-8 only with it
    for (int c = 0; c < ColumnCount; ++c) {
        if (c == LandlordCol)
            continue;
        if (c > 0)
            text += u';';
        text += QStringView(kHeaders[c]);
    }
    text += QStringLiteral("\r\n");
    for (const Lease& lease : leases) {
        const QString revisionDate = dayMonthText(lease.revisionDay, lease.revisionMonth);
        const Owner* owner = ownerOf.value(lease.ownerId);
        const QString fields[ColumnCount] = {
            lease.reference,
            lease.tenant,
            lease.address,
            lease.postalCode,
            lease.town,
            territoryText(lease.territory),
            lease.furnished ? QStringLiteral("oui") : QStringLiteral("non"),
            dateText(lease.signingDate),
            dateText(lease.startDate),
            lease.referenceQuarter.label(),
            revisionDate,
            clauseText(lease.clause),
            dpeText(lease.dpeClass),
            dateText(lease.dpeDate),
            amountText(lease.rentCents, AmountLayout::Plain),
            amountText(lease.chargesCents, AmountLayout::Plain),
            dateText(lease.priorRevision),
            lease.notes,
            dateText(applied.value(lease.id)),
            QString(),
            owner ? owner->name : QString(),
            owner ? owner->address.join(u'\n') : QString(),
            owner ? owner->postalCode : QString(),
            owner ? owner->town : QString(),
            owner ? ownerKindText(owner->kind) : landlordKindText(lease.landlordKind),
            lease.tenantEmail,
        };
        for (int c = 0; c < ColumnCount; ++c) {
            if (c == LandlordCol)
                continue;
            if (c > 0)
                text += u';';
            text += csvField(fields[c]);
        }
        text += QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

} // namespace velmaris
