#pragma once
// The orders of the tree views and of the item lists, and the column-click rule.
//
// Every comparison answers negative when the first item goes before the second, 0 when the
// order does not separate them, and positive otherwise. Texts are compared byte by byte as
// unsigned bytes (as strcmp does): case-sensitive, with no locale, so names in any encoding
// get the same stable order.
#include <array>
#include <optional>
#include <string_view>

class TTree;

// One side of a comparison: the item behind a row or node, and the caption the view shows
// for it (the Name in the explorer and folder windows, the address in the file list).
struct TSortKey {
    const TTree &Item;
    std::string_view Caption;
};

// The tree order of the clipboard-contents window: two files or two folders by caption;
// otherwise folders before files. No direction.
int CompareTreeNodes(const TSortKey &a, const TSortKey &b);

// The list orders, one per column. In each, two files compare by the column's value, two
// folders (cabinets and directories) by caption (column 0) or Name (other columns), and a
// file against a folder puts the folder first. The result is multiplied by direction
// (+1 or -1), so a descending sort puts the folders after all files.
enum : int {
    ColumnCaption = 0,  // both files: captions
    ColumnType = 1,     // both files: extensions of the Names
    ColumnSize = 2,     // both files: Size
    ColumnAccessed = 3, // both files: Accessed (a time that is not a number goes first)
    ColumnModified = 4, // both files: Modified (likewise)
    ColumnCount = 5,
};

int CompareByCaption(const TSortKey &a, const TSortKey &b, int direction);
int CompareByType(const TSortKey &a, const TSortKey &b, int direction);
int CompareBySize(const TSortKey &a, const TSortKey &b, int direction);
int CompareByAccessed(const TSortKey &a, const TSortKey &b, int direction);
int CompareByModified(const TSortKey &a, const TSortKey &b, int direction);

// The order of a column; 0 for every pair when the column has no order (column >= 5).
int CompareListRows(int column, const TSortKey &a, const TSortKey &b, int direction);

// What a column click sorts with.
struct TSortChoice {
    int Column = ColumnCaption;
    int Direction = 1;
    bool operator==(const TSortChoice &) const = default;
};

// One direction per list column, all starting ascending. A click sorts by the clicked
// column with its current direction and then reverses that direction, independently per
// column.
class TColumnSort {
public:
    // The column and direction to sort with now, reversing the column's direction for the
    // next click; nothing (and no change) for a column outside 0..4.
    std::optional<TSortChoice> Click(int column);
    // The column's direction without changing it (a refilled list sorts by column 0 so);
    // +1 for a column outside 0..4.
    int Current(int column) const;

private:
    std::array<int, ColumnCount> directions{1, 1, 1, 1, 1};
};
