#pragma once
// What the MS-IE index files ("Client UrlCache MMF", versions 4.7 and 5.2) share: the header's
// list of cache subfolders, record texts read against a budget, and the way the index file is
// found, read and checked.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "items/cab.h"
#include "platform/byteReader.h"

// The cache subfolder names listed in the header (views into the image); false when the list
// runs past the end of the file.
bool ReadUrlCacheFolders(const TByteReader &in, std::vector<std::string_view> &folders);

// Record texts. In a sound index every text belongs to one record, so the texts together are
// shorter than the file; records that share texts could otherwise make a small file cost time
// and memory without end, so all texts together may be at most 16 times the file.
class TUrlCacheTexts {
public:
    explicit TUrlCacheTexts(const TByteReader &in) : in(in), budget(16 * in.Size()) {}
    // Takes cost bytes from the budget; false when it is spent.
    bool Spend(uint64_t cost);
    // A NUL-terminated text at offset; false when it runs past the file or the budget.
    bool TextAt(uint64_t offset, std::string_view &text);

private:
    const TByteReader &in;
    uint64_t budget;
};

// Runs read over an image that begins with signature and settles the outcome as every
// MS-IE index reader does: an empty image or a read that fails shows the cache read error,
// an image with another signature files nothing and shows nothing, the progress is reset,
// and cabinet.IndexComplete says whether the whole index was read.
bool ReadUrlCacheImage(TCabinet &cabinet, std::string_view image, const std::string &path,
                       std::string_view signature, bool (*read)(TCabinet &, std::string_view));

// The index file of the folder at path ("index.dat", found without regard to letter case;
// path may also name the index file itself), read whole and handed to readImage.
void ReadUrlCacheIndex(TCabinet &cabinet, const std::string &path,
                       bool (*readImage)(TCabinet &, std::string_view, const std::string &));
