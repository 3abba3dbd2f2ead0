#include "applocale.h"
#include "cli.h"
#include "datafolder.h"
#include "mainwindow.h"
#include "maj.h"
#include "settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

namespace {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

int runWithoutWindow(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Velmaris"));
    const velmaris::DataFolders folders = velmaris::dataFolders(QString());
    const velmaris::CommandLineResult result = velmaris::runCommandLine(
        argumentsOf(argc, argv),
        QDir(folders.indexFolder).filePath(QStringLiteral("VELMARIS.TXT")));
    const QByteArray out = result.output.toUtf8();
    const QByteArray err = result.error.toUtf8();
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    std::fwrite(err.constData(), 1, std::size_t(err.size()), stderr);
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

// Reports the time from start to the window's first paint when asked to.
class FirstPaintTracer : public QObject {
public:
    explicit FirstPaintTracer(const QElapsedTimer& clock)
        : m_clock(clock)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::fprintf(stderr, "velmaris: first paint after %.1f ms\n",
                         double(m_clock.nsecsElapsed()) / 1e6);
            watched->removeEventFilter(this);
        }
        return false;
    }

private:
    const QElapsedTimer& m_clock;
    bool m_done = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();

    const QStringList args = argumentsOf(argc, argv);
    if (velmaris::isCommandLine(args))
        return runWithoutWindow(argc, argv);

    if (!displayAvailable()) {
        const QByteArray text =
            QStringLiteral("La fenêtre de Velmaris demande une session graphique. Sans écran, "
                           "utilisez la ligne de commande : velmaris --rent 850 --quarter 32019 "
                           "(velmaris --help pour l'aide).\n")
                .toUtf8();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmaris"));

    const QString folder = args.isEmpty() ? QString() : args.first();
    const velmaris::DataFolders folders = velmaris::dataFolders(folder);

    // The dialog's controls hold the settings from here on.
    velmaris::Maj maj;
    velmaris::loadSettings(maj,
                           QDir(folders.settingsFolder).filePath(QStringLiteral("Velmaris.ini")));

    velmaris::MainWindow window(maj, folders.indexFolder, folders.indexFolder);
    FirstPaintTracer tracer(clock);
    if (qEnvironmentVariableIntValue("VELMARIS_TRACE_STARTUP") == 1)
        window.installEventFilter(&tracer);
    window.load();
    window.show();
    return app.exec();
}
