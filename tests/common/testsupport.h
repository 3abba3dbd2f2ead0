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

} // namespace velmaris::test
