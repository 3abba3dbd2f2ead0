// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmaris {

// Whether the system reports a network connection. Where no reachability
// backend is available the answer is yes: the download itself will tell.
bool networkConnected();

} // namespace velmaris
