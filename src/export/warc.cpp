#include "export/warc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <unordered_map>

#include "export/sha1.h"
#include "items/cab.h"
#include "items/file.h"
#include "items/texts.h"
#include "platform/ascii.h"
#include "platform/datetime.h"

#ifndef TRAWLER_VERSION
#define TRAWLER_VERSION "0"
#endif

namespace {

// Read size of the cached files; a file that fits is read once, a larger one twice (for the
// digests, then to write), so memory never depends on the size of a file.
constexpr size_t ChunkSize = size_t{1} << 18;
constexpr size_t MaxMissingURLs = 100;

std::string SystemReason(int error) {
    return std::strerror(error);
}

// Gzip members written to a file descriptor, one per record. The fastest level keeps the
// export near the pace of reading the cached files; the default level would take four times
// as long for a file a tenth smaller.
class TGzipWriter {
public:
    explicit TGzipWriter(int fd) : fd(fd), out(ChunkSize) {
        ready = deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~TGzipWriter() {
        if (ready)
            deflateEnd(&z);
    }
    TGzipWriter(const TGzipWriter &) = delete;
    TGzipWriter &operator=(const TGzipWriter &) = delete;

    bool Begin() { return ready && deflateReset(&z) == Z_OK; }
    bool Write(const void *data, size_t size) { return Deflate(data, size, Z_NO_FLUSH); }
    bool Write(std::string_view data) { return Write(data.data(), data.size()); }
    bool End() { return Deflate(nullptr, 0, Z_FINISH); }
    bool Drain() {
        const unsigned char *at = out.data();
        while (used > 0) {
            ssize_t n = ::write(fd, at, used);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                Error = SystemReason(n < 0 ? errno : EIO);
                return false;
            }
            at += n;
            used -= static_cast<size_t>(n);
        }
        return true;
    }

    std::string Error; // the system's reason after a failed write

private:
    bool Deflate(const void *data, size_t size, int flush) {
        if (!ready)
            return false;
        z.next_in = static_cast<Bytef *>(const_cast<void *>(data));
        z.avail_in = static_cast<uInt>(size);
        for (;;) {
            z.next_out = out.data() + used;
            z.avail_out = static_cast<uInt>(out.size() - used);
            int status = deflate(&z, flush);
            if (status == Z_STREAM_ERROR)
                return false;
            used = out.size() - z.avail_out;
            if (used == out.size() && !Drain())
                return false;
            if (flush == Z_FINISH ? status == Z_STREAM_END : z.avail_in == 0)
                return true;
        }
    }

