#pragma once
// The registry: both hives (current user and local machine) held in one text file in the
// REGEDIT4 syntax:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Kestrelware\Trawler\Config]
//   "Html File Ext."=".HTML;.HTM;.ASP"
//   "Split"=dword:00000096
//   "Exec"=hex:00,00,00,00,00,00,00,00
//   @="default value"
//
// Keys are hierarchical; key and value names match without regard to ASCII case and keep
// the case they were created with. Subkeys enumerate in the order they were created. Text,
// names and paths are bytes and are never re-encoded.
//
// Reading a file never fails: a line that cannot be understood is skipped, as regedit does,
// and the parse costs time and memory linear in the size of the file, whatever it holds.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class THive : uint8_t { CurrentUser, LocalMachine };

// Value types with their registry numbers. Any other number may occur too (read from a
// file as hex(N):) and is kept with its bytes so that it is written back unchanged.
enum : uint32_t {
    RegNone = 0,
    RegSz = 1,       // text
    RegExpandSz = 2, // text with environment references (never written by the program)
    RegBinary = 3,   // bytes; a date-time is its double's 8 bytes, little-endian
    RegDword = 4,    // a 32-bit number, 4 bytes little-endian
};

struct TRegData {
    uint32_t Type = RegNone;
    std::string Bytes; // RegSz: the text without a terminating NUL
};

struct TRegKey;

// The path of the registry file: $TRAWLER_REGISTRY when set and not empty, otherwise
// $XDG_CONFIG_HOME/Kestrelware/Trawler/registry.reg, with $HOME/.config standing in for an
// unset or relative XDG_CONFIG_HOME.
std::string DefaultRegistryPath();

class TRegistry {
public:
    static constexpr uint64_t MaxFileSize = 64u << 20;

    // An empty registry in memory, never saved.
    TRegistry();
    // The registry kept in the file at path, read now. A missing file is an empty registry.
    // A file that exists but cannot be read (or is larger than MaxFileSize) is also taken as
    // empty, and then every save fails, so the unread contents are never replaced.
    explicit TRegistry(const std::string &path);
    // Saves pending changes (failures are swallowed here; CloseKey reports them).
    ~TRegistry();
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    // Replaces the whole contents with the keys and values of a REGEDIT4 text. The open key
    // is closed (without saving) and the hive is the current user's again.
    void LoadText(std::string_view text);
    // The whole registry in REGEDIT4 syntax with CR LF line ends. Loading this text gives a
    // registry whose text is the same.
    std::string ToText() const;

    // The file behind the registry; empty for a registry in memory.
    const std::string &FilePath() const { return path; }
    // Writes the file now (atomically; the folders are created first). True when it is
    // written, or when the registry lives in memory. A text larger than MaxFileSize is not
    // written, since it could not be read again. On failure error holds the reason.
    bool Save(std::string *error = nullptr);
    // Something changed since the last save.
    bool Modified() const { return modified; }
    // Number of saves so far (tests check that a batch of writes costs one save).
    int SaveCount() const { return saveCount; }

    // The hive that absolute paths start from. Changing it closes the open key.
    void SetRootKey(THive hive);
    THive RootKey() const { return hive; }

    // Paths: a path beginning with "\" starts at the hive's root, any other path at the open
    // key (the hive's root when no key is open). Empty segments are ignored.

    bool KeyExists(const std::string &key) const;
    // Opens the key, creating the missing keys on the way when canCreate; the previously open
    // key is closed first (and saved when anything changed). False, with the previously open
    // key still open, when the key is missing and not created, or when a name on the way
    // would have to be created with a CR or LF byte in it.
    bool OpenKey(const std::string &key, bool canCreate);
    // Closes the open key; when anything changed since the last save, the file is saved.
    // Throws TError when that save fails.
    void CloseKey();
    // The open key's path below the hive, without the leading "\"; empty at the root.
    std::string CurrentPath() const;

    // Typed reads from the open key. Missing values or values of another type (and for
    // integers another size than 4) throw TError.
    int32_t ReadInteger(const std::string &name) const;
    bool ReadBool(const std::string &name) const; // any non-zero number is true
    // A missing value reads as the empty text; a value that is not text throws TError.
    std::string ReadString(const std::string &name) const;
    // A binary value of exactly 8 bytes; anything else throws TError.
    double ReadFloat(const std::string &name) const;
    std::optional<TRegData> ReadData(const std::string &name) const;

    // Typed writes to the open key, replacing a value of any type. They are saved when the
    // key is closed. A name holding a CR or LF byte throws TError.
    void WriteInteger(const std::string &name, int32_t value);
    void WriteBool(const std::string &name, bool value); // 1 or 0
    void WriteString(const std::string &name, const std::string &value);
    void WriteFloat(const std::string &name, double value);
    void WriteData(const std::string &name, const TRegData &data);

    bool ValueExists(const std::string &name) const;
    bool DeleteValue(const std::string &name);
    // The open key's value names in the order they were created.
    std::vector<std::string> GetValueNames() const;
    // The open key's subkey names in the order they were created.
    std::vector<std::string> GetKeyNames() const;
    bool HasSubKeys() const;
    // Removes the key with all its subkeys and saves at once. False when the key is missing
    // or names a hive's root. When the open key lies inside, no key is open afterwards.
    // Throws TError when the save fails.
    bool DeleteKey(const std::string &key);

private:
    TRegKey *HiveRoot(THive which) const;
    TRegKey *Find(const std::string &key) const;
    TRegKey *Current() const;
    void SaveOrThrow();
    void Load();

    std::string path;
    bool unreadable = false;
    bool modified = false; // changes not yet saved
    bool changed = false;  // a change since the last CloseKey
    int saveCount = 0;
    THive hive = THive::CurrentUser;
    std::unique_ptr<TRegKey> top; // its subkeys are the hives, by their full names
    TRegKey *open = nullptr;      // nullptr: the hive's root
};
