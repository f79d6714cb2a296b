// Reads the input as an MS-IE 2.x cache index: the reading ends in entries or the read error,
// and never files more items than the input has line feeds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "items/cab.h"
#include "stores/ie2Index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view image(reinterpret_cast<const char *>(data), size);
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMsie2, "/nonexistent/fuzz/", "fuzz");
    const bool complete = ReadIE2IndexImage(*cabinet, image, "/nonexistent/fuzz/iexplore.cif");
    if (complete != cabinet->IndexComplete)
        std::abort();
    if (cabinet->GetFileCount() > std::count(image.begin(), image.end(), '\n'))
        std::abort();
    return 0;
}