    int fd;
    z_stream z{};
    bool ready = false;
    std::vector<unsigned char> out;
    size_t used = 0;
};

// Reads until the buffer is full or the file ends; -1 on a read error.
ssize_t ReadFull(int fd, unsigned char *buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

std::string NewRecordId(std::mt19937_64 &random) {
    uint64_t high = random(), low = random();
    high = (high & 0xFFFFFFFFFFFF0FFFull) | 0x4000ull;           // version 4
    low = (low & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull; // variant 1
    char text[64];
    std::snprintf(text, sizeof text, "<urn:uuid:%08x-%04x-%04x-%04x-%012llx>",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>(high >> 16 & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

std::string UtcText(int64_t seconds) {
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (!::gmtime_r(&time, &fields) || fields.tm_year + 1900 < 1 || fields.tm_year + 1900 > 9999)
        return {};
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

// A field value on one line: control bytes (a hostile index may hold line breaks) become
// spaces, and leading and trailing blanks go.
std::string FieldValue(std::string_view text) {
    std::string value;
    value.reserve(text.size());
    for (char c : text)
        value += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    size_t first = value.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return value.substr(first, value.find_last_not_of(' ') - first + 1);
}

// Addresses as the stores kept them may hold blanks, control bytes and Shift-JIS bytes,
// which a URI may not: those are percent-encoded, everything else stands.
std::string TargetURI(std::string_view address) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri;
    uri.reserve(address.size());
    for (char c : address) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>') {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 15];
        } else {
            uri += c;
        }
    }
    return uri;
}

constexpr const char *SchemeCharacters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+.-";

// A plain log files "scheme://host:port" under the folder "scheme=host$port": its items'
// addresses start with that folder name, which is turned back into the server's address.
std::string FileAddress(const TFile &file) {
    if (!file.URL.empty())
        return file.URL;
    std::string address = file.GetURL();
    if (file.GetKind() != KindPlainLog)
        return address;
    size_t slash = std::min(address.find('/'), address.size());
    size_t equals = address.find('=');
    if (equals == 0 || equals >= slash || address.find_first_not_of(SchemeCharacters) != equals ||
        !std::isalpha(static_cast<unsigned char>(address[0])))
        return address;
    std::string server = address.substr(equals + 1, slash - equals - 1);
    std::replace(server.begin(), server.end(), '$', ':');
    return address.substr(0, equals) + "://" + server + address.substr(slash);
}

std::string TrimmedHeaders(const std::string &stored) {
    std::string_view text(stored);
    text = text.substr(0, text.find('\0'));
    size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos ? std::string() : std::string(text);
}

// The items named, in tree order, without those that lie within another named item.
std::vector<const TTree *> TopItems(const std::vector<TTree *> &items) {
    std::unordered_map<const TTree *, std::unordered_map<const TTree *, size_t>> positions;
    auto position = [&](const TTree &item) -> size_t {
        if (item.IsCabinet()) {
            const TCabinetRoot *root = static_cast<const TCabinet &>(item).Root();
            if (!root)
                return 0;
            const auto &cabinets = root->Cabinets();
            for (size_t i = 0; i < cabinets.size(); ++i)
                if (cabinets[i].get() == &item)
                    return i;
            return cabinets.size();
        }
        auto &map = positions[item.Parent()];
        if (map.empty()) {
            const auto &children = item.Parent()->Children();
            for (size_t i = 0; i < children.size(); ++i)
                map.emplace(children[i].get(), i);
        }
        auto found = map.find(&item);
        return found == map.end() ? 0 : found->second;
    };
    std::vector<std::pair<std::vector<size_t>, const TTree *>> keyed;
    for (const TTree *item : items) {
        if (!item || item->Destroying())
            continue;
        std::vector<size_t> key;
        for (const TTree *p = item; p; p = p->IsCabinet() ? nullptr : p->Parent())
            key.push_back(position(*p));
        std::reverse(key.begin(), key.end());
        keyed.emplace_back(std::move(key), item);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<const TTree *> top;
    for (const auto &[key, item] : keyed)
        if (top.empty() || !IsWithin(item, top.back()))
            top.push_back(item);
    return top;
}

class TWarcWriter {
public:
    TWarcWriter(int fd, TWarcReport &report)
        : gzip(fd), report(report), random(std::random_device{}()), buffer(ChunkSize) {}

    bool WriteInfo(const std::vector<const TTree *> &top, const std::string &fileName) {
        std::string block = "software: Trawler " TRAWLER_VERSION "\r\n"
                            "format: WARC File Format 1.1\r\n";
        std::vector<const TCabinet *> cabinets;
        for (const TTree *item : top) {
            const TCabinet *cabinet = item->GetCabinet();
            if (!cabinet || std::find(cabinets.begin(), cabinets.end(), cabinet) != cabinets.end())
                continue;
            cabinets.push_back(cabinet);
            block += "cabinet: " + FieldValue(cabinet->Name()) + "\r\n";
            block += "cabinet-kind: " + std::to_string(cabinet->Kind);
            std::string caption = KindCaption(cabinet->Kind);
            if (!caption.empty())
                block += " " + caption;
            block += "\r\ncabinet-folder: " + FieldValue(cabinet->Path) + "\r\n";
        }
        TSha1 sha;
        sha.Update(block);
        infoId = NewRecordId(random);
        std::string head = "WARC/1.1\r\nWARC-Type: warcinfo\r\nWARC-Record-ID: " + infoId +
                           "\r\nWARC-Date: " + UtcText(std::time(nullptr)) + "\r\n";
        if (!fileName.empty())
            head += "WARC-Filename: " + FieldValue(fileName) + "\r\n";
        head += "WARC-Block-Digest: " + Sha1Label(sha.Final()) +
                "\r\nContent-Type: application/warc-fields\r\nContent-Length: " +
                std::to_string(block.size()) + "\r\n\r\n";
        return (gzip.Begin() && gzip.Write(head) && gzip.Write(block) && gzip.Write("\r\n\r\n") &&
                gzip.End()) ||
               OutputFailed();
    }

    // Writes the record of one file, or counts it as missing. False when the output failed or
    // the cached file changed between the passes (report.Error says which).
    bool WriteFile(const TFile &file) {
        std::string address = FileAddress(file);
        std::string path = file.GetLocalPath();
        int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        if (in < 0 || ::fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
            if (in >= 0)
                ::close(in);
            return Missing(address);
        }
        std::unique_ptr<int, void (*)(int *)> closer(&in, [](int *fd) { ::close(*fd); });

        // First pass: the digests and the size.
        ssize_t first = ReadFull(in, buffer.data(), buffer.size());
        if (first < 0)
            return Missing(address);
        const bool whole = static_cast<size_t>(first) < buffer.size();
        std::string headers = TrimmedHeaders(file.Headers);
        const bool response = !headers.empty();
        std::string httpBlock;
        TSha1 payloadSha, blockSha;
        int64_t size = first;
        payloadSha.Update(buffer.data(), static_cast<size_t>(first));
        if (!whole) {
            for (;;) {
                ssize_t n = ReadFull(in, buffer.data(), buffer.size());
                if (n < 0)
                    return Missing(address);
                if (n == 0)
                    break;
                payloadSha.Update(buffer.data(), static_cast<size_t>(n));
                size += n;
            }
        }
        // The first bytes are read again for the second pass; keep what the header block
        // needs to know of them.
        std::string_view start(reinterpret_cast<const char *>(buffer.data()),
                               std::min<size_t>(static_cast<size_t>(first), 2));
        if (response)
            httpBlock = WarcHttpHeaderBlock(headers, size, std::string(start));
        TSha1::TDigest payloadDigest = payloadSha.Final();
        std::string blockLabel;
        if (response) {
            // The block digest covers the header block and the payload: hashed again rather
            // than kept, since the payload is not kept.
            blockSha.Update(httpBlock);
            if (whole) {
                blockSha.Update(buffer.data(), static_cast<size_t>(first));
            } else if (!HashAgain(in, size, blockSha)) {
                return Missing(address);
            }
            blockLabel = Sha1Label(blockSha.Final());
        } else {
            blockLabel = Sha1Label(payloadDigest);
        }

        std::string date;
        double time = file.Modified != 0 ? file.Modified : file.Accessed;
        if (time != 0)
            date = WarcDate(time, file.GetKind());
        if (date.empty())
            date = UtcText(status.st_mtime);
        std::string contentType = "application/http;msgtype=response";
        if (!response) {
            contentType = FieldValue(file.ContentType);
            if (contentType.empty())
                contentType = "application/octet-stream";
        }
        std::string head = "WARC/1.1\r\nWARC-Type: ";
        head += response ? "response" : "resource";
        head +=
            "\r\nWARC-Record-ID: " + NewRecordId(random) + "\r\nWARC-Warcinfo-ID: " + infoId +
            "\r\nWARC-Date: " + date + "\r\nWARC-Target-URI: " + TargetURI(address) +
            "\r\nWARC-Payload-Digest: " + Sha1Label(payloadDigest) +
            "\r\nWARC-Block-Digest: " + blockLabel + "\r\nContent-Type: " + contentType +
            "\r\nContent-Length: " + std::to_string(static_cast<int64_t>(httpBlock.size()) + size) +
            "\r\n\r\n";

        // Second pass: the record. A file that changed meanwhile would leave a record whose
        // digests lie, so that ends the export.
        if (!gzip.Begin() || !gzip.Write(head) || !gzip.Write(httpBlock))
            return OutputFailed();
        if (whole) {
            if (!gzip.Write(buffer.data(), static_cast<size_t>(first)))
                return OutputFailed();
        } else {
            if (::lseek(in, 0, SEEK_SET) != 0)
                return Changed(path);
            TSha1 again;
            int64_t left = size;
            while (left > 0) {
                size_t want = static_cast<size_t>(std::min<int64_t>(left, ChunkSize));
                ssize_t n = ReadFull(in, buffer.data(), want);
                if (n != static_cast<ssize_t>(want))
                    return Changed(path);
                again.Update(buffer.data(), want);
                if (!gzip.Write(buffer.data(), want))
                    return OutputFailed();
                left -= n;
            }
            if (again.Final() != payloadDigest)
                return Changed(path);
        }
        if (!gzip.Write("\r\n\r\n") || !gzip.End())
            return OutputFailed();
        ++report.Records;
        report.PayloadBytes += size;
        return true;
    }

    bool Finish() { return gzip.Drain() || OutputFailed(); }

private:
    bool HashAgain(int in, int64_t size, TSha1 &sha) {
        if (::lseek(in, 0, SEEK_SET) != 0)
            return false;
        while (size > 0) {
            ssize_t n = ReadFull(in, buffer.data(),
                                 static_cast<size_t>(std::min<int64_t>(size, ChunkSize)));
            if (n <= 0)
                return false;
            sha.Update(buffer.data(), static_cast<size_t>(n));
            size -= n;
        }
        return true;
    }
    bool Missing(const std::string &address) {
        ++report.Missing;
        if (report.MissingURLs.size() < MaxMissingURLs)
            report.MissingURLs.push_back(address);
        return true;
    }
    bool OutputFailed() {
        report.Error = "WARC ファイルに書き込めません: " +
                       (gzip.Error.empty() ? std::string("圧縮できません") : gzip.Error);
        return false;
    }
    bool Changed(const std::string &path) {
        report.Error = "書き出し中にキャッシュファイルが変わりました: " + path;
        return false;
    }

    TGzipWriter gzip;
    TWarcReport &report;
    std::mt19937_64 random;
    std::vector<unsigned char> buffer;
    std::string infoId;
};

// The temporary beside a named output, renamed over it when the export is complete.
class TOutputFile {
public:
    explicit TOutputFile(const std::string &output) : output(output) {}
    ~TOutputFile() { Discard(); }
    TOutputFile(const TOutputFile &) = delete;
    TOutputFile &operator=(const TOutputFile &) = delete;

    int Open(std::string &error) {
        if (output == "-")
            return STDOUT_FILENO;
        temporary = output + ".XXXXXX";
        fd = ::mkstemp(temporary.data());
        if (fd < 0) {
            error = "WARC ファイルが作れません: " + output + " (" + SystemReason(errno) + ")";
            temporary.clear();
            return -1;
        }
        // mkstemp makes the file private; the WARC gets the permissions of any new file.
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        return fd;
    }
    bool Commit(std::string &error) {
        if (output == "-")
            return true;
        bool synced = ::fsync(fd) == 0;
        int syncError = errno;
        bool closed = ::close(fd) == 0;
        fd = -1;
        if (!synced || !closed) {
            error = "WARC ファイルに書き込めません: " + output + " (" +
                    SystemReason(synced ? errno : syncError) + ")";
            return false;
        }
        if (::rename(temporary.c_str(), output.c_str()) != 0) {
            error = "WARC ファイルが作れません: " + output + " (" + SystemReason(errno) + ")";
            return false;
        }
        temporary.clear();
        return true;
    }

private:
    void Discard() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (!temporary.empty())
            ::unlink(temporary.c_str());
        temporary.clear();
    }

    std::string output;
    std::string temporary;
    int fd = -1;
};

} // namespace

std::string WarcHttpHeaderBlock(const std::string &stored, int64_t payloadSize,
                                std::string_view payloadStart) {
    std::string_view text(stored);
    text = text.substr(0, text.find('\0'));
    std::string block;
    bool first = true;
    bool field = false; // a field line was written (a folded line may follow)
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(at, end - at));
        at = end + 1;
        std::replace_if(
            line.begin(), line.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; }, ' ');
        // An empty line inside would end the header block early.
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        while (line.back() == ' ')
            line.pop_back();
        if (first) {
            first = false;
            if (SameAscii(std::string_view(line).substr(0, 5), "HTTP/")) {
                block += line + "\r\n";
                continue;
            }
            block += "HTTP/1.1 200 OK\r\n";
        }
        if (line[0] == ' ' || line[0] == '\t') {
            if (field) { // continues the field before it
                block += line + "\r\n";
                continue;
            }
            line.erase(0, line.find_first_not_of(" \t"));
        }
        field = true;
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            block += "X-Original-Line: " + line + "\r\n";
            continue;
        }
        std::string_view name = std::string_view(line).substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.remove_suffix(1);
        std::string value = FieldValue(std::string_view(line).substr(colon + 1));
        bool keep = true;
        if (SameAscii(name, "Transfer-Encoding")) {
            keep = false; // caches keep the body decoded
        } else if (SameAscii(name, "Content-Encoding")) {
            std::string coding = ToLowerAscii(value);
            keep = (coding == "gzip" || coding == "x-gzip") && payloadStart.size() == 2 &&
                   payloadStart[0] == '\x1f' && payloadStart[1] == '\x8b';
        } else if (SameAscii(name, "Content-Length")) {
            keep = value == std::to_string(payloadSize);
        }
        block += keep ? line : "X-Original-" + std::string(name) + ": " + value;
        block += "\r\n";
    }
    if (first)
        block += "HTTP/1.1 200 OK\r\n";
    block += "\r\n";
    return block;
}

