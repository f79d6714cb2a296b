#pragma once
// The item tree: cabinets at the top, servers, directories and files below them.
//
// Every item is owned by its parent (a cabinet by the cabinet root); children keep the
// order in which they were added. Items carry a serial number that is never reused;
// views, clipboards and notifications hold TItemRef values built on it and resolve them
// before use, so nobody touches a destroyed item. No walk over the tree recurses once per
// level: addresses of any depth are filed, answered and destroyed with bounded stack.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TTree;
class TCabinet;
std::string SafeLocalName(const std::string &name);
class TCabinetRoot;
class TChildren;

enum class TItemType : uint8_t { Cabinet, Dir, File };
// What a lookup accepts: any item, only folders, or only files.
enum class TWant : uint8_t { Any, Folder, File };

// A reference to an item that survives the item: Get() answers nullptr once the item has
// been destroyed (or has begun to be destroyed).
class TItemRef {
public:
    TItemRef() = default;
    explicit TItemRef(const TTree *item);
    // The reference a serial stands for (a serial carried through a drag, say); it resolves
    // only while an item with that serial is alive and referenced somewhere.
    static TItemRef FromSerial(uint64_t serial);
    TTree *Get() const;
    uint64_t Serial() const { return serial; }
    explicit operator bool() const { return Get() != nullptr; }
    bool operator==(const TItemRef &other) const { return serial == other.serial; }

private:
    uint64_t serial = 0;
};

class TTree {
public:
    virtual ~TTree();
    TTree(const TTree &) = delete;
    TTree &operator=(const TTree &) = delete;

    const std::string &Name() const { return name; }
    // The name on disk; kept apart only when it differs from Name (cabinets have none).
    const std::string &LocalName() const;
    // Set when the item was created or met by a lookup since the last reset (reloads sweep
    // the items left at 0). Declared with the other flags below to keep items small.

    TItemType Type() const { return type; }
    bool IsCabinet() const { return type == TItemType::Cabinet; }
    bool IsDir() const { return type == TItemType::Dir; }
    bool IsFile() const { return type == TItemType::File; }
    // Cabinets and directories hold children.
    bool IsFolder() const { return type != TItemType::File; }

    uint64_t Serial() const { return serial; }
    // The owning item; nullptr for a cabinet (whose owner is the cabinet root).
    TTree *Parent() const { return parent; }
    bool Destroying() const { return destroying; }

    const std::vector<std::unique_ptr<TTree>> &Children() const;
    size_t ChildCount() const { return Children().size(); }

    // The operations every item answers.
    virtual bool ShowProperties() { return false; }
    virtual std::string Rename(const std::string &newName);
    virtual void Remove() {}
    virtual uint8_t GetKind() const;
    virtual bool GetDeletable() const;
    virtual std::string GetLocalPath() const { return {}; }
    virtual std::string GetLinkPath() const { return {}; }
    virtual std::string GetURL() const { return {}; }
    virtual std::string GetURLFrom(const TTree *ancestor) const;
    virtual std::string GetCabinetName() const;
    virtual TCabinet *GetCabinet() const;
    TTree *GetServer() const;
    virtual std::string GetProgram() const;
    virtual std::string GetUser() const;
    // Totals are 64-bit, so subtrees beyond 2 GiB keep their true size.
    virtual int64_t GetSize() const;
    int64_t GetFolderCount() const;
    virtual int64_t GetFileCount() const;
    virtual TTree *CopyTo(TTree &target);

    // For items filed from a folder listing: the name on disk is the local name as it
    // stands (it is valid on this system even where the name mapping would change it).
    void KeepDiskName(const std::string &diskName) { SetNames(name, SafeLocalName(diskName)); }

    // Destroys one child with its subtree.
    void DestroyChild(TTree *child);
    // Destroys every child for which the test is true (last child first), in one pass.
    void DestroyChildrenIf(const std::function<bool(const TTree &)> &test);

protected:
    TTree(TItemType type, TTree *parent, const std::string &name); // folders and files
    explicit TTree(TItemType type);                                // cabinets
    // Appends an item made for this parent and hands it over; returns it.
    template <class T> static T *Attach(TTree &parent, std::unique_ptr<T> child) {
        T *raw = child.get();
        parent.AttachChild(std::move(child));
        return raw;
    }
    // Changes Name and LocalName, keeping the parent's lookups in step.
    void SetNames(const std::string &newName, const std::string &newLocalName);

private:
    friend class TItemRef;
    friend class TCabinetRoot;
    friend TTree *FindChild(const TTree &parent, std::string_view name, TWant want);
    friend TTree *FindChildByLocalName(const TTree &parent, std::string_view localName, TWant want);
    void AttachChild(std::unique_ptr<TTree> child);
    void Unregister();

public:
    uint8_t Found = 1;

private:
    TItemType type;
    bool destroying = false;
    bool registered = false;
    uint64_t serial;
    std::string name;
    std::unique_ptr<std::string> localName; // nullptr: the same as name
    TTree *parent = nullptr;
    std::unique_ptr<TChildren> children;
};

// Name mapping: the name on disk of a server item ("ftp://host:21" → "ftp=host$21").
std::string ServerFileName(const std::string &name);
// The nine characters " * / : < > ? \ | become "-".
std::string ValidFileName(const std::string &name);
// What becomes a name on disk is made safe: empty → "-", "." → "-", ".." → "--", NUL and
// control bytes → "-". Any other name is returned unchanged.
std::string SafeLocalName(const std::string &name);

// ASCII letters compare without regard to case; every other byte exactly.
bool SameName(std::string_view a, std::string_view b);

// Lookups: the most recently added child whose Name (LocalName) matches, after setting its
// Found flag; nullptr when there is none. With want, only items of that sort are looked at.
TTree *FindChild(const TTree &parent, std::string_view name, TWant want = TWant::Any);
TTree *FindChildByLocalName(const TTree &parent, std::string_view localName,
                            TWant want = TWant::Any);

std::string GetCaption(const TTree &item);
bool IsWithin(const TTree *item, const TTree *ancestor);
// Throws TError("開放されたオブジェクトです。") when the item is destroyed, being destroyed or
// detached from any parent.
void CheckValid(const TItemRef &item);
void CheckValid(const TTree &item);

// Posts the item-changed notification to every open window.
void NotifyItemChanged(const TTree *item);

// Found-flag maintenance for reloads.
void ResetFound(TTree &item, bool recursive);
void SweepNotFound(TTree &item);

// Visits the subtree below item (not item itself) depth-first: each child in child order,
// a folder's children right after it. Bounded stack at any depth.
void ForEachDescendant(const TTree &item, const std::function<void(const TTree &)> &visit);
// The same walk, also handing each item's depth below item (1 for its children).
void ForEachDescendant(const TTree &item,
                       const std::function<void(const TTree &, size_t depth)> &visit);

// "\" → "/" (a local path to the path part of a "file:///" address; on POSIX the leading
// "/" is dropped too) and back.
std::string PathToURL(const std::string &path);
std::string URLToPath(const std::string &url);

// Creates the folder at the item's local path. A folder that exists already, a path outside
// the item's cabinet folder, or any other failure is ignored (false).
bool CreateFolderOnDisk(const TTree &item);
// Moves oldPath to the item's local path (one trailing "/" dropped from each). Never
// replaces an existing file or folder and never leaves the item's cabinet folder; a failure
// is ignored (false).
bool MoveOnDisk(const TTree &item, const std::string &oldPath);

// Number of items alive now (tests and benchmarks).
size_t LiveItemCount();
