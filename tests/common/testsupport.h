#pragma once

// Small helpers shared by the test programs.

#include "messages.h"

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

// Catches the error boxes instead of showing them, for as long as it lives.
struct Messages {
    QStringList titles, texts;
    Messages()
    {
        MessageBox::setHandler([this](const QString& title, const QString& text) {
            titles << title;
            texts << text;
        });
    }
    ~Messages() { MessageBox::setHandler(nullptr); }
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;
};

} // namespace velmaris::test
