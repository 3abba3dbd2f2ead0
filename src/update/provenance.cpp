// SPDX-License-Identifier: GPL-3.0-or-later
#include "provenance.h"

#include "dates.h"

#include <QRegularExpression>

namespace velmaris {

namespace {

const QString kTyped = QStringLiteral(" saisi par l'utilisateur le ");

} // namespace

QString typedMark(Quarter quarter, const QDate& typedOn)
{
    return QStringLiteral("' ") + quarter.label() + kTyped + dateText(typedOn);
}

std::map<Quarter, QDate> typedQuarters(const QByteArray& indexFile)
{
    // The file is 8-bit: the labels' "è" reads back as Latin-1.
    static const QRegularExpression mark(
        QStringLiteral("^'\\s*(\\S+ tr\\.\\d{4})%1(\\d\\d/\\d\\d/\\d{4})\\s*$")
            .arg(QRegularExpression::escape(kTyped)));
    std::map<Quarter, QDate> typed;
    for (const QByteArray& line : indexFile.split('\n')) {
        if (!line.startsWith('\''))
            continue;
        const QRegularExpressionMatch m = mark.match(QString::fromLatin1(line).trimmed());
        if (!m.hasMatch())
            continue;
        const auto quarter = Quarter::fromLabel(m.captured(1));
        const auto date = parseFrenchDate(m.captured(2));
        if (quarter && date)
            typed[*quarter] = *date;
    }
    return typed;
}

QString checkedMark(Quarter quarter, const QDate& typedOn, const QDate& checkedOn,
                    const QString& source, const QString& typedValues)
{
    const QString typed = kTyped.trimmed() + u' ' + dateText(typedOn);
    if (typedValues.isEmpty())
        return QStringLiteral("' %1 confirmé par %2 le %3 (%4)")
            .arg(quarter.label(), source, dateText(checkedOn), typed);
    return QStringLiteral("' %1 corrigé selon %2 le %3 (%4 : %5)")
        .arg(quarter.label(), source, dateText(checkedOn), typed, typedValues);
}

QString completedMark(Quarter quarter, const QString& what, const QString& source, const QDate& on)
{
    return QStringLiteral("' %1 : %2 depuis %3 le %4")
        .arg(quarter.label(), what, source, dateText(on));
}

} // namespace velmaris
