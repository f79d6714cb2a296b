#pragma once
// The file-type database: a type name and an icon per file extension, and the image lists
// the views draw items with.
//
// The image lists hold icon names, not pictures; the GUI maps each name to a picture.
// `Small` and `Large` start with the built-in images and grow together, one icon per new
// file type, so an index means the same type in both lists. The built-in images are named
// "trawler-unknown", "trawler-cabinet", "trawler-cabinet-open", "trawler-folder" and
// "trawler-folder-open"; the state images "" (no picture), "trawler-state-accessed-since-end",
// "trawler-state-accessed-last-run", "trawler-state-found", "trawler-state-missing",
// "trawler-state-plain-log", "trawler-state-cache" and "trawler-state-mirror". Icons added for
// file types carry the desktop's icon-theme names.
#include <cstddef>
#include <string>
#include <vector>

// Built-in images of `Small` and `Large`.
enum : int {
    ImageUnknown = 0,     // a page with a question mark: a file that does not exist
    ImageCabinet = 1,     // a closed drawer
    ImageCabinetOpen = 2, // an open drawer: the selected cabinet
    ImageFolder = 3,
    ImageFolderOpen = 4,
    ImageBuiltInCount = 5,
};

// Images of `State`.
enum : int {
    StateNone = 0,
    StateAccessedSinceEnd = 1, // yellow disc "N": accessed since the program last ended
    StateAccessedLastRun = 2,  // blue disc "N": accessed during the previous run
    StateFound = 3,            // blue disc "F"
    StateMissing = 4,          // red disc with a white cross
    StatePlainLog = 5,         // pennant "L"
    StateCache = 6,            // pennant "C"
    StateMirror = 7,           // pennant "M"
    StateCount = 8,
};

// One file type, keyed by extension.
struct TFileDbElem {
    std::string Ext;      // with the dot; empty for names without an extension
    std::string TypeName; // at most TypeNameLimit characters
    int ImageIndex = -1;  // index in Small and Large; -1 when the desktop gave no icon

    static constexpr size_t TypeNameLimit = 80;
};

// The extension of a path: from the last "." after the last "/" to the end, dot included;
// empty when the last component holds no ".".
std::string FileExtension(const std::string &path);

class TFileDb {
public:
    // Fills the image lists with the built-in images; no entries yet.
    TFileDb();

    std::vector<std::string> Small; // icon names, 16 x 16
    std::vector<std::string> Large; // icon names, 32 x 32, same indices as Small
    std::vector<std::string> State; // icon names of the state images

    // The path is a file's local path. For a path where no regular file exists these answer
    // "不明", ImageUnknown and an empty name, and make no entry. Otherwise they answer from the
    // entry for the path's extension, making it first when there is none: the desktop is asked
    // once per extension (letter case aside), and every later file with that extension shares
    // what it said for the first, whatever the desktop would say about the later file.
    std::string GetTypeName(const std::string &path);
    int GetImageIndex(const std::string &path);
    // The Large icon name for the file's type; empty when the file does not exist or its type
    // has no icon.
    std::string GetLargeIcon(const std::string &path);

    // Entries in creation order; never removed.
    const std::vector<TFileDbElem> &Entries() const { return entries; }

private:
    const TFileDbElem *EntryFor(const std::string &path);
    std::vector<TFileDbElem> entries;
};
