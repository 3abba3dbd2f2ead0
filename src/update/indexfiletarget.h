// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexchange.h"

#include <QString>

namespace velmaris {

// The index file at path as the place a change of the figures is written: read
// whole (a regular file, within the size of any index file), merged, and
// replaced by the program's safe write. Another copy's write between the read
// and the write is what the caller's own checks are for.
IndexTarget indexFileTarget(const QString& path);

} // namespace velmaris
