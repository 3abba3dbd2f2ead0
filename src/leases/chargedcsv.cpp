#include "chargedcsv.h"

#include "cents.h"
#include "csvtext.h"
#include "dates.h"
#include "leasecsv.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <array>
#include <optional>

namespace velmaris {

namespace {

enum Column { Month, Rent, Request, ColumnCount };

constexpr std::array<const char16_t*, ColumnCount> kHeaders = {u"mois", u"loyer", u"date_demande"};

QString quoted(QStringView text)
{
    return QStringLiteral("« ") + text.toString() + QStringLiteral(" »");
}

QString lineError(int line, const QString& reason)
{
    return QStringLiteral("ligne %1 : ").arg(line) + reason;
}

// dd/mm/yyyy with a four-digit year, as every date of the program's files.
std::optional<QDate> parseFileDate(QStringView text)
{
    text = text.trimmed();
    const QList<QStringView> parts = text.split(u'/');
    if (parts.size() != 3 || parts[2].size() != 4)
        return std::nullopt;
    return parseFrenchDate(text);
}

// Spreadsheets format amounts as currency: "850,00 €".
std::optional<qint64> parseAmount(QStringView text)
{
    text = text.trimmed();
    if (text.endsWith(u'€'))
        text.chop(1);
    return parseCents(text);
}

bool decodeUtf8(const QByteArray& bytes, QString* text, int* badLine)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = decoder(bytes);
    if (!decoder.hasError())
        return true;
    *badLine = 1;
    for (const QByteArray& line : bytes.split('\n')) {
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(lineDecoder(line));
        if (lineDecoder.hasError())
            break;
        ++*badLine;
    }
    return false;
}

} // namespace

ChargedCsvImport parseChargedRentsCsv(const QByteArray& bytes, const Lease& lease)
{
    ChargedCsvImport result;
    QString decoded;
    if (int badLine = 0; !decodeUtf8(bytes, &decoded, &badLine)) {
        result.errors << lineError(badLine, QStringLiteral("le fichier n'est pas en UTF-8 "
                                                           "(enregistrez-le au format « CSV "
                                                           "UTF-8 »)"));
        return result;
    }
    QStringView text = decoded;
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
    for (Column c : {Month, Rent}) {
        if (at[c] < 0)
            result.errors << lineError(header.line, QStringLiteral("colonne manquante ")
                                                        + quoted(QStringView(kHeaders[c])));
    }
    if (!result.errors.isEmpty())
        return result;

    QHash<QDate, int> seen; // month -> line
    const int width = int(header.fields.size());
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        bool blank = true;
        for (const QString& f : record.fields)
            blank = blank && f.trimmed().isEmpty();
        if (blank)
            continue;
        if (int(record.fields.size()) != width) {
            result.errors << lineError(
                record.line,
                QStringLiteral("%1 champs au lieu de %2").arg(record.fields.size()).arg(width));
            continue;
        }
        auto field = [&](Column c) {
            return at[c] >= 0 ? record.fields[at[c]].trimmed() : QString();
        };
        QStringList reasons;
        ChargedRent period;
        if (const QString t = field(Month); t.isEmpty())
            reasons << QStringLiteral("mois manquant");
        else if (const std::optional<QDate> m = parseMonth(t))
            period.month = *m;
        else
            reasons << QStringLiteral("mois invalide ") + quoted(t) + QStringLiteral(" (mm/aaaa)");
        if (const QString t = field(Rent); t.isEmpty())
            reasons << QStringLiteral("loyer manquant");
        else if (const std::optional<qint64> c = parseAmount(t); c && *c > 0)
            period.rentCents = *c;
        else
            reasons << QStringLiteral("loyer invalide ") + quoted(t);
        if (const QString t = field(Request); !t.isEmpty()) {
            if (const std::optional<QDate> d = parseFileDate(t))
                period.requestDate = *d;
            else
                reasons << QStringLiteral("date de demande invalide ") + quoted(t)
                               + QStringLiteral(" (jj/mm/aaaa)");
        }
        if (reasons.isEmpty()) {
            reasons << validateChargedRent(period, lease);
            const auto it = seen.constFind(period.month);
            if (it != seen.constEnd())
                reasons << QStringLiteral("mois ") + monthText(period.month)
                               + QStringLiteral(" en double (ligne %1)").arg(it.value());
            else
                seen.insert(period.month, record.line);
        }
        for (const QString& reason : reasons)
            result.errors << lineError(record.line, reason);
        if (reasons.isEmpty())
            result.periods.push_back(period);
    }
    if (!result.errors.isEmpty())
        result.periods.clear();
    else if (result.periods.empty())
        result.errors << QStringLiteral("aucun loyer dans le fichier");
    sortChargedRents(result.periods);
    return result;
}

ChargedCsvImport readChargedRentsCsv(const QString& path, const Lease& lease)
{
    ChargedCsvImport result;
    const QString name = quoted(QDir::toNativeSeparators(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.errors << QStringLiteral("Impossible de lire le fichier ") + name + u'.';
        return result;
    }
    if (file.size() > kMaxCsvBytes) {
        result.errors << QStringLiteral("Le fichier ") + name
                             + QStringLiteral(" est trop volumineux (64 Mo au plus).");
        return result;
    }
    return parseChargedRentsCsv(file.readAll(), lease);
}

QByteArray chargedRentsToCsv(const std::vector<ChargedRent>& periods)
{
    QString text;
    text += QChar(0xFEFF); // spreadsheets read the file as UTF-8 only with it
    text += QStringLiteral("mois;loyer;date_demande\r\n");
    for (const ChargedRent& p : periods) {
        text += monthText(p.month) + u';' + centsText(p.rentCents, false) + u';'
                + (p.requestDate.isValid() ? p.requestDate.toString(u"dd/MM/yyyy") : QString())
                + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

} // namespace velmaris
