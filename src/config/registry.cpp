#include "config/registry.h"
#include "platform/ascii.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <list>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "platform/error.h"
#include "platform/fs.h"

namespace {
constexpr const char *CurrentUserName = "HKEY_CURRENT_USER";
constexpr const char *LocalMachineName = "HKEY_LOCAL_MACHINE";

std::string Fold(std::string_view s) { return ToUpperAscii(s); }

bool SameFolded(std::string_view a, std::string_view b) { return SameAscii(a, b); }

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Items with a Name, in the order they were added, found without regard to ASCII case.
// Small lists are scanned; past a few items a hash index answers, so a key with 100 000
// subkeys or values costs linear time to fill and to empty.
template <class T> class TNamedList {
public:
    using TIter = typename std::list<T>::iterator;

    T *Find(std::string_view name) {
        TIter it = Locate(name);
        return it == items.end() ? nullptr : &*it;
    }
    const T *Find(std::string_view name) const {
        return const_cast<TNamedList *>(this)->Find(name);
    }
    T &Append(T &&item) {
        items.push_back(std::move(item));
        TIter last = std::prev(items.end());
        if (index)
            index->emplace(Fold(last->Name), last);
        else if (items.size() > IndexFrom)
            BuildIndex();
        return *last;
    }
    bool Erase(std::string_view name) {
        TIter it = Locate(name);
        if (it == items.end())
            return false;
        if (index)
            index->erase(Fold(name));
        items.erase(it);
        return true;
    }
    // Hands over every item and leaves the list empty.
    std::list<T> TakeAll() {
        index.reset();
        return std::move(items);
    }
    std::list<T> &Items() { return items; }
    const std::list<T> &Items() const { return items; }

private:
    static constexpr size_t IndexFrom = 8;

    TIter Locate(std::string_view name) {
        if (index) {
            auto hit = index->find(Fold(name));
            return hit == index->end() ? items.end() : hit->second;
        }
        for (TIter it = items.begin(); it != items.end(); ++it)
            if (SameFolded(it->Name, name))
                return it;
        return items.end();
    }
    void BuildIndex() {
        index = std::make_unique<std::unordered_map<std::string, TIter>>();
        for (TIter it = items.begin(); it != items.end(); ++it)
            index->emplace(Fold(it->Name), it);
    }

    std::list<T> items;
    std::unique_ptr<std::unordered_map<std::string, TIter>> index;
};

struct TRegValue {
    std::string Name;
    TRegData Data;
};
} // namespace

struct TRegKey {
    std::string Name;
    TRegKey *Parent = nullptr;
    TNamedList<TRegKey> SubKeys;
    TNamedList<TRegValue> Values;

    TRegKey(std::string name, TRegKey *parent) : Name(std::move(name)), Parent(parent) {}
    TRegKey(TRegKey &&) = default;
    // Tears the subtree down level by level: a key path of any depth is destroyed without
    // one stack frame per level.
    ~TRegKey() {
        std::list<TRegKey> pending = SubKeys.TakeAll();
        while (!pending.empty()) {
            pending.splice(pending.end(), pending.front().SubKeys.TakeAll());
            pending.pop_front();
        }
    }

    TRegKey *Sub(std::string_view name) { return SubKeys.Find(name); }
    TRegKey &AddSub(std::string_view name) {
        return SubKeys.Append(TRegKey(std::string(name), this));
    }
    TRegKey &SubOrAdd(std::string_view name) {
        TRegKey *key = Sub(name);
        return key ? *key : AddSub(name);
    }
};

namespace {
// A key path split at "\", empty segments dropped.
std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string_view CanonicalHive(std::string_view name) {
    if (SameFolded(name, CurrentUserName) || SameFolded(name, "HKCU"))
        return CurrentUserName;
    if (SameFolded(name, LocalMachineName) || SameFolded(name, "HKLM"))
        return LocalMachineName;
    return name;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1]))
        --n;
    return s.substr(0, n);
}

bool StartsFolded(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameFolded(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One to eight hex digits, nothing else.
bool ParseHex32(std::string_view s, uint32_t &out) {
    if (s.empty() || s.size() > 8)
        return false;
    uint32_t v = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0)
            return false;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    out = v;
    return true;
}

std::string LittleEndian32(uint32_t v) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return bytes;
}

uint32_t FromLittleEndian32(std::string_view bytes) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
    return v;
}

