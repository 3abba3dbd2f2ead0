// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexvalue.h"

#include <QtGlobal>

namespace velmaris {

// How a revised rent is brought to the cent. Each caller names its own, so
// that a change of one never moves the other by accident.
enum class RentRounding {
    // The calculator grid: the nearest cent, halves away from zero.
    Grid,
    // The register (lawful revision, letter, revision dialog, audit): the
    // cent below, so that a rise never exceeds the index change and a fall
    // is never smaller than it (the legal ceiling).
    Register,
};

// The one revision step: rent x newIndex / baseIndex, in integers wide enough
// that nothing overflows, rounded to the cent by the given mode. The rent
// comes back unchanged when the base is no value.
qint64 revisedRent(qint64 cents, IndexValue newIndex, IndexValue baseIndex, RentRounding rounding);

// The change from base to new in hundredths of a per cent, halves away from
// zero: 2,44 % -> 244.
qint64 changeHundredths(IndexValue newIndex, IndexValue baseIndex);

} // namespace velmaris
