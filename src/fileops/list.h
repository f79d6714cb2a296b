#pragma once
// The rules of the file list window: which files below a cabinet or folder it lists and
// under which address, the filters by access time, the marks of recently used files, the
// texts it shows, the order of its rows and how its rows follow changes of the tree.
//
// Rows hold TItemRefs and are resolved before use; a row whose file was destroyed answers
// nullptr and is dropped by the next follow. Every walk over the tree is iterative.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "items/tree.h"

class TFile;
class TFileDb;

// The filters, as the setting ListMode stores them.
enum : int32_t {
    ListAll = 0,  // every file
    ListWeek = 1, // accessed later than Today minus 7 days
    ListDay = 2,  // accessed later than Today 00:00
    ListNew = 3,  // accessed later than the previous start, when that is known
    ListModeCount = 4,
};

// What the filters and marks are measured against; taken once when a list window is made.
struct TListTimes {
    double Today = 0;         // the date at 00:00
    double PreviousStart = 0; // the program's previous start; 0 or less: unknown
    double PreviousEnd = 0;   // the program's previous end; 0: unknown
};

// The date of a date-time at 00:00.
double DateOnly(double dateTime);
// The times of a list made at now, with the previous start and end as the settings hold them.
TListTimes MakeListTimes(double now, double previousStart, double previousEnd);
// A stored mode outside 0..3 (a damaged registry value) counts as ListAll.
int32_t ValidListMode(int32_t mode);
// Whether the filter shows a file with this access time. An access time that is not a number
// passes only ListAll.
bool ListShows(int32_t mode, double accessed, const TListTimes &times);
// The state image of a row: StateAccessedSinceEnd when the file was accessed after the
// previous start and after the previous end, StateAccessedLastRun when after the previous
// start only, else StateNone (always StateNone while the previous start is unknown).
int ListMark(double accessed, const TListTimes &times);

// "サイズ": whole kilobytes rounded up, then "KB" (0 bytes "0KB", 1 byte "1KB"). Sizes from
// damaged data below 0 give "0KB".
std::string ListSizeText(int64_t size);
// The field after "前回起動": " yy/mm/dd hh:nn", or blanks of the same width while the previous
// start is unknown.
std::string PreviousStartText(double previousStart);
// The status text of a selection, without the panel's leading blank:
// "3 個のオブジェクトを選択 (全オブジェクト数 ： 10 個)".
std::string SelectionText(size_t selected, int64_t total);

// Number of file items below root, counted through folders only.
int64_t CountListFiles(const TTree &root);

// One row of the list: a file and its address relative to the listed folder.
struct TListRow {
    TItemRef Ref;
    std::string Caption;
    bool Cut = false; // drawn as cut (the rows of the window's last cut)
    // Filled on first display (Describe): the type name and Small image of the local file.
    bool Described = false;
    int Image = 0;
    std::string TypeName;
};

// Visits every file below from (from itself when it is a file) in child order, depth first,
// with its address relative to root, as GetFileURLFrom gives it. from must be root or lie
// within it. Cost: the length of the addresses, not their depth times the number of files.
void ForEachListFile(const TTree &root, const TTree &from,
                     const std::function<void(const TFile &, const std::string &)> &visit);

// The fill: rows for every file below root that the filter shows, in walk order. step is
// called once per file met, shown or not; expected (the count, when known) saves regrowing.
std::vector<TListRow> CollectListRows(const TTree &root, int32_t mode, const TListTimes &times,
                                      const std::function<void()> &step = {}, size_t expected = 0);

// Sorts rows with the list order of a column (CompareListRows, the row captions as captions)
// and direction. The sort is stable: rows the order does not separate keep their places.
// Rows of destroyed items go last. Answers, for each old row, its new place; empty when
// nothing moved. A column outside 0..4 leaves the rows alone.
std::vector<size_t> SortListRows(std::vector<TListRow> &rows, int column, int direction);

// Loads the type name and image of a row's local file, once.
void Describe(TListRow &row, TFileDb &database);

// How the rows follow a change of the tree (the item-changed notification).
struct TListFollow {
    // Old rows to drop, ascending: their items are gone or no longer lie below the listed
    // folder (all of them when the listed folder itself is gone).
    std::vector<size_t> Gone;
    // Rows whose address changed (a folder on the way was renamed): old row and new address.
    std::vector<std::pair<size_t, std::string>> Captions;
    // Rows for files below the changed item (or below the listed folder, when the changed
    // item contains it) that the list lacks and the filter shows, to append in this order:
    // the walk in reverse child order.
    std::vector<TListRow> Added;
};

// What following a change does to rows; root nullptr means the listed folder is gone, changed
// nullptr that the changed item is gone. Changes outside the listed folder add nothing.
TListFollow PlanFollow(const std::vector<TListRow> &rows, const TTree *root, const TTree *changed,
                       int32_t mode, const TListTimes &times);

// Applies a plan to rows (the window applies it step by step to tell its views).
void ApplyFollow(std::vector<TListRow> &rows, TListFollow plan);

// Removes the rows at the ascending positions gone in one pass.
void RemoveListRows(std::vector<TListRow> &rows, const std::vector<size_t> &gone);
