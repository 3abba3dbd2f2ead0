// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "numberstyle.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// Reads a date typed the French way, day first: dd/mm/yyyy, d/m/yyyy or
// dd/mm/yy, with "/", "-" or "." between the parts; surrounding blanks are
// ignored. A two-digit year 00-29 is 20xx, 30-99 is 19xx. An impossible date
// (31/02/2020) or any other text gives nothing.
std::optional<QDate> parseFrenchDate(QStringView text);

// The year a two-digit year stands for: 00-29 is 20xx, 30-99 is 19xx.
int yearOfTwoDigits(int year);

// The month's name, "janvier" to "décembre"; empty for no month.
QString monthName(int month);

// Short date text of the locale (dd/MM/yyyy in French).
QString formatShortDate(const QDate& date, const NumberStyle& style = {});

// dd/MM/yyyy whatever the locale, as the register, its files and the command
// line write dates; empty for no date.
QString dateText(const QDate& date);

// Dates as a letter writes them, whatever the locale.
QString longDateText(const QDate& date);      // "1er avril 2026", "15 août 2025"
QString longDayMonthText(int day, int month); // "1er avril", "15 mars"
QString monthText(int year, int month);       // "mars 2026"

// Day and month of a yearly date, "15/03" (or with "-" or "."); nothing when
// it is not two numbers. Whether the day exists is the caller's to say.
struct DayMonth {
    int day = 0, month = 0;
};
std::optional<DayMonth> parseDayMonth(QStringView text);

// "15/03"; empty when the day or the month is 0 (none).
QString dayMonthText(int day, int month);

// The same month and day one year later; 29 February gives 1 March.
QDate sameDayNextYear(const QDate& date);

} // namespace velmaris
