#include "export/sha1.h"

#include <algorithm>
#include <cstring>

namespace {
uint32_t Rotate(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}
} // namespace

void TSha1::Reset() {
    state[0] = 0x67452301;
    state[1] = 0xEFCDAB89;
    state[2] = 0x98BADCFE;
    state[3] = 0x10325476;
    state[4] = 0xC3D2E1F0;
    length = 0;
    buffered = 0;
}

void TSha1::Block(const uint8_t *block) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = static_cast<uint32_t>(block[4 * i]) << 24 |
               static_cast<uint32_t>(block[4 * i + 1]) << 16 |
               static_cast<uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
    for (int i = 16; i < 80; ++i)
        w[i] = Rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        uint32_t next = Rotate(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = Rotate(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void TSha1::Update(const void *data, size_t size) {
    const auto *bytes = static_cast<const uint8_t *>(data);
    length += size;
    if (buffered > 0) {
        size_t take = std::min(size, sizeof buffer - buffered);
        std::memcpy(buffer + buffered, bytes, take);
        buffered += take;
        bytes += take;
        size -= take;
        if (buffered < sizeof buffer)
            return;
        Block(buffer);
        buffered = 0;
    }
    for (; size >= 64; bytes += 64, size -= 64)
        Block(bytes);
    std::memcpy(buffer, bytes, size);
    buffered = size;
}

TSha1::TDigest TSha1::Final() {
    uint64_t bits = length * 8;
    static const uint8_t pad[64] = {0x80};
    Update(pad, buffered < 56 ? 56 - buffered : 120 - buffered);
    uint8_t tail[8];
    for (int i = 0; i < 8; ++i)
        tail[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Update(tail, 8);
    TDigest digest;
    for (int i = 0; i < 20; ++i)
        digest[i] = static_cast<uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
    Reset();
    return digest;
}

std::string Base32(const uint8_t *data, size_t size) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    std::string text;
    text.reserve((size + 4) / 5 * 8);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < size; ++i) {
        bits = (bits << 8) | data[i];
        held += 8;
        while (held >= 5) {
            held -= 5;
            text += alphabet[(bits >> held) & 31];
        }
    }
    if (held > 0)
        text += alphabet[(bits << (5 - held)) & 31];
    while (text.size() % 8 != 0)
        text += '=';
    return text;
}

std::string Sha1Label(const TSha1::TDigest &digest) {
    return "sha1:" + Base32(digest.data(), digest.size());
}
