// SPDX-License-Identifier: GPL-3.0-or-later
#include "window.h"

#include "applocale.h"
#include "datafolder.h"
#include "mainwindow.h"
#include "messages.h"
#include "qtmessages.h"
#include "registersession.h"
#include "settings.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>

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

// A word for a shell as typed: quoted only when it must be.
QString shellWord(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
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

} // namespace

std::optional<NoWindow> answerWithoutWindow(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return std::nullopt;
    const QString& first = arguments.first();
    if (first == u"--help" || first == u"-h" || first == u"-?")
        return NoWindow{
            0, QStringLiteral("Usage\u00a0: velmaris [DOSSIER]\n"
                              "Ouvre la fenêtre de Velmaris sur le fichier des indices du "
                              "dossier (par défaut celui du programme).\n"
                              "Les commandes (--rent, --leases, --import-leases…) sont celles "
                              "de velmaris-cli\u00a0: velmaris-cli --help pour leur aide.\n")};
    if (!first.startsWith(u"--"))
        return std::nullopt;
    QStringList line{QStringLiteral("velmaris-cli")};
    for (const QString& argument : arguments)
        line << shellWord(argument);
    return NoWindow{2, QStringLiteral("Les commandes de Velmaris se lancent par velmaris-cli\u00a0:\n"
                                      "  %1\n")
                           .arg(line.join(u' '))};
}

int runWindow(int argc, char* argv[], const QElapsedTimer& clock)
{
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    if (const auto answer = answerWithoutWindow(given)) {
        write(answer->status == 0 ? stdout : stderr, answer->text);
        return answer->status;
    }
    keepQtMessagesForDevelopers();
    if (!displayAvailable()) {
        write(stderr, QStringLiteral("La fenêtre de Velmaris demande une session graphique. Sans "
                                     "écran, utilisez velmaris-cli\u00a0: velmaris-cli --rent 850 "
                                     "--quarter 32019 (velmaris-cli --help pour l’aide).\n"));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmaris"));
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
                                         shared.sslmode, QString(), shared.sslrootcert});
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
                             QStringLiteral("Le dossier de données n’a pas pu être préparé\u00a0: %1.")
                                 .arg(folders.problem));
    return app.exec();
}

} // namespace velmaris
