// SPDX-License-Identifier: GPL-3.0-or-later
#include "typography.h"

namespace velmaris {

namespace {

constexpr char16_t kNoBreak = u'\u00a0';
constexpr char16_t kApostrophe = u'\u2019';

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u')' || c == u'»' || c == u'…' || c == u'%' || c == u'€'
           || c == u'.';
}

} // namespace

QString frenchTypography(QStringView text)
{
    QString out;
    out.reserve(text.size() + 8);
    int quoteDepth = 0; // inside « »: a value as given, left alone
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == u'«') {
            ++quoteDepth;
            out += c;
            if (next == u' ')
                ++i;
            if (next == u' ' || (!next.isNull() && next != kNoBreak))
                out += kNoBreak;
            continue;
        }
        if (c == u'»' && quoteDepth > 0) {
            --quoteDepth;
            if (out.endsWith(u' '))
                out.chop(1);
            if (!out.endsWith(kNoBreak))
                out += kNoBreak;
            out += c;
            continue;
        }
        if (quoteDepth > 0) {
            out += c;
            continue;
        }
        const bool ends = next.isNull() || next.isSpace() || next == u'"' || next == u'\u00bb';
        if ((c == u'?' || c == u'!' || c == u':' || c == u';') && ends) {
            // "mot :" and "mot:" alike; a time (14:32), a path or a URL never end so.
            if (out.endsWith(u' ') && out.size() >= 2 && !out.at(out.size() - 2).isSpace())
                out[out.size() - 1] = kNoBreak;
            else if (!out.isEmpty() && isWordChar(out.back()))
                out += kNoBreak;
            out += c;
            continue;
        }
        if (c == u'\'' && !out.isEmpty() && out.back().isLetter() && next.isLetter()) {
            out += kApostrophe;
            continue;
        }
        if (c == u'.' && out.endsWith(u'…'))
            continue; // "Saisir un indice…." ends once
        if (c == u'.' && next == u'.' && i + 2 < text.size() && text[i + 2] == u'.') {
            out += u'…';
            i += 2;
            continue;
        }
        out += c;
    }
    return out;
}

QString countOf(qint64 n, QStringView singular, QStringView plural, bool feminine)
{
    if (n == 0)
        return (feminine ? QStringLiteral("aucune ") : QStringLiteral("aucun "))
               + singular.toString();
    return QString::number(n) + kNoBreak + (n == 1 ? singular : plural).toString();
}

QString ofName(QStringView name)
{
    const QString trimmed = name.trimmed().toString();
    if (trimmed.isEmpty())
        return QStringLiteral("de");
    const QChar first = trimmed.front().toLower();
    static const QString vowels = QStringLiteral("aeiouyàâäéèêëîïôöùûü");
    if (vowels.contains(first))
        return QStringLiteral("d") + kApostrophe + trimmed;
    return QStringLiteral("de ") + trimmed;
}

QString endOfSentence(QStringView text)
{
    const QStringView end = text.trimmed();
    if (end.endsWith(u'.') || end.endsWith(u'?') || end.endsWith(u'!') || end.endsWith(u'…'))
        return text.toString();
    return text.toString() + u'.';
}

} // namespace velmaris
