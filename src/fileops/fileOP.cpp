#include "fileops/fileOP.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "config/settings.h"
#include "fileops/convert.h"
#include "fileops/ovwrt.h"
#include "items/cab.h"
#include "items/copySeam.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/seam.h"

bool CancelRequested = false;
bool OverwriteAll = false;
TFormFileOP *FileOpWindow = nullptr;

namespace {
constexpr size_t BlockSize = 1024;
constexpr int64_t BytesPerEventTurn = 4096;
constexpr size_t WriteBufferSize = 64 * 1024;

TCopyWindow *openWindow = nullptr; // the desktop's window while FileOpWindow is set
int64_t bytesSinceTurn = 0;
// Counters that tell a move whether every file of an entry arrived.
uint64_t copyFailures = 0;
uint64_t filesCopied = 0;

bool InsideCabinet(const TTree &item, const std::string &path) {
    const TCabinet *cabinet = item.GetCabinet();
    return cabinet && !cabinet->Path.empty() && fs::IsInsideFolder(cabinet->Path, path);
}

int64_t FileCount(const TTree &item) {
    if (item.IsFile())
        return 1;
    int64_t count = 0;
    ForEachDescendant(item, [&count](const TTree &t) { count += t.IsFile() ? 1 : 0; });
    return count;
}

// Shows the progress window for the time of one batch.
class TWindowScope {
public:
    TWindowScope(TFormFileOP &form) {
        openWindow = &seam::FileOpDialogs().CopyWindow();
        FileOpWindow = &form;
        bytesSinceTurn = 0;
        openWindow->Open();
    }
    ~TWindowScope() {
        TCopyWindow *window = openWindow;
        FileOpWindow = nullptr;
        openWindow = nullptr;
        try {
            window->Close();
        } catch (...) {
        }
    }
    TWindowScope(const TWindowScope &) = delete;
    TWindowScope &operator=(const TWindowScope &) = delete;
};

class TFileOpEngine final : public TCopyEngine {
public:
    bool CopyFileData(TFile &source, TFile &target) override {
        return ::CopyFileData(source, target);
    }
    bool OverwriteCheck(TFile &source, TFile &existing) override {
        bool yes = ::OverwriteCheck(source, existing);
        if (!yes)
            ++copyFailures; // the entry did not arrive as it is
        return yes;
    }
    bool BeginPaste() override {
        if (FileOpWindow)
            return false;
        CancelRequested = false;
        return true;
    }
    void RunBatch(TClip &batch, TTree &target) override { ::RunBatch(batch, target); }
};
TFileOpEngine engine;
} // namespace

// ---- the progress window ----

void ShowFileHeader(const TFile &source, const TFile &target) {
    if (!FileOpWindow || !openWindow)
        return;
    std::string from = source.GetLocalPath();
    openWindow->SetHeader(from, source.Name() + "  を", from + "  から",
                          target.GetLocalPath() + "  へ");
}

void SetBarRange(int64_t maximum) {
    if (FileOpWindow && openWindow)
        openWindow->SetRange(maximum);
}

void StepBar(int64_t steps, int64_t bytes) {
    if (steps > 0 && FileOpWindow && openWindow)
        openWindow->Step(steps);
    bytesSinceTurn += bytes;
    if (bytesSinceTurn >= BytesPerEventTurn) {
        bytesSinceTurn = 0;
        seam::ProcessEvents();
    }
}

void ShowCannotOpen(const std::string &path) {
    ++copyFailures;
    seam::Messages().ErrorBox("ファイル " + path + " が開けません。");
}

// ---- the target file ----

TTargetFile::~TTargetFile() {
    if (file.IsOpen())
        ++copyFailures;
}

bool TTargetFile::Create(const TFile &target) {
    path = target.GetLocalPath();
    if (path.empty() || path.back() == '/' || !InsideCabinet(target, path))
        return false;
    // A paste writes many files into one folder: stale temporaries are looked for only where
    // the copy itself needs a named one.
    return file.Open(path, false);
}

bool TTargetFile::Flush() {
    if (!failed && !file.Write(buffer.data(), buffer.size()))
        failed = true;
    if (!failed)
        flushed += buffer.size();
    buffer.clear();
    return !failed;
}

bool TTargetFile::Write(std::string_view bytes) {
    if (!file.IsOpen() || failed)
        return false;
    buffer.append(bytes);
    size += bytes.size();
    return buffer.size() < WriteBufferSize || Flush();
}

bool TTargetFile::Truncate(uint64_t length) {
    if (!file.IsOpen() || failed || length > size)
        return false;
    if (length >= flushed) {
        buffer.resize(static_cast<size_t>(length - flushed));
    } else {
        buffer.clear();
        if (!file.Truncate(length))
            failed = true;
        flushed = length;
    }
    size = length;
    return !failed;
}

bool TTargetFile::Commit() {
    if (!file.IsOpen() || !Flush())
        return false;
    if (file.Commit(false))
        return true;
    ++copyFailures; // as the dropped temporary would have counted
    return false;
}

