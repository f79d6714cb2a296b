// Reads the input as a text cache index, writes the filed items back out as an index and
// reads that again: the second reading must succeed and give as many files as the first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "items/cab.h"
#include "stores/fatIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view image(reinterpret_cast<const char *>(data), size);
    TCabinetRoot root;
    TCabinet *first = root.AddCabinet(KindMirrorLog, "/nonexistent/fuzz/", "first");
    ReadFatIndexImage(*first, image, "/nonexistent/fuzz/trfat.db");

    std::string written(FatIndexSignature);
    written += "\r\n";
    WriteFatRecords(*first, written);

    TCabinet *second = root.AddCabinet(KindMirrorLog, "/nonexistent/fuzz/", "second");
    if (!ReadFatIndexImage(*second, written, "/nonexistent/fuzz/written.db"))
        std::abort();
    if (second->GetFileCount() != first->GetFileCount())
        std::abort();
    return 0;
}
