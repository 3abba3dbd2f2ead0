// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <compare>
#include <optional>

namespace velmaris {

// One calendar quarter, the period every index is published for. The only
// place where index-file keys ("32019") and labels ("3è tr.2019") are read and
// written. Quarters order by time; consecutive quarters differ by one.
class Quarter {
public:
    constexpr Quarter() = default; // no quarter
    constexpr Quarter(int year, int number)
        : m_ordinal(year >= 0 && number >= 1 && number <= 4 ? year * 4 + number - 1 : -1)
    {
    }

    // The index-file key: the quarter digit 1 to 4, then a four-digit year;
    // blanks around it are ignored. Anything else gives nothing.
    static std::optional<Quarter> fromKey(QStringView key);
    // A label as the program writes it: "1er tr.2019", "3è tr.2019".
    static std::optional<Quarter> fromLabel(QStringView label);
    // A period as INSEE writes it: "2019-Q3" (SDMX) or "2019-T3" (CSV).
    static std::optional<Quarter> fromPeriod(QStringView period);
    // The quarter a date falls in.
    static Quarter containing(const QDate& date);

    constexpr bool isValid() const { return m_ordinal >= 0; }
    constexpr int year() const { return m_ordinal / 4; }
    constexpr int number() const { return m_ordinal % 4 + 1; } // 1 to 4

    constexpr Quarter plus(int quarters) const { return fromOrdinal(m_ordinal + quarters); }
    constexpr Quarter next() const { return plus(1); }
    constexpr Quarter previous() const { return plus(-1); }
    constexpr Quarter yearEarlier() const { return plus(-4); }
    // How many quarters this one comes after the other (negative when before).
    constexpr int quartersSince(Quarter other) const { return m_ordinal - other.m_ordinal; }

    QDate firstDay() const;
    QDate lastDay() const;

    QString key() const;   // "32019"
    QString label() const; // "3è tr.2019"
    QString longLabel() const; // "1er trimestre 2025", "3e trimestre 2025", as letters write it

    constexpr auto operator<=>(const Quarter&) const = default;

private:
    static constexpr Quarter fromOrdinal(int ordinal)
    {
        Quarter q;
        q.m_ordinal = ordinal >= 0 ? ordinal : -1;
        return q;
    }

    int m_ordinal = -1;
};

} // namespace velmaris
