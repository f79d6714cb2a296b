#pragma once
// Finding every browser cache and log with an index below a folder (a mounted disk image, an
// old home folder), and a short summary of each one found.
#include <cstdint>
#include <string>

#include "items/cab.h"

// How many folder levels below the root are searched; deeper folders are left with a warning.
inline constexpr size_t MaxFindDepth = 256;

struct TFoundStore {
    std::string Folder;    // the store's folder, ending with "/"
    std::string IndexFile; // the marker/index file that was recognised (its real letter case)
    uint8_t Kind = KindUnknown;
};

class TFindListener {
public:
    virtual ~TFindListener() = default;
    // Called for every folder before it is listed; false stops the walk (Cancel).
    virtual bool Visiting(const std::string &folder) {
        (void)folder;
        return true;
    }
    virtual void Found(const TFoundStore &store) = 0;
    virtual void Warning(const std::string &text) = 0; // English text, for stderr / status
};

// Walks the tree below root (iteratively, bounded), reporting each store once, in a stable
// order (sorted by folder path). Returns false when the listener cancelled.
//
// A store is a folder holding a marker file of StoreMarkers (name matched without regard to
// ASCII case, the exact name first) whose index begins as its reader expects: "index.dat" of
// version 4.7 is kind 8, of version 5.2 kind 9; a "DESKTOP.INI" counts only beside a subfolder
// whose MM256.DAT or MM2048.DAT carries the MS-IE 3.x signature. A folder may hold stores of
// several kinds; they are reported in marker order. Another marker file with a wrong
// signature is skipped with a warning (a DESKTOP.INI quietly: most folders holding one are
// no cache). Plain logs are never reported.
//
// The walk goes on inside store folders. Symbolic links to folders are followed after the
// real folders (so a folder is reported under its own path when the walk meets it there too),
// and no folder (device, inode) is listed twice; a link back to one of its own ancestors is
// named in a warning. Unreadable folders and folders deeper than MaxFindDepth give a warning
// and are skipped. Found is called once the walk has ended, for a cancelled walk with the
// stores found until then; Visiting and Warning come during the walk.
bool FindStores(const std::string &root, TFindListener &listener);

struct TStoreSummary {
    int64_t Entries = 0;                         // file items filed
    double EarliestAccess = 0, LatestAccess = 0; // local date-times as items keep them, 0 = none
    bool ReadError = false;
};
// Loads the store into a temporary cabinet and summarises it. The reader's messages go
// through the desktop seam; ReadError is set when the index could not be read completely.
TStoreSummary SummariseStore(const TFoundStore &store);
