// The program's entry. The command line's revision (--rent) runs here on
// QtCore alone, so that a script's revision starts like a small program; the
// other commands, with QtSql and the register, and the window, with Widgets,
// are each a module loaded only when it is wanted (on Linux; elsewhere they
// are linked in).
#include "cli.h"
#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

#if defined(VELMARIS_WINDOW_MODULE) || defined(VELMARIS_COMMANDS_MODULE)
#include "modules.h"
#endif
#ifndef VELMARIS_WINDOW_MODULE
#include "window.h"
#endif

namespace {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

void say(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
}

#ifdef VELMARIS_COMMANDS_MODULE
// Every command but --rent and --help, run by the commands module.
velmaris::CommandLineResult runCommandsModule(const velmaris::CommandRequest& request)
{
    QString why;
    const auto entry = reinterpret_cast<velmaris::CommandsEntry>(
        velmaris::moduleEntry(velmaris::kCommandsModule, velmaris::kCommandsEntry, &why));
    velmaris::CommandLineResult result;
    if (!entry) {
        result.status = 1;
        result.error =
            velmaris::missingModuleText(QStringLiteral("La commande %1").arg(request.command), why)
            + QStringLiteral(". Le calcul d'un loyer révisé reste possible (velmaris --rent ; "
                             "velmaris --help pour l'aide).\n");
        return result;
    }
    entry(request, &result);
    return result;
}
#endif

int runWithoutWindow(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Velmaris"));
    const velmaris::DataFolders folders = velmaris::dataFolders(QString());
#ifdef VELMARIS_COMMANDS_MODULE
    const velmaris::CommandLineResult result = velmaris::runCommandLine(
        argumentsOf(argc, argv), velmaris::indexFileIn(folders.indexFolder), folders.dataFolder,
        runCommandsModule);
#else
    const velmaris::CommandLineResult result = velmaris::runCommandLine(
        argumentsOf(argc, argv), velmaris::indexFileIn(folders.indexFolder), folders.dataFolder);
#endif
    const QByteArray out = result.output.toUtf8();
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    say(result.error);
    return result.status;
}

// Without a display Qt would abort; say what to do instead.
bool displayAvailable()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    const auto set = [](const char* name) { return !qEnvironmentVariableIsEmpty(name); };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

#ifdef VELMARIS_WINDOW_MODULE
// The window module, found where every module of the program is.
int runWindowModule(int argc, char* argv[], const QElapsedTimer& clock)
{
    using Entry = int (*)(int, char**, const QElapsedTimer*);
    QString why;
    const auto entry = reinterpret_cast<Entry>(
        velmaris::moduleEntry(VELMARIS_WINDOW_MODULE, "velmaris_window_main", &why));
    if (!entry) {
        say(QStringLiteral("La fenêtre de Velmaris ne peut pas s'ouvrir : %1. Réinstallez le "
                           "programme ; la ligne de commande reste utilisable (velmaris "
                           "--help).\n")
                .arg(why));
        return 1;
    }
    return entry(argc, argv, &clock);
}
#endif

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();

    if (velmaris::isCommandLine(argumentsOf(argc, argv)))
        return runWithoutWindow(argc, argv);

    if (!displayAvailable()) {
        say(QStringLiteral("La fenêtre de Velmaris demande une session graphique. Sans écran, "
                           "utilisez la ligne de commande : velmaris --rent 850 --quarter 32019 "
                           "(velmaris --help pour l'aide).\n"));
        return 1;
    }
#ifdef VELMARIS_WINDOW_MODULE
    return runWindowModule(argc, argv, clock);
#else
    return velmaris::runWindow(argc, argv, clock);
#endif
}
