#include "html/token.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/seam.h"

using namespace std::string_view_literals;

const std::string_view TagWords =
    "<A\0<APPLET\0<AREA\0<BASE\0<BGSOUND\0<BODY\0<EMBED\0<FRAME\0<IFRAME\0<IMG\0<INPUT\0<LI\0"
    "<SCRIPT\0<TABLE\0<TD\0<TH\0<TR\0\0"sv;
const std::string_view AttrWords = "SRC\0HREF\0BACKGROUND\0CODE\0>\0\0"sv;

void TTurns::Turn(const char *cursor) {
    left = EventTurnBytes;
    if (OnTurn)
        OnTurn(Begin && cursor ? static_cast<size_t>(cursor - Begin) : 0);
    seam::ProcessEvents();
}

bool IsWordDelimiter(char byte) {
    switch (byte) {
    case ' ':
    case '=':
    case '>':
    case '\r':
    case '\n':
    case '\t':
    case '\0':
        return true;
    default:
        return false;
    }
}

TFindChar *FindNode(const TFindChar &node, char byte, bool matching) {
    for (auto it = node.Children.rbegin(); it != node.Children.rend(); ++it) {
        TFindChar *child = it->get();
        if (child->Letter == 0) {
            if (matching ? IsWordDelimiter(byte) : byte == 0)
                return child;
        } else if (child->Letter == byte) {
            return child;
        }
    }
    return nullptr;
}

TFindWord::TFindWord(std::string_view wordList) {
    size_t start = 0;
    for (size_t i = 0; i < wordList.size(); ++i) {
        if (wordList[i] == '\0') {
            AddWord(wordList.substr(start, i - start));
            start = i + 1;
        }
    }
    Rebuild();
}

void TFindWord::AddWord(std::string_view word) {
    if (word.empty() || word.find('\0') != std::string_view::npos)
        return;
    TFindChar *node = &root;
    for (size_t i = 0; i <= word.size(); ++i) {
        char byte = i < word.size() ? word[i] : '\0';
        TFindChar *child = FindNode(*node, byte, false);
        if (!child) {
            node->Children.push_back(std::make_unique<TFindChar>(byte));
            child = node->Children.back().get();
            child->Id = nodeCount++;
        }
        node = child;
    }
    Rebuild();
}

// The per-node tables answer exactly what FindNode in matching mode answers for the folded
// byte; they only spare the backward search of the children at every byte.
void TFindWord::Rebuild() {
    next.assign(static_cast<size_t>(nodeCount), {});
    words.assign(static_cast<size_t>(nodeCount), {});
    struct Frame {
        const TFindChar *node;
        std::string path;
    };
    std::vector<Frame> stack{{&root, {}}};
    while (!stack.empty()) {
        Frame frame = std::move(stack.back());
        stack.pop_back();
        auto &table = next[static_cast<size_t>(frame.node->Id)];
        for (int b = 0; b < 256; ++b) {
            char folded = UpperAscii(static_cast<char>(b));
            const TFindChar *child = FindNode(*frame.node, folded, true);
            table[static_cast<size_t>(b)] =
                !child ? -1 : (child->Letter == 0 ? (EndBit | child->Id) : child->Id);
        }
        for (const auto &child : frame.node->Children) {
            if (child->Letter == 0)
                words[static_cast<size_t>(child->Id)] = frame.path;
            else
                stack.push_back({child.get(), frame.path + child->Letter});
        }
    }
}

const std::string *TFindWord::Match(const char *&cursor, size_t &remaining, TTurns *turns) const {
    if (!cursor) {
        remaining = 0;
        return nullptr;
    }
    const auto *p = reinterpret_cast<const unsigned char *>(cursor);
    const auto *table = next.data();
    int32_t state = 0;
    while (remaining > 0) {
        size_t chunk = turns ? std::min(remaining, turns->Left()) : remaining;
        const unsigned char *stop = p + chunk;
        const unsigned char *start = p;
        for (; p < stop; ++p) {
            int32_t child = table[static_cast<size_t>(state)][*p];
            if (child < 0) {
                state = 0;
            } else if (child & EndBit) {
                size_t used = static_cast<size_t>(p - start);
                remaining -= used;
                cursor = reinterpret_cast<const char *>(p);
                if (turns && used)
                    turns->Consumed(used, cursor);
                return &words[static_cast<size_t>(child & ~EndBit)];
            } else {
                state = child;
            }
        }
        remaining -= chunk;
        if (turns)
            turns->Consumed(chunk, reinterpret_cast<const char *>(p));
    }
    cursor = nullptr;
    return nullptr;
}

void TFindWord::Scan(const char *&cursor, size_t &remaining, TTurns *turns) {
    Word.clear();
    if (const std::string *word = Match(cursor, remaining, turns))
        Word = *word;
}

