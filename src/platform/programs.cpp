#include "programs.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace velmaris {

namespace {

void (*g_recorder)(const Launch&) = nullptr;
qint64 g_calculatorPid = 0;

bool processAlive(qint64 pid)
{
#ifdef Q_OS_LINUX
    // A zombie or an ended process has no live status line.
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = status.readAll();
    const int close = line.lastIndexOf(')');
    return close > 0 && close + 2 < line.size() && line.at(close + 2) != 'Z';
#else
    Q_UNUSED(pid);
    return false;
#endif
}

} // namespace

Launch findCalculator()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("calc.exe"), {}};
#else
    for (const char* name : {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "xcalc"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return {found, {}};
    }
    return {};
#endif
}

CalculatorStart startCalculator()
{
    if (g_calculatorPid != 0 && processAlive(g_calculatorPid))
        return CalculatorStart::AlreadyRunning;
    const Launch calc = findCalculator();
    if (calc.program.isEmpty())
        return CalculatorStart::NoneInstalled;
    if (g_recorder) {
        g_recorder(calc);
        return CalculatorStart::Started;
    }
    qint64 pid = 0;
    if (!QProcess::startDetached(calc.program, calc.arguments, QString(), &pid))
        return CalculatorStart::Failed;
    g_calculatorPid = pid;
    return CalculatorStart::Started;
}

Launch textEditorFor(const QString& path)
{
#ifdef Q_OS_WIN
    return {QStringLiteral("notepad.exe"), {path}};
#elif defined(Q_OS_MACOS)
    return {QStringLiteral("open"), {QStringLiteral("-t"), path}};
#else
    return {QStringLiteral("xdg-open"), {path}};
#endif
}

bool openInTextEditor(const QString& path)
{
    const Launch editor = textEditorFor(path);
    if (g_recorder) {
        g_recorder(editor);
        return true;
    }
    return QProcess::startDetached(editor.program, editor.arguments);
}

void setLaunchRecorder(void (*recorder)(const Launch&))
{
    g_recorder = recorder;
}

} // namespace velmaris
