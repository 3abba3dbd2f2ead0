// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile.h"

#include "datafolder.h"

#include <QDir>
#include <QStringDecoder>

#include <optional>
#include <vector>

namespace velmaris {

namespace {

// Far above any settings file; a device or a huge file there is not read.
constexpr qint64 kMaxProfileBytes = 1024 * 1024;

// One line of the file, its end-of-line bytes kept apart so that the file is
// written back exactly as it came, line ending included.
struct Line {
    QByteArray text;
    QByteArray ending;
};

std::vector<Line> splitLines(const QByteArray& content)
{
    std::vector<Line> lines;
    qsizetype pos = 0;
    while (pos < content.size()) {
        qsizetype end = content.indexOf('\n', pos);
        Line line;
        if (end < 0) {
            line.text = content.mid(pos);
            pos = content.size();
        } else {
            line.text = content.mid(pos, end - pos);
            line.ending = "\n";
            pos = end + 1;
            if (line.text.endsWith('\r')) {
                line.text.chop(1);
                line.ending = "\r\n";
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

QByteArray trimmedBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text.toByteArray();
}

// A file saved by an editor that marks UTF-8 still has its first section.
QByteArrayView withoutBom(const Line& line, std::size_t index)
{
    QByteArrayView text = line.text;
    if (index == 0 && text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    return text;
}

// The section a header line opens, or nothing when the line is not a header.
std::optional<QByteArray> sectionName(QByteArrayView text)
{
    const QByteArray trimmed = trimmedBlanks(text);
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.lastIndexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmedBlanks(QByteArrayView(trimmed).sliced(1, close - 1));
}

bool sameName(const QByteArray& a, QStringView b)
{
    return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

QString decodeValue(const QByteArray& bytes)
{
    // Written as UTF-8; a file typed in an 8-bit editor reads as Latin-1. A value
    // is never a file's start: a leading U+FEFF is part of it, not a mark to drop.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

// Where key lives in section: the line of the key, the last line that belongs
// to the section, the header line; -1 when missing.
struct Place {
    qsizetype header = -1;
    qsizetype lastInSection = -1;
    qsizetype keyLine = -1;
    QByteArray keyName;
    QByteArray value;
};

Place find(const std::vector<Line>& lines, QStringView section, QStringView key)
{
    Place place;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QByteArrayView text = withoutBom(lines[i], i);
        if (const auto name = sectionName(text)) {
            if (inside)
                break; // the first section of that name is the one read
            inside = sameName(*name, section);
            if (inside)
                place.header = qsizetype(i);
            continue;
        }
        if (!inside)
            continue;
        if (!trimmedBlanks(text).isEmpty())
            place.lastInSection = qsizetype(i);
        const qsizetype equal = text.indexOf('=');
        if (equal < 0 || place.keyLine >= 0)
            continue;
        const QByteArray name = trimmedBlanks(text.first(equal));
        if (sameName(name, key)) {
            place.keyLine = qsizetype(i);
            place.keyName = name;
            place.value = trimmedBlanks(text.sliced(equal + 1));
        }
    }
    return place;
}

QByteArray preferredEnding(const std::vector<Line>& lines)
{
    for (const Line& line : lines)
        if (!line.ending.isEmpty())
            return line.ending;
    return "\r\n"; // a new file is a Windows file
}

} // namespace

QString profileValue(const QByteArray& content, QStringView section, QStringView key)
{
    const Place place = find(splitLines(content), section, key);
    return place.keyLine < 0 ? QString() : decodeValue(place.value);
}

bool hasProfileKey(const QByteArray& content, QStringView section, QStringView key)
{
    return find(splitLines(content), section, key).keyLine >= 0;
}

QByteArray withProfileValue(const QByteArray& content, QStringView section, QStringView key,
                            const QString& value)
{
    std::vector<Line> lines = splitLines(content);
    const QByteArray eol = preferredEnding(lines);
    // One value is one line: line breaks pasted into the box become blanks.
    QString oneLine = value;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray bytes = oneLine.toUtf8();

    const Place place = find(lines, section, key);
    if (place.keyLine >= 0) {
        lines[place.keyLine].text = place.keyName + '=' + bytes;
    } else {
        // The line before the new one must end, whatever it was.
        auto endLine = [&](qsizetype i) {
            if (i >= 0 && lines[i].ending.isEmpty())
                lines[i].ending = eol;
        };
        const Line entry{key.toUtf8() + '=' + bytes, eol};
        if (place.header >= 0) {
            const qsizetype after = std::max(place.header, place.lastInSection);
            endLine(after);
            lines.insert(lines.begin() + after + 1, entry);
        } else {
            const qsizetype last = qsizetype(lines.size()) - 1;
            endLine(last);
            if (last >= 0 && !trimmedBlanks(lines[last].text).isEmpty())
                lines.push_back({QByteArray(), eol});
            lines.push_back({'[' + section.toUtf8() + ']', eol});
            lines.push_back(entry);
        }
    }

    QByteArray out;
    out.reserve(content.size() + bytes.size() + 32);
    for (const Line& line : lines)
        out += line.text + line.ending;
    return out;
}

QString readProfileString(QStringView section, QStringView key, const QString& path)
{
    const FileRead read = readRegularFile(path, kMaxProfileBytes);
    return read.ok() ? profileValue(read.bytes, section, key) : QString();
}

bool writeProfileString(QStringView section, QStringView key, const QString& value,
                        const QString& path, QString* reason)
{
    // A file that exists but cannot be read is left alone rather than
    // replaced by one key.
    const FileRead read = readRegularFile(path, kMaxProfileBytes);
    if (!read.ok() && read.status != FileRead::Status::Missing) {
        if (reason)
            *reason = QStringLiteral("« %1 » ne peut pas être lu (%2), il n'est pas remplacé")
                          .arg(QDir::toNativeSeparators(path), read.reason);
        return false;
    }
    return writeFileSafely(path, withProfileValue(read.bytes, section, key, value), reason);
}

} // namespace velmaris