bool IsBaseWord(std::string_view word) {
    return SameAscii(word, "<BASE");
}
bool IsAppletWord(std::string_view word) {
    return SameAscii(word, "<APPLET");
}
bool IsTagEndWord(std::string_view word) {
    return word == ">";
}

bool TFindWord::IsBase() const {
    return IsBaseWord(Word);
}
bool TFindWord::IsApplet() const {
    return IsAppletWord(Word);
}
bool TFindWord::IsTagEnd() const {
    return IsTagEndWord(Word);
}

const TFindWord &TagFinder() {
    static const TFindWord finder(TagWords);
    return finder;
}

const TFindWord &AttrFinder() {
    static const TFindWord finder(AttrWords);
    return finder;
}

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '=' || c == '\r' || c == '\n' || c == '\t';
}

void Consume(const char *&cursor, size_t &remaining, size_t count, TTurns *turns) {
    cursor += count;
    remaining -= count;
    if (turns)
        turns->Consumed(count, cursor);
}

std::string_view Trim(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && static_cast<unsigned char>(text[first]) <= 0x20)
        ++first;
    size_t last = text.size();
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20)
        --last;
    return text.substr(first, last - first);
}
} // namespace

void SkipBlanks(const char *&cursor, size_t &remaining, TTurns *turns) {
    if (!cursor)
        return;
    size_t n = 0;
    while (n < remaining && IsBlank(cursor[n]))
        ++n;
    bool ended = n == remaining;
    Consume(cursor, remaining, n, turns);
    if (ended)
        cursor = nullptr;
}

void SkipToTagEnd(const char *&cursor, size_t &remaining, TTurns *turns) {
    if (!cursor)
        return;
    std::string_view rest(cursor, remaining);
    size_t at = rest.find('>');
    if (at == std::string_view::npos) {
        Consume(cursor, remaining, remaining, turns);
        cursor = nullptr;
        return;
    }
    Consume(cursor, remaining, at + 1, turns);
}

std::string_view ReadValueView(const char *&cursor, size_t &remaining, TTurns *turns) {
    if (!cursor || remaining == 0)
        return {};
    char close = ' ';
    if (*cursor == '"' || *cursor == '\'') {
        close = *cursor;
        Consume(cursor, remaining, 1, turns);
    }
    std::string_view rest(cursor, remaining);
    size_t at = close == ' ' ? rest.find_first_of(" >") : rest.find(close);
    if (at == std::string_view::npos) {
        Consume(cursor, remaining, remaining, turns);
        return {};
    }
    std::string_view value = Trim(rest.substr(0, at));
    Consume(cursor, remaining, rest[at] == '>' ? at : at + 1, turns);
    return value;
}

std::string ReadValue(const char *&cursor, size_t &remaining, TTurns *turns) {
    return std::string(ReadValueView(cursor, remaining, turns));
}

TLinkWalk::TLinkWalk(std::string_view data, const TFindWord &tags, const TFindWord &attributes)
    : data(data), tags(tags), attributes(attributes), cursor(data.empty() ? nullptr : data.data()),
      remaining(data.size()), turns(data.data()) {}

size_t TLinkWalk::Offset() const {
    return cursor ? static_cast<size_t>(cursor - data.data()) : data.size();
}

bool TLinkWalk::Next(TLinkValue &value) {
    while (cursor) {
        // Tag.
        const std::string *tag = tags.Match(cursor, remaining, &turns);
        if (!tag)
            break;
        value.Tag = *tag;
        value.TagStart = static_cast<size_t>(cursor - data.data()) - tag->size();
        value.Base = IsBaseWord(*tag);
        value.Applet = IsAppletWord(*tag);
        // Attribute.
        const std::string *attribute = attributes.Match(cursor, remaining, &turns);
        if (!attribute)
            break;
        if (IsTagEndWord(*attribute))
            continue;
        value.Attribute = *attribute;
        // Before the value.
        SkipBlanks(cursor, remaining, &turns);
        if (!cursor)
            break;
        if (*cursor == '>')
            continue;
        // The value.
        size_t start = static_cast<size_t>(cursor - data.data());
        std::string_view text = ReadValueView(cursor, remaining, &turns);
        if (text.empty() || text.front() == '#')
            continue;
        value.Value = text;
        value.Start = start;
        value.End = static_cast<size_t>(cursor - data.data());
        return true;
    }
    cursor = nullptr;
    remaining = 0;
    return false;
}

bool TLinkWalk::SkipToTagEnd() {
    ::SkipToTagEnd(cursor, remaining, &turns);
    if (!cursor)
        remaining = 0;
    return cursor != nullptr;
}
