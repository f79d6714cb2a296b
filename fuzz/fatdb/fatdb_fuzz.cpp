// Reads the input as a Netscape 2.x cache database twice: the reading must end, stay inside
// the image and give the same result both times.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "items/cab.h"
#include "stores/fatDb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view image(reinterpret_cast<const char *>(data), size);
    TCabinetRoot root;
    TCabinet *first = root.AddCabinet(KindNetscape2, "/nonexistent/fuzz/", "first");
    const bool complete = ReadFatDbImage(*first, image, "/nonexistent/fuzz/fat.db");
    TCabinet *second = root.AddCabinet(KindNetscape2, "/nonexistent/fuzz/", "second");
    if (ReadFatDbImage(*second, image, "/nonexistent/fuzz/fat.db") != complete)
        std::abort();
    if (first->GetFileCount() != second->GetFileCount())
        std::abort();
    return 0;
}
