#include "items/tree.h"
#include "platform/ascii.h"

#include <algorithm>
#include <unordered_map>

#include "items/cab.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/seam.h"

namespace {
uint64_t nextSerial = 1;
size_t liveItems = 0;

// Items that somebody holds a TItemRef to. Registration happens when the first reference
// is made, so a tree of a million items that nobody references costs nothing here.
std::unordered_map<uint64_t, TTree *> &LiveMap() {
    static std::unordered_map<uint64_t, TTree *> map;
    return map;
}

uint64_t FoldedHash(std::string_view s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= static_cast<unsigned char>(UpperAscii(static_cast<char>(c)));
        h *= 1099511628211ull;
    }
    return h ^ (h >> 29);
}

// Below this many children a backward scan is as quick as the hash index.
constexpr size_t IndexThreshold = 8;
} // namespace

// Open-addressing index of a folder's children by folded name. Lookups answer exactly as a
// backward scan would: among equal names the most recently added child (highest serial,
// since children are only ever appended) wins.
class TNameIndex {
public:
    explicit TNameIndex(bool byLocalName) : local(byLocalName) {}
    bool Built() const { return built; }
    // Whether two entries ever had equal folded names (set while placing them; never cleared
    // before the next rebuild).
    bool HasDuplicates() const { return duplicates; }
    void Reset() {
        built = false;
        duplicates = false;
        slots.clear();
        count = 0;
    }
    void Build(const std::vector<std::unique_ptr<TTree>> &list) {
        size_t capacity = 16;
        while (capacity * 3 < list.size() * 4 + 4)
            capacity *= 2;
        slots.assign(capacity, TSlot{});
        count = 0;
        duplicates = false;
        built = true;
        for (const auto &child : list)
            Place({child.get(), Tag(Key(child.get()))});
    }
    void Insert(TTree *item) {
        if (!built)
            return;
        if ((count + 1) * 4 > slots.size() * 3) {
            // The stored tags rehash without touching the items themselves.
            std::vector<TSlot> old(slots.size() * 2);
            old.swap(slots);
            count = 0;
            for (const TSlot &slot : old)
                if (slot.item)
                    Place(slot, false);
        }
        Place({item, Tag(Key(item))});
    }
    void Erase(TTree *item) {
        if (!built)
            return;
        const size_t mask = slots.size() - 1;
        size_t i = Tag(Key(item)) & mask;
        while (slots[i].item != item) {
            if (!slots[i].item)
                return;
            i = (i + 1) & mask;
        }
        // Backward-shift deletion keeps every probe chain unbroken.
        size_t j = i;
        for (;;) {
            j = (j + 1) & mask;
            if (!slots[j].item)
                break;
            size_t home = slots[j].tag & mask;
            bool movable = (i <= j) ? (home <= i || home > j) : (home <= i && home > j);
            if (movable) {
                slots[i] = slots[j];
                i = j;
            }
        }
        slots[i] = TSlot{};
        --count;
    }
    template <class Accept> TTree *Find(std::string_view name, Accept accept) const {
        const size_t mask = slots.size() - 1;
        const uint32_t tag = Tag(name);
        TTree *best = nullptr;
        for (size_t i = tag & mask; slots[i].item; i = (i + 1) & mask) {
            TTree *item = slots[i].item;
            if (slots[i].tag == tag && SameName(Key(item), name) && accept(*item) &&
                (!best || item->Serial() > best->Serial()))
                best = item;
        }
        return best;
    }

private:
    // An item with the low bits of its folded-name hash, so probes and rehashes rarely
    // touch the items themselves.
    struct TSlot {
        TTree *item = nullptr;
        uint32_t tag = 0;
    };
    static uint32_t Tag(std::string_view key) { return static_cast<uint32_t>(FoldedHash(key)); }
    std::string_view Key(const TTree *t) const { return local ? t->LocalName() : t->Name(); }
    // Equal names share a home slot, so any earlier entry of the same name lies in the run
    // of slots walked here.
    void Place(const TSlot &slot, bool checkDuplicates = true) {
        const size_t mask = slots.size() - 1;
        size_t i = slot.tag & mask;
        while (slots[i].item) {
            if (checkDuplicates && !duplicates && slots[i].tag == slot.tag &&
                SameName(Key(slots[i].item), Key(slot.item)))
                duplicates = true;
            i = (i + 1) & mask;
        }
        slots[i] = slot;
        ++count;
    }
    bool local;
    bool built = false;
    bool duplicates = false;
    std::vector<TSlot> slots;
    size_t count = 0;
};

