#include "ui/props.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextOption>
#include <QVBoxLayout>

#include "config/settings.h"
#include "items/cab.h"
#include "items/file.h"
#include "items/fileDB.h"
#include "items/texts.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "ui/common.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int PictureSize = 32;
constexpr int SmallPictureSize = 16;
constexpr int DialogMinimumWidth = 460;

QLabel *Picture(const QIcon &icon, int size) {
    auto *label = new QLabel;
    label->setFixedSize(size, size);
    if (!icon.isNull())
        label->setPixmap(icon.pixmap(size, size));
    return label;
}

QLabel *ValueLabel(const QString &text) {
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// A read-only memo a few lines high; addresses wrap anywhere, they have no spaces.
QPlainTextEdit *Memo(const QString &text, int lines) {
    auto *memo = new QPlainTextEdit(text);
    memo->setReadOnly(true);
    memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int margin = static_cast<int>(memo->document()->documentMargin());
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * lines + 2 * margin +
                         2 * memo->frameWidth());
    return memo;
}

QFrame *Rule() {
    auto *line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The frame every property dialog shares: caption "プロパティ", one tab page, the buttons
// below it. Answers the page.
QWidget *PropertyFrame(QDialog &dialog, const QString &pageName, QDialogButtonBox *buttons) {
    dialog.setWindowTitle(Text("プロパティ"));
    dialog.setMinimumWidth(DialogMinimumWidth);
    auto *pages = new QTabWidget;
    pages->setObjectName(u"Pages"_s);
    auto *page = new QWidget;
    page->setObjectName(u"Page"_s);
    pages->addTab(page, pageName);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(pages);
    layout->addWidget(buttons);
    return page;
}

QDialogButtonBox *OkButtonOnly(QDialog &dialog) {
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(u"OkButton"_s);
    ok->setText(Text("OK"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    return buttons;
}

// The lines of a folder or file page: the picture and name on top, then one caption and one
// value per row.
class TLines {
public:
    explicit TLines(QWidget *page) : grid(new QGridLayout(page)) {
        grid->setColumnStretch(1, 1);
        grid->setHorizontalSpacing(12);
    }

    void Head(const QIcon &picture, const QString &name) {
        QLabel *icon = Picture(picture, PictureSize);
        icon->setObjectName(u"Picture"_s);
        QLabel *label = ValueLabel(name);
        label->setObjectName(u"NameLabel"_s);
        grid->addWidget(icon, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(label, row++, 1);
        grid->addWidget(Rule(), row++, 0, 1, 2);
    }

    // A line that is not enabled is drawn greyed, caption and value.
    QLabel *Line(const QString &caption, const QString &value, const QString &name,
                 bool enabled = true) {
        QLabel *label = ValueLabel(value);
        label->setObjectName(name);
        label->setEnabled(enabled);
        Add(caption, label)->setEnabled(enabled);
        return label;
    }

    QPlainTextEdit *MemoLine(const QString &caption, const QString &value, const QString &name) {
        QPlainTextEdit *memo = Memo(value, 3);
        memo->setObjectName(name);
        Add(caption, memo);
        return memo;
    }

    void Separator() { grid->addWidget(Rule(), row++, 0, 1, 2); }
    void Finish() { grid->setRowStretch(row, 1); }

private:
    QLabel *Add(const QString &caption, QWidget *value) {
        auto *label = new QLabel(caption);
        label->setBuddy(value);
        grid->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(value, row++, 1);
        return label;
    }

    QGridLayout *grid;
    int row = 0;
};

// "作成日時" of a folder: the folder's last-write time on disk, for plain logs only (the
// folders of the other kinds have no place of their own on disk).
double FolderDate(const TDir &dir) {
    if (dir.GetKind() != KindPlainLog)
        return 0;
    int64_t seconds = 0;
    if (!fs::LastWriteTime(fs::WithoutTrailingSlash(dir.GetLocalPath()), seconds))
        return 0;
    return UtcSecondsToDosDateTime(seconds);
}

// The text of an edit as the core keeps it; an edit still showing the original keeps its bytes.
std::string EditedBytes(const QString &text, const std::string &original) {
    return text == FromBytes(original) ? original : ToBytes(text);
}

} // namespace

// ---- cabinet ----

TFormCabinet::TFormCabinet(TCabinet &cabinet, QWidget *parent)
    : QDialog(parent), m_cabinet(&cabinet), m_name(cabinet.Name()), m_program(cabinet.Program),
      m_kind(cabinet.Kind), m_indexRead(cabinet.IndexRead), m_opDelete(Settings().OpDelete) {
    setObjectName(u"TFormCabinet"_s);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(u"OkButton"_s);
    ok->setText(Text("OK"));
    QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName(u"CancelButton"_s);
    cancel->setText(Text("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormCabinet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormCabinet::reject);

    QWidget *page = PropertyFrame(*this, Text("キャビネット"), buttons);
    auto *grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(12);
    int row = 0;

    // Picture with the kind the cabinet holds now, then the name.
    int state = GetCabinetImage(cabinet);
    QIcon drawer =
        WithState(LargeImage(FileDb(), ImageCabinet), StateImage(FileDb(), state), PictureSize);
    QLabel *picture = Picture(drawer, PictureSize);
    picture->setObjectName(u"Picture"_s);
    auto *kindRow = new QHBoxLayout;
    QLabel *kindImage = Picture(StateImage(FileDb(), state), SmallPictureSize);
    kindImage->setObjectName(u"KindImage"_s);
    QLabel *kindText = ValueLabel(Text(KindCaption(cabinet.Kind).c_str()));
    kindText->setObjectName(u"KindLabel"_s);
    kindRow->addWidget(kindImage);
    kindRow->addWidget(kindText, 1);
    m_nameEdit = new QLineEdit(FromBytes(m_name));
    m_nameEdit->setObjectName(u"NameEdit"_s);
    auto *nameLabel = new QLabel(Text("名前"));
    nameLabel->setBuddy(m_nameEdit);
    grid->addWidget(picture, row, 0, Qt::AlignLeft);
    grid->addLayout(kindRow, row++, 1);
    grid->addWidget(nameLabel, row, 0);
    grid->addWidget(m_nameEdit, row++, 1);
    grid->addWidget(Rule(), row++, 0, 1, 2);

    // Folder and program.
    QPlainTextEdit *location = Memo(FromBytes(cabinet.Path), 2);
    location->setObjectName(u"LocationMemo"_s);
    auto *locationLabel = new QLabel(Text("場所"));
    locationLabel->setBuddy(location);
    grid->addWidget(locationLabel, row, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(location, row++, 1);

    m_programEdit = new QLineEdit(FromBytes(m_program));
    m_programEdit->setObjectName(u"ProgramEdit"_s);
    m_programIcon = Picture({}, SmallPictureSize);
    m_programIcon->setObjectName(u"ProgramIcon"_s);
    auto *browse = new QPushButton(Text("参照"));
    browse->setObjectName(u"BrowseButton"_s);
    browse->setAutoDefault(false);
    auto *programRow = new QHBoxLayout;
    programRow->addWidget(m_programEdit, 1);
    programRow->addWidget(m_programIcon);
    programRow->addWidget(browse);
    auto *programLabel = new QLabel(Text("プログラム"));
    programLabel->setBuddy(m_programEdit);
    grid->addWidget(programLabel, row, 0);
    grid->addLayout(programRow, row++, 1);
    grid->addWidget(Rule(), row++, 0, 1, 2);

    // Kind and the delete flag.
    m_kinds = new QButtonGroup(this);
    auto *kindGrid = new QGridLayout;
    kindGrid->setContentsMargins(0, 0, 0, 0);
    for (int kind = KindPlainLog; kind <= KindMsie5; ++kind) {
        auto *button = new QRadioButton(Text(KindCaption(static_cast<uint8_t>(kind)).c_str()));
        button->setObjectName(u"Kind%1"_s.arg(kind));
        m_kinds->addButton(button, kind);
        kindGrid->addWidget(button, (kind - 1) / 2, (kind - 1) % 2);
    }
    grid->addWidget(new QLabel(Text("種類")), row, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addLayout(kindGrid, row++, 1);

    m_deletable = new QCheckBox(Text("削除可能"));
    m_deletable->setObjectName(u"DeletableCheck"_s);
    m_deletable->setChecked(cabinet.Deletable);
    m_deletable->setEnabled(m_opDelete);
    grid->addWidget(m_deletable, row++, 1);
    grid->setRowStretch(row, 1);

    CheckKindButton();
    ShowProgramIcon(m_programEdit->text());
    connect(m_kinds, &QButtonGroup::idClicked, this, &TFormCabinet::KindClicked);
    connect(m_programEdit, &QLineEdit::textChanged, this, &TFormCabinet::ShowProgramIcon);
    connect(browse, &QPushButton::clicked, this, &TFormCabinet::Browse);
}

void TFormCabinet::KindClicked(int kind) {
    // Once the cabinet has been read its kind is settled: the click is taken back.
    if (!m_indexRead)
        m_kind = static_cast<uint8_t>(kind);
    CheckKindButton();
}

void TFormCabinet::CheckKindButton() {
    if (QAbstractButton *button = m_kinds->button(m_kind)) {
        button->setChecked(true);
        return;
    }
    // Kind 0: no button. An exclusive group refuses to uncheck its last button.
    m_kinds->setExclusive(false);
    for (QAbstractButton *button : m_kinds->buttons())
        button->setChecked(false);
    m_kinds->setExclusive(true);
}

void TFormCabinet::ShowProgramIcon(const QString &text) {
    std::string path = EditedBytes(text, m_program);
    if (!text.isEmpty() && fs::FileExists(path))
        m_programIcon->setPixmap(
            IconFor(seam::Shell().ProgramIcon(path)).pixmap(SmallPictureSize, SmallPictureSize));
    else
        m_programIcon->clear();
}

void TFormCabinet::Browse() {
    QString start = m_programEdit->text().isEmpty()
                        ? QString()
                        : QFileInfo(m_programEdit->text()).absolutePath();
    QString chosen = QFileDialog::getOpenFileName(this, Text("参照"), start);
    if (!chosen.isEmpty())
        m_programEdit->setText(chosen);
}

void TFormCabinet::accept() {
    TTree *item = m_cabinet.Get();
    if (item && item->IsCabinet()) {
        auto &cabinet = static_cast<TCabinet &>(*item);
        cabinet.SetName(EditedBytes(m_nameEdit->text(), m_name));
        cabinet.Program = EditedBytes(m_programEdit->text(), m_program);
        cabinet.Kind = m_kind;
        if (m_opDelete)
            cabinet.Deletable = m_deletable->isChecked();
    }
    QDialog::accept();
}

// ---- folder ----

TFormDir::TFormDir(TDir &dir, QWidget *parent) : QDialog(parent) {
    setObjectName(u"TFormDir"_s);
    QWidget *page = PropertyFrame(*this, Text("フォルダ"), OkButtonOnly(*this));
    TLines lines(page);
    lines.Head(LargeImage(FileDb(), ImageFolder), FromBytes(dir.Name()));
    lines.MemoLine(Text("場所   ： "), FromBytes(dir.GetURL()), u"LocationMemo"_s);
    lines.Line(Text("サイズ ： "), Text(SizeText(dir.GetSize()).c_str()), u"SizeLabel"_s);
    lines.Line(
        Text("内容   ："),
        Text("フォルダ数 = %1 , ファイル数 = %2").arg(dir.GetFolderCount()).arg(dir.GetFileCount()),
        u"ContentsLabel"_s);
    lines.Separator();
    lines.Line(Text("属性   ： "), Text(KindName(dir.GetKind()).c_str()), u"AttributeLabel"_s);
    lines.Line(Text("作成日時  ： "), Text(DateText(false, FolderDate(dir)).c_str()),
               u"CreatedLabel"_s);
    // Folders keep no access time: the line stays, empty and greyed.
    lines.Line(Text("アクセス日 ："), QString(), u"AccessedLabel"_s, false);
    lines.Finish();
}

// ---- file ----

TFormFile::TFormFile(TFile &file, QWidget *parent) : QDialog(parent) {
    setObjectName(u"TFormFile"_s);
    QWidget *page = PropertyFrame(*this, Text("ファイル"), OkButtonOnly(*this));
    TLines lines(page);
    const std::string path = file.GetLocalPath();
    const bool exists = fs::FileExists(path);
    QIcon picture = exists ? LargeImage(FileDb(), FileDb().GetImageIndex(path)) : QIcon();
    lines.Head(picture, FromBytes(file.Name()));
    lines.Line(Text("種類 ： "), FromBytes(FileDb().GetTypeName(path)), u"TypeLabel"_s);
    lines.Line(QString(), u"( "_s + FromBytes(file.ContentType) + u" )"_s, u"ContentTypeLabel"_s);
    lines.Separator();
    lines.MemoLine(Text("場所 ： "), FromBytes(file.GetURL()), u"LocationMemo"_s);
    lines.MemoLine(QString(), FromBytes(path), u"LocalPathMemo"_s);
    lines.Line(Text("サイズ ： "), Text(SizeText(file.GetSize()).c_str()), u"SizeLabel"_s);
    lines.Separator();
    lines.Line(Text("作成日時 ： "), Text(DateText(false, file.Modified).c_str()),
               u"CreatedLabel"_s);
    lines.Line(Text("アクセス日 ： "), Text(DateText(false, file.Accessed).c_str()),
               u"AccessedLabel"_s);
    lines.Line(Text("属性 ： "), Text(KindName(file.GetKind()).c_str()), u"AttributeLabel"_s);
    lines.Finish();
}

// ---- showing ----

bool ShowCabinetDialog(TCabinet &cabinet) {
    TFormCabinet form(cabinet, MainWindow());
    PlaceBesideMain(&form);
    return form.exec() == QDialog::Accepted;
}

void ShowDirDialog(TDir &dir) {
    TFormDir form(dir, MainWindow());
    PlaceBesideMain(&form);
    form.exec();
}

void ShowFileDialog(TFile &file) {
    TFormFile form(file, MainWindow());
    PlaceBesideMain(&form);
    form.exec();
}
