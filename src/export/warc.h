#pragma once
// Export of file items as a WARC 1.1 file (ISO 28500), gzip-compressed one record per member
// so that web-archive tools read it as a ".warc.gz". A layer above the core: it uses zlib,
// never Qt.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TTree;

struct TWarcReport {
    int64_t Records = 0; // response/resource records written (warcinfo not counted)
    int64_t Missing = 0; // file items whose cached copy is missing: counted, not written
    int64_t PayloadBytes = 0;
    std::vector<std::string> MissingURLs; // at most the first 100
    std::string Error; // empty on success; the reason (e.g. the output cannot be written)
};
// Called before each file item with the number done and the total; false cancels.
using TWarcProgress = std::function<bool(int64_t done, int64_t total)>;

// Writes a WARC file of every file item at or below the given items (each once, in tree
// order) to output ("-" = standard output). The write is atomic for a named file: a
// temporary beside it renamed when complete, removed on error or cancel. Returns false on
// error or cancel (report.Error says which).
//
// The file starts with a warcinfo record naming the program and the cabinets of the items.
// A file whose cache kept the HTTP response headers becomes a response record (the stored
// header block, given a status line when it has none, with Transfer-Encoding and a
// Content-Encoding the cached bytes do not have kept as "X-Original-..." lines), any other
// a resource record of its content type. The payload is the cached file unchanged. A file
// whose cached copy is missing or cannot be read is counted in report.Missing, not written.
// Memory stays bounded whatever the number of records and the size of the files.
bool ExportWarc(const std::vector<TTree *> &items, const std::string &output, TWarcReport &report,
                const TWarcProgress &progress = {});

// What the export does with a stored response header block and the cached file's first bytes:
// the HTTP header block it writes, ending in CRLF CRLF. Exposed for the tests.
std::string WarcHttpHeaderBlock(const std::string &stored, int64_t payloadSize,
                                std::string_view payloadStart);
// The UTC instant, as "YYYY-MM-DDThh:mm:ssZ", of an item's local date-time read by a
// store of the given kind (each reader turned UTC into local time its own way); empty for 0.
std::string WarcDate(double dateTime, uint8_t kind);
