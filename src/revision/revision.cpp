#include "revision.h"

#include "dates.h"
#include "numbers.h"

#include <QRegularExpression>

#include <optional>

namespace velmaris {

namespace {

// Whether a rent text is a number as a whole: " 1 234,50", "1234.5", "-3".
// A text that is not stays as typed.
bool readsAsNumber(QStringView text)
{
    static const QRegularExpression number(QStringLiteral(
        "^[\\s\\x{00A0}\\x{202F}]*[-+]?[\\d\\s\\x{00A0}\\x{202F}]*[.,]?[\\d\\s\\x{00A0}\\x{202F}]*"
        "([eEdD][-+]?\\d+)?[\\s\\x{00A0}\\x{202F}]*$"));
    bool digit = false;
    for (const QChar c : text)
        digit = digit || c.isDigit();
    return digit && number.match(text).hasMatch();
}

// The previous rent is compared the way it reads back as text: a double at 15
// significant digits, so that a binary tail never decides a fall.
double asRead(double value, const QLocale& locale)
{
    return parseNumber(formatGeneral(value, locale));
}

} // namespace

RevisionResult reviseRents(IndexTable& table, int referenceRow, QStringView leaseDateText,
                           bool reeval, const QLocale& locale)
{
    RevisionResult result;
    if (!table.hasRow(referenceRow))
        return result;
    auto& rows = table.rows;
    const int r = referenceRow;

    // A lease-date text that is not a date counts as no lease date at all.
    const std::optional<QDate> leaseDate = parseFrenchDate(leaseDateText);
    const int firstYear = leaseDate ? leaseDate->year() : rows[r].published.year();

    // Older quarters first, so that a stopped run leaves no stale rent below.
    for (int k = r + 1; k < int(rows.size()); ++k)
        rows[k].rent = QString();

    QString& reference = rows[r].rent;
    if (readsAsNumber(reference))
        reference = formatAmount(parseNumber(reference), locale);
    double previous = parseNumber(reference);

    int captions = 0;
    int cycle = 0;
    for (int j = r - 1; j >= 0; --j) {
        if (--cycle == -4)
            cycle = 0;
        if (cycle == -1) {
            rows[j].rent = QStringLiteral("Loyer ") + QString::number(firstYear + captions);
            ++captions;
            continue;
        }
        if (cycle != 0) {
            rows[j].rent = QString();
            continue;
        }

        // An anniversary: both indices come from the series of this quarter.
        const IndexSeries series = seriesForAnniversary(rows[j].label, leaseDate);
        const double divisor = seriesValue(rows[j + 4], series);
        if (divisor == 0) {
            for (int k = j; k >= 0; --k)
                rows[k].rent = QString();
            result.completed = false;
            result.stoppedRow = j;
            result.missingRow = j + 4;
            result.series = series;
            result.message = QStringLiteral("Indice manquant : ") + seriesName(series)
                             + QStringLiteral(" du ") + rows[j + 4].label + u'.';
            return result;
        }
        // The base is the amount as shown, rounded to the cent.
        double rent = parseNumber(rows[j + 4].rent) * seriesValue(rows[j], series) / divisor;
        if (!reeval && asRead(previous, locale) > rent)
            rent = previous; // a fall is not passed on; the kept amount carries forward
        previous = rent;
        rows[j].rent = formatAmount(rent, locale);
    }
    return result;
}

} // namespace velmaris