// A quoted text starting at s[0] == '"', with \\ and \" escapes (any other backslash pair
// stands for its second byte). False when the closing quote is missing; rest gets what
// follows the closing quote.
bool ParseQuoted(std::string_view s, std::string &out, std::string_view &rest) {
    out.clear();
    size_t i = 1;
    while (i < s.size()) {
        size_t special = s.find_first_of("\\\"", i);
        if (special == std::string_view::npos)
            return false;
        out.append(s.substr(i, special - i));
        if (s[special] == '"') {
            rest = s.substr(special + 1);
            return true;
        }
        if (special + 1 >= s.size())
            return false;
        out.push_back(s[special + 1]);
        i = special + 2;
    }
    return false;
}

// Comma-separated bytes of one or two hex digits each; blanks around them and one trailing
// comma are allowed, an empty list too.
bool ParseHexBytes(std::string_view s, std::string &out) {
    out.clear();
    s = TrimRight(TrimLeft(s));
    if (s.empty())
        return true;
    size_t start = 0;
    while (start < s.size()) {
        size_t comma = s.find(',', start);
        size_t end = comma == std::string_view::npos ? s.size() : comma;
        std::string_view token = TrimRight(TrimLeft(s.substr(start, end - start)));
        if (token.empty() || token.size() > 2)
            return false;
        int hi = HexDigit(token[0]);
        int lo = token.size() == 2 ? HexDigit(token[1]) : 0;
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(static_cast<char>(token.size() == 2 ? hi * 16 + lo : hi));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
        if (start == s.size())
            break;
    }
    return true;
}

class TParser {
public:
    TParser(std::string_view text, TRegKey &top) : text(text), top(top) {}

    void Run() {
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            pos = 3;
        bool first = true;
        std::string_view line;
        while (NextLine(line)) {
            std::string_view trimmed = TrimLeft(line);
            if (first) {
                first = false;
                if (TrimRight(trimmed) == "REGEDIT4")
                    continue;
            }
            if (trimmed.empty() || trimmed[0] == ';')
                continue;
            if (trimmed[0] == '[')
                Section(TrimRight(trimmed));
            else if (trimmed[0] == '"' || trimmed[0] == '@')
                Value(trimmed);
        }
    }

private:
    // Lines end at CR LF, LF or a lone CR.
    bool NextLine(std::string_view &line) {
        if (pos >= text.size())
            return false;
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            line = text.substr(pos);
            pos = text.size();
            return true;
        }
        line = text.substr(pos, end - pos);
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
        return true;
    }

    void Section(std::string_view line) {
        section = nullptr;
        if (line.size() < 2 || line.back() != ']')
            return;
        std::string_view inner = line.substr(1, line.size() - 2);
        bool remove = !inner.empty() && inner[0] == '-';
        if (remove)
            inner.remove_prefix(1);
        std::vector<std::string_view> parts = SplitPath(inner);
        if (parts.empty())
            return;
        // "[\-NAME]" would be written back as "[-NAME]", which deletes: not a key name.
        if (!remove && parts[0].front() == '-')
            return;
        parts[0] = CanonicalHive(parts[0]);
        if (remove) {
            TRegKey *key = &top;
            for (std::string_view part : parts) {
                key = key->Sub(part);
                if (!key)
                    return;
            }
            key->Parent->SubKeys.Erase(key->Name);
            return;
        }
        TRegKey *key = &top;
        for (std::string_view part : parts)
            key = &key->SubOrAdd(part);
        section = key;
    }

    void Value(std::string_view line) {
        std::string name;
        std::string_view rest;
        if (line[0] == '@') {
            rest = line.substr(1);
        } else if (!ParseQuoted(line, name, rest)) {
            return;
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest[0] != '=')
            return;
        rest = TrimLeft(rest.substr(1));
        if (StartsFolded(rest, "hex")) {
            // The continuation lines belong to this value even when it turns out malformed.
            std::string joined(rest);
            while (!TrimRight(joined).empty() && TrimRight(joined).back() == '\\') {
                joined.resize(TrimRight(joined).size() - 1);
                std::string_view next;
                if (!NextLine(next))
                    break;
                joined.append(TrimLeft(next));
            }
            if (section)
                HexValue(name, joined);
            return;
        }
        if (!section)
            return;
        std::string_view data = TrimRight(rest);
        if (data == "-") {
            section->Values.Erase(name);
        } else if (!data.empty() && data[0] == '"') {
            std::string textValue;
            std::string_view after;
            if (ParseQuoted(data, textValue, after) && after.empty())
                Store(name, {RegSz, std::move(textValue)});
        } else if (StartsFolded(data, "dword:")) {
            uint32_t v;
            if (ParseHex32(TrimLeft(data.substr(6)), v))
                Store(name, {RegDword, LittleEndian32(v)});
        }
    }

    void HexValue(const std::string &name, std::string_view data) {
        uint32_t type = RegBinary;
        data = data.substr(3);
        if (!data.empty() && data[0] == '(') {
            size_t close = data.find(')');
            if (close == std::string_view::npos || !ParseHex32(data.substr(1, close - 1), type))
                return;
            data = data.substr(close + 1);
        }
        if (data.empty() || data[0] != ':')
            return;
        std::string bytes;
        if (!ParseHexBytes(data.substr(1), bytes))
            return;
        if (type == RegSz && !bytes.empty() && bytes.back() == '\0')
            bytes.pop_back();
        Store(name, {type, std::move(bytes)});
    }

    void Store(const std::string &name, TRegData data) {
        if (TRegValue *value = section->Values.Find(name))
            value->Data = std::move(data);
        else
            section->Values.Append({name, std::move(data)});
    }

    std::string_view text;
    size_t pos = 0;
    TRegKey &top;
    TRegKey *section = nullptr;
};

