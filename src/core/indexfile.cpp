// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexfile.h"

#include "datafolder.h"
#include "dates.h"
#include "indexseries.h"
#include "indexvalue.h"
#include "numbers.h"
#include "safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace velmaris {

namespace {

// A faulty record: its line and what is wrong with it.
struct Fault {
    int line = 0;
    QString reason;
};

QString number(double value)
{
    return formatGeneral(value);
}

double iccOf(const IndexRow& row)
{
    return row.icc;
}

bool isBlankRecord(QStringView record)
{
    for (QChar c : record)
        if (c != u' ' && c != u'\t')
            return false;
    return true;
}

class Parser {
public:
    std::optional<Fault> record(QStringView text, int line, bool afterComma);
    std::optional<Fault> finish();
    std::vector<IndexRow> takeRows() { return std::move(m_rows); }
    bool empty() const { return m_rows.empty(); }

private:
    std::optional<Fault> value(QStringView text, int line, const QString& what, Quarter quarter,
                               double* out);
    std::optional<Fault> order(Quarter quarter, int line) const;
    std::optional<Fault> values(const std::vector<QStringView>& columns, int line, IndexRow& row);
    std::optional<Fault> publication(QStringView text, int line, IndexRow& row) const;

    std::vector<IndexRow> m_rows;
    std::vector<int> m_lines; // the line of each row, for the checks made once all are read
};

std::optional<Fault> Parser::value(QStringView text, int line, const QString& what, Quarter quarter,
                                   double* out)
{
    *out = 0;
    if (isBlankRecord(text))
        return std::nullopt; // no value for this quarter
    const std::optional<double> v = parseIndexValue(text);
    if (!v)
        return Fault{line, QStringLiteral("%1 du %2 « %3 » n'est pas un nombre (des chiffres, avec "
                                          "au plus un point ou une virgule)")
                               .arg(what, quarter.label(), text.trimmed().toString())};
    if (!(*v > 0))
        return Fault{line, QStringLiteral("%1 du %2 vaut %3 : un indice est toujours positif")
                               .arg(what, quarter.label(), number(*v))};
    // Beyond six decimals a value would no longer be exact in the revision.
    if (indexDecimals(text) > IndexValue::kDecimals)
        return Fault{line, QStringLiteral("%1 du %2 « %3 » a plus de %4 décimales")
                               .arg(what, quarter.label(), text.trimmed().toString())
                               .arg(IndexValue::kDecimals)};
    *out = *v;
    return std::nullopt;
}

// A line's columns, tab separated, without the empty ones at its end.
std::vector<QStringView> columnsOf(QStringView text)
{
    std::vector<QStringView> columns;
    for (qsizetype from = 0;;) {
        const qsizetype tab = text.indexOf(u'\t', from);
        columns.push_back(text.mid(from, tab < 0 ? -1 : tab - from));
        if (tab < 0)
            break;
        from = tab + 1;
    }
    // Empty columns at the end of a line say nothing.
    while (columns.size() > 3 && isBlankRecord(columns.back()))
        columns.pop_back();
    return columns;
}

std::optional<Fault> Parser::record(QStringView text, int line, bool afterComma)
{
    if (int(m_rows.size()) >= kMaxRows)
        return Fault{line, QStringLiteral("plus de %1 trimestres : ce n'est pas un fichier des "
                                          "indices")
                               .arg(kMaxRows)};

    const std::vector<QStringView> columns = columnsOf(text);
    const std::optional<Quarter> key = Quarter::fromKey(columns[0]);
    if (!key) {
        QString reason = QStringLiteral("« %1 » n'est pas un trimestre (chiffre du trimestre "
                                        "puis année, par exemple 32019)")
                             .arg(columns[0].trimmed().toString());
        if (afterComma)
            reason += QStringLiteral(" ; une virgule coupe la ligne en deux enregistrements, même "
                                     "dans un commentaire : n'en mettez aucune");
        return Fault{line, reason};
    }
    const Quarter quarter = *key;
    if (columns.size() < 3)
        return Fault{line, QStringLiteral("la ligne du %1 doit tenir le trimestre, l'indice et la "
                                          "date de parution séparés par des tabulations")
                               .arg(quarter.label())};
    if (auto fault = order(quarter, line))
        return fault;

    IndexRow row;
    row.quarter = quarter;
    if (auto fault = values(columns, line, row))
        return fault;
    if (auto fault = publication(columns[2], line, row))
        return fault;
    m_rows.push_back(row);
    m_lines.push_back(line);
    return std::nullopt;
}

// Newest first, each quarter once, none left out.
std::optional<Fault> Parser::order(Quarter quarter, int line) const
{
    if (m_rows.empty())
        return std::nullopt;
    const Quarter newer = m_rows.back().quarter;
    if (quarter == newer)
        return Fault{line, QStringLiteral("le %1 figure deux fois").arg(quarter.label())};
    if (quarter > newer)
        return Fault{line, QStringLiteral("le %1 vient après le %2, plus ancien : les "
                                          "trimestres vont du plus récent au plus ancien")
                               .arg(quarter.label(), newer.label())};
    if (quarter != newer.previous()) {
        const Quarter first = newer.previous();
        const Quarter last = quarter.next();
        const QString missing = first == last
                                    ? QStringLiteral("le %1 manque").arg(first.label())
                                    : QStringLiteral("les trimestres du %1 au %2 manquent")
                                          .arg(last.label(), first.label());
        return Fault{
            line,
            QStringLiteral("%1 entre le %2 et le %3").arg(missing, newer.label(), quarter.label())};
    }
    return std::nullopt;
}

// The index columns: the ICC (and the IRL when known) up to the 2nd quarter
// 2005, then the IRL and its Corsica and overseas values.
std::optional<Fault> Parser::values(const std::vector<QStringView>& columns, int line,
                                    IndexRow& row)
{
    const Quarter quarter = row.quarter;
    const int count = int(columns.size());
    const int allowed = rowHoldsIcc(quarter) ? 4 : 5;
    if (count > allowed)
        return Fault{line, QStringLiteral("la ligne du %1 a plus de %2 colonnes")
                               .arg(quarter.label())
                               .arg(allowed)};
    if (!rowHoldsIcc(quarter)) {
        if (auto fault = value(columns[1], line, QStringLiteral("l'IRL"), quarter, &row.irl))
            return fault;
        if (count > 3)
            if (auto fault =
                    value(columns[3], line, QStringLiteral("l'IRL Corse"), quarter, &row.irlCorse))
                return fault;
        if (count > 4)
            if (auto fault = value(columns[4], line, QStringLiteral("l'IRL outre-mer"), quarter,
                                   &row.irlOutreMer))
                return fault;
        return std::nullopt;
    }
    double icc = 0;
    if (auto fault = value(columns[1], line, QStringLiteral("l'ICC"), quarter, &icc))
        return fault;
    // ICC values are whole numbers; a stored decimal is rounded half to even.
    const double rounded = std::nearbyint(icc);
    if (rounded > 32767)
        return Fault{line, QStringLiteral("l'ICC du %1 vaut %2 : trop grand pour un ICC")
                               .arg(quarter.label(), number(icc))};
    if (icc > 0 && rounded < 1)
        return Fault{line, QStringLiteral("l'ICC du %1 vaut %2 : un indice est toujours "
                                          "positif")
                               .arg(quarter.label(), number(icc))};
    row.icc = qint16(rounded);
    if (count > 3)
        if (auto fault = value(columns[3], line, QStringLiteral("l'IRL"), quarter, &row.irl))
            return fault;
    return std::nullopt;
}

// After the quarter's end, within 18 months, never later than the row above.
std::optional<Fault> Parser::publication(QStringView text, int line, IndexRow& row) const
{
    const Quarter quarter = row.quarter;
    const std::optional<QDate> published = parseFrenchDate(text);
    if (!published)
        return Fault{line, QStringLiteral("la date de parution du %1 « %2 » n'est pas une date "
                                          "(jj/mm/aaaa)")
                               .arg(quarter.label(), text.trimmed().toString())};
    if (*published <= quarter.lastDay() || *published > quarter.lastDay().addMonths(18))
        return Fault{line, QStringLiteral("le %1 ne peut pas avoir paru le %2 : un indice paraît "
                                          "après la fin de son trimestre et dans les 18 mois")
                               .arg(quarter.label(), dateText(*published))};
    if (!m_rows.empty() && *published > m_rows.back().published)
        return Fault{line, QStringLiteral("le %1 a paru le %2, après le %3 paru le %4 : les dates "
                                          "de parution ne croissent pas vers le bas du fichier")
                               .arg(quarter.label(), dateText(*published), m_rows.back().label(),
                                    dateText(m_rows.back().published))};
    row.published = *published;
    return std::nullopt;
}

// A value far from the one before it in its series is a slip of the keyboard
// (1457.8 for 145.78), not an index.
std::optional<Fault> Parser::finish()
{
    struct Series {
        double (*get)(const IndexRow&);
        const char16_t* name;
    };
    static constexpr Series series[] = {
        {iccOf, u"l'ICC"},
        {[](const IndexRow& r) { return r.irl; }, u"l'IRL"},
        {[](const IndexRow& r) { return r.irlCorse; }, u"l'IRL Corse"},
        {[](const IndexRow& r) { return r.irlOutreMer; }, u"l'IRL outre-mer"},
    };
    for (const Series& s : series) {
        // From the oldest row up, each present value against the next older present one.
        const IndexRow* older = nullptr;
        for (std::size_t i = m_rows.size(); i-- > 0;) {
            const double v = s.get(m_rows[i]);
            if (v == 0)
                continue;
            if (older) {
                const double base = s.get(*older);
                if (std::fabs(v - base) > 0.25 * base)
                    return Fault{m_lines[i],
                                 QStringLiteral("%1 du %2 (%3) s'écarte de plus de 25 % de celui "
                                                "du %4 (%5) : une erreur de saisie ?")
                                     .arg(QString::fromUtf16(s.name), m_rows[i].label(), number(v),
                                          older->label(), number(base))};
            }
            older = &m_rows[i];
        }
    }
    return std::nullopt;
}

// The mean of an ICC and the three older ones, only where all four exist. A
// table of five rows or fewer gets none, as it always has.
void computeAverages(std::vector<IndexRow>& rows)
{
    const int last = int(rows.size()) - 1;
    if (last <= 4)
        return;
    for (int i = 0; i <= last - 3; ++i) {
        const IndexRow* four[] = {&rows[i], &rows[i + 1], &rows[i + 2], &rows[i + 3]};
        double sum = 0;
        bool complete = true;
        for (const IndexRow* r : four) {
            complete = complete && r->icc != 0;
            sum += r->icc;
        }
        rows[i].average = complete ? sum / 4 : 0;
    }
}

IndexFileResult corrupt(const Fault& fault)
{
    IndexFileResult result;
    result.status = IndexFileResult::Status::Corrupt;
    result.badLine = fault.line;
    result.reason = fault.reason;
    return result;
}

} // namespace

