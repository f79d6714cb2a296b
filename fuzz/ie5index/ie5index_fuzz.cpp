// Reads the input as an MS-IE 5-9 cache index. Whatever the bytes, the reading ends in
// entries or the read error, within the image; a complete reading files at most one item per
// eight bytes of hash entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "items/cab.h"
#include "stores/ie5Index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view image(reinterpret_cast<const char *>(data), size);
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMsie5, "/nonexistent/fuzz/", "fuzz");
    const bool complete = ReadIE5IndexImage(*cabinet, image, "/nonexistent/fuzz/index.dat");
    if (complete != cabinet->IndexComplete)
        std::abort();
    if (static_cast<size_t>(cabinet->GetFileCount()) > size / 8)
        std::abort();
    return 0;
}
