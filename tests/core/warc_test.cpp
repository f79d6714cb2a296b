#include "export/warc.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/sha1.h"
#include "items/cab.h"
#include "items/file.h"
#include "platform/datetime.h"

namespace {

std::string Hex(const TSha1::TDigest &digest) {
    std::string text;
    for (uint8_t byte : digest) {
        static const char hex[] = "0123456789abcdef";
        text += hex[byte >> 4];
        text += hex[byte & 15];
    }
    return text;
}

TEST(Sha1Test, KnownDigestsAndBase32) {
    struct {
        const char *name;
        std::string input;
        size_t piece; // fed in pieces of this size, to cross the 64-byte blocks unevenly
        const char *digest;
    } rows[] = {
        {"empty", "", 1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 7,
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"a million a", std::string(1000000, 'a'), 4099,
         "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto &row : rows) {
        TSha1 sha;
        for (size_t at = 0; at < row.input.size(); at += row.piece)
            sha.Update(std::string_view(row.input).substr(at, row.piece));
        EXPECT_EQ(Hex(sha.Final()), row.digest) << row.name;
    }
    const std::pair<std::string, std::string> base32[] = {{"", ""},
                                                          {"f", "MY======"},
                                                          {"fo", "MZXQ===="},
                                                          {"foo", "MZXW6==="},
                                                          {"foob", "MZXW6YQ="},
                                                          {"foobar", "MZXW6YTBOI======"}};
    for (const auto &[input, text] : base32)
        EXPECT_EQ(Base32(reinterpret_cast<const uint8_t *>(input.data()), input.size()), text);
}

TEST(WarcTest, HttpHeaderBlocks) {
    const std::string gzip("\x1f\x8b", 2);
    static const char nulTail[] = "Content-Type: text/html\r\n\r\nServer: x\r\n\0junk";
    struct {
        const char *name;
        std::string stored;
        std::string start;
        std::string block;
    } rows[] = {
        {"status line kept, LF ends", "HTTP/1.0 404 Not Found\nServer: x\n", "ab",
         "HTTP/1.0 404 Not Found\r\nServer: x\r\n\r\n"},
        {"no status line; empty lines and a NUL tail dropped",
         std::string(nulTail, sizeof nulTail - 1), "ab",
         "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nServer: x\r\n\r\n"},
        {"encodings the bytes no longer have",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n", "<h",
         "HTTP/1.1 200 OK\r\nX-Original-Transfer-Encoding: chunked\r\n"
         "X-Original-Content-Encoding: gzip\r\n\r\n"},
        {"gzip bytes keep their encoding", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n", gzip,
         "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n"},
        {"a wrong length", "Content-Length: 99\r\nContent-Length: 10\r\n", "ab",
         "HTTP/1.1 200 OK\r\nX-Original-Content-Length: 99\r\nContent-Length: 10\r\n\r\n"},
        {"a stray line, a folded one", "HTTP/1.0 200 OK\r\n no colon\r\nA: b\r\n c\r\n", "ab",
         "HTTP/1.0 200 OK\r\nX-Original-Line: no colon\r\nA: b\r\n c\r\n\r\n"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(WarcHttpHeaderBlock(row.stored, 10, row.start), row.block) << row.name;
}

TEST(WarcTest, DatesInUtc) {
    setenv("TZ", "Asia/Tokyo", 1);
    ResetTimeZoneBias();
    double local = EncodeDateTime({1997, 4, 12, 18, 0, 30, 0});
    EXPECT_EQ(WarcDate(local, KindNetscape2), "1997-04-12T09:00:30Z");
    EXPECT_EQ(WarcDate(local, KindMsie4), "1997-04-12T09:00:30Z");
    EXPECT_EQ(WarcDate(0, KindMsie4), "");
}

// Each gzip member inflated on its own: one member per record.
std::vector<std::string> Members(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string data = buffer.str();
    std::vector<std::string> members;
    z_stream z{};
    inflateInit2(&z, 31);
    z.next_in = reinterpret_cast<Bytef *>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    std::string member;
    while (z.avail_in > 0) {
        char out[4096];
        z.next_out = reinterpret_cast<Bytef *>(out);
        z.avail_out = sizeof out;
        int status = inflate(&z, Z_NO_FLUSH);
        member.append(out, sizeof out - z.avail_out);
        if (status == Z_STREAM_END) {
            members.push_back(std::move(member));
            member.clear();
            inflateReset(&z);
        } else if (status != Z_OK) {
            break;
        }
    }
    inflateEnd(&z);
    return members;
}

class WarcExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() / ("trawler-warc-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "cache");
        cabinet = root.AddCabinet(KindMsie4, (folder / "cache").string(), "c");
        TDir *server = TDir::Create(*cabinet, "http://h");
        big = std::string(300000, 'x') + "end";
        Add(*server, "a.htm", "<p>hi</p>", "Content-Type: text/html\r\nTransfer-Encoding: chunked");
        Add(*server, "gone.htm", {}, {});
        Add(*server, "big.bin", big, {});
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void Add(TDir &server, const std::string &name, const std::string &content,
             const std::string &headers) {
        TFileData data;
        data.URL = "http://h/" + name;
        data.CacheFile = name;
        data.Headers = headers;
        data.Modified = EncodeDateTime({1997, 4, 12, 18, 0, 0, 0});
        TFile::Create(server, data, name);
        if (!content.empty())
            std::ofstream((folder / "cache" / name).string(), std::ios::binary) << content;
    }
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }

    std::filesystem::path folder;
    TCabinetRoot root;
    TCabinet *cabinet = nullptr;
    std::string big;
};

TEST_F(WarcExportTest, RecordsMissingFilesAndMembers) {
    std::string output = (folder / "out.warc.gz").string();
    TWarcReport report;
    std::vector<int64_t> calls;
    ASSERT_TRUE(ExportWarc({cabinet, cabinet->Children()[0].get()}, output, report,
                           [&](int64_t done, int64_t total) {
                               calls.push_back(done * 10 + total);
                               return true;
                           }))
        << report.Error;
    EXPECT_EQ(calls, (std::vector<int64_t>{3, 13, 23}));
    EXPECT_EQ(report.Records, 2);
    EXPECT_EQ(report.Missing, 1);
    EXPECT_EQ(report.PayloadBytes, 9 + static_cast<int64_t>(big.size()));
    EXPECT_EQ(report.MissingURLs, std::vector<std::string>{"http://h/gone.htm"});

    std::vector<std::string> members = Members(output);
    ASSERT_EQ(members.size(), 3u);
    EXPECT_NE(members[0].find("WARC-Type: warcinfo\r\n"), std::string::npos);
    EXPECT_NE(members[0].find("cabinet: c\r\ncabinet-kind: 8 "), std::string::npos);
    const std::string &response = members[1];
    EXPECT_NE(response.find("WARC-Type: response\r\n"), std::string::npos);
    EXPECT_NE(response.find("WARC-Date: 1997-04-12T09:00:00Z\r\n"), std::string::npos);
    std::string block = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                        "X-Original-Transfer-Encoding: chunked\r\n\r\n<p>hi</p>";
    EXPECT_NE(response.find("\r\nContent-Length: " + std::to_string(block.size()) + "\r\n\r\n" +
                            block + "\r\n\r\n"),
              std::string::npos);
    TSha1 sha;
    sha.Update(big);
    const std::string &resource = members[2];
    EXPECT_NE(resource.find("WARC-Payload-Digest: " + Sha1Label(sha.Final())), std::string::npos);
    EXPECT_NE(resource.find("Content-Type: application/octet-stream\r\n"), std::string::npos);
    EXPECT_EQ(resource.substr(resource.size() - 7), "end\r\n\r\n");
    EXPECT_EQ(Listing(), std::vector<std::string>({"cache", "out.warc.gz"}));
}

TEST_F(WarcExportTest, CancelAndUnwritableLeaveNothing) {
    TWarcReport report;
    EXPECT_FALSE(ExportWarc({cabinet}, (folder / "out.warc.gz").string(), report,
                            [](int64_t done, int64_t) { return done < 2; }));
    EXPECT_FALSE(report.Error.empty());
    EXPECT_EQ(Listing(), std::vector<std::string>{"cache"});
    EXPECT_FALSE(ExportWarc({cabinet}, (folder / "no" / "out.warc.gz").string(), report));
    EXPECT_FALSE(report.Error.empty());
}

} // namespace
