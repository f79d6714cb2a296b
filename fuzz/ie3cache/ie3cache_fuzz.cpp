// Reads the input as the index files of one cache subfolder: up to the second occurrence of
// the signature it is MM256.DAT, from there on MM2048.DAT. Each record is filed at most once
// per file, so no more records may be walked than the file has bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "items/cab.h"
#include "platform/seam.h"
#include "stores/ie3Cache.h"

namespace {
class TStepCounter final : public TProgress {
public:
    int64_t Steps = 0;
    void SetStatusText(const std::string &) override {}
    void StartProgress(int64_t, int64_t) override {}
    void StepProgress(int64_t count) override { Steps += count; }
    void ResetProgress() override {}
    void ProcessEvents() override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    size_t split = input.find(IE3Signature, 1);
    std::string_view parts[] = {input.substr(0, split), split == std::string_view::npos
                                                            ? std::string_view()
                                                            : input.substr(split)};
    TStepCounter counter;
    seam::SetProgress(&counter);
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMsie3, "/nonexistent/fuzz/", "fuzz");
    for (std::string_view part : parts) {
        counter.Steps = 0;
        (void)IE3RecordCount(part);
        TIE3Read result = ReadIE3Index(*cabinet, part, "cache1/", "/nonexistent/fuzz/MM.DAT");
        if (counter.Steps > static_cast<int64_t>(part.size()))
            std::abort();
        if (result == TIE3Read::Skipped && counter.Steps != 0)
            std::abort();
    }
    seam::SetProgress(nullptr);
    return 0;
}