IndexFileResult parseIndexFile(const QByteArray& bytes)
{
    if (bytes.size() > kMaxIndexFileBytes)
        return corrupt({0, QStringLiteral("le fichier dépasse 4 Mio : ce n'est pas un fichier des "
                                          "indices")});
    Parser parser;
    int lineNumber = 0;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        // Lines end in CR LF, LF or CR alone.
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        ++lineNumber;
        const QByteArrayView raw(bytes.constData() + pos, end - pos);
        pos = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n')
            ++pos;

        // The file is 8-bit ANSI text; only digits, tabs and dates matter here.
        const QString line = QString::fromLatin1(raw);
        qsizetype start = 0;
        bool afterComma = false;
        while (start <= line.size()) {
            qsizetype comma = line.indexOf(u',', start);
            if (comma < 0)
                comma = line.size();
            QStringView record = QStringView(line).mid(start, comma - start);
            while (!record.isEmpty() && record.front() == u' ')
                record = record.sliced(1);
            if (!isBlankRecord(record) && record.front() != u'\'')
                if (auto fault = parser.record(record, lineNumber, afterComma))
                    return corrupt(*fault);
            start = comma + 1;
            afterComma = true;
        }
    }
    if (auto fault = parser.finish())
        return corrupt(*fault);
    // An emptied file (a disk that filled up under another program) is no
    // table of no rows: every revision would then fail for want of an index.
    if (parser.empty())
        return corrupt({0, bytes.isEmpty() ? QStringLiteral("le fichier est vide")
                                           : QStringLiteral("le fichier ne contient aucun "
                                                            "trimestre")});

    IndexFileResult result;
    result.rows = parser.takeRows();
    computeAverages(result.rows);
    return result;
}

