#pragma once
// While the program runs, the browsers are set never to check the server for a newer copy of
// a cached page, so that a page opened from a cache shows the cached copy; their own settings
// are put back at the end. Three registry values take part, each set to never-check:
//
//   Cache_Update_Frequency, text, "Never": machine hive, \SOFTWARE\Microsoft\Internet
//     Explorer\Main;
//   SyncMode, integer 0 (or, when stored as a binary value of 4 bytes, 4 zero bytes): current
//     user, \Software\Microsoft\Windows\CurrentVersion\Internet Settings;
//   Check Server, integer 2: current user, \Software\Netscape\Netscape Navigator\Main.
//
// A browser whose key is missing is passed over; a value that is missing, or of a type that
// cannot be put back exactly, is not saved and so not restored. A missing
// Cache_Update_Frequency is an exception: it is created as "Never" and stays so, since there
// is nothing to put back.
#include <cstdint>
#include <optional>
#include <string>

class TRegistry;

// The browsers' own values, saved by SetBrowserMode for ResetBrowserMode.
struct TBrowserMode {
    std::string SavedUpdateFrequency;        // empty: nothing to restore
    std::optional<int32_t> SavedSyncMode;    // none: nothing to restore
    bool SyncModeBinary = false;             // SyncMode was 4 raw bytes rather than an integer
    std::optional<int32_t> SavedCheckServer; // none: nothing to restore
};

// Clears mode, saves the three values into it and writes the never-check values (each saved
// with the registry file as its key is closed). Never fails: a value that cannot be read or
// written is simply not saved, and a registry file that cannot be saved is passed over.
void SetBrowserMode(TRegistry &registry, TBrowserMode &mode);

// Writes every saved value back where its key still exists (SyncMode with the type it had),
// creating no key. Throws TError when the registry file cannot be saved; the values after
// that one are then not written.
void ResetBrowserMode(TRegistry &registry, const TBrowserMode &mode);