void AppendQuoted(std::string &out, std::string_view s) {
    out.push_back('"');
    size_t i = 0;
    while (i < s.size()) {
        size_t special = s.find_first_of("\\\"", i);
        if (special == std::string_view::npos)
            special = s.size();
        out.append(s.substr(i, special - i));
        if (special < s.size()) {
            out.push_back('\\');
            out.push_back(s[special]);
        }
        i = special + 1;
    }
    out.push_back('"');
}

const char *const HexDigits = "0123456789abcdef";

void AppendHex32(std::string &out, uint32_t v, bool padded) {
    char buf[8];
    for (int i = 7; i >= 0; --i) {
        buf[i] = HexDigits[v & 0xF];
        v >>= 4;
    }
    size_t start = 0;
    if (!padded)
        while (start < 7 && buf[start] == '0')
            ++start;
    out.append(buf + start, 8 - start);
}

// hex bytes wrapped as regedit wraps them: a trailing "\" and two blanks on the next line.
void AppendHexBytes(std::string &out, std::string_view bytes, size_t column) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        out.push_back(HexDigits[b >> 4]);
        out.push_back(HexDigits[b & 0xF]);
        column += 2;
        if (i + 1 < bytes.size()) {
            out.push_back(',');
            ++column;
            if (column > 76) {
                out.append("\\\r\n  ");
                column = 2;
            }
        }
    }
}

void AppendValue(std::string &out, const TRegValue &value) {
    size_t lineStart = out.size();
    if (value.Name.empty())
        out.push_back('@');
    else
        AppendQuoted(out, value.Name);
    out.push_back('=');
    const TRegData &d = value.Data;
    if (d.Type == RegSz && !HasLineBreak(d.Bytes)) {
        AppendQuoted(out, d.Bytes);
    } else if (d.Type == RegDword && d.Bytes.size() == 4) {
        out.append("dword:");
        AppendHex32(out, FromLittleEndian32(d.Bytes), true);
    } else {
        if (d.Type == RegBinary) {
            out.append("hex:");
        } else {
            out.append("hex(");
            AppendHex32(out, d.Type, false);
            out.append("):");
        }
        std::string bytes = d.Bytes;
        if (d.Type == RegSz)
            bytes.push_back('\0');
        AppendHexBytes(out, bytes, out.size() - lineStart);
    }
    out.append("\r\n");
}
} // namespace

std::string DefaultRegistryPath() {
    const char *explicitPath = std::getenv("TRAWLER_REGISTRY");
    if (explicitPath && *explicitPath)
        return explicitPath;
    std::string base;
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char *home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return fs::WithTrailingSlash(base) + "Kestrelware/Trawler/registry.reg";
}

TRegistry::TRegistry() : top(std::make_unique<TRegKey>(std::string(), nullptr)) {
    LoadText({});
}

TRegistry::TRegistry(const std::string &path)
    : path(path), top(std::make_unique<TRegKey>(std::string(), nullptr)) {
    Load();
}

TRegistry::~TRegistry() {
    if (modified) {
        try {
            Save();
        } catch (...) {
        }
    }
}

