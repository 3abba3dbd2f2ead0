// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace velmaris {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// std::from_chars never looks at the locale. Out of range is told apart.
std::optional<double> fromChars(const std::string& text, bool* outOfRange = nullptr)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (outOfRange)
        *outOfRange = error == std::errc::result_out_of_range;
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Rounds the digits of a decimal (no sign, no point) so that `keep` of them
// stay, halves up; false when a carry adds a digit in front.
bool roundDigits(std::string& digits, std::size_t keep)
{
    if (digits.size() <= keep)
        return false;
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (!up)
        return false;
    std::size_t k = keep;
    while (k > 0 && digits[k - 1] == '9')
        digits[--k] = '0';
    if (k == 0) {
        digits.insert(digits.begin(), '1');
        return true;
    }
    ++digits[k - 1];
    return false;
}

} // namespace

double parseNumber(QStringView text, bool* overflow)
{
    if (overflow)
        *overflow = false;

    // Collect the leading number as plain ASCII, skipping blanks wherever they stand.
    std::string number;
    number.reserve(32);
    int i = 0;
    const int n = int(text.size());
    auto skipBlanks = [&] {
        while (i < n && text[i].isSpace())
            ++i;
    };
    auto digits = [&] {
        bool any = false;
        for (skipBlanks(); i < n && isDigit(text[i]); skipBlanks()) {
            number.push_back(char(text[i].unicode()));
            ++i;
            any = true;
        }
        return any;
    };

    skipBlanks();
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool mantissa = digits();
    if (i < n && (text[i] == u'.' || text[i] == u',')) {
        number.push_back('.');
        ++i;
        mantissa = digits() || mantissa;
    }
    if (!mantissa)
        return 0;
    // An exponent counts only when digits follow it.
    if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        const int save = i;
        const std::size_t keep = number.size();
        number.push_back('e');
        ++i;
        skipBlanks();
        if (i < n && (text[i] == u'-' || text[i] == u'+')) {
            number.push_back(char(text[i].unicode()));
            ++i;
        }
        if (!digits()) {
            i = save;
            number.resize(keep);
        }
    }
    if (number.front() == '.')
        number.insert(number.begin(), '0');

    bool outOfRange = false;
    const std::optional<double> value = fromChars(number, &outOfRange);
    if (!value) {
        // Too small to tell from zero is zero; too large is an overflow.
        if (outOfRange && number.find('e') != std::string::npos
            && number[number.find('e') + 1] == '-')
            return 0;
        if (overflow)
            *overflow = true;
        return 0;
    }
    return negative ? -*value : *value;
}

std::optional<double> parseIndexValue(QStringView text)
{
    text = text.trimmed();
    std::string number;
    number.reserve(std::size_t(text.size()) + 1);
    bool separator = false;
    bool digit = false;
    for (QChar c : text) {
        if (isDigit(c)) {
            number.push_back(char(c.unicode()));
            digit = true;
        } else if ((c == u'.' || c == u',') && !separator) {
            number.push_back('.');
            separator = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit)
        return std::nullopt;
    if (number.front() == '.')
        number.insert(number.begin(), '0');
    if (number.back() == '.')
        number.pop_back();
    return fromChars(number);
}

qint64 scaledRatio(qint64 cents, qint64 numerator, qint64 denominator)
{
    __extension__ typedef __int128 Wide;
    if (denominator <= 0)
        return 0;
    const Wide n = Wide(cents) * numerator;
    const Wide magnitude = n < 0 ? -n : n;
    const Wide rounded = (2 * magnitude + denominator) / (2 * Wide(denominator));
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    if (rounded > largest)
        return n < 0 ? -largest : largest;
    return qint64(n < 0 ? -rounded : rounded);
}

std::optional<qint64> roundToCents(double value)
{
    if (!std::isfinite(value) || std::fabs(value) * 100 >= double(kMaxCents))
        return std::nullopt;
    if (value == 0)
        return 0;
    // The shortest text that reads back as this double, in scientific form:
    // "2.675e+00". Its digits are what the value means to a person.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific);
    const std::string sci(buffer, result.ptr);
    const std::size_t e = sci.find('e');
    std::string digits;
    for (std::size_t k = 0; k < e; ++k)
        if (sci[k] != '.')
            digits.push_back(sci[k]);
    int exponent = std::stoi(sci.substr(e + 1)); // value = d1.d2d3... x 10^exponent

    // At most 15 significant digits, as a double holds them for sure.
    if (roundDigits(digits, 15))
        ++exponent;
    // The digits that stand for whole cents: those down to 10^-2.
    const int centDigits = exponent + 3;
    if (centDigits < 0)
        return 0;
    if (std::size_t(centDigits) >= digits.size()) {
        digits.append(std::size_t(centDigits) - digits.size(), '0');
    } else if (centDigits == 0) {
        return digits.front() >= '5' ? (value < 0 ? -1 : 1) : 0;
    } else {
        roundDigits(digits, std::size_t(centDigits)); // halves away from zero
    }
    qint64 cents = 0;
    for (char c : digits)
        cents = cents * 10 + (c - '0');
    return value < 0 ? -cents : cents;
}

QString formatGeneral(double value, const NumberStyle& style)
{
    if (value == 0)
        return QStringLiteral("0");
    // Indices have at most two decimals: such a value is written from its
    // hundredths, which is what %.15g gives for it (at most eleven digits).
    if (std::fabs(value) < 1e9) {
        const double hundredths = std::nearbyint(value * 100);
        if (hundredths / 100 == value) {
            const bool negative = hundredths < 0;
            const auto magnitude = quint64(negative ? -hundredths : hundredths);
            char16_t text[24];
            qsizetype n = 0;
            if (negative)
                text[n++] = u'-';
            char digits[12];
            const auto end = std::to_chars(digits, digits + sizeof digits, magnitude / 100).ptr;
            for (const char* d = digits; d < end; ++d)
                text[n++] = char16_t(*d);
            const int fraction = int(magnitude % 100);
            if (fraction != 0) {
                for (QChar c : style.decimalPoint)
                    text[n++] = c.unicode();
                text[n++] = char16_t(u'0' + fraction / 10);
                if (fraction % 10 != 0)
                    text[n++] = char16_t(u'0' + fraction % 10);
            }
            return QString(reinterpret_cast<const QChar*>(text), n);
        }
    }
    // %.15g, written straight into a buffer: the grid and the clipboard call this a lot.
    char buffer[40];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
    QString text = QString::fromLatin1(buffer, end - buffer);
    if (text.contains(u'e')) // very large or very small: keep the exponent, upper case
        text = text.toUpper();
    text.replace(u'.', style.decimalPoint);
    return text;
}

NumberStyle::NumberStyle(const QLocale& from)
    : decimalPoint(from.decimalPoint())
    , shortDateFormat(from.dateFormat(QLocale::ShortFormat))
    , locale(from)
{
}

} // namespace velmaris
