#include "ui/help.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/program.h"
#include "ui/common.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {
struct THelpPlace {
    QString page;
    QString anchor;
};

const QString ContentsPage = u"index.html"_s;

// The windows' help topic numbers and the pages that explain them.
const QHash<int, THelpPlace> &HelpPlaces() {
    static const QHash<int, THelpPlace> places{
        {67, {u"mainwindow.html"_s, {}}},          {81, {u"cabinet.html"_s, u"new"_s}},
        {74, {u"cabinet.html"_s, u"temporary"_s}}, {1001, {u"cabinet.html"_s, u"search"_s}}, {60, {u"options.html"_s, {}}},
        {59, {u"options.html"_s, u"log"_s}},       {87, {u"options.html"_s, u"mirror"_s}},
        {88, {u"options.html"_s, u"other"_s}},     {57, {u"tools.html"_s, {}}},
    };
    return places;
}

QString WithSlash(const QString &folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString SourceHelpFolder() {
#ifdef TRAWLER_HELP_SOURCE_DIR
    return WithSlash(QString::fromUtf8(TRAWLER_HELP_SOURCE_DIR));
#else
    return {};
#endif
}

// The help is the program's own pages: the browser never leaves the local files, and never
// fetches anything from the network, not even a picture.
class THelpBrowser : public QTextBrowser {
public:
    explicit THelpBrowser(QWidget *parent) : QTextBrowser(parent) {
        setObjectName(u"HelpBrowser"_s);
        setOpenExternalLinks(false);
        setOpenLinks(true);
    }

    QVariant loadResource(int type, const QUrl &name) override {
        if (!IsLocal(name))
            return {};
        return QTextBrowser::loadResource(type, name);
    }

protected:
    void doSetSource(const QUrl &name, QTextDocument::ResourceType type) override {
        if (IsLocal(name))
            QTextBrowser::doSetSource(name, type);
    }

private:
    bool IsLocal(const QUrl &name) const {
        QUrl resolved = name.isRelative() ? source().resolved(name) : name;
        return resolved.isLocalFile();
    }
};

class THelpWindow : public QWidget {
public:
    THelpWindow() {
        setObjectName(u"THelpWindow"_s);
        setWindowTitle(Text("Trawler ヘルプ"));
        setWindowIcon(ProgramIconPicture());
        // An open help window must not keep the program running once the main window closed.
        setAttribute(Qt::WA_QuitOnClose, false);
        resize(640, 560);

        m_browser = new THelpBrowser(this);
        auto *back = Button(u"HelpBack"_s, Text("戻る"), QStyle::SP_ArrowBack);
        auto *forward = Button(u"HelpForward"_s, Text("進む"), QStyle::SP_ArrowForward);
        auto *contents =
            Button(u"HelpContents"_s, Text("もくじ"), QStyle::SP_FileDialogContentsView);
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
        connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
        connect(contents, &QToolButton::clicked, this, [this] { Open(HelpTopicUrl(0)); });
        connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
        connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);

        auto *buttons = new QHBoxLayout;
        buttons->addWidget(back);
        buttons->addWidget(forward);
        buttons->addWidget(contents);
        buttons->addStretch();
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addLayout(buttons);
        layout->addWidget(m_browser);
    }

    void Open(const QUrl &url) {
        QString path = url.toLocalFile();
        if (QFileInfo(path).isFile()) {
            m_browser->setSource(url);
            return;
        }
        m_browser->setHtml(
            Text("<p>ヘルプのページが見つかりません。</p><p>%1</p>").arg(path.toHtmlEscaped()));
    }

private:
    QToolButton *Button(const QString &name, const QString &text, QStyle::StandardPixmap picture) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(text);
        button->setIcon(style()->standardIcon(picture));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        return button;
    }

    THelpBrowser *m_browser = nullptr;
};

QPointer<THelpWindow> helpWindow;

void ShowHelpPage(const QUrl &url) {
    if (!helpWindow) {
        helpWindow = new THelpWindow;
        PlaceBesideMain(helpWindow);
        if (auto *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, [] { delete helpWindow; });
    }
    helpWindow->Open(url);
    helpWindow->setWindowState(helpWindow->windowState() & ~Qt::WindowMinimized);
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}
} // namespace

QString HelpFolder() {
    QString chosen = qEnvironmentVariable("TRAWLER_HELP_DIR");
    if (!chosen.isEmpty())
        return WithSlash(chosen);
    QStringList candidates;
    QString program = QFile::decodeName(QByteArray::fromStdString(ProgramFolder()));
    if (!program.isEmpty())
        candidates << program + u"../share/trawler/help/"_s << program + u"help/"_s;
    candidates << SourceHelpFolder();
    for (const QString &folder : std::as_const(candidates)) {
        if (!folder.isEmpty() && QFileInfo::exists(folder + ContentsPage))
            return WithSlash(QFileInfo(folder).canonicalFilePath());
    }
    return candidates.last();
}

QUrl HelpTopicUrl(int topic) {
    THelpPlace place = HelpPlaces().value(topic, THelpPlace{ContentsPage, {}});
    QUrl url = QUrl::fromLocalFile(HelpFolder() + place.page);
    if (!place.anchor.isEmpty())
        url.setFragment(place.anchor);
    return url;
}

void ShowHelpTopic(int topic) {
    ShowHelpPage(HelpTopicUrl(topic));
}

void ShowHelpContents() {
    ShowHelpPage(HelpTopicUrl(0));
}

void ShowAboutBox(QWidget *parent) {
    QMessageBox box(parent);
    box.setObjectName(u"AboutBox"_s);
    box.setWindowTitle(Text("バージョン情報"));
    box.setIconPixmap(ProgramIconPicture().pixmap(64, 64));
    box.setTextFormat(Qt::RichText);
    box.setText(Text("<h3>Trawler</h3><p>バージョン %1</p>"
                     "<p>昔のウェブブラウザーがディスクに残したキャッシュを読み込み、"
                     "ページやファイルを探して調べ、ログに保存するためのプログラムです。</p>")
                    .arg(QString::fromUtf8(TRAWLER_VERSION)));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