void TRegistry::Load() {
    std::error_code ec;
    bool exists = std::filesystem::exists(path, ec);
    std::string text;
    if (exists) {
        uint64_t size = std::filesystem::file_size(path, ec);
        unreadable = ec || size > MaxFileSize || !fs::ReadWholeFile(path, text);
        if (unreadable)
            text.clear();
    } else if (ec) {
        unreadable = true;
    }
    LoadText(text);
}

void TRegistry::LoadText(std::string_view text) {
    open = nullptr;
    hive = THive::CurrentUser;
    top = std::make_unique<TRegKey>(std::string(), nullptr);
    TParser(text, *top).Run();
    top->SubOrAdd(CurrentUserName);
    top->SubOrAdd(LocalMachineName);
}

std::string TRegistry::ToText() const {
    std::string out = "REGEDIT4\r\n\r\n";
    // Pre-order walk with an explicit stack; path holds the names down to the key being
    // written, each entry remembering how much of it belongs to its parent.
    std::vector<std::pair<const TRegKey *, size_t>> stack;
    for (auto it = top->SubKeys.Items().rbegin(); it != top->SubKeys.Items().rend(); ++it)
        stack.emplace_back(&*it, 0);
    std::string keyPath;
    while (!stack.empty()) {
        auto [key, parentLength] = stack.back();
        stack.pop_back();
        keyPath.resize(parentLength);
        if (parentLength > 0)
            keyPath.push_back('\\');
        keyPath.append(key->Name);
        const auto &values = key->Values.Items();
        const auto &subKeys = key->SubKeys.Items();
        // A key without values that has subkeys is implied by their sections, so the text
        // stays linear in the size of the registry however deep it is.
        bool isHive = key->Parent == top.get();
        if (!values.empty() || (subKeys.empty() && !isHive)) {
            out.push_back('[');
            out.append(keyPath);
            out.append("]\r\n");
            for (const TRegValue &v : values)
                if (v.Name.empty())
                    AppendValue(out, v);
            for (const TRegValue &v : values)
                if (!v.Name.empty())
                    AppendValue(out, v);
            out.append("\r\n");
        }
        for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it)
            stack.emplace_back(&*it, keyPath.size());
    }
    return out;
}

bool TRegistry::Save(std::string *error) {
    if (path.empty()) {
        modified = false;
        return true;
    }
    if (unreadable) {
        if (error)
            *error = "the existing file could not be read";
        return false;
    }
    std::string text = ToText();
    if (text.size() > MaxFileSize) {
        if (error)
            *error = "the file would be too large to read again";
        return false;
    }
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        if (!fs::FolderExists(path.substr(0, slash)))
            fs::CreateFolder(path.substr(0, slash));
    if (!fs::WriteFileAtomic(path, text, error))
        return false;
    modified = false;
    ++saveCount;
    return true;
}

void TRegistry::SaveOrThrow() {
    std::string reason;
    if (!Save(&reason))
        throw TError("レジストリー情報を保存できません。\r\n" + path + "\r\n" + reason);
}

TRegKey *TRegistry::HiveRoot(THive which) const {
    return top->Sub(which == THive::CurrentUser ? CurrentUserName : LocalMachineName);
}

TRegKey *TRegistry::Current() const {
    return open ? open : HiveRoot(hive);
}

TRegKey *TRegistry::Find(const std::string &key) const {
    TRegKey *at = (!key.empty() && key[0] == '\\') ? HiveRoot(hive) : Current();
    for (std::string_view part : SplitPath(key)) {
        at = at->Sub(part);
        if (!at)
            return nullptr;
    }
    return at;
}

void TRegistry::SetRootKey(THive which) {
    if (which == hive)
        return;
    CloseKey();
    hive = which;
}

bool TRegistry::KeyExists(const std::string &key) const {
    return Find(key) != nullptr;
}

bool TRegistry::OpenKey(const std::string &key, bool canCreate) {
    TRegKey *at = (!key.empty() && key[0] == '\\') ? HiveRoot(hive) : Current();
    std::vector<std::string_view> parts = SplitPath(key);
    size_t found = 0;
    while (found < parts.size()) {
        TRegKey *next = at->Sub(parts[found]);
        if (!next)
            break;
        at = next;
        ++found;
    }
    if (found < parts.size()) {
        if (!canCreate)
            return false;
        for (size_t i = found; i < parts.size(); ++i)
            if (HasLineBreak(parts[i]))
                return false;
    }
    CloseKey();
    for (size_t i = found; i < parts.size(); ++i) {
        at = &at->AddSub(parts[i]);
        modified = changed = true;
    }
    open = at;
    return true;
}

