#include "items/sort.h"

#include <cmath>
#include <string>

#include "items/file.h"
#include "items/fileDB.h"

namespace {
int Sign(int value) {
    return (value > 0) - (value < 0);
}

int Collate(std::string_view a, std::string_view b) {
    return Sign(a.compare(b));
}

// A total order over doubles: a time that is not a number sorts before every other and
// equal to its kind, so a damaged date never leaves the sort without a consistent order.
int CompareTimes(double a, double b) {
    const bool aNan = std::isnan(a), bNan = std::isnan(b);
    if (aNan || bNan)
        return static_cast<int>(bNan) - static_cast<int>(aNan);
    return (a > b) - (a < b);
}

// Files go last: 1 when only the first is a file, -1 when only the second is, 0 when the
// two are alike (then the column's own order decides).
int FilesLast(const TTree &a, const TTree &b) {
    if (a.IsFile() == b.IsFile())
        return 0;
    return a.IsFile() ? 1 : -1;
}

const TFile &AsFile(const TTree &item) {
    return static_cast<const TFile &>(item);
}

// The common frame of the list orders of columns 1 to 4: folders by Name, a file against a
// folder by kind, two files by the given order.
template <class FileOrder>
int CompareFilesBy(const TSortKey &a, const TSortKey &b, int direction, FileOrder order) {
    int result;
    if (int mixed = FilesLast(a.Item, b.Item))
        result = mixed;
    else if (a.Item.IsFile())
        result = order(AsFile(a.Item), AsFile(b.Item));
    else
        result = Collate(a.Item.Name(), b.Item.Name());
    return result * direction;
}
} // namespace

int CompareTreeNodes(const TSortKey &a, const TSortKey &b) {
    if (int mixed = FilesLast(a.Item, b.Item))
        return mixed;
    return Collate(a.Caption, b.Caption);
}

int CompareByCaption(const TSortKey &a, const TSortKey &b, int direction) {
    return CompareTreeNodes(a, b) * direction;
}

int CompareByType(const TSortKey &a, const TSortKey &b, int direction) {
    return CompareFilesBy(a, b, direction, [](const TFile &x, const TFile &y) {
        return Collate(FileExtension(x.Name()), FileExtension(y.Name()));
    });
}

int CompareBySize(const TSortKey &a, const TSortKey &b, int direction) {
    // Compared, not subtracted: sizes from damaged data may be negative, and their
    // difference would overflow.
    return CompareFilesBy(a, b, direction, [](const TFile &x, const TFile &y) {
        return (x.Size > y.Size) - (x.Size < y.Size);
    });
}

int CompareByAccessed(const TSortKey &a, const TSortKey &b, int direction) {
    return CompareFilesBy(a, b, direction, [](const TFile &x, const TFile &y) {
        return CompareTimes(x.Accessed, y.Accessed);
    });
}

int CompareByModified(const TSortKey &a, const TSortKey &b, int direction) {
    return CompareFilesBy(a, b, direction, [](const TFile &x, const TFile &y) {
        return CompareTimes(x.Modified, y.Modified);
    });
}

int CompareListRows(int column, const TSortKey &a, const TSortKey &b, int direction) {
    switch (column) {
    case ColumnCaption:
        return CompareByCaption(a, b, direction);
    case ColumnType:
        return CompareByType(a, b, direction);
    case ColumnSize:
        return CompareBySize(a, b, direction);
    case ColumnAccessed:
        return CompareByAccessed(a, b, direction);
    case ColumnModified:
        return CompareByModified(a, b, direction);
    default:
        return 0;
    }
}

std::optional<TSortChoice> TColumnSort::Click(int column) {
    if (column < 0 || column >= ColumnCount)
        return std::nullopt;
    int &direction = directions[static_cast<size_t>(column)];
    TSortChoice choice{column, direction};
    direction = -direction;
    return choice;
}

int TColumnSort::Current(int column) const {
    if (column < 0 || column >= ColumnCount)
        return 1;
    return directions[static_cast<size_t>(column)];
}
