#pragma once
// Cabinets: one registered folder with the kind of store it holds, and the cabinet root.
#include <memory>
#include <string>
#include <vector>

#include "items/tree.h"
#include "platform/listings.h"

// Cabinet kinds.
enum : uint8_t {
    KindUnknown = 0,
    KindPlainLog = 1,
    KindMirrorLog = 2,
    KindNetscape1 = 3,
    KindNetscape2 = 4,
    KindMsie2 = 5,
    KindMsie3 = 6,
    KindTapline = 7,
    KindMsie4 = 8,
    KindMsie5 = 9, // MS-IE 5 to 9: index.dat "Client UrlCache MMF Ver 5.2"
};

// Kinds whose folders and files live on disk under their local names.
inline bool IsLogKind(uint8_t kind) {
    return kind == KindPlainLog || kind == KindMirrorLog;
}

class TCabinet final : public TTree {
public:
    std::string Path;    // the cabinet folder; ends with "/" unless empty
    std::string Program; // program that opens the cabinet's files; may be empty
    std::string User;    // free text saved with the cabinet
    uint8_t Kind = KindUnknown;
    bool Deletable = false;
    bool Temporary = false;
    bool IndexRead = false;
    // The index was read completely at the last load. An index that could not be read
    // (read error, wrong signature) is not written back: the tree holds only part of it.
    bool IndexComplete = true;
    // The index file that recognition found (its letter case may differ from the usual
    // name); the index is written back to this file.
    std::string IndexFile;
    // The folder listings that resolve the letter case of the cached files' local paths.
    // Dropped at every load, so no listing outlives the load or refresh that made it.
    mutable fs::TFolderListings Listings;

    TCabinetRoot *Root() const { return root; }

    bool ShowProperties() override;
    std::string Rename(const std::string &newName) override;
    void Remove() override;
    uint8_t GetKind() const override { return Kind; }
    bool GetDeletable() const override { return Deletable; }
    std::string GetLocalPath() const override { return Path; }
    std::string GetLinkPath() const override { return {}; }
    std::string GetURL() const override { return {}; }
    std::string GetURLFrom(const TTree *) const override { return {}; }
    std::string GetCabinetName() const override { return Name(); }
    TCabinet *GetCabinet() const override { return const_cast<TCabinet *>(this); }
    std::string GetProgram() const override { return Program; }
    std::string GetUser() const override { return User; }

    void MakeTemporary() { Temporary = true; }
    // The display name a user gives the cabinet.
    void SetName(const std::string &newName) { SetNames(newName, {}); }

private:
    friend class TCabinetRoot;
    TCabinet(TCabinetRoot &root, uint8_t kind, const std::string &folder, const std::string &name);
    TCabinetRoot *root;
};

// The plain container of all cabinets, in registration order. Not an item.
class TCabinetRoot {
public:
    TCabinetRoot() = default;
    ~TCabinetRoot();
    TCabinetRoot(const TCabinetRoot &) = delete;
    TCabinetRoot &operator=(const TCabinetRoot &) = delete;

    // Creates a cabinet at the end of the list. The folder gets a trailing "/" unless it is
    // empty; Deletable starts true for kinds 1, 2 and 7.
    TCabinet *AddCabinet(uint8_t kind, const std::string &folder, const std::string &name);
    // Destroys the cabinet with all its items (nothing on disk is touched).
    void RemoveCabinet(TCabinet *cabinet);
    const std::vector<std::unique_ptr<TCabinet>> &Cabinets() const { return cabinets; }
    void Clear();

private:
    std::vector<std::unique_ptr<TCabinet>> cabinets;
};

// The state image of an item's cabinet: 5 plain log, 7 mirror log, 6 caches, -1 otherwise.
int GetCabinetImage(const TTree &item);
