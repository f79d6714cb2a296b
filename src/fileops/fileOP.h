#pragma once
// The copy and move engine: the paste run of one clipboard batch, the copies of single files
// (unchanged, or converted for HTML), the progress window's state, deleting through the
// desktop.
#include <cstdint>
#include <string>
#include <string_view>

#include "items/clip.h"
#include "items/file.h"
#include "platform/fs.h"

// Set by the progress window's "Cancel", by the overwrite question's cancel, and when a batch
// ends by an exception. Cleared at the start of every paste.
extern bool CancelRequested;
// Set by the overwrite question's "すべて (&A)"; cleared at the start of every batch.
extern bool OverwriteAll;

// The state of the progress window while a batch runs. The window itself is the desktop's
// (seam::FileOpDialogs().CopyWindow()).
class TFormFileOP {
public:
    TClip *Clip = nullptr;  // the batch being pasted (not owned)
    std::string LinkPrefix; // "file:///" + PathToURL(folder that receives added files)
    bool AddedPass = false; // the batch is AddedFiles
};
// The window of the running batch; nullptr when no batch runs. While it is set, the event-loop
// turns of the copy keep the other windows usable, but commands that destroy or rename items
// (refresh, delete, rename, removing a cabinet, another paste) must wait until it is nullptr
// again: the copy in progress holds the items it copies.
extern TFormFileOP *FileOpWindow;

// Caption, icon, the three text lines and the bar of the progress window, when one is open;
// nothing otherwise.
// Icon of source's type; lines "NAME  を", "SOURCE-PATH  から", "TARGET-PATH  へ"; bar at 0.
void ShowFileHeader(const TFile &source, const TFile &target);
// The bar runs from 0 to maximum.
void SetBarRange(int64_t maximum);
// Advances the bar by steps. bytes counts the data handled since the last call: the event
// loop gets a turn once per 4 KiB of data (and at least once per call with bytes >= 4096).
void StepBar(int64_t steps, int64_t bytes);

// "ファイル PATH が開けません。" as an error box. Every copy that fails says so through here:
// a move keeps the sources of an entry for which it was shown.
void ShowCannotOpen(const std::string &path);

// The file a copy writes. The data goes to a temporary file in the target's folder (an
// fs::TAtomicFile: unnamed where the file system allows it) that Commit puts in place of the
// target, so a failed or cancelled copy never destroys the file that was there, and a crash
// leaves no temporary behind. Dropping it uncommitted discards the temporary file (and counts
// as a failed copy, so a move keeps its source).
class TTargetFile {
public:
    TTargetFile() = default;
    ~TTargetFile();
    TTargetFile(const TTargetFile &) = delete;
    TTargetFile &operator=(const TTargetFile &) = delete;

    // Opens the temporary file for the target item's local path. False when that path lies
    // outside the target's cabinet folder or the temporary file cannot be created. Shows
    // nothing.
    bool Create(const TFile &target);
    // False once any write has failed.
    bool Write(std::string_view bytes);
    // Bytes written so far.
    uint64_t Size() const { return size; }
    // Takes back everything written after the first length bytes (length <= Size()).
    bool Truncate(uint64_t length);
    // Writes out what is buffered and renames the temporary file over the target. False
    // (and the target unchanged) on any failure.
    bool Commit();
    const std::string &Path() const { return path; }

private:
    bool Flush();
    std::string path;
    fs::TAtomicFile file;
    std::string buffer;
    uint64_t size = 0;
    uint64_t flushed = 0;
    bool failed = false;
};

// True when both paths name the same file on disk (same device and inode).
bool SameFileOnDisk(const std::string &a, const std::string &b);

// Copies the data of the file item source into the file of the file item target: unchanged
// for non-HTML files and files from a plain log, converted for HTML pasted into a mirror (or
// into a plain log with OpCopyConv). A file is never copied onto itself. Throws TAbort once
// the copy is done when CancelRequested is set. True when the target's file now holds the
// source's data.
bool CopyFileData(TFile &source, TFile &target);
// Byte for byte, in blocks of 1024 with one bar step each. A source that cannot be read or a
// target that cannot be written shows "ファイル PATH が開けません。" and leaves the previous
// target file as it was.
void PlainCopy(TFile &source, TFile &target);

// One clipboard batch into target (a folder or cabinet of a plain or mirror log): every entry
// is checked with CheckPasteTarget (the first failure ends the batch), then copied, moved or
// added by the batch's mode. A move deletes a source only when its copy succeeded, replaces
// the entry by the copy and leaves the batch in copy mode. A cancel or any error ends the
// batch quietly and sets CancelRequested. Entries whose items were destroyed are skipped.
// Does nothing while another batch runs.
void RunBatch(TClip &batch, TTree &target);

// Deletes the paths of pathList (each followed by a NUL, one more NUL at the end). With
// undo: through the desktop (one confirmation, then its trash). Without: silently and for
// good, folders with their contents.
void DeleteFiles(const std::string &pathList, bool allowUndo);

// Makes this engine the one behind TDir::CopyTo, TFile::CopyTo and TClip::Paste. Called
// once at start-up by each program.
void InstallCopyEngine();

// Progress window captions.
inline constexpr const char *CaptionCopy = "ファイルのコピー";
inline constexpr const char *CaptionMove = "ファイルの移動";
inline constexpr const char *CaptionAdded = "リンクされたファイルのコピー";
// The progress window's bar captions and button.
inline constexpr const char *BarStartCaption = "0%";
inline constexpr const char *BarEndCaption = "100%";
inline constexpr const char *CancelButton = "Cancel";