class TChildren {
public:
    std::vector<std::unique_ptr<TTree>> list;
    TNameIndex byName{false};
    TNameIndex byLocalName{true};
    // Where the next lookup by name is likely to hit: a reload reads its store in the same
    // order as the last time, so the child after the last hit is usually the next one.
    size_t nextGuess = 0;
};

// ---- references ----

TItemRef::TItemRef(const TTree *item) {
    if (!item || item->destroying)
        return;
    serial = item->serial;
    if (!item->registered) {
        LiveMap()[serial] = const_cast<TTree *>(item);
        const_cast<TTree *>(item)->registered = true;
    }
}

TItemRef TItemRef::FromSerial(uint64_t serial) {
    TItemRef ref;
    ref.serial = serial;
    return ref;
}

TTree *TItemRef::Get() const {
    if (serial == 0)
        return nullptr;
    auto &map = LiveMap();
    auto it = map.find(serial);
    return it == map.end() ? nullptr : it->second;
}

size_t LiveItemCount() {
    return liveItems;
}

// ---- construction and destruction ----

TTree::TTree(TItemType itemType, TTree *parentItem, const std::string &itemName)
    : type(itemType), serial(nextSerial++), name(itemName), parent(parentItem) {
    std::string working = itemName;
    if (parentItem && parentItem->IsCabinet())
        working = ServerFileName(working);
    working = SafeLocalName(ValidFileName(working));
    if (working != name)
        localName = std::make_unique<std::string>(std::move(working));
    ++liveItems;
}

TTree::TTree(TItemType itemType) : type(itemType), serial(nextSerial++) {
    ++liveItems;
}

void TTree::Unregister() {
    destroying = true;
    if (registered) {
        LiveMap().erase(serial);
        registered = false;
    }
}

TTree::~TTree() {
    Unregister();
    --liveItems;
    if (!children)
        return;
    // Children go first, last child first, without one stack frame per level.
    std::vector<std::unique_ptr<TTree>> pending = std::move(children->list);
    children.reset();
    while (!pending.empty()) {
        TTree *last = pending.back().get();
        if (last->children && !last->children->list.empty()) {
            last->Unregister();
            auto grandChildren = std::move(last->children->list);
            last->children.reset();
            for (auto &g : grandChildren)
                pending.push_back(std::move(g));
        } else {
            pending.pop_back();
        }
    }
}

const std::string &TTree::LocalName() const {
    static const std::string none;
    if (localName)
        return *localName;
    return type == TItemType::Cabinet ? none : name;
}

const std::vector<std::unique_ptr<TTree>> &TTree::Children() const {
    static const std::vector<std::unique_ptr<TTree>> none;
    return children ? children->list : none;
}

void TTree::AttachChild(std::unique_ptr<TTree> child) {
    if (!children)
        children = std::make_unique<TChildren>();
    TTree *raw = child.get();
    raw->parent = this;
    children->list.push_back(std::move(child));
    children->byName.Insert(raw);
    children->byLocalName.Insert(raw);
}

void TTree::SetNames(const std::string &newName, const std::string &newLocalName) {
    TChildren *siblings = parent ? parent->children.get() : nullptr;
    if (siblings) {
        siblings->byName.Erase(this);
        siblings->byLocalName.Erase(this);
    }
    name = newName;
    if (newLocalName == newName && type != TItemType::Cabinet)
        localName.reset();
    else if (type != TItemType::Cabinet)
        localName = std::make_unique<std::string>(newLocalName);
    if (siblings) {
        siblings->byName.Insert(this);
        siblings->byLocalName.Insert(this);
    }
}

void TTree::DestroyChild(TTree *child) {
    if (!children || !child)
        return;
    auto &list = children->list;
    auto it =
        std::lower_bound(list.begin(), list.end(), child->serial,
                         [](const std::unique_ptr<TTree> &c, uint64_t s) { return c->serial < s; });
    if (it == list.end() || it->get() != child)
        return;
    children->byName.Erase(child);
    children->byLocalName.Erase(child);
    std::unique_ptr<TTree> doomed = std::move(*it);
    list.erase(it);
    doomed.reset();
}

void TTree::DestroyChildrenIf(const std::function<bool(const TTree &)> &test) {
    if (!children)
        return;
    auto &list = children->list;
    std::vector<std::unique_ptr<TTree>> doomed;
    size_t kept = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (test(*list[i]))
            doomed.push_back(std::move(list[i]));
        else
            list[kept++] = std::move(list[i]);
    }
    if (doomed.empty())
        return;
    list.resize(kept);
    children->byName.Reset();
    children->byLocalName.Reset();
    while (!doomed.empty())
        doomed.pop_back();
}

// ---- answers ----

