#include "ui/diskTools.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <set>

#include "export/warc.h"
#include "items/texts.h"
#include "platform/seam.h"
#include "ui/common.h"
#include "ui/explor.h"
#include "ui/status.h"

namespace {
int holds = 0;
constexpr qint64 PollMilliseconds = 15;

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// The outcome of long work: a box that does not hold the program while it is read.
void ShowInformation(const QString &text) {
    auto *box = new QMessageBox(QMessageBox::Information, Text("情報"), text, QMessageBox::NoButton,
                                MainWindow());
    box->setObjectName(QStringLiteral("ReportBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->open();
}

// The busy cursor keeps the arrow: the Cancel button stays there to be clicked.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

class TSearchListener final : public TFindListener {
public:
    TSearchListener(TExplorer &pane, TCancelHold &hold, const std::string &root,
                    std::vector<TFoundStore> &found)
        : pane(pane), hold(hold), root(root), found(found) {
        // The bar counts the top folders below the root whose walk has begun: a walk's length
        // is unknown before its end.
        QDir dir(FromBytes(root));
        const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        pane.StartProgress(0, std::max<qsizetype>(1, names.size()));
        shown.start();
    }

    bool Visiting(const std::string &folder) override {
        ++folders;
        if (folder.size() > root.size() && folder.compare(0, root.size(), root) == 0) {
            std::string rest = folder.substr(root.size());
            size_t slash = rest.find('/');
            if (tops.insert(rest.substr(0, slash)).second && tops.size() > 1)
                pane.StepProgress(1);
        }
        if (shown.elapsed() >= PollMilliseconds) {
            Show(folder);
            shown.restart();
        }
        hold.Poll();
        return !hold.Cancelled();
    }

    void Found(const TFoundStore &store) override { found.push_back(store); }
    void Warning(const std::string &) override { ++warnings; }

    int Warnings() const { return warnings; }

private:
    void Show(const std::string &folder) {
        pane.SetStatusText(Text("キャッシュを検索しています（%1 フォルダ、%2 個）: %3")
                               .arg(folders)
                               .arg(found.size())
                               .arg(FromBytes(folder)));
    }

    TExplorer &pane;
    TCancelHold &hold;
    const std::string &root;
    std::vector<TFoundStore> &found;
    std::set<std::string> tops;
    QElapsedTimer shown;
    int64_t folders = 0;
    int warnings = 0;
};
} // namespace

TCancelHold::TCancelHold(TExplorer &pane) : pane(&pane) {
    ++holds;
    qApp->installEventFilter(this);
    pane.Status()->ShowCancel(true);
    connect(pane.Status(), &TIeStatus::Cancelled, this, [this] { cancelled = true; });
    sincePoll.start();
}

TCancelHold::~TCancelHold() {
    qApp->removeEventFilter(this);
    if (pane)
        pane->Status()->ShowCancel(false);
    --holds;
}

bool TCancelHold::Active() {
    return holds > 0;
}

void TCancelHold::Poll() {
    if (sincePoll.elapsed() < PollMilliseconds)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    sincePoll.restart();
}

bool TCancelHold::eventFilter(QObject *watched, QEvent *event) {
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || !IsInput(event->type()))
        return false;
    QWidget *cancel = pane ? pane->Status()->CancelButton() : nullptr;
    if (cancel && (widget == cancel || cancel->isAncestorOf(widget)))
        return false;
    // A box the work shows (a read error) answers as usual.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && widget->window() == modal)
        return false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        cancelled = true;
    return true;
}

bool SearchStores(TExplorer &pane, TCancelHold &hold, const std::string &folder,
                  std::vector<TFoundStore> &found, int &warnings) {
    TBusyCursor cursor;
    std::string root = folder;
    if (root.empty() || root.back() != '/')
        root += '/';
    TSearchListener listener(pane, hold, root, found);
    bool complete = FindStores(root, listener);
    warnings = listener.Warnings();
    pane.ResetProgress();
    return complete && !hold.Cancelled();
}

std::string FoundStoreName(const std::string &folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    size_t last = path.rfind('/');
    if (last == std::string::npos || last == 0)
        return path;
    size_t before = path.rfind('/', last - 1);
    return path.substr(before == std::string::npos ? 0 : before + 1);
}

void ExportItemsAsWarc(TExplorer &pane, const std::vector<TTree *> &items,
                       const std::string &path) {
    TWarcReport report;
    bool written = false;
    {
        TCancelHold hold(pane);
        TBusyCursor cursor;
        pane.SetStatusText(Text("WARC ファイルを書き出しています..."));
        bool started = false;
        int64_t position = 0;
        written = ExportWarc(items, path, report, [&](int64_t done, int64_t total) {
            if (!started) {
                pane.StartProgress(0, total);
                started = true;
            }
            pane.StepProgress(done - position);
            position = done;
            hold.Poll();
            return !hold.Cancelled();
        });
        pane.ResetProgress();
        if (!written && hold.Cancelled()) {
            pane.SetStatusText(Text("WARC ファイルの書き出しを中止しました。"));
            return;
        }
    }
    if (!written) {
        pane.SetStatusText(QString());
        seam::Messages().ErrorBox("WARC ファイルを書き出せません。\r\n" + report.Error);
        return;
    }
    QString text = Text("%1 個のファイル（%2）を WARC ファイルに書き出しました。\n%3")
                       .arg(report.Records)
                       .arg(FromBytes(SizeText(report.PayloadBytes)))
                       .arg(FromBytes(path));
    if (report.Missing > 0)
        text += Text("\n\nキャッシュファイルが見つからない %1 個のファイルは書き出していません。")
                    .arg(report.Missing);
    pane.SetStatusText(Text("WARC ファイルを書き出しました。"));
    ShowInformation(text);
}