void TRegistry::CloseKey() {
    open = nullptr;
    // Only closing a key that was changed saves; after a failed save the changes stay
    // pending until the next changed key is closed, and closing unchanged keys goes on.
    if (changed) {
        changed = false;
        if (modified)
            SaveOrThrow();
    }
}

std::string TRegistry::CurrentPath() const {
    std::vector<const TRegKey *> chain;
    for (const TRegKey *k = open; k && k->Parent && k->Parent != top.get(); k = k->Parent)
        chain.push_back(k);
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!out.empty())
            out.push_back('\\');
        out.append((*it)->Name);
    }
    return out;
}

std::optional<TRegData> TRegistry::ReadData(const std::string &name) const {
    const TRegValue *value = Current()->Values.Find(name);
    if (!value)
        return std::nullopt;
    return value->Data;
}

namespace {
[[noreturn]] void ReadFailure(const std::string &name) {
    throw TError("レジストリーの値「" + name + "」を読めません。");
}
} // namespace

int32_t TRegistry::ReadInteger(const std::string &name) const {
    std::optional<TRegData> d = ReadData(name);
    if (!d || d->Type != RegDword || d->Bytes.size() != 4)
        ReadFailure(name);
    return static_cast<int32_t>(FromLittleEndian32(d->Bytes));
}

bool TRegistry::ReadBool(const std::string &name) const {
    return ReadInteger(name) != 0;
}

std::string TRegistry::ReadString(const std::string &name) const {
    std::optional<TRegData> d = ReadData(name);
    if (!d)
        return {};
    if (d->Type == RegSz)
        return d->Bytes;
    if (d->Type == RegExpandSz) {
        // Kept as read from hex(2): with its terminating NUL.
        std::string text = d->Bytes;
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        return text;
    }
    ReadFailure(name);
}

double TRegistry::ReadFloat(const std::string &name) const {
    std::optional<TRegData> d = ReadData(name);
    if (!d || d->Type != RegBinary || d->Bytes.size() != sizeof(double))
        ReadFailure(name);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(d->Bytes[static_cast<size_t>(i)]);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void TRegistry::WriteData(const std::string &name, const TRegData &data) {
    if (HasLineBreak(name))
        throw TError("レジストリーの値「" + name + "」を書き込めません。");
    TRegKey *key = Current();
    if (TRegValue *value = key->Values.Find(name)) {
        if (value->Data.Type == data.Type && value->Data.Bytes == data.Bytes)
            return;
        value->Data = data;
    } else {
        key->Values.Append({name, data});
    }
    modified = changed = true;
}

void TRegistry::WriteInteger(const std::string &name, int32_t value) {
    WriteData(name, {RegDword, LittleEndian32(static_cast<uint32_t>(value))});
}

void TRegistry::WriteBool(const std::string &name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const std::string &name, const std::string &value) {
    WriteData(name, {RegSz, value});
}

void TRegistry::WriteFloat(const std::string &name, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes(8, '\0');
    for (size_t i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    WriteData(name, {RegBinary, bytes});
}

bool TRegistry::ValueExists(const std::string &name) const {
    return Current()->Values.Find(name) != nullptr;
}

bool TRegistry::DeleteValue(const std::string &name) {
    if (!Current()->Values.Erase(name))
        return false;
    modified = changed = true;
    return true;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    for (const TRegValue &v : Current()->Values.Items())
        names.push_back(v.Name);
    return names;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    for (const TRegKey &k : Current()->SubKeys.Items())
        names.push_back(k.Name);
    return names;
}

bool TRegistry::HasSubKeys() const {
    return !Current()->SubKeys.Items().empty();
}

bool TRegistry::DeleteKey(const std::string &key) {
    TRegKey *doomed = Find(key);
    if (!doomed || doomed == top.get() || doomed->Parent == top.get())
        return false;
    for (const TRegKey *k = open; k; k = k->Parent)
        if (k == doomed) {
            open = nullptr;
            break;
        }
    std::string name = doomed->Name;
    doomed->Parent->SubKeys.Erase(name);
    modified = true;
    SaveOrThrow();
    return true;
}
