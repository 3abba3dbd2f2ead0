#pragma once

#include <QElapsedTimer>

namespace velmaris {

// The program with its window: settings, main window, event loop. clock runs
// since the process started (for VELMARIS_TRACE_STARTUP=1).
int runWindow(int argc, char* argv[], const QElapsedTimer& clock);

} // namespace velmaris

// Where the window lives in a module of its own, the entry point main() looks up.
extern "C" int velmaris_window_main(int argc, char* argv[], const QElapsedTimer* clock);