TCabinet *TTree::GetCabinet() const {
    const TTree *p = this;
    while (p && !p->IsCabinet())
        p = p->parent;
    return static_cast<TCabinet *>(const_cast<TTree *>(p));
}

uint8_t TTree::GetKind() const {
    TCabinet *cabinet = GetCabinet();
    return cabinet ? cabinet->Kind : 0;
}

bool TTree::GetDeletable() const {
    TCabinet *cabinet = GetCabinet();
    return cabinet && cabinet->Deletable;
}

std::string TTree::GetURLFrom(const TTree *) const {
    return {};
}

std::string TTree::GetCabinetName() const {
    TCabinet *cabinet = GetCabinet();
    return cabinet ? cabinet->Name() : std::string();
}

TTree *TTree::GetServer() const {
    const TTree *p = this;
    while (p->parent && !p->parent->IsCabinet())
        p = p->parent;
    return const_cast<TTree *>(p);
}

std::string TTree::GetProgram() const {
    TCabinet *cabinet = GetCabinet();
    return cabinet ? cabinet->Program : std::string();
}

std::string TTree::GetUser() const {
    TCabinet *cabinet = GetCabinet();
    return cabinet ? cabinet->User : std::string();
}

int64_t TTree::GetSize() const {
    int64_t total = 0;
    ForEachDescendant(*this, [&](const TTree &t) {
        if (t.IsFile())
            total += t.GetSize();
    });
    return total;
}

int64_t TTree::GetFolderCount() const {
    int64_t total = 0;
    ForEachDescendant(*this, [&](const TTree &t) {
        if (!t.IsFile())
            ++total;
    });
    return total;
}

int64_t TTree::GetFileCount() const {
    int64_t total = 0;
    ForEachDescendant(*this, [&](const TTree &t) {
        if (t.IsFile())
            ++total;
    });
    return total;
}

TTree *TTree::CopyTo(TTree &) {
    return nullptr;
}

std::string TTree::Rename(const std::string &newName) {
    if (newName.find_first_of("\\/:*?\"<>|") != std::string::npos) {
        seam::Messages().ErrorBox("名前に使用できない文字 \\/:*?\"<>| が含まれています。");
        return name;
    }
    std::string oldPath = GetLocalPath();
    SetNames(newName, SafeLocalName(newName));
    MoveOnDisk(*this, oldPath);
    return name;
}

// ---- the folders of the program's own logs on disk ----

namespace {
bool InsideCabinet(const TTree &item, const std::string &path) {
    const TCabinet *cabinet = item.GetCabinet();
    return cabinet && !cabinet->Path.empty() && fs::IsInsideFolder(cabinet->Path, path);
}
} // namespace

bool CreateFolderOnDisk(const TTree &item) {
    std::string path = fs::WithoutTrailingSlash(item.GetLocalPath());
    return InsideCabinet(item, path) && fs::CreateFolder(path);
}

bool MoveOnDisk(const TTree &item, const std::string &oldPath) {
    std::string from = fs::WithoutTrailingSlash(oldPath);
    std::string to = fs::WithoutTrailingSlash(item.GetLocalPath());
    if (from.empty() || to.empty() || from == to || !InsideCabinet(item, to))
        return false;
    return fs::RenamePathNoReplace(from, to);
}

// ---- name mapping ----

std::string ServerFileName(const std::string &text) {
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    size_t sep = text.find("://");
    if (sep != std::string::npos) {
        result.append(text, 0, sep);
        result += '=';
        start = sep + 3;
    }
    for (size_t i = start; i < text.size(); ++i)
        result += text[i] == ':' ? '$' : text[i];
    return result;
}

std::string ValidFileName(const std::string &text) {
    std::string result = text;
    for (char &c : result) {
        switch (c) {
        case '"':
        case '*':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            c = '-';
            break;
        default:
            break;
        }
    }
    return result;
}

std::string SafeLocalName(const std::string &text) {
    if (text.empty() || text == ".")
        return "-";
    if (text == "..")
        return "--";
    std::string result = text;
    for (char &c : result)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '-';
    return result;
}

bool SameName(std::string_view a, std::string_view b) {
    return SameAscii(a, b);
}

// ---- lookups ----

