// SPDX-License-Identifier: GPL-3.0-or-later
// velmaris: the window. The commands are velmaris-cli's.
#include "window.h"

#include <QElapsedTimer>

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();
    return velmaris::runWindow(argc, argv, clock);
}
