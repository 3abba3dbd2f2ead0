#pragma once

#include <QString>
#include <QStringList>

namespace velmaris {

// A program to start: the executable and its arguments, each one argument
// whatever blanks it holds.
struct Launch {
    QString program;
    QStringList arguments;
};

// The first calculator installed on this system, or an empty program.
Launch findCalculator();

// How starting the calculator went.
enum class CalculatorStart {
    Started,
    AlreadyRunning, // the one started earlier is still open
    NoneInstalled,
    Failed,
};

// Starts the calculator unless the one started earlier is still running.
CalculatorStart startCalculator();

// How the system's text editor opens a file (xdg-open on Linux, notepad on Windows).
Launch textEditorFor(const QString& path);

// Starts the text editor on the file, detached from this program.
bool openInTextEditor(const QString& path);

// Test seam: when set, programs are not started; the launch is recorded instead.
void setLaunchRecorder(void (*recorder)(const Launch&));

} // namespace velmaris
