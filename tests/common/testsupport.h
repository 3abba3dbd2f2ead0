// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers shared by the test programs.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

namespace velmaris::test {

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A text with its typography flattened (no-break spaces as spaces, the
// typographic apostrophe as a straight one), to find words whatever the
// part of the program that wrote them.
inline QString plainText(QString text)
{
    return text.replace(QChar(0x00A0), u' ').replace(QChar(0x202F), u' ').replace(QChar(0x2019),
                                                                                   u'\'');
}
inline QByteArray plainText(const QByteArray& bytes)
{
    return plainText(QString::fromUtf8(bytes)).toUtf8();
}

} // namespace velmaris::test
