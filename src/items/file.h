#pragma once
// Folder and file items below a cabinet, and the record the store readers hand over.
#include <cstdint>
#include <string>

#include "items/tree.h"

// One file's data as a store reader hands it to the tree.
struct TFileData {
    int32_t Size = 0;
    double Modified = 0; // local date-time, 0 = unknown
    double Accessed = 0;
    double Unused = 0;     // a further date-time slot the items do not keep
    std::string CacheFile; // caches: path of the cached copy relative to the cabinet folder
    std::string URL;       // the full address as the store gave it
    std::string ContentType;
    uint8_t RootPage = 0; // the address ended with "/" and the item is "RootPage.html"
    std::string Headers;  // the HTTP response headers the cache kept, as stored; may be empty
};

inline constexpr const char *RootPageName = "RootPage.html";

// A server (its parent is a cabinet) or a directory.
class TDir final : public TTree {
public:
    static TDir *Create(TTree &parent, const std::string &name);

    bool ShowProperties() override;
    void Remove() override;
    std::string GetLocalPath() const override;
    std::string GetLinkPath() const override;
    std::string GetURL() const override;
    std::string GetURLFrom(const TTree *ancestor) const override;
    TTree *CopyTo(TTree &target) override;

private:
    TDir(TTree &parent, const std::string &name);
};

class TFile final : public TTree {
public:
    static TFile *Create(TTree &parent, const TFileData &data, const std::string &name);

    double Modified = 0;
    double Accessed = 0;
    std::string URL;
    std::string CacheFile;
    std::string ContentType;
    std::string Headers;
    int32_t Size = 0;
    uint8_t RootPage = 0;

    TFileData Data() const;
    // Takes over the file data of another item (an overwriting copy).
    void TakeData(const TFileData &data);

    bool ShowProperties() override;
    void Remove() override;
    std::string GetLocalPath() const override;
    std::string GetLinkPath() const override;
    std::string GetURL() const override;
    int64_t GetSize() const override { return Size; }
    int64_t GetFileCount() const override { return 1; }
    TTree *CopyTo(TTree &target) override;

private:
    TFile(TTree &parent, const TFileData &data, const std::string &name);
};

// Find-or-create for the store readers.
TDir *FindOrAddDir(TTree &parent, const std::string &name);
TFile *FindOrAddFile(TTree &parent, const std::string &name, const TFileData &data);

// The address of a file relative to an ancestor folder.
std::string GetFileURLFrom(const TFile &file, const TTree *ancestor);
bool IsHtml(const TFile &file);
