// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <optional>

namespace velmaris {

// An index value as the index file writes it, held exactly: a whole number of
// millionths. The index file takes at most six decimals, so every value it
// holds, every typed one and every average of four ICC is exact here, and the
// grid, the register, the letter and the audit all compute on the same number.
class IndexValue {
public:
    static constexpr int kDecimals = 6;
    static constexpr qint64 kScale = 1'000'000;
    // Far above any ICC (a 16-bit number in the file): a larger value is a slip.
    static constexpr qint64 kLimitUnits = 100'000 * kScale;

    constexpr IndexValue() = default;
    // Nothing unless 0 < units < kLimitUnits.
    static std::optional<IndexValue> fromUnits(qint64 units);
    // The value of a number read from the index file's text (145.47 ->
    // 145 470 000 millionths); nothing for 0 (no value), a negative, a
    // non-finite or a too large number.
    static std::optional<IndexValue> fromDouble(double value);

    qint64 units() const { return m_units; }
    double toDouble() const { return double(m_units) / double(kScale); }
    // Decimal comma, no trailing zeros: "145,47", "1190".
    QString text() const;

    auto operator<=>(const IndexValue&) const = default;

private:
    explicit constexpr IndexValue(qint64 units)
        : m_units(units)
    {
    }
    qint64 m_units = 0;
};

// The number of decimals in an index value's text ("145.475" -> 3), blanks
// around ignored; what the index file refuses beyond IndexValue::kDecimals.
int indexDecimals(QStringView text);

// Index text with a decimal comma and no trailing zeros: 145.47 -> "145,47";
// "0" for no value.
QString indexText(double value);

} // namespace velmaris
