#include "window.h"

#include "applocale.h"
#include "datafolder.h"
#include "mainwindow.h"
#include "messages.h"
#include "registersession.h"
#include "settings.h"

#include <QApplication>
#include <QDir>
#include <QFont>

#include <cstdio>

namespace velmaris {

namespace {

// Reports the time from start to the window's first paint when asked to, and
// the window's size (bench/startup.sh opens its floor at the same size).
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
            const QWidget* window = static_cast<QWidget*>(watched);
            std::fprintf(stderr, "velmaris: first paint after %.1f ms (%dx%d)\n",
                         double(m_clock.nsecsElapsed()) / 1e6, window->width(), window->height());
            watched->removeEventFilter(this);
        }
        return false;
    }

private:
    const QElapsedTimer& m_clock;
    bool m_done = false;
};

} // namespace

int runWindow(int argc, char* argv[], const QElapsedTimer& clock)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmaris"));
    // French needs no shaping: the windows set their letters straight from the
    // font's table, without the kerning pass that was most of the cost of
    // laying their texts out. Scripts that need shaping still get it; paper
    // keeps its kerning (the printed fonts ask for it).
    QFont plain = QApplication::font();
    plain.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(plain);
    loadQtTranslations(appLocale());

    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString folder = args.isEmpty() ? QString() : args.first();
    const DataFolders folders = dataFolders(folder);

    // The program's state, made here and lent to the windows: the settings
    // file and the lease register outlive every window that shows them.
    Settings settings(QDir(folders.settingsFolder).filePath(QStringLiteral("Velmaris.ini")));
    RegisterSession session(folders.dataFolder);
    // An office's shared register, when the settings name its server.
    if (const RegisterSettings shared = readRegisterSettings(settings.path()); shared.isSet())
        session.setServer(RegisterServer{shared.host, shared.port, shared.database, shared.user,
                                         shared.sslmode, QString()});
    MainWindow window(settings, folders.indexFolder, folders.indexFolder);
    window.setRegisterSession(session);
    window.setDataFolders(folders);
    FirstPaintTracer tracer(clock);
    if (qEnvironmentVariableIntValue("VELMARIS_TRACE_STARTUP") == 1)
        window.installEventFilter(&tracer);
    window.load();
    window.show();
    // Said once the window stands: what could not be prepared (someone else's
    // data folder when run as root with their HOME) is never done in silence.
    if (!folders.problem.isEmpty())
        MessageBox::critical(&window, QStringLiteral("Dossier de données de Velmaris"),
                             QStringLiteral("Le dossier de données n'a pas pu être préparé : %1.")
                                 .arg(folders.problem));
    return app.exec();
}

} // namespace velmaris

extern "C" Q_DECL_EXPORT int velmaris_window_main(int argc, char* argv[],
                                                  const QElapsedTimer* clock)
{
    return velmaris::runWindow(argc, argv, *clock);
}
