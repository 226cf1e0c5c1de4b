// One libFuzzer program per target; RFMOD_FUZZ_TARGET names the entry it drives.
#include "fuzz_entries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString target = QStringLiteral(RFMOD_FUZZ_TARGET);
    FuzzEntries::Run(target, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}

// The sessions and the application are made before the first input, so their one-time
// allocations are not taken for an input's leaks.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzEntries::Run(QStringLiteral(RFMOD_FUZZ_TARGET), QByteArray());
    return 0;
}
