// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

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

// How a text editor opens a file: notepad on Windows, TextEdit on macOS, the
// first graphical text editor installed on Linux (gnome-text-editor, gedit,
// kate...). An empty program when there is none: a file manager or a browser
// that xdg-open might choose is no way to edit the index file.
Launch textEditorFor(const QString& path);

enum class EditorStart {
    Started,
    NoneInstalled,
    Failed,
};

// Starts the text editor on the file, owned by owner; ended is called when its
// process ends (an editor that hands the file to a window already open ends
// at once). A recorded launch never ends.
EditorStart startTextEditor(const QString& path, QObject* owner, std::function<void()> ended);

// Test seam: when set, programs are not started; the launch is recorded instead.
void setLaunchRecorder(void (*recorder)(const Launch&));

} // namespace velmaris