std::string WarcDate(double dateTime, uint8_t kind) {
    if (dateTime == 0 || !std::isfinite(dateTime) || std::fabs(dateTime) > 3e6)
        return {};
    // The MS-IE 3.x/4.x readers and the plain log turn UTC into local time with the offset
    // in force now; the others with the standard offset of the zone.
    double seconds;
    if (kind == KindPlainLog || kind == KindMsie3 || kind == KindMsie4 || kind == KindMsie5)
        seconds = (dateTime - UnixEpochDateTime) * 86400.0 -
                  static_cast<double>(CurrentUtcOffsetSeconds());
    else
        seconds = (dateTime + TimeZoneBias() - UnixEpochDateTime) * 86400.0;
    return UtcText(static_cast<int64_t>(std::floor(std::round(seconds * 1000.0) / 1000.0)));
}

bool ExportWarc(const std::vector<TTree *> &items, const std::string &output, TWarcReport &report,
                const TWarcProgress &progress) {
    report = TWarcReport{};
    std::vector<const TTree *> top = TopItems(items);
    int64_t total = 0;
    for (const TTree *item : top)
        total += item->IsFile() ? 1 : item->GetFileCount();

    TOutputFile file(output);
    int fd = file.Open(report.Error);
    if (fd < 0)
        return false;
    std::string fileName;
    if (output != "-")
        fileName = output.substr(output.rfind('/') + 1);
    TWarcWriter writer(fd, report);
    if (!writer.WriteInfo(top, fileName))
        return false;

    int64_t done = 0;
    bool stopped = false;
    auto visit = [&](const TTree &item) {
        if (stopped || !item.IsFile())
            return;
        if (progress && !progress(done, total)) {
            report.Error = "中止しました。";
            stopped = true;
            return;
        }
        ++done;
        if (!writer.WriteFile(static_cast<const TFile &>(item)))
            stopped = true;
    };
    for (const TTree *item : top) {
        if (item->IsFile())
            visit(*item);
        else
            ForEachDescendant(*item, visit);
        if (stopped)
            return false;
    }
    return writer.Finish() && file.Commit(report.Error);
}