IndexFileResult readIndexFile(const QString& path)
{
    const QDateTime modified = QFileInfo(path).lastModified();
    const FileRead read = readRegularFile(path, kMaxIndexFileBytes);
    if (read.status == FileRead::Status::Missing) {
        IndexFileResult missing;
        missing.status = IndexFileResult::Status::Missing;
        return missing;
    }
    if (read.status == FileRead::Status::TooLarge)
        return corrupt({0, read.reason + QStringLiteral(" : ce n'est pas un fichier des indices")});
    // A file that exists but cannot be read is no table either: never taken for an empty one.
    if (!read.ok())
        return corrupt({0, read.reason});
    IndexFileResult result = parseIndexFile(read.bytes);
    result.modified = modified;
    if (result.ok())
        result.bytes = read.bytes;
    return result;
}

void installRows(IndexTable& table, std::vector<IndexRow> rows, const QDateTime& fileDate,
                 const QByteArray& bytes)
{
    table.rows = std::move(rows);
    table.fileDate = fileDate;
    table.fileBytes = bytes;
    table.fileSize = bytes.size();
}

IndexFileResult loadIndexTable(IndexTable& table)
{
    IndexFileResult result = readIndexFile(table.filePath);
    if (result.ok()) {
        installRows(table, std::move(result.rows), result.modified, result.bytes);
    } else {
        // Kept even when the load fails, so that the same broken file is not
        // reported again at every activation.
        table.fileDate = QFileInfo(table.filePath).lastModified();
    }
    result.rows.clear();
    return result;
}

} // namespace velmaris
