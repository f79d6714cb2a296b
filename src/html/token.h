#pragma once
// The byte-level HTML tag scanner and the link walk.
//
// Links are found without parsing HTML: two letter trees recognise a fixed set of tag names
// and link attribute names in the raw bytes (Shift-JIS as stored, never decoded), and a
// four-state walk yields the value of the first link attribute after each tag. The link list
// and the converting copy both drive the same walk (TLinkWalk below).
//
// Every function here treats the bytes as hostile: NUL bytes, a file that ends inside a tag
// or inside a quoted value, any line ending, any letter case. Each byte is consumed at most
// once, so a walk over n bytes ends after at most n steps.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The event loop gets one turn per this many bytes consumed (not one per byte), so a scan is
// never slowed by the desktop while progress and Cancel stay live.
inline constexpr size_t EventTurnBytes = 4096;

// Counts the bytes one walk consumes and gives the event loop a turn (seam::ProcessEvents)
// once every EventTurnBytes. OnTurn, when set, is called just before each turn with the
// number of bytes consumed since Begin (callers step their progress bar there, or throw
// TAbort to cancel: the scan functions leave no state behind that an exception could spoil).
class TTurns {
public:
    TTurns() = default;
    explicit TTurns(const char *begin) : Begin(begin) {}
    const char *Begin = nullptr;
    std::function<void(size_t consumed)> OnTurn;

    // Called by the scan functions with the cursor after `count` more bytes were consumed.
    void Consumed(size_t count, const char *cursor) {
        if (count < left) {
            left -= count;
            return;
        }
        size_t over = count - left;
        Turn(cursor);
        left -= over < left ? over : left - 1;
    }
    // Bytes that may still be consumed before the next turn is due.
    size_t Left() const { return left; }

private:
    void Turn(const char *cursor);
    size_t left = EventTurnBytes;
};

// One node of a letter tree. Letter 0 marks an end-of-word node, which has no children.
class TFindChar {
public:
    explicit TFindChar(char letter) : Letter(letter) {}
    char Letter;
    std::vector<std::unique_ptr<TFindChar>> Children; // in the order they were added
    int Id = 0;                                       // index of the node in its tree
};

// The child of node that matches byte, looking from the most recently added child back to
// the first; nullptr when none does. Matching (scanning): an end-of-word child matches the
// seven delimiters space, "=", ">", CR, LF, TAB and NUL, any other child matches its Letter.
// Building (matching false): a child matches only its Letter exactly (end-of-word only 0).
TFindChar *FindNode(const TFindChar &node, char byte, bool matching);

// The delimiters that end a recognised word.
bool IsWordDelimiter(char byte);

// A letter tree over a word list, and the word that the last Scan recognised.
class TFindWord {
public:
    // wordList: each word followed by one NUL byte, one further NUL at the very end (pass
    // the whole string_view, NULs included). Empty words add nothing.
    explicit TFindWord(std::string_view wordList);
    TFindWord(const TFindWord &) = delete;
    TFindWord &operator=(const TFindWord &) = delete;

    // The word recognised by the last Scan (letters a-z folded to A-Z); empty when the scan
    // found nothing.
    std::string Word;

    // Adds one word (ignored when empty or when it holds a NUL byte).
    void AddWord(std::string_view word);

    // Scans forward from cursor over remaining bytes. On return either Word holds the
    // recognised word and cursor points at the delimiter that ended it (not consumed), or
    // cursor is null: the end was reached and Word is meaningless. A byte that breaks a
    // partial match is not tried again as the start of a new word.
    void Scan(const char *&cursor, size_t &remaining, TTurns *turns = nullptr);

    // The same scan without touching Word: returns the recognised word (upper case; valid
    // as long as this tree) or nullptr with cursor null at the end. Walks that may run
    // interleaved (a link check opened while a copy gives the event loop a turn) share one
    // tree through this const form.
    const std::string *Match(const char *&cursor, size_t &remaining, TTurns *turns = nullptr) const;

    // Word equals "<BASE", "<APPLET" or ">" (ASCII case ignored).
    bool IsBase() const;
    bool IsApplet() const;
    bool IsTagEnd() const;

    const TFindChar &Root() const { return root; }

private:
    void Rebuild();
    TFindChar root{0};
    int nodeCount = 1;
    // For every node, the matching child of every input byte (case folded in): a node id,
    // -1 for none, or EndBit | the id of an end-of-word child.
    std::vector<std::array<int32_t, 256>> next;
    std::vector<std::string> words; // per node id: the word ending there (end-of-word nodes)
};

