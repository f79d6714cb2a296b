#pragma once
// SHA-1 of a byte stream fed in pieces, and the base32 text (RFC 4648 alphabet, with
// padding) that web archives use to write digests.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TSha1 {
public:
    using TDigest = std::array<uint8_t, 20>;

    TSha1() { Reset(); }
    void Reset();
    void Update(const void *data, size_t size);
    void Update(std::string_view data) { Update(data.data(), data.size()); }
    // The digest of everything fed since the last Reset; the object is reset afterwards.
    TDigest Final();

private:
    void Block(const uint8_t *block);

    uint32_t state[5];
    uint64_t length = 0; // bytes fed
    uint8_t buffer[64];
    size_t buffered = 0;
};

std::string Base32(const uint8_t *data, size_t size);
// "sha1:" and the base32 text of the digest, as WARC digest fields write it.
std::string Sha1Label(const TSha1::TDigest &digest);
