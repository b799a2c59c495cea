// Any bytes as a UUCP lock file's contents: a process number is read only within 1..pid_max, never
// anything else, and nothing outside the bytes is read.
#include "link/UucpLock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == ' ' || c == '\t' || c == '\r' || c == '\n';
    });
    for (const long pidMax : {32768L, kFallbackPidMax}) {
        const long pid = parseLockPid(bytes, pidMax);
        if (pid < -1 || pid > pidMax)
            __builtin_trap();
        // Four bytes that are not ASCII are the binary form: never "no lock this program can read".
        if (size == 4 && !ascii && pid == -1)
            __builtin_trap();
    }
    return 0;
}
