#pragma once

#include <QString>

#include <functional>

namespace velmaris {

// Opens the index file in the system's text editor, then ends the program: the
// edited file is read at the next start. False, with the program still
// running, when no editor could be started.
bool editIndexFileAndQuit(const QString& indexPath);

// Test seam: what ending the program does (by default QCoreApplication::quit).
// Pass nullptr to restore it.
void setProgramEnd(std::function<void()> end);

} // namespace velmaris
