// The program's entry. The command line runs here on QtCore alone, so that a
// script's revision starts like a small program; the window, with Widgets,
// Network and PrintSupport, is loaded only when it is wanted.
#include "cli.h"
#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <string>

#ifdef VELMARIS_WINDOW_MODULE
#include <dlfcn.h>
#include <unistd.h>
#else
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

int runWithoutWindow(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Velmaris"));
    const velmaris::DataFolders folders = velmaris::dataFolders(QString());
    const velmaris::CommandLineResult result = velmaris::runCommandLine(
        argumentsOf(argc, argv), velmaris::indexFileIn(folders.indexFolder), folders.dataFolder);
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
// The window module beside the program (build tree, portable copy) or in the
// installed lib/velmaris.
int runWindowModule(int argc, char* argv[], const QElapsedTimer& clock)
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = n > 0 ? std::string(self, std::size_t(n)) : std::string(argv[0]);
    folder.erase(folder.find_last_of('/') + 1);
    void* module = nullptr;
    for (const char* place : {"", "../lib/velmaris/"}) {
        const std::string path = folder + place + VELMARIS_WINDOW_MODULE;
        module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module)
            break;
    }
    using Entry = int (*)(int, char**, const QElapsedTimer*);
    auto* entry =
        module ? reinterpret_cast<Entry>(::dlsym(module, "velmaris_window_main")) : nullptr;
    if (!entry) {
        say(QStringLiteral("La fenêtre de Velmaris ne peut pas s'ouvrir : %1 est introuvable ou "
                           "illisible (%2). Réinstallez le programme ; la ligne de commande "
                           "reste utilisable (velmaris --help).\n")
                .arg(QString::fromUtf8(VELMARIS_WINDOW_MODULE),
                     QString::fromLocal8Bit(::dlerror())));
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
