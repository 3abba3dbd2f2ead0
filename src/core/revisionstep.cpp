// SPDX-License-Identifier: GPL-3.0-or-later
#include "revisionstep.h"

#include "numbers.h"

namespace velmaris {

qint64 revisedRent(qint64 cents, IndexValue newIndex, IndexValue baseIndex, RentRounding rounding)
{
    if (baseIndex.units() <= 0)
        return cents;
    switch (rounding) {
    case RentRounding::Grid:
        return scaledRatio(cents, newIndex.units(), baseIndex.units());
    case RentRounding::Register: {
        // Rents and indices are positive: the quotient of the division is the floor.
        __extension__ typedef __int128 Wide;
        if (cents <= 0 || newIndex.units() <= 0)
            return scaledRatio(cents, newIndex.units(), baseIndex.units());
        return qint64(Wide(cents) * newIndex.units() / baseIndex.units());
    }
    }
    return cents;
}

qint64 changeHundredths(IndexValue newIndex, IndexValue baseIndex)
{
    return scaledRatio(10000, newIndex.units() - baseIndex.units(), baseIndex.units());
}

} // namespace velmaris
