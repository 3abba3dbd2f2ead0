// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmaris {

// Shows the hourglass for as long as it lives.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The system beep.
void beep();

} // namespace velmaris
