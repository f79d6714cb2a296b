#include "ui/opt.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <initializer_list>
#include <string>

#include "config/settings.h"
#include "fileops/ovwrt.h"
#include "platform/ascii.h"
#include "ui/common.h"
#include "ui/help.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int DialogTopic = 60;
// Help topics of the tabs in the order they are shown.
constexpr int LogTopic = 59;
constexpr int MirrorTopic = 87;
constexpr int OtherTopic = 88;

struct TChoice {
    const char *Caption;
    int Value;
};

// One choice per value, named prefix + value, side by side (across) or one under the other.
// The buttons go into a new exclusive group owned by owner; none is checked yet.
QButtonGroup *AddChoices(QBoxLayout *layout, QWidget *owner, const QString &prefix,
                         std::initializer_list<TChoice> choices) {
    auto *group = new QButtonGroup(owner);
    for (const TChoice &choice : choices) {
        auto *button = new QRadioButton(Text(choice.Caption));
        button->setObjectName(prefix + QString::number(choice.Value));
        group->addButton(button, choice.Value);
        layout->addWidget(button);
    }
    if (layout->direction() == QBoxLayout::LeftToRight)
        layout->addStretch(1);
    return group;
}

// A titled group of choices, named prefix + "Group".
QGroupBox *ChoiceGroup(const char *title, QWidget *owner, const QString &prefix, bool across,
                       std::initializer_list<TChoice> choices, QButtonGroup *&buttons) {
    auto *box = new QGroupBox(Text(title));
    box->setObjectName(prefix + u"Group"_s);
    QBoxLayout *layout = across ? static_cast<QBoxLayout *>(new QHBoxLayout(box))
                                : static_cast<QBoxLayout *>(new QVBoxLayout(box));
    layout->setSpacing(across ? 16 : 4);
    buttons = AddChoices(layout, owner, prefix, choices);
    return box;
}

void Check(QButtonGroup *buttons, int value) {
    if (QAbstractButton *button = buttons->button(value))
        button->setChecked(true);
}

QWidget *Page(const QString &name) {
    auto *page = new QWidget;
    page->setObjectName(name);
    return page;
}

} // namespace

