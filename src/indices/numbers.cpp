#include "numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace velmaris {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0xA0)
           || c == QChar(0x202F);
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
        while (i < n && isBlank(text[i]))
            ++i;
    };
    auto digits = [&] {
        bool any = false;
        for (skipBlanks(); i < n && text[i] >= u'0' && text[i] <= u'9'; skipBlanks()) {
            number.push_back(char(text[i].unicode()));
            ++i;
            any = true;
        }
        return any;
    };

    skipBlanks();
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        number.push_back(char(text[i].unicode()));
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

    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) {
        if (overflow)
            *overflow = true;
        return 0;
    }
    return value;
}

QString formatGeneral(double value, const QLocale& locale)
{
    if (value == 0)
        return QStringLiteral("0");
    // %.15g, written straight into a buffer: the grid and the clipboard call this a lot.
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value,
                                   std::chars_format::general, 15)
                         .ptr;
    QString text = QString::fromLatin1(buffer, end - buffer);
    if (text.contains(u'e')) // very large or very small: keep the exponent, upper case
        text = text.toUpper();
    text.replace(u'.', locale.decimalPoint());
    return text;
}

QString formatAmount(double value, const QLocale& locale)
{
    if (!std::isfinite(value))
        value = 0;
    const bool negative = value < 0;

    // Round on the decimal text a person reads (15 significant digits), not on
    // the binary tail: 2.675 is stored as 2.67499999... but reads as 2,675.
    const QString sci = QString::number(std::fabs(value), 'e', 14); // "2.67500000000000e+00"
    const qsizetype ePos = sci.indexOf(u'e');
    const int exponent = sci.mid(ePos + 1).toInt();
    QString mantissa = sci.left(ePos);
    mantissa.remove(u'.'); // value = 0.d1d2...d15 x 10^(exponent + 1)

    // Digits of the whole number of cents, before rounding.
    const int centDigits = exponent + 3;
    QString cents;
    bool roundUp = false;
    if (centDigits <= 0) {
        cents = QStringLiteral("0");
        roundUp = centDigits == 0 && mantissa.at(0) >= u'5';
    } else if (centDigits >= mantissa.size()) {
        cents = mantissa + QString(centDigits - mantissa.size(), u'0');
    } else {
        cents = mantissa.left(centDigits);
        roundUp = mantissa.at(centDigits) >= u'5';
    }
    if (roundUp) { // halves away from zero
        qsizetype k = cents.size() - 1;
        for (; k >= 0 && cents[k] == u'9'; --k)
            cents[k] = u'0';
        if (k < 0)
            cents.prepend(u'1');
        else
            cents[k] = QChar(cents[k].unicode() + 1);
    }
    while (cents.size() > 3 && cents.at(0) == u'0')
        cents.remove(0, 1);
    while (cents.size() < 3)
        cents.prepend(u'0');

    const QString units = cents.left(cents.size() - 2);
    const QString fraction = cents.right(2);
    QString result =
        units.size() > 3 ? units.left(units.size() - 3) + u' ' + units.right(3) : u' ' + units;
    result += locale.decimalPoint() + fraction;
    if (negative && cents != u"000")
        result.prepend(u'-');
    return result;
}

} // namespace velmaris
