#include "ui/clipForm.h"

#include <QDialogButtonBox>
#include <QHash>
#include <QIcon>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <vector>

#include "items/clip.h"
#include "items/fileDB.h"
#include "items/sort.h"
#include "items/tree.h"
#include "ui/common.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int IconSize = 16;

// The tree is first laid out over the items, sorted, and only then turned into widget items
// in one go: sorting item pointers by their byte names is cheap, and a widget tree that is
// built detached and inserted at the end costs no view updates per node.
struct TNode {
    const TTree *Item;
    std::vector<size_t> Children;
    bool Expand = false; // a folder of an entry's chain: opened so that the entry shows
};

class TLayout {
public:
    std::vector<TNode> Nodes;
    std::vector<size_t> Top;

    size_t Add(const TTree &item, std::optional<size_t> parent) {
        Nodes.push_back({&item, {}, false});
        size_t index = Nodes.size() - 1;
        if (parent)
            Nodes[*parent].Children.push_back(index);
        else
            Top.push_back(index);
        return index;
    }

    // One clipboard entry, with its chain of folders below root.
    void AddEntry(const TTree &entry, const TTree *root) {
        std::vector<const TTree *> chain; // nearest folder first
        if (root && entry.Parent() != root) {
            const TTree *folder = entry.Parent();
            for (; folder && folder != root; folder = folder->Parent())
                chain.push_back(folder);
            if (!folder)
                chain.clear(); // root is not above the entry: no chain to show
        }
        if (chain.size() >= TFormClip::DepthLimit)
            chain.resize(TFormClip::DepthLimit - 1);
        std::optional<size_t> parent;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            size_t node = Add(**it, parent);
            Nodes[node].Expand = true;
            parent = node;
        }
        size_t node = Add(entry, parent);
        if (entry.IsFolder())
            AddContents(node, chain.size() + 1);
    }

    // Everything below a folder entry, each child list last child first, without recursion.
    void AddContents(size_t entry, size_t depth) {
        struct TOpen {
            size_t Node;
            size_t Depth;
        };
        std::vector<TOpen> open{{entry, depth}};
        while (!open.empty() && added < TFormClip::NodeLimit) {
            TOpen top = open.back();
            open.pop_back();
            if (top.Depth >= TFormClip::DepthLimit)
                continue;
            const auto &children = Nodes[top.Node].Item->Children();
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                if (added == TFormClip::NodeLimit)
                    break;
                size_t node = Add(**it, top.Node);
                ++added;
                if ((*it)->IsFolder() && (*it)->ChildCount() > 0)
                    open.push_back({node, top.Depth + 1});
            }
        }
    }

    void Sort() {
        auto before = [this](size_t a, size_t b) {
            const TTree &x = *Nodes[a].Item;
            const TTree &y = *Nodes[b].Item;
            return CompareTreeNodes({x, x.Name()}, {y, y.Name()}) < 0;
        };
        std::stable_sort(Top.begin(), Top.end(), before);
        for (TNode &node : Nodes)
            std::stable_sort(node.Children.begin(), node.Children.end(), before);
    }

private:
    size_t added = 0;
};

class TPictures {
public:
    TPictures() {
        folder.addPixmap(SmallImage(FileDb(), ImageFolder).pixmap(IconSize), QIcon::Normal);
        folder.addPixmap(SmallImage(FileDb(), ImageFolderOpen).pixmap(IconSize), QIcon::Selected);
    }
    QIcon For(const TTree &item) {
        if (item.IsFolder())
            return folder;
        int index = FileDb().GetImageIndex(item.GetLocalPath());
        auto found = files.constFind(index);
        if (found == files.constEnd())
            found = files.insert(index, SmallImage(FileDb(), index));
        return *found;
    }

private:
    QIcon folder;
    QHash<int, QIcon> files;
};

} // namespace

TFormClip::TFormClip(const TClip &clip, QWidget *parent) : QDialog(parent) {
    setObjectName(u"TFormClip"_s);
    setWindowTitle(u"Clipboard"_s);
    setMinimumSize(320, 360);

    m_tree = new QTreeWidget;
    m_tree->setObjectName(u"TreeView"_s);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setIconSize(QSize(IconSize, IconSize));
    m_tree->setUniformRowHeights(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(u"OkButton"_s);
    ok->setText(Text("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addWidget(buttons);

    TLayout tree;
    const TTree *root = clip.Root();
    for (size_t i = 0; i < clip.Count(); ++i)
        if (const TTree *entry = clip.Item(i))
            tree.AddEntry(*entry, root);
    tree.Sort();

    TPictures pictures;
    std::vector<QTreeWidgetItem *> made(tree.Nodes.size(), nullptr);
    auto make = [&](size_t index) {
        const TTree &item = *tree.Nodes[index].Item;
        auto *node = new QTreeWidgetItem(QStringList{FromBytes(item.Name())});
        node->setIcon(0, pictures.For(item));
        made[index] = node;
        return node;
    };
    QList<QTreeWidgetItem *> top;
    for (size_t index : tree.Top)
        top.append(make(index));
    // Parents are made before their children (a child's node index is always larger), so one
    // pass in index order fills every child list.
    for (size_t index = 0; index < tree.Nodes.size(); ++index) {
        QList<QTreeWidgetItem *> children;
        for (size_t child : tree.Nodes[index].Children)
            children.append(make(child));
        if (!children.isEmpty())
            made[index]->addChildren(children);
    }
    m_tree->addTopLevelItems(top);
    for (size_t index = 0; index < tree.Nodes.size(); ++index)
        if (tree.Nodes[index].Expand)
            made[index]->setExpanded(true);
}

void ShowClipDialog(TClip &clip) {
    TFormClip form(clip, MainWindow());
    PlaceBesideMain(&form);
    form.exec();
}
