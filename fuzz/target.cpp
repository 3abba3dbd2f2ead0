// SPDX-License-Identifier: GPL-3.0-or-later
// One libFuzzer target per reader: VELMARIS_FUZZ_ENTRY names the entry point.
#include "entry_points.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!velmaris::fuzz::VELMARIS_FUZZ_ENTRY(bytes))
        std::abort(); // a rule broken: libFuzzer keeps the input as a crash
    return 0;
}
