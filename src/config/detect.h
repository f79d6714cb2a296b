#pragma once
// Finding the installed browsers' cache folders through their registry entries (and, for
// Netscape 4.x, the user profiles' "Prefs.js") and registering a cabinet for each folder that
// is not a cabinet yet. Detection never shows a message and never removes anything; of a
// cabinet that already sits on a detected folder it only fills in an empty Program (and, for
// Netscape 4.x, an empty User).
//
// Paths read from the registry or from "Prefs.js" were written for another system
// ("C:\Program Files\Netscape\Users\joe\cache"). A path becomes a path here by trimming the
// blanks and control characters at both ends and turning every "\" into "/"; only a path that
// is then absolute names anything here. A drive-letter path or any other relative path names
// nothing, so it is taken as missing and no cabinet is made from it. A detected folder is
// looked up on disk the way store files are: each component as it stands when it exists,
// otherwise the entry that matches without regard to ASCII case; a folder that is missing
// keeps the spelling read. Folders compare with cabinets without regard to ASCII case and to
// a trailing "/".
//
// Detection only reads the registry: nothing is written, and afterwards no key is open and
// the hive that was current before is current again.
#include <string>
#include <string_view>
#include <vector>

class TRegistry;
class TCabinet;
class TCabinetRoot;

// Runs every detection in turn: Netscape 2.x/3.x and 4.x for each version key, MS-IE 4.x (or
// 5 to 9) by its Version, MS-IE 2.x or 3.x by its IVer, then Tapline. Returns the cabinets it created,
// in the order they were appended to root; they are not loaded yet.
std::vector<TCabinet *> DetectBrowserCaches(TRegistry &registry, TCabinetRoot &root);

// The cabinet whose folder is folder, searched from the last cabinet to the first; nullptr
// when there is none.
TCabinet *FindCabinetByPath(const TCabinetRoot &root, std::string_view folder);

// The single detections. name is the name a new cabinet gets; for Netscape 4.x it is the
// base name, to which " - " and the profile name are added, and version is the version key.
void DetectNetscape3(TRegistry &registry, TCabinetRoot &root, const std::string &name);
void DetectNetscape4(TRegistry &registry, TCabinetRoot &root, const std::string &baseName,
                     const std::string &version);
void DetectIE2(TRegistry &registry, TCabinetRoot &root, const std::string &name);
void DetectIE3(TRegistry &registry, TCabinetRoot &root, const std::string &name);
void DetectIE4(TRegistry &registry, TCabinetRoot &root, const std::string &name);
// MS-IE 5 to 9: the "Content.IE5" subfolder of the user's "Cache" shell folder.
void DetectIE5(TRegistry &registry, TCabinetRoot &root, const std::string &name);
void DetectTapline(TRegistry &registry, TCabinetRoot &root, const std::string &name);

// A path as the registry or a preferences file holds it, as a path here (see above); empty
// when it names nothing here. No trailing "/" is added or removed.
std::string LocalPathFromRegistry(std::string_view value);

// The cache folder a Netscape 4.x profile folder names in its "Prefs.js" (found without
// regard to letter case): the value of the last line whose preference name is
// "browser.cache.directory" (compared without regard to ASCII case), unquoted; the profile
// folder + "/Cache" when no line names it; empty when the file is missing, cannot be read or
// is larger than MaxPrefsSize. The value keeps its letter case, since folder names here are
// told apart by case. Within a line, "(" "," and ")" split the name from the value only
// outside double quotes, so a folder name holding them is read whole.
std::string ReadPrefsCacheDir(const std::string &profileFolder);
inline constexpr size_t MaxPrefsSize = 16u << 20;

// The folder text of a preference's raw value: every double quote left out, every backslash
// that follows a backslash left out (so doubled backslashes come out single), then blanks and
// control characters trimmed at both ends.
std::string UnquotePrefValue(std::string_view raw);
