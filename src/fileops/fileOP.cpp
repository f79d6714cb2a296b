#include "fileops/fileOP.h"

#include <cstdio>
#include <fcntl.h>

#include "items/cab.h"
#include "platform/fs.h"

namespace {
bool InsideCabinet(const TTree &item, const std::string &path) {
    const TCabinet *cabinet = item.GetCabinet();
    return cabinet && !cabinet->Path.empty() && fs::IsInsideFolder(cabinet->Path, path);
}
} // namespace

bool CreateFolderOnDisk(const TTree &item) {
    std::string path = fs::WithoutTrailingSlash(item.GetLocalPath());
    if (!InsideCabinet(item, path))
        return false;
    return fs::CreateFolder(path);
}

bool MoveOnDisk(const TTree &item, const std::string &oldPath) {
    std::string from = fs::WithoutTrailingSlash(oldPath);
    std::string to = fs::WithoutTrailingSlash(item.GetLocalPath());
    if (from.empty() || to.empty() || from == to || !InsideCabinet(item, to))
        return false;
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

// ---- engine (being filled in) ----
bool CancelRequested = false;
bool OverwriteAll = false;
TFormFileOP *FileOpWindow = nullptr;

void ShowFileHeader(const TFile &, const TFile &) {}
void SetBarRange(int64_t) {}
void StepBar(int64_t, int64_t) {}
void ShowCannotOpen(const std::string &) {}
TTargetFile::~TTargetFile() = default;
bool TTargetFile::Create(const TFile &) {
    return false;
}
bool TTargetFile::Write(std::string_view) {
    return false;
}
bool TTargetFile::Truncate(uint64_t) {
    return false;
}
bool TTargetFile::Commit() {
    return false;
}
bool TTargetFile::Flush() {
    return false;
}
bool SameFileOnDisk(const std::string &, const std::string &) {
    return false;
}
void CopyFileData(TFile &, TFile &) {}
void PlainCopy(TFile &, TFile &) {}
void RunBatch(TClip &, TTree &) {}
void DeleteFiles(const std::string &, bool) {}
void InstallCopyEngine() {}