TFormOption::TFormOption(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(u"TFormOption"_s);
    setWindowTitle(Text("オプション"));

    const TSettings &s = Settings();
    m_copyConv = s.OpCopyConv;
    m_copyLink = s.OpCopyLink;
    m_copyDir = s.OpCopyDir;
    m_copyDelay = s.OpCopyDelay;
    m_mirrorLink = s.OpMirrorLink;
    m_mirrorDelay = s.OpMirrorDelay;

    m_pages = new QTabWidget;
    m_pages->setObjectName(u"Pages"_s);

    // ---- ログの作成 ----
    QButtonGroup *copyConv = nullptr;
    QButtonGroup *copyLink = nullptr;
    QButtonGroup *copyDir = nullptr;
    QButtonGroup *copyDelay = nullptr;
    QWidget *logPage = Page(u"LogPage"_s);
    auto *logLayout = new QVBoxLayout(logPage);
    logLayout->addWidget(ChoiceGroup("Ｈｔｍｌファイル内のリンク先の変換", this, u"CopyConv"_s,
                                     true, {{"行わない", 0}, {"行う", 1}}, copyConv));
    m_copyLinkGroup =
        ChoiceGroup("コピー対象ファイル以外へのリンクの処理", this, u"CopyLink"_s, false,
                    {{"何もしない", 0}, {"リンク先のファイルが見つかれば、追加する", 1}}, copyLink);
    logLayout->addWidget(m_copyLinkGroup);
    m_copyDirGroup =
        ChoiceGroup("追加されたファイルを保存する場所", this, u"CopyDir"_s, true,
                    {{"コピー先のキャビネット", 0}, {"コピー先のディレクトリ", 1}}, copyDir);
    logLayout->addWidget(m_copyDirGroup);
    m_copyDelayGroup =
        ChoiceGroup("追加されたファイルがコピー先に存在する場合の処理", this, u"CopyDelay"_s, false,
                    {{"上書きしない", PolicyKeep},
                     {"上書きする", PolicyOverwrite},
                     {"ダイアログで問い合わせる", PolicyAsk}},
                    copyDelay);
    logLayout->addWidget(m_copyDelayGroup);
    logLayout->addStretch(1);

    // ---- ミラーの作成 ----
    QButtonGroup *mirrorLink = nullptr;
    QButtonGroup *mirrorDelay = nullptr;
    QWidget *mirrorPage = Page(u"MirrorPage"_s);
    auto *mirrorLayout = new QVBoxLayout(mirrorPage);
    mirrorLayout->addWidget(ChoiceGroup(
        "コピー対象ファイル以外へのリンク", this, u"MirrorLink"_s, false,
        {{"何もしない", 0}, {"リンク先のファイルが見つかれば追加する", 1}}, mirrorLink));
    mirrorLayout->addWidget(ChoiceGroup("追加されたファイルがコピー先に存在する場合の処理", this,
                                        u"MirrorDelay"_s, false,
                                        {{"上書きしない", PolicyKeep},
                                         {"上書きする", PolicyOverwrite},
                                         {"ダイアログで問い合わせる", PolicyAsk},
                                         {"更新日時が新しい場合のみ、上書きする", PolicyKeepNewer}},
                                        mirrorDelay));
    mirrorLayout->addStretch(1);

    // ---- その他 ----
    QWidget *otherPage = Page(u"OtherPage"_s);
    auto *otherLayout = new QVBoxLayout(otherPage);

    auto *extGroup = new QGroupBox(Text("Ｈｔｍｌファイルの拡張子"));
    extGroup->setObjectName(u"HtmlExtGroup"_s);
    auto *extLayout = new QHBoxLayout(extGroup);
    m_htmlExtEdit = new QLineEdit(FromBytes(s.HtmlFileExt));
    m_htmlExtEdit->setObjectName(u"HtmlExtEdit"_s);
    auto *extNote = new QLabel(Text("(セミコロンで区切ったもの）"));
    extNote->setObjectName(u"HtmlExtNote"_s);
    extNote->setBuddy(m_htmlExtEdit);
    extLayout->addWidget(m_htmlExtEdit, 1);
    extLayout->addWidget(extNote);
    otherLayout->addWidget(extGroup);

    otherLayout->addWidget(
        ChoiceGroup("ダブルクリックで起動するアプリケーション", this, u"Browser"_s, false,
                    {{"常にキャビネットに登録されたアプリケーション", 1},
                     {"Ｈｔｍｌファイル以外は関連づけられたアプリケーション", 0}},
                    m_browser));

    auto *scrollGroup = new QGroupBox(Text("ドラッグ時のオートスクロール"));
    scrollGroup->setObjectName(u"AutoScrollGroup"_s);
    auto *scrollGrid = new QGridLayout(scrollGroup);
    scrollGrid->setHorizontalSpacing(16);
    auto scrollRow = [&](int row, const char *caption, const QString &prefix) {
        auto *label = new QLabel(Text(caption));
        label->setObjectName(prefix + u"Label"_s);
        scrollGrid->addWidget(label, row, 0);
        auto *choices = new QHBoxLayout;
        choices->setSpacing(16);
        QButtonGroup *buttons = AddChoices(choices, this, prefix, {{"行う", 1}, {"行わない", 0}});
        scrollGrid->addLayout(choices, row, 1);
        return buttons;
    };
    m_listAutoScroll = scrollRow(0, "リスト表示部", u"ListAutoScroll"_s);
    m_treeAutoScroll = scrollRow(1, "ツリー表示部", u"TreeAutoScroll"_s);
    scrollGrid->setColumnStretch(1, 1);
    otherLayout->addWidget(scrollGroup);

    otherLayout->addWidget(ChoiceGroup("キャッシュ読み込み時の警告の表示", this, u"Warning"_s, true,
                                       {{"行う", 1}, {"行わない", 0}}, m_warning));
    otherLayout->addStretch(1);

    m_pages->addTab(logPage, Text("ログの作成"));
    m_pages->addTab(mirrorPage, Text("ミラーの作成"));
    m_pages->addTab(otherPage, Text("その他"));
    m_pages->setCurrentWidget(otherPage);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(u"OkButton"_s);
    ok->setText(Text("OK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName(u"CancelButton"_s);
    cancel->setText(Text("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormOption::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormOption::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Check(copyConv, m_copyConv);
    Check(copyLink, m_copyLink);
    Check(copyDir, m_copyDir);
    Check(copyDelay, m_copyDelay);
    Check(mirrorLink, m_mirrorLink);
    Check(mirrorDelay, m_mirrorDelay);
    Check(m_browser, s.OpBrowser);
    Check(m_treeAutoScroll, s.OpTreeAutoScroll);
    Check(m_listAutoScroll, s.OpListAutoScroll);
    Check(m_warning, s.Warning);
    ApplyEnabling();

    // Connected after the choices are shown, so that only the user's clicks change the copies.
    auto onCheck = [this](QButtonGroup *group, auto apply) {
        connect(group, &QButtonGroup::idToggled, this, [apply](int id, bool checked) {
            if (checked)
                apply(id);
        });
    };
    onCheck(copyConv, [this](int id) {
        m_copyConv = id != 0;
        ApplyEnabling();
    });
    onCheck(copyLink, [this](int id) {
        m_copyLink = id != 0;
        ApplyEnabling();
    });
    onCheck(copyDir, [this](int id) { m_copyDir = id != 0; });
    onCheck(copyDelay, [this](int id) { m_copyDelay = id; });
    onCheck(mirrorLink, [this](int id) { m_mirrorLink = id != 0; });
    onCheck(mirrorDelay, [this](int id) { m_mirrorDelay = id; });

    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TFormOption::ShowHelp);
}

void TFormOption::ApplyEnabling() {
    m_copyLinkGroup->setEnabled(m_copyConv);
    m_copyDirGroup->setEnabled(m_copyConv && m_copyLink);
    m_copyDelayGroup->setEnabled(m_copyConv && m_copyLink);
}

void TFormOption::ShowHelp() {
    // A control on a tab has that tab's topic; the tab bar and the buttons have the dialog's.
    static constexpr int Topics[] = {LogTopic, MirrorTopic, OtherTopic};
    QWidget *page = m_pages->currentWidget();
    QWidget *focus = focusWidget();
    int index = m_pages->currentIndex();
    if (page && focus && page->isAncestorOf(focus) && index >= 0 && index < 3)
        ShowHelpTopic(Topics[index]);
    else
        ShowHelpTopic(DialogTopic);
}

void TFormOption::accept() {
    TSettings &s = Settings();
    s.OpCopyConv = m_copyConv;
    s.OpCopyLink = m_copyLink;
    s.OpCopyDir = m_copyDir;
    s.OpCopyDelay = m_copyDelay;
    s.OpMirrorLink = m_mirrorLink;
    s.OpMirrorDelay = m_mirrorDelay;

    // An unchanged field keeps its bytes; an empty one would recognise no HTML file until
    // the next start, which takes the default list anyway, so it takes the default now.
    QString text = m_htmlExtEdit->text();
    std::string ext = text == FromBytes(s.HtmlFileExt) ? s.HtmlFileExt : ToBytes(text);
    s.HtmlFileExt = ext.empty() ? std::string(DefaultHtmlFileExt) : ToUpperAscii(ext);

    s.OpBrowser = m_browser->checkedId() == 1;
    s.OpListAutoScroll = m_listAutoScroll->checkedId() == 1;
    s.OpTreeAutoScroll = m_treeAutoScroll->checkedId() == 1;
    s.Warning = m_warning->checkedId() == 1;
    QDialog::accept();
}

bool ShowOptions(QWidget *parent) {
    TFormOption form(parent);
    PlaceBesideMain(&form);
    return form.exec() == QDialog::Accepted;
}