bool SameFileOnDisk(const std::string &a, const std::string &b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// ---- copies ----

bool CopyFileData(TFile &source, TFile &target) {
    uint64_t failuresBefore = copyFailures;
    bool copied = false;
    if (!SameFileOnDisk(source.GetLocalPath(), target.GetLocalPath())) {
        bool convert = false;
        if (source.GetKind() != KindPlainLog && IsHtml(source))
            convert = target.GetKind() == KindMirrorLog || Settings().OpCopyConv;
        if (convert)
            ConvertingCopy(source, target);
        else
            PlainCopy(source, target);
        copied = copyFailures == failuresBefore;
    }
    if (copied)
        ++filesCopied;
    else if (copyFailures == failuresBefore)
        ++copyFailures; // a file copied onto itself did not arrive as a copy either
    seam::ProcessEvents();
    if (CancelRequested)
        throw TAbort();
    return copied;
}

void PlainCopy(TFile &source, TFile &target) {
    ShowFileHeader(source, target);
    std::string from = source.GetLocalPath();
    std::string data;
    if (!fs::ReadWholeFile(from, data)) {
        ShowCannotOpen(from);
        return;
    }
    // The items are not looked at again once the event loop has had a turn.
    std::string to = target.GetLocalPath();
    TTargetFile out;
    if (!out.Create(target)) {
        ShowCannotOpen(to);
        return;
    }
    SetBarRange(static_cast<int64_t>(data.size() / BlockSize));
    std::string_view rest(data);
    bool written = true;
    while (written && !rest.empty()) {
        std::string_view block = rest.substr(0, BlockSize);
        rest.remove_prefix(block.size());
        written = out.Write(block);
        StepBar(1, static_cast<int64_t>(block.size()));
    }
    if (!written || !out.Commit())
        ShowCannotOpen(to);
}

// ---- the paste run ----

void RunBatch(TClip &batch, TTree &target) {
    // One batch at a time: a paste started from another window during a copy does nothing.
    if (FileOpWindow)
        return;
    OverwriteAll = false;
    if (batch.Count() == 0 || CancelRequested)
        return;
    const TCabinet *targetCabinet = target.GetCabinet();
    if (!targetCabinet)
        return;
    TItemRef into(&target);
    TFormFileOP form;
    form.Clip = &batch;
    form.LinkPrefix = "file:///" + PathToURL(Settings().OpCopyDir ? target.GetLocalPath()
                                                                  : targetCabinet->GetLocalPath());
    form.AddedPass = &batch == &AddedFiles();
    TWindowScope scope(form);
    TCopyWindow &window = *openWindow;
    const uint8_t mode = batch.Mode;
    const char *caption = mode == ClipMove    ? CaptionMove
                          : mode == ClipAdded ? CaptionAdded
                                              : CaptionCopy;
    const size_t count = batch.Count();
    try {
        for (size_t i = 0; i < count; ++i) {
            TTree *to = into.Get();
            TTree *item = batch.Item(i);
            if (!to)
                break;
            if (!item || !item->Parent())
                continue; // destroyed since it was cut or copied
            if (!CheckPasteTarget(*item, *to))
                break;
            window.SetCaption(caption);
            if (mode == ClipMove) {
                TItemRef source(item);
                int64_t files = FileCount(*item);
                uint64_t failuresBefore = copyFailures;
                uint64_t copiedBefore = filesCopied;
                TTree *copy = item->CopyTo(*to);
                TItemRef made(copy);
                item = source.Get();
                // The source goes only when every one of its files arrived.
                bool arrived = copy && copyFailures == failuresBefore &&
                               static_cast<int64_t>(filesCopied - copiedBefore) == files;
                if (arrived && item) {
                    DeleteFiles(DeleteList(*item) + '\0', false);
                    item->Remove();
                    batch.Replace(i, made.Get());
                }
                continue;
            }
            TTree *destination;
            if (mode == ClipAdded) {
                TTree &base = Settings().OpCopyDir ? *to : *to->GetCabinet();
                destination = MakeFolderPath(base, item->GetCabinet(), *item->Parent());
            } else if (to->GetKind() == KindMirrorLog && item->GetKind() != KindPlainLog) {
                destination =
                    MakeFolderPath(*to->GetCabinet(), item->GetCabinet(), *item->Parent());
            } else {
                destination = MakeFolderPath(*to, batch.Root(), *item->Parent());
            }
            if (destination->IsFile()) {
                ShowCannotOpen(fs::WithTrailingSlash(destination->GetLocalPath()));
                continue;
            }
            item->CopyTo(*destination);
        }
    } catch (const std::exception &) {
        CancelRequested = true;
    }
    if (batch.Mode == ClipMove)
        batch.Mode = ClipCopy;
}

// ---- the disk ----

void DeleteFiles(const std::string &pathList, bool allowUndo) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start < pathList.size()) {
        size_t end = pathList.find('\0', start);
        if (end == std::string::npos)
            end = pathList.size();
        if (end == start)
            break; // the final NUL
        paths.push_back(pathList.substr(start, end - start));
        start = end + 1;
    }
    if (paths.empty())
        return;
    if (allowUndo) {
        seam::FileOpDialogs().MoveToTrash(paths);
        return;
    }
    for (const std::string &path : paths) {
        // Only absolute paths below the root; the root itself is never a target.
        if (path.size() < 2 || path[0] != '/')
            continue;
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
}

void InstallCopyEngine() {
    SetCopyEngine(&engine);
}
