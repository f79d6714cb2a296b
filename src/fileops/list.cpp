#include "fileops/list.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_set>

#include "items/cab.h"
#include "items/file.h"
#include "items/fileDB.h"
#include "items/sort.h"
#include "items/texts.h"

double DateOnly(double dateTime) {
    return std::floor(dateTime);
}

TListTimes MakeListTimes(double now, double previousStart, double previousEnd) {
    return {DateOnly(now), previousStart, previousEnd};
}

int32_t ValidListMode(int32_t mode) {
    return mode >= ListAll && mode < ListModeCount ? mode : ListAll;
}

bool ListShows(int32_t mode, double accessed, const TListTimes &times) {
    switch (ValidListMode(mode)) {
    case ListWeek:
        return accessed > times.Today - 7;
    case ListDay:
        return accessed > times.Today;
    case ListNew:
        return times.PreviousStart > 0 && accessed > times.PreviousStart;
    default:
        return true;
    }
}

int ListMark(double accessed, const TListTimes &times) {
    if (!(times.PreviousStart > 0) || !(accessed > times.PreviousStart))
        return StateNone;
    return accessed > times.PreviousEnd ? StateAccessedSinceEnd : StateAccessedLastRun;
}

std::string ListSizeText(int64_t size) {
    std::string text = std::to_string(size > 0 ? (size + 1023) / 1024 : 0);
    text += "KB";
    return text;
}

std::string PreviousStartText(double previousStart) {
    // An unknown start would otherwise read as the first day of the calendar, 99/12/30.
    std::string text(1, ' ');
    text += DateText(true, previousStart > 0 ? previousStart : 0);
    return text;
}

std::string SelectionText(size_t selected, int64_t total) {
    std::string text = std::to_string(selected);
    text += " 個のオブジェクトを選択 (全オブジェクト数 ： ";
    text += std::to_string(total);
    text += " 個)";
    return text;
}

int64_t CountListFiles(const TTree &root) {
    int64_t count = 0;
    ForEachDescendant(root, [&count](const TTree &item) { count += item.IsFile(); });
    return count;
}

namespace {
// The last part of a file's address: its LocalName in a plain log, nothing for a root page,
// else its Name.
std::string_view AddressName(const TFile &file, bool plain) {
    if (plain)
        return file.LocalName();
    return file.RootPage ? std::string_view() : std::string_view(file.Name());
}

// The walk of ForEachListFile, handing each file's address as the folders' part and the
// file's own part, so that callers build an address only when they need one.
template <class Visit> void WalkListFiles(const TTree &root, const TTree &from, Visit &&visit) {
    const bool plain = root.GetKind() == KindPlainLog;
    if (from.IsFile()) {
        const TTree *parent = from.Parent();
        std::string prefix = !parent || parent == &root ? std::string() : parent->GetURLFrom(&root);
        const auto &file = static_cast<const TFile &>(from);
        visit(file, std::string_view(prefix), AddressName(file, plain));
        return;
    }
    std::string prefix = &from == &root ? std::string() : from.GetURLFrom(&root);
    // ends[d] is where the folders' part down to depth d ends in prefix.
    std::vector<size_t> ends{prefix.size()};
    ForEachDescendant(from, [&](const TTree &item, size_t depth) {
        ends.resize(depth);
        prefix.resize(ends.back());
        if (item.IsFile()) {
            const auto &file = static_cast<const TFile &>(item);
            visit(file, std::string_view(prefix), AddressName(file, plain));
            return;
        }
        prefix += plain ? item.LocalName() : item.Name();
        prefix += '/';
        ends.push_back(prefix.size());
    });
}

// Whether caption is the file's address relative to root, read backwards up the folders
// without building the address.
bool AddressIs(const TFile &file, const TTree &root, std::string_view caption) {
    const bool plain = root.GetKind() == KindPlainLog;
    std::string_view name = AddressName(file, plain);
    if (caption.size() < name.size() || caption.substr(caption.size() - name.size()) != name)
        return false;
    size_t end = caption.size() - name.size();
    for (const TTree *folder = file.Parent(); folder && folder != &root;
         folder = folder->Parent()) {
        const std::string &part = plain ? folder->LocalName() : folder->Name();
        if (end < part.size() + 1 || caption[end - 1] != '/' ||
            caption.substr(end - 1 - part.size(), part.size()) != part)
            return false;
        end -= part.size() + 1;
    }
    return end == 0;
}

void MakeRow(std::vector<TListRow> &rows, const TFile &file, std::string_view prefix,
             std::string_view name) {
    TListRow &row = rows.emplace_back();
    row.Ref = TItemRef(&file);
    row.Caption.reserve(prefix.size() + name.size());
    row.Caption.append(prefix);
    row.Caption.append(name);
}

// A time that is not a number goes first (the order of items/sort.h).
int CompareTimes(double a, double b) {
    const bool aNan = std::isnan(a), bNan = std::isnan(b);
    if (aNan || bNan)
        return static_cast<int>(bNan) - static_cast<int>(aNan);
    return (a > b) - (a < b);
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}
} // namespace

void ForEachListFile(const TTree &root, const TTree &from,
                     const std::function<void(const TFile &, const std::string &)> &visit) {
    std::string caption;
    WalkListFiles(root, from,
                  [&](const TFile &file, std::string_view prefix, std::string_view name) {
                      caption.assign(prefix);
                      caption.append(name);
                      visit(file, caption);
                  });
}