namespace {
template <class KeyOf>
TTree *Lookup(const std::vector<std::unique_ptr<TTree>> &list, TNameIndex &index,
              std::string_view key, KeyOf keyOf, TWant want, size_t *guess) {
    auto accept = [want](const TTree &t) {
        return want == TWant::Any || (want == TWant::File) == t.IsFile();
    };
    TTree *hit = nullptr;
    // Without equal names in the folder, a match at the guessed place is the only match.
    if (guess && index.Built() && !index.HasDuplicates() && *guess < list.size()) {
        TTree *candidate = list[*guess].get();
        if (SameName(keyOf(*candidate), key) && accept(*candidate)) {
            ++*guess;
            candidate->Found = 1;
            return candidate;
        }
    }
    if (list.size() < IndexThreshold && !index.Built()) {
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            if (SameName(keyOf(**it), key) && accept(**it)) {
                hit = it->get();
                break;
            }
    } else {
        if (!index.Built())
            index.Build(list);
        hit = index.Find(key, accept);
    }
    if (hit) {
        hit->Found = 1;
        if (guess) {
            // Children are ordered by serial, so the hit's place is found by bisection.
            auto it = std::lower_bound(list.begin(), list.end(), hit->Serial(),
                                       [](const std::unique_ptr<TTree> &c, uint64_t serial) {
                                           return c->Serial() < serial;
                                       });
            *guess = static_cast<size_t>(it - list.begin()) + 1;
        }
    }
    return hit;
}
} // namespace

TTree *FindChild(const TTree &parent, std::string_view name, TWant want) {
    if (!parent.children)
        return nullptr;
    return Lookup(
        parent.children->list, parent.children->byName, name,
        [](const TTree &t) -> std::string_view { return t.Name(); }, want,
        &parent.children->nextGuess);
}

TTree *FindChildByLocalName(const TTree &parent, std::string_view localName, TWant want) {
    if (!parent.children)
        return nullptr;
    return Lookup(
        parent.children->list, parent.children->byLocalName, localName,
        [](const TTree &t) -> std::string_view { return t.LocalName(); }, want, nullptr);
}

// ---- navigation and tests ----

std::string GetCaption(const TTree &item) {
    return item.Name();
}

bool IsWithin(const TTree *item, const TTree *ancestor) {
    for (const TTree *p = item; p; p = p->IsCabinet() ? nullptr : p->Parent())
        if (p == ancestor)
            return true;
    return false;
}

void CheckValid(const TItemRef &item) {
    TTree *t = item.Get();
    if (!t)
        throw TError("開放されたオブジェクトです。");
    CheckValid(*t);
}

void CheckValid(const TTree &item) {
    bool attached = item.IsCabinet() ? static_cast<const TCabinet &>(item).Root() != nullptr
                                     : item.Parent() != nullptr;
    if (item.Destroying() || !attached)
        throw TError("開放されたオブジェクトです。");
}

void NotifyItemChanged(const TTree *item) {
    seam::Notifier().ItemChanged(TItemRef(item));
}

// ---- walks ----

void ForEachDescendant(const TTree &item,
                       const std::function<void(const TTree &, size_t depth)> &visit) {
    struct Frame {
        const TTree *folder;
        size_t next;
    };
    std::vector<Frame> stack{{&item, 0}};
    while (!stack.empty()) {
        Frame &top = stack.back();
        const auto &list = top.folder->Children();
        if (top.next >= list.size()) {
            stack.pop_back();
            continue;
        }
        const TTree *child = list[top.next++].get();
        visit(*child, stack.size());
        if (!child->Children().empty())
            stack.push_back({child, 0});
    }
}

void ForEachDescendant(const TTree &item, const std::function<void(const TTree &)> &visit) {
    ForEachDescendant(item, [&visit](const TTree &t, size_t) { visit(t); });
}

void ResetFound(TTree &item, bool recursive) {
    std::vector<TTree *> folders{&item};
    while (!folders.empty()) {
        TTree *folder = folders.back();
        folders.pop_back();
        const auto &list = folder->Children();
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            (*it)->Found = 0;
            if (recursive && !(*it)->IsFile())
                folders.push_back(it->get());
        }
    }
}

void SweepNotFound(TTree &item) {
    // Folders below item that were met, parents before children; swept in reverse so every
    // folder is swept before its parent decides about it. Unmet folders go whole.
    std::vector<TTree *> order{&item};
    for (size_t i = 0; i < order.size(); ++i)
        for (const auto &child : order[i]->Children())
            if (!child->IsFile() && child->Found)
                order.push_back(child.get());
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        (*it)->DestroyChildrenIf([](const TTree &t) { return t.Found == 0; });
}

// ---- path helpers ----

std::string PathToURL(const std::string &path) {
    std::string result = path;
    if (!result.empty() && result.front() == '/')
        result.erase(0, 1);
    return result;
}

std::string URLToPath(const std::string &url) {
    std::string path = "/";
    if (url.size() > 8)
        path.append(url, 8, std::string::npos);
    return path;
}
