#include "leasecsv.h"

#include "cents.h"
#include "csvtext.h"
#include "datafolder.h"
#include "leasestore.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <array>
#include <optional>

namespace velmaris {

namespace {

enum Column {
    Reference,
    Tenant,
    Address,
    PostalCode,
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
    ColumnCount
};

constexpr std::array<const char16_t*, ColumnCount> kHeaders = {
    u"reference",         u"locataire",  u"adresse",
    u"code_postal",       u"territoire", u"meuble",
    u"date_signature",    u"date_effet", u"trimestre_reference",
    u"date_revision",     u"clause",     u"dpe",
    u"date_dpe",          u"loyer",      u"charges",
    u"derniere_revision", u"notes"};

constexpr std::array<Column, 5> kRequired = {Reference, SigningDate, StartDate, ClauseCol, Rent};

QString quoted(QStringView text)
{
    return QStringLiteral("« ") + text.toString() + QStringLiteral(" »");
}

QString lineError(int line, const QString& reason)
{
    return QStringLiteral("ligne %1 : ").arg(line) + reason;
}

bool isDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

// dd/MM/yyyy (one-digit day and month accepted); an impossible date gives nothing.
std::optional<QDate> parseDate(QStringView text)
{
    text = text.trimmed();
    const qsizetype a = text.indexOf(u'/');
    const qsizetype b = a < 0 ? -1 : text.indexOf(u'/', a + 1);
    if (a < 1 || b < 0)
        return std::nullopt;
    const QStringView d = text.first(a), m = text.sliced(a + 1, b - a - 1), y = text.sliced(b + 1);
    if (d.size() > 2 || m.isEmpty() || m.size() > 2 || y.size() != 4 || !isDigits(d) || !isDigits(m)
        || !isDigits(y))
        return std::nullopt;
    const QDate date(y.toInt(), m.toInt(), d.toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString dateText(const QDate& date)
{
    return date.isValid() ? date.toString(u"dd/MM/yyyy") : QString();
}

// The text decoded, or the line of the first byte that is not UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes, int* badLine)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (!decoder.hasError())
        return text;
    *badLine = 1;
    for (const QByteArray& line : bytes.split('\n')) {
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(lineDecoder(line));
        if (lineDecoder.hasError())
            break;
        ++*badLine;
    }
    return std::nullopt;
}

// Reads one record into a lease; each bad field adds its reason. A bad field
// gets a harmless value so that validateLease() does not report it twice.
Lease readLease(const CsvRecord& record, const std::array<int, ColumnCount>& at,
                QStringList& reasons)
{
    auto field = [&](Column c) -> QString {
        return at[c] >= 0 ? record.fields[at[c]].trimmed() : QString();
    };
    auto date = [&](Column c, const QString& what, QDate fallback) -> QDate {
        const QString text = field(c);
        if (text.isEmpty())
            return {};
        if (const std::optional<QDate> d = parseDate(text))
            return *d;
        reasons << what + QStringLiteral(" invalide ") + quoted(text);
        return fallback;
    };

    Lease lease;
    lease.reference = field(Reference);
    lease.tenant = field(Tenant);
    lease.address = at[Address] >= 0 ? record.fields[at[Address]] : QString();
    lease.postalCode = field(PostalCode).toUpper();
    lease.notes = at[Notes] >= 0 ? record.fields[at[Notes]] : QString();

    const QDate placeholder(2000, 1, 1);
    lease.signingDate = date(SigningDate, QStringLiteral("date de signature"), placeholder);
    lease.startDate = date(StartDate, QStringLiteral("date d'effet"), placeholder);
    lease.dpeDate = date(DpeDate, QStringLiteral("date du DPE"), {});
    lease.priorRevision = date(PriorRevision, QStringLiteral("date de dernière révision"), {});
    if (field(SigningDate).isEmpty())
        reasons << QStringLiteral("date de signature manquante");
    if (field(StartDate).isEmpty())
        reasons << QStringLiteral("date d'effet manquante");
    if (!lease.signingDate.isValid() || !lease.startDate.isValid()) {
        lease.signingDate = placeholder;
        lease.startDate = placeholder;
    }

    if (const QString text = field(TerritoryCol); text.isEmpty())
        lease.territory = territoryFromPostalCode(lease.postalCode);
    else if (const std::optional<Territory> t = territoryFromText(text))
        lease.territory = *t;
    else
        reasons << QStringLiteral("territoire invalide ") + quoted(text)
                       + QStringLiteral(" (métropole, Corse ou outre-mer)");

    if (const QString text = field(Furnished).toLower(); text == u"oui")
        lease.furnished = true;
    else if (!text.isEmpty() && text != u"non")
        reasons << QStringLiteral("meublé invalide ") + quoted(field(Furnished))
                       + QStringLiteral(" (oui ou non)");

    if (const QString text = field(ReferenceQuarter); !text.isEmpty()) {
        std::optional<Quarter> q = Quarter::fromLabel(text);
        if (!q)
            q = Quarter::fromKey(text);
        if (q)
            lease.referenceQuarter = *q;
        else
            reasons << QStringLiteral("trimestre de référence invalide ") + quoted(text);
    }

    if (const QString text = field(RevisionDate); !text.isEmpty()) {
        const qsizetype slash = text.indexOf(u'/');
        const QStringView d = QStringView(text).first(std::max<qsizetype>(slash, 0));
        const QStringView m = slash < 0 ? QStringView() : QStringView(text).sliced(slash + 1);
        const int day = isDigits(d) && d.size() <= 2 ? d.toInt() : 0;
        const int month = isDigits(m) && m.size() <= 2 ? m.toInt() : 0;
        if (month >= 1 && month <= 12 && day >= 1 && day <= QDate(2000, month, 1).daysInMonth()) {
            lease.revisionDay = day;
            lease.revisionMonth = month;
        } else {
            reasons << QStringLiteral("date de révision invalide ") + quoted(text)
                           + QStringLiteral(" (jour/mois)");
        }
    }

    if (const QString text = field(ClauseCol); text.isEmpty())
        reasons << QStringLiteral("clause manquante");
    else if (const std::optional<Clause> c = clauseFromText(text))
        lease.clause = *c;
    else
        reasons << QStringLiteral("clause invalide ") + quoted(text)
                       + QStringLiteral(" (« à la hausse seulement » ou « à la hausse et à la "
                                        "baisse »)");

    if (const std::optional<DpeClass> dpe = dpeFromText(field(Dpe)))
        lease.dpeClass = *dpe;
    else
        reasons << QStringLiteral("classe DPE invalide ") + quoted(field(Dpe))
                       + QStringLiteral(" (A à G)");

    if (const QString text = field(Rent); text.isEmpty()) {
        reasons << QStringLiteral("loyer manquant");
        lease.rentCents = 1;
    } else if (const std::optional<qint64> c = parseCents(text); c && *c > 0) {
        lease.rentCents = *c;
    } else {
        reasons << QStringLiteral("loyer invalide ") + quoted(text);
        lease.rentCents = 1;
    }
    if (const QString text = field(Charges); !text.isEmpty()) {
        if (const std::optional<qint64> c = parseCents(text); c && *c >= 0)
            lease.chargesCents = *c;
        else
            reasons << QStringLiteral("charges invalides ") + quoted(text);
    }
    reasons << validateLease(lease);
    return lease;
}

} // namespace

CsvImport parseLeasesCsv(const QByteArray& bytes)
{
    CsvImport result;
    int badLine = 0;
    std::optional<QString> decoded = decodeUtf8(bytes, &badLine);
    if (!decoded) {
        result.errors << lineError(badLine, QStringLiteral("le fichier n'est pas en UTF-8 "
                                                           "(enregistrez-le au format « CSV "
                                                           "UTF-8 »)"));
        return result;
    }
    QStringView text = *decoded;
    if (text.startsWith(QChar(0xFEFF)))
        text = text.sliced(1);

    std::vector<CsvRecord> records;
    if (int openedOn = 0; !splitCsv(text, &records, &openedOn)) {
        result.errors << lineError(openedOn, QStringLiteral("guillemet non fermé"));
        return result;
    }
    if (records.empty()) {
        result.errors << QStringLiteral("fichier vide : la ligne d'en-tête manque");
        return result;
    }

    // The header names the columns; their order is free.
    std::array<int, ColumnCount> at;
    at.fill(-1);
    const CsvRecord& header = records.front();
    for (int i = 0; i < int(header.fields.size()); ++i) {
        const QString name = header.fields[i].trimmed().toLower();
        int column = -1;
        for (int c = 0; c < ColumnCount; ++c) {
            if (name == QStringView(kHeaders[c]))
                column = c;
        }
        if (column < 0)
            result.errors << lineError(header.line,
                                       QStringLiteral("colonne inconnue ") + quoted(name));
        else if (at[column] >= 0)
            result.errors << lineError(header.line,
                                       QStringLiteral("colonne en double ") + quoted(name));
        else
            at[column] = i;
    }
    for (Column c : kRequired) {
        if (at[c] < 0)
            result.errors << lineError(header.line, QStringLiteral("colonne manquante ")
                                                        + quoted(QStringView(kHeaders[c])));
    }
    if (!result.errors.isEmpty())
        return result;

    QHash<QString, int> seen; // reference -> line
    const int width = int(header.fields.size());
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        bool blank = true;
        for (const QString& f : record.fields)
            blank = blank && f.trimmed().isEmpty();
        if (blank)
            continue; // spreadsheets leave empty rows behind
        if (int(record.fields.size()) != width) {
            result.errors << lineError(
                record.line,
                QStringLiteral("%1 champs au lieu de %2").arg(record.fields.size()).arg(width));
            continue;
        }
        QStringList reasons;
        Lease lease = readLease(record, at, reasons);
        if (!lease.reference.isEmpty()) {
            const auto it = seen.constFind(lease.reference);
            if (it != seen.constEnd())
                reasons << QStringLiteral("référence ") + quoted(lease.reference)
                               + QStringLiteral(" en double (ligne %1)").arg(it.value());
            else
                seen.insert(lease.reference, record.line);
        }
        for (const QString& reason : reasons)
            result.errors << lineError(record.line, reason);
        if (reasons.isEmpty()) {
            result.leases.push_back(std::move(lease));
            result.lines.push_back(record.line);
        }
    }
    if (!result.errors.isEmpty()) {
        result.leases.clear();
        result.lines.clear();
    }
    return result;
}

QByteArray leasesToCsv(const std::vector<Lease>& leases)
{
    QString text;
    text.reserve(qsizetype(leases.size()) * 200 + 300);
    text += QChar(0xFEFF); // spreadsheets read the file as UTF-8 only with it
    for (int c = 0; c < ColumnCount; ++c) {
        if (c > 0)
            text += u';';
        text += QStringView(kHeaders[c]);
    }
    text += QStringLiteral("\r\n");
    for (const Lease& lease : leases) {
        const QString revisionDate = lease.revisionDay > 0
                                         ? QStringLiteral("%1/%2")
                                               .arg(lease.revisionDay, 2, 10, QChar(u'0'))
                                               .arg(lease.revisionMonth, 2, 10, QChar(u'0'))
                                         : QString();
        const QString fields[ColumnCount] = {
            lease.reference,
            lease.tenant,
            lease.address,
            lease.postalCode,
            territoryText(lease.territory),
            lease.furnished ? QStringLiteral("oui") : QStringLiteral("non"),
            dateText(lease.signingDate),
            dateText(lease.startDate),
            lease.referenceQuarter.label(),
            revisionDate,
            clauseText(lease.clause),
            dpeText(lease.dpeClass),
            dateText(lease.dpeDate),
            centsText(lease.rentCents, false),
            centsText(lease.chargesCents, false),
            dateText(lease.priorRevision),
            lease.notes,
        };
        for (int c = 0; c < ColumnCount; ++c) {
            if (c > 0)
                text += u';';
            text += csvField(fields[c]);
        }
        text += QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

ImportOutcome importLeasesCsv(LeaseStore& store, const QString& path)
{
    ImportOutcome outcome;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        outcome.errors << QStringLiteral("Impossible de lire le fichier ")
                              + quoted(QDir::toNativeSeparators(path)) + u'.';
        return outcome;
    }
    if (file.size() > kMaxCsvBytes) {
        outcome.errors << QStringLiteral("Le fichier ") + quoted(QDir::toNativeSeparators(path))
                              + QStringLiteral(" est trop volumineux (64 Mo au plus).");
        return outcome;
    }
    const CsvImport csv = parseLeasesCsv(file.readAll());
    if (!csv.ok()) {
        outcome.errors = csv.errors;
        return outcome;
    }
    std::vector<int> clashes;
    if (!store.importLeases(csv.leases, &clashes)) {
        for (int i : clashes)
            outcome.errors << lineError(csv.lines[i], QStringLiteral("référence ")
                                                          + quoted(csv.leases[i].reference)
                                                          + QStringLiteral(" déjà dans le "
                                                                           "registre"));
        if (clashes.empty())
            outcome.errors << store.error();
        return outcome;
    }
    outcome.ok = true;
    outcome.imported = int(csv.leases.size());
    return outcome;
}

bool exportLeasesCsv(LeaseStore& store, const QString& path, QString* error)
{
    const std::optional<std::vector<Lease>> leases = store.leases();
    if (!leases) {
        if (error)
            *error = store.error();
        return false;
    }
    QString reason;
    if (!writeFileSafely(path, leasesToCsv(*leases), &reason)) {
        if (error)
            *error = QStringLiteral("Export impossible : ") + reason + u'.';
        return false;
    }
    return true;
}

} // namespace velmaris
