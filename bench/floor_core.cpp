// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for velmaris-cli: a QCoreApplication that reads
// its arguments, writes a line and ends, linked with the same libraries.
// bench/startup.sh compares velmaris-cli --rent with it.
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray line = QCoreApplication::arguments().join(u' ').toUtf8() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    return 0;
}