inline constexpr int32_t EndBit = 0x40000000;

// The word lists, in this order.
extern const std::string_view TagWords;  // "<A" "<APPLET" … "<TR" (17 tags)
extern const std::string_view AttrWords; // "SRC" "HREF" "BACKGROUND" "CODE" ">"

// The two scanners of the program, built once on first use and never changed.
const TFindWord &TagFinder();
const TFindWord &AttrFinder();

bool IsBaseWord(std::string_view word);   // "<BASE"
bool IsAppletWord(std::string_view word); // "<APPLET"
bool IsTagEndWord(std::string_view word); // ">"

// Cursor functions over the same cursor/remaining pair; each byte consumed decreases
// remaining.
// Advances over space, "=", CR, LF and TAB; cursor null when the data ends first.
void SkipBlanks(const char *&cursor, size_t &remaining, TTurns *turns = nullptr);
// Advances to just after the next ">"; cursor null when there is none.
void SkipToTagEnd(const char *&cursor, size_t &remaining, TTurns *turns = nullptr);
// Reads one attribute value at cursor (cursor must not be null and remaining at least 1).
// A value opened by a double or single quote runs to the same quote (which is consumed) and
// may hold blanks and ">"; an unquoted value ends at a space (consumed) or before a ">" (not
// consumed). The result has leading and trailing bytes 0x00-0x20 removed. A value whose
// closing mark never comes yields the empty string and leaves cursor at the end of the data
// (remaining 0, cursor not null).
std::string ReadValue(const char *&cursor, size_t &remaining, TTurns *turns = nullptr);
// The same, as a view into the scanned bytes.
std::string_view ReadValueView(const char *&cursor, size_t &remaining, TTurns *turns = nullptr);

// One usable value that the link walk found. Offsets count from the start of the walked
// bytes; the views point into them.
struct TLinkValue {
    std::string_view Value;     // trimmed; never empty, never begins with "#"
    size_t Start = 0;           // the value's first byte as read (its opening quote, if any)
    size_t End = 0;             // just past the value as read (past a closing quote or the
                                // blank that ended it; at the ">" that ended it)
    size_t TagStart = 0;        // the "<" of the last recognised tag
    std::string_view Tag;       // that tag's name as recognised ("<IMG")
    std::string_view Attribute; // the attribute name ("SRC")
    bool Base = false;          // the tag is "<BASE": the value is a new base address
    bool Applet = false;        // the tag is "<APPLET"
};

// The four-state link walk over one file held in memory:
//   tag:       scan for a tag name; note whether it is "<BASE" / "<APPLET";
//   attribute: scan for an attribute name or ">" (a ">" goes back to tag);
//   before:    skip blanks and "="; a ">" goes back to tag;
//   value:     read the value; a usable one (not empty, not beginning with "#") is handed
//              to the caller; back to tag in every case.
// Only the first link attribute after a tag counts. A tag end counts only when a delimiter
// follows the ">", so after "<TD>" the attribute scan runs on through following text and
// tags until an attribute name appears. The walk ends when the data does, or when a value's
// closing quote never comes.
//
// The link list reads the values; the converting copy copies the bytes between values
// unchanged (everything before Start, from End on) and writes its own value instead, and
// after a "<BASE" value calls SkipToTagEnd to leave the rest of that tag out. The data must
// outlive the walk.
class TLinkWalk {
public:
    explicit TLinkWalk(std::string_view data, const TFindWord &tags = TagFinder(),
                       const TFindWord &attributes = AttrFinder());

    // Called just before each event-loop turn (at most once per EventTurnBytes) with the
    // bytes consumed so far.
    std::function<void(size_t consumed)> &OnTurn() { return turns.OnTurn; }

    // Runs the walk to the next usable value; false when the walk has ended.
    bool Next(TLinkValue &value);
    // Moves on to just after the next ">" and continues with the tag state; false (and the
    // walk has ended) when no ">" follows.
    bool SkipToTagEnd();

    // Bytes consumed so far (the data's size once the walk has ended).
    size_t Offset() const;
    bool Ended() const { return cursor == nullptr; }

private:
    std::string_view data;
    const TFindWord &tags;
    const TFindWord &attributes;
    const char *cursor;
    size_t remaining;
    TTurns turns;
};
