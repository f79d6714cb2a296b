#pragma once
// Bounds-checked little-endian reads over the in-memory image of a binary file. Every read
// names an absolute offset and fails (returns false, leaves the output untouched) when any
// byte of it lies outside the image; offsets near SIZE_MAX never wrap.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TByteReader {
public:
    explicit TByteReader(std::string_view image) : image(image) {}

    size_t Size() const { return image.size(); }
    std::string_view Image() const { return image; }

    // True when the count bytes at offset all lie inside the image.
    bool Has(uint64_t offset, uint64_t count) const {
        return offset <= image.size() && count <= image.size() - offset;
    }
    bool U8(uint64_t offset, uint8_t &value) const {
        if (!Has(offset, 1))
            return false;
        value = Byte(offset);
        return true;
    }
    bool U16(uint64_t offset, uint16_t &value) const {
        if (!Has(offset, 2))
            return false;
        value = static_cast<uint16_t>(Byte(offset) | Byte(offset + 1) << 8);
        return true;
    }
    bool U32(uint64_t offset, uint32_t &value) const {
        if (!Has(offset, 4))
            return false;
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | Byte(offset + static_cast<uint64_t>(i));
        value = v;
        return true;
    }
    bool U64(uint64_t offset, uint64_t &value) const {
        if (!Has(offset, 8))
            return false;
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | Byte(offset + static_cast<uint64_t>(i));
        value = v;
        return true;
    }
    // The count bytes at offset.
    bool Bytes(uint64_t offset, uint64_t count, std::string_view &value) const {
        if (!Has(offset, count))
            return false;
        value = image.substr(static_cast<size_t>(offset), static_cast<size_t>(count));
        return true;
    }
    // The bytes from offset up to (not including) the first NUL, looking at no more than
    // limit bytes and never past the image. Without a NUL in reach the text runs to the
    // limit or the end of the image and terminated is false.
    bool Text(uint64_t offset, uint64_t limit, std::string_view &value,
              bool *terminated = nullptr) const {
        if (offset > image.size())
            return false;
        size_t start = static_cast<size_t>(offset);
        size_t reach = image.size() - start;
        if (limit < reach)
            reach = static_cast<size_t>(limit);
        std::string_view window = image.substr(start, reach);
        size_t nul = window.find('\0');
        if (terminated)
            *terminated = nul != std::string_view::npos;
        value = nul == std::string_view::npos ? window : window.substr(0, nul);
        return true;
    }

private:
    uint32_t Byte(uint64_t offset) const {
        return static_cast<uint8_t>(image[static_cast<size_t>(offset)]);
    }
    std::string_view image;
};
