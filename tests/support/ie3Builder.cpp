#include "support/ie3Builder.h"

#include "stores/ie3Cache.h"

uint64_t IE3FileTime(int64_t unixSeconds) {
    return static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
}

int TIE3Builder::Add(const TIE3Record &record) {
    records.push_back(record);
    return static_cast<int>(records.size() - 1);
}

void TIE3Builder::Chain() {
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].First = i + 1 < records.size() ? static_cast<int>(i + 1) : -1;
        records[i].Second = -1;
    }
}

void TIE3Builder::Balance() {
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].First = 2 * i + 1 < records.size() ? static_cast<int>(2 * i + 1) : -1;
        records[i].Second = 2 * i + 2 < records.size() ? static_cast<int>(2 * i + 2) : -1;
    }
}

size_t TIE3Builder::Length(const TIE3Record &record) const {
    return RecordSize + record.URL.size() + 1 + record.FileName.size() + 1 + record.Headers.size() +
           1 + record.TypeText.size() + 1;
}

size_t TIE3Builder::Offset(int index) const {
    size_t offset = HeaderSize;
    for (int i = 0; i < index; ++i)
        offset += Length(records[static_cast<size_t>(i)]);
    return offset;
}

void TIE3Builder::Put32(std::string &image, size_t offset, uint32_t value) {
    if (image.size() < offset + 4)
        image.resize(offset + 4, '\0');
    for (int i = 0; i < 4; ++i)
        image[offset + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

void TIE3Builder::Put64(std::string &image, size_t offset, uint64_t value) {
    Put32(image, offset, static_cast<uint32_t>(value));
    Put32(image, offset + 4, static_cast<uint32_t>(value >> 32));
}

std::string TIE3Builder::Build() const {
    std::vector<size_t> offsets;
    size_t total = HeaderSize;
    for (const TIE3Record &record : records) {
        offsets.push_back(total);
        total += Length(record);
    }
    auto reference = [&](int index) {
        return index < 0 ? 0u : static_cast<uint32_t>(offsets[static_cast<size_t>(index)] + 4);
    };
    std::string image(IE3Signature);
    image.resize(total, '\0');
    Put32(image, 32, records.empty() ? 0 : reference(root));
    Put32(image, 40, static_cast<uint32_t>(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
        const TIE3Record &r = records[i];
        const size_t at = offsets[i];
        Put32(image, at + 4, reference(r.First));
        Put32(image, at + 8, reference(r.Second));
        Put32(image, at + 32, r.Size);
        Put64(image, at + 40, r.Modified);
        Put64(image, at + 48, r.Accessed);
        Put32(image, at + 64, r.TypeSource);
        size_t text = RecordSize;
        auto putText = [&](size_t field, const std::string &value) {
            Put32(image, at + field, static_cast<uint32_t>(text));
            image.replace(at + text, value.size(), value);
            text += value.size() + 1;
        };
        putText(20, r.URL);
        putText(24, r.FileName);
        putText(68, r.Headers);
        putText(76, r.TypeText);
    }
    return image;
}
