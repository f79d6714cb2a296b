#include "items/copySeam.h"

#include "items/cab.h"
#include "items/file.h"
#include "platform/error.h"
#include "platform/fs.h"

namespace {
// Until a copy engine is installed: whole-file copies written atomically inside the target's
// cabinet folder, and existing files are kept.
class TDefaultCopyEngine final : public TCopyEngine {
public:
    bool CopyFileData(TFile &source, TFile &target) override {
        const TCabinet *cabinet = target.GetCabinet();
        std::string to = target.GetLocalPath();
        if (!cabinet || !fs::IsInsideFolder(cabinet->Path, to))
            return false;
        std::string bytes;
        return fs::ReadWholeFile(source.GetLocalPath(), bytes) && fs::WriteFileAtomic(to, bytes);
    }
    bool OverwriteCheck(TFile &, TFile &) override { return false; }
};

TDefaultCopyEngine defaultEngine;
TCopyEngine *engine = &defaultEngine;
} // namespace

TCopyEngine &CopyEngine() {
    return *engine;
}
void SetCopyEngine(TCopyEngine *impl) {
    engine = impl ? impl : &defaultEngine;
}
