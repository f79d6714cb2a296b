#pragma once
// Link resolution and the link list of one HTML file.
//
// A link found by the link walk (token.h) is resolved against the address of the folder that
// holds the HTML file, looked up in the item tree of every cabinet, and kept in a list with
// one entry per address. The address and path functions are shared with the converting copy.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "items/tree.h"

class TCabinet;
class TFile;

// True when text begins with "file:///" (8 bytes, ASCII case ignored).
bool HasFileScheme(std::string_view text);

// The link without its fragment (from the first "#" on), and the fragment alone ("" when
// there is none). Item names never hold a fragment, so lookups take the link without it; a
// caller that writes the link back appends the fragment again.
std::string_view WithoutFragment(std::string_view link);
std::string_view FragmentOf(std::string_view link);

// Splits a path or address into segments: every segment but the last ends with "/" (a "\"
// separator is written as "/"), empty and "." segments are dropped, ".." drops the entry
// before it (even the one made of scheme and host). A "/" or "\" right after ":", "/" or "\"
// is not a separator, so "http://host" stays one segment. The last entry is the text after
// the last separator (empty when the path ends with one).
//   "http://host/a/./b/../c.html" → "http://host/", "a/", "c.html"
std::vector<std::string> SplitPath(std::string_view path);

// The leading part of base up to (not including) the first "/" that follows neither ":" nor
// "/"; all of base when there is none. "http://host/dir/" → "http://host".
std::string SchemeHost(std::string_view base);

// The absolute address of link against base (a folder address ending with "/"): "/x" joins
// SchemeHost(base); a link beginning with "." or holding no ":" joins base; any other link
// (a scheme is present) stands as it is. The result is normalised through SplitPath.
// The link is taken as it stands, fragment included (see WithoutFragment).
std::string Resolve(std::string_view link, std::string_view base);

// The item for an absolute address, walking down from start (a cabinet) by Name: the parts
// between separators ("/" not following ":" or "/"; empty parts skipped) name folders, the
// last part names the item; an address ending with "/" names the folder's "RootPage.html".
// nullptr when start is null or any part is missing. Sets the Found flag of items met.
TTree *FindByURL(const TTree *start, std::string_view url);
// The same walk by LocalName, with "/" and "\" both separators and no "RootPage.html" rule.
TTree *FindByLocalPath(const TTree *start, std::string_view path);

// One distinct link of one HTML file. Found items are held by reference: Get() answers
// nullptr once they are destroyed.
class TURL {
public:
    std::string URL;     // the absolute address (fragment cut off); the key of the entry
    std::string Link;    // the link text as it stood in the file when the entry was made
    bool Exists = false; // a "file:///" address whose file exists on disk
    TItemRef Cabinet;    // the cabinet where URL was found (empty when not found)
    TItemRef Item;       // the item found for URL (empty when not found)

    TCabinet *FoundCabinet() const;
    TTree *FoundItem() const { return Item.Get(); }

    // Fills Exists, Cabinet and Item: a "file:///" address is looked up on disk only;
    // otherwise firstCabinet is searched first, then every registered cabinet from the last
    // to the first. The tree is searched as it stands; nothing is loaded.
    void Locate(TCabinet *firstCabinet);
};

// The distinct links of one file in the order of their first appearance. Owns its entries.
class TURLs {
public:
    // Adds one link of an HTML file that lies in folder, resolved against base (a
    // "file:///" link stands as it is), its fragment cut off. An address already listed
    // (ASCII case ignored) returns the existing entry, whose Link stays the text seen first;
    // a new entry is located (TURL::Locate from folder's cabinet) before it is returned.
    TURL &Add(const TTree &folder, std::string_view link, std::string_view base);

    size_t Count() const { return entries.size(); }
    const TURL &operator[](size_t index) const { return *entries[index]; }
    const std::vector<std::unique_ptr<TURL>> &Entries() const { return entries; }
    void Clear();

private:
    std::vector<std::unique_ptr<TURL>> entries;
    std::vector<uint64_t> hashes; // per entry: the hash of its URL with letters folded
    std::vector<size_t> table;    // lookup table: entry position + 1, 0 for a free slot
};

// The address the links of an HTML file are resolved against before any "<BASE": for a
// file in a plain log "file:///" + PathToURL of its folder's local path, otherwise its
// folder's address (ending with "/").
std::string BaseAddress(const TFile &file);

// The base address a "<BASE" tag's value sets, against the base in force before it: the
// value resolved, then cut after its last "/" (a query or fragment goes first), so that a
// tag naming a page ("http://h/d/index.html") or a bare server ("http://h") still gives a
// folder address ending with "/".
std::string BaseFromTag(std::string_view value, std::string_view base);

// Runs the link walk over data (the bytes of the HTML file item file) and adds every link to
// links, as the link check collects them: a "<BASE" value replaces the base with
// Resolve(value, base) and gives no entry. progress, when set, is called with the bytes
// consumed so far at each event-loop turn and once at the end.
void CollectLinks(const TFile &file, std::string_view data, TURLs &links,
                  const std::function<void(size_t consumed)> &progress = {});
