#include "revisionstep.h"

#include "numbers.h"

namespace velmaris {

qint64 revisedRent(qint64 cents, IndexValue newIndex, IndexValue baseIndex, RentRounding rounding)
{
    if (baseIndex.units() <= 0)
        return cents;
    // The two modes round alike today; each is written out so that changing
    // one leaves the other as it is.
    switch (rounding) {
    case RentRounding::Grid:
        return scaledRatio(cents, newIndex.units(), baseIndex.units());
    case RentRounding::Register:
        return scaledRatio(cents, newIndex.units(), baseIndex.units());
    }
    return cents;
}

qint64 changeHundredths(IndexValue newIndex, IndexValue baseIndex)
{
    return scaledRatio(10000, newIndex.units() - baseIndex.units(), baseIndex.units());
}

} // namespace velmaris