std::vector<TListRow> CollectListRows(const TTree &root, int32_t mode, const TListTimes &times,
                                      const std::function<void()> &step, size_t expected) {
    std::vector<TListRow> rows;
    rows.reserve(expected);
    WalkListFiles(root, root,
                  [&](const TFile &file, std::string_view prefix, std::string_view name) {
                      if (step)
                          step();
                      if (ListShows(mode, file.Accessed, times))
                          MakeRow(rows, file, prefix, name);
                  });
    if (rows.capacity() > 2 * rows.size() + 64)
        rows.shrink_to_fit();
    return rows;
}

std::vector<size_t> SortListRows(std::vector<TListRow> &rows, int column, int direction) {
    if (column < 0 || column >= ColumnCount)
        return {};
    // Each row's item and sort value are taken once; comparing them is then the column's
    // list order for two files (rows only ever hold files).
    struct TKey {
        const TTree *Item;
        size_t Row;
        std::string Text; // the extension, for the type column
        double Number = 0;
    };
    std::vector<TKey> order(rows.size());
    bool allFiles = true;
    for (size_t i = 0; i < rows.size(); ++i) {
        TKey &key = order[i];
        key.Item = rows[i].Ref.Get();
        key.Row = i;
        if (!key.Item)
            continue;
        if (!key.Item->IsFile()) {
            allFiles = false;
            continue;
        }
        const auto &file = static_cast<const TFile &>(*key.Item);
        if (column == ColumnType)
            key.Text = FileExtension(file.Name());
        else if (column == ColumnSize)
            key.Number = file.Size;
        else if (column == ColumnAccessed)
            key.Number = file.Accessed;
        else if (column == ColumnModified)
            key.Number = file.Modified;
    }
    auto compare = [&](const TKey &a, const TKey &b) {
        if (!allFiles)
            return CompareListRows(column, TSortKey{*a.Item, rows[a.Row].Caption},
                                   TSortKey{*b.Item, rows[b.Row].Caption}, direction);
        switch (column) {
        case ColumnCaption:
            return Sign(rows[a.Row].Caption.compare(rows[b.Row].Caption)) * direction;
        case ColumnType:
            return Sign(a.Text.compare(b.Text)) * direction;
        case ColumnSize:
            return ((a.Number > b.Number) - (a.Number < b.Number)) * direction;
        default:
            return CompareTimes(a.Number, b.Number) * direction;
        }
    };
    auto before = [&](const TKey &a, const TKey &b) {
        if (!a.Item || !b.Item)
            return a.Item && !b.Item; // rows of destroyed files last
        return compare(a, b) < 0;
    };
    if (std::is_sorted(order.begin(), order.end(), before))
        return {};
    std::stable_sort(order.begin(), order.end(), before);
    std::vector<size_t> newPlace(rows.size());
    std::vector<TListRow> sorted;
    sorted.reserve(rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newPlace[order[i].Row] = i;
        sorted.push_back(std::move(rows[order[i].Row]));
    }
    rows = std::move(sorted);
    return newPlace;
}

void Describe(TListRow &row, TFileDb &database) {
    if (row.Described)
        return;
    TTree *item = row.Ref.Get();
    if (!item)
        return;
    row.Described = true;
    std::string path = item->GetLocalPath();
    row.TypeName = database.GetTypeName(path);
    row.Image = database.GetImageIndex(path);
}

TListFollow PlanFollow(const std::vector<TListRow> &rows, const TTree *root, const TTree *changed,
                       int32_t mode, const TListTimes &times) {
    TListFollow plan;
    std::unordered_set<uint64_t> present;
    present.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const TTree *item = rows[i].Ref.Get();
        bool valid = root && item && item->IsFile();
        if (valid) {
            try {
                CheckValid(*item);
                valid = IsWithin(item, root);
            } catch (...) {
                valid = false;
            }
        }
        if (!valid) {
            plan.Gone.push_back(i);
            continue;
        }
        present.insert(item->Serial());
        const auto &file = static_cast<const TFile &>(*item);
        if (!AddressIs(file, *root, rows[i].Caption))
            plan.Captions.emplace_back(i, GetFileURLFrom(file, root));
    }
    if (!root || !changed)
        return plan;
    // Only what lies below the listed folder is listed: a change above it is walked from the
    // listed folder, a change beside it adds nothing.
    const TTree *from = nullptr;
    if (IsWithin(changed, root))
        from = changed;
    else if (IsWithin(root, changed))
        from = root;
    if (!from)
        return plan;
    try {
        CheckValid(*from);
    } catch (...) {
        return plan;
    }
    WalkListFiles(*root, *from,
                  [&](const TFile &file, std::string_view prefix, std::string_view name) {
                      if (!present.count(file.Serial()) && ListShows(mode, file.Accessed, times))
                          MakeRow(plan.Added, file, prefix, name);
                  });
    // The files of a walk in reverse child order come in the reverse order of the forward
    // walk: files are leaves.
    std::reverse(plan.Added.begin(), plan.Added.end());
    return plan;
}

void RemoveListRows(std::vector<TListRow> &rows, const std::vector<size_t> &gone) {
    if (gone.empty())
        return;
    size_t next = 0, kept = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (next < gone.size() && gone[next] == i) {
            ++next;
            continue;
        }
        if (kept != i)
            rows[kept] = std::move(rows[i]);
        ++kept;
    }
    rows.resize(kept);
}

void ApplyFollow(std::vector<TListRow> &rows, TListFollow plan) {
    for (auto &[row, caption] : plan.Captions)
        if (row < rows.size())
            rows[row].Caption = std::move(caption);
    RemoveListRows(rows, plan.Gone);
    for (TListRow &row : plan.Added)
        rows.push_back(std::move(row));
}
