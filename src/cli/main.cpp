// SPDX-License-Identifier: GPL-3.0-or-later
// velmaris-cli: every command of Velmaris, without a window.
#include "cli.h"
#include "datafolder.h"
#include "qtmessages.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

} // namespace

int main(int argc, char* argv[])
{
    velmaris::keepQtMessagesForDevelopers();
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    // Fonts and painting need QtGui's application; the other commands start
    // without it.
    std::unique_ptr<QCoreApplication> app;
    if (velmaris::commandWritesPages(given)) {
        velmaris::paintOffscreen();
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Velmaris"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        write(stderr, velmaris::commandLineUsage());
        return velmaris::kExitBadArguments;
    }
    const velmaris::DataFolders folders = velmaris::dataFolders(QString());
    const velmaris::CommandLineResult result = velmaris::runCommandLine(
        arguments, velmaris::indexFileIn(folders.indexFolder), folders.dataFolder);
    write(stdout, result.output);
    write(stderr, result.error);
    return result.status;
}
