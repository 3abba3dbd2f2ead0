// SPDX-License-Identifier: GPL-3.0-or-later
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
    // -W: open waits until TextEdit has closed the file.
    return {QStringLiteral("open"), {QStringLiteral("-W"), QStringLiteral("-t"), path}};
#else
    for (const char* name : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma",
                             "xed", "featherpad", "l3afpad", "leafpad", "geany"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return {found, {path}};
    }
    return {};
#endif
}

EditorStart startTextEditor(const QString& path, QObject* owner, std::function<void()> ended)
{
    const Launch editor = textEditorFor(path);
    if (editor.program.isEmpty())
        return EditorStart::NoneInstalled;
    if (g_recorder) {
        g_recorder(editor);
        return EditorStart::Started;
    }
    // No parent: the program may end while the editor stays open, and a
    // QProcess destroyed with its owner would kill it with the user's edits.
    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    if (ended)
        QObject::connect(process, &QProcess::finished, owner, [ended] { ended(); });
    process->start(editor.program, editor.arguments);
    if (!process->waitForStarted(5000)) {
        process->deleteLater();
        return EditorStart::Failed;
    }
    return EditorStart::Started;
}

void setLaunchRecorder(void (*recorder)(const Launch&))
{
    g_recorder = recorder;
}

} // namespace velmaris
