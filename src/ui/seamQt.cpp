#include "ui/seamQt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QList>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include "fileops/fileOP.h"
#include "ui/clipForm.h"
#include "ui/common.h"
#include "ui/explor.h"
#include "ui/fileOpForm.h"
#include "ui/overwrite.h"
#include "ui/props.h"

using namespace Qt::StringLiterals;

namespace {
QList<QPointer<QWidget>> &ItemWindows() {
    static QList<QPointer<QWidget>> windows;
    return windows;
}

void ShowBox(QMessageBox::Icon icon, const QString &caption, const std::string &text) {
    QMessageBox box(icon, caption, FromBytes(text), QMessageBox::NoButton,
                    QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    box.setObjectName(u"MessageBox"_s);
    QPushButton *ok = box.addButton(u"OK"_s, QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

// The program named by the first word of a desktop entry's Exec line.
QString ExecProgram(const QString &exec) {
    QString first = exec.trimmed().section(u' ', 0, 0);
    if (first.startsWith(u'"'))
        first = first.mid(1, first.indexOf(u'"', 1) - 1);
    return QFileInfo(first).fileName();
}
} // namespace

namespace {
int inputHolds = 0;
} // namespace

TInputHold::TInputHold() {
    ++inputHolds;
}

TInputHold::~TInputHold() {
    --inputHolds;
}

bool TInputHold::Active() {
    return inputHolds > 0;
}

QEvent::Type TItemChangedEvent::Kind() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 100));
    return type;
}

void RegisterItemWindow(QWidget *window) {
    QList<QPointer<QWidget>> &windows = ItemWindows();
    windows.removeAll(nullptr);
    if (window && !windows.contains(window))
        windows.append(window);
}

int ItemWindowCount() {
    ItemWindows().removeAll(nullptr);
    return static_cast<int>(ItemWindows().size());
}

QString AnswerCaption(TAnswer answer) {
    switch (answer) {
    case TAnswer::Ok:
        return u"OK"_s;
    case TAnswer::Yes:
        return Text("はい (&Y)");
    case TAnswer::No:
        return Text("いいえ (&N)");
    case TAnswer::All:
        return Text("すべて (&A)");
    case TAnswer::Cancel:
        return Text("キャンセル");
    default:
        return Text("再試行 (&R)");
    }
}

TQtDesktop::TQtDesktop() {
    seam::SetMessages(this);
    seam::SetProgress(this);
    seam::SetShell(this);
    seam::SetDialogs(this);
    seam::SetNotifier(this);
    seam::SetQuestions(this);
    seam::SetFileOpDialogs(this);
    sinceEvents.start();
}

TQtDesktop::~TQtDesktop() {
    // Only what still points here is taken back: a test may have put fakes in between.
    if (&seam::Messages() == this)
        seam::SetMessages(nullptr);
    if (&seam::Progress() == this)
        seam::SetProgress(nullptr);
    if (&seam::Shell() == this)
        seam::SetShell(nullptr);
    if (&seam::Dialogs() == this)
        seam::SetDialogs(nullptr);
    if (&seam::Notifier() == this)
        seam::SetNotifier(nullptr);
    if (&seam::Questions() == this)
        seam::SetQuestions(nullptr);
    if (&seam::FileOpDialogs() == this)
        seam::SetFileOpDialogs(nullptr);
}

void TQtDesktop::SetStatusPane(TExplorer *explorer) {
    pane = explorer;
}

void TQtDesktop::ErrorBox(const std::string &text) {
    ShowBox(QMessageBox::Critical, Text("エラー"), text);
}

void TQtDesktop::WarningBox(const std::string &text) {
    ShowBox(QMessageBox::Warning, Text("警告"), text);
}

void TQtDesktop::SetStatusText(const std::string &text) {
    if (pane)
        pane->SetStatusText(FromBytes(text));
}

void TQtDesktop::StartProgress(int64_t minimum, int64_t maximum) {
    if (pane)
        pane->StartProgress(minimum, maximum);
}

void TQtDesktop::StepProgress(int64_t count) {
    if (pane)
        pane->StepProgress(count);
}

void TQtDesktop::ResetProgress() {
    if (pane)
        pane->ResetProgress();
}

void TQtDesktop::ProcessEvents() {
    if (sinceEvents.elapsed() < 15)
        return;
    bool holdInput = TInputHold::Active() && FileOpWindow == nullptr;
    QCoreApplication::processEvents(holdInput ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents, 10);
    sinceEvents.restart();
}

TTypeInfo TQtDesktop::FileTypeInfo(const std::string &path) {
    static QMimeDatabase database;
    QMimeType type = database.mimeTypeForFile(FromBytes(path));
    TTypeInfo info;
    info.TypeName = ToBytes(type.comment());
    QString icon = type.iconName();
    if (!QIcon::hasThemeIcon(icon))
        icon = type.genericIconName();
    info.IconName = ToBytes(icon);
    return info;
}

std::string TQtDesktop::ProgramIcon(const std::string &path) {
    QString program = QFileInfo(FromBytes(path)).fileName();
    if (program.isEmpty())
        return "application-x-executable";
    auto known = programIcons.constFind(program);
    if (known != programIcons.constEnd())
        return ToBytes(*known);
    QString icon;
    // The desktop entry that starts the program names its icon.
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString &folder : folders) {
        QDirIterator entries(folder, {u"*.desktop"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (icon.isEmpty() && entries.hasNext()) {
            QSettings entry(entries.next(), QSettings::IniFormat);
            entry.beginGroup(u"Desktop Entry"_s);
            if (ExecProgram(entry.value(u"Exec"_s).toString()) == program)
                icon = entry.value(u"Icon"_s).toString();
        }
        if (!icon.isEmpty())
            break;
    }
    if (icon.isEmpty() && QIcon::hasThemeIcon(program))
        icon = program;
    if (icon.isEmpty())
        icon = u"application-x-executable"_s;
    programIcons.insert(program, icon);
    return ToBytes(icon);
}

bool TQtDesktop::OpenDocument(const std::string &document) {
    QString text = FromBytes(document);
    QUrl url = text.startsWith(u"file:"_s) ? QUrl(text) : QUrl::fromLocalFile(text);
    return QDesktopServices::openUrl(url);
}

bool TQtDesktop::StartProgram(const std::string &program, const std::string &argument) {
    return QProcess::startDetached(FromBytes(program), {FromBytes(argument)});
}

bool TQtDesktop::ShowCabinetProperties(TCabinet &cabinet) {
    return ShowCabinetDialog(cabinet);
}

void TQtDesktop::ShowDirProperties(TDir &dir) {
    ShowDirDialog(dir);
}

void TQtDesktop::ShowFileProperties(TFile &file) {
    ShowFileDialog(file);
}

void TQtDesktop::ItemChanged(const TItemRef &item) {
    QList<QPointer<QWidget>> &windows = ItemWindows();
    windows.removeAll(nullptr);
    for (const QPointer<QWidget> &window : windows)
        QCoreApplication::postEvent(window, new TItemChangedEvent(item));
}

TAnswer TQtDesktop::Ask(const std::string &caption, const std::string &text,
                        const std::vector<TAnswer> &buttons) {
    QMessageBox box(QMessageBox::Question, FromBytes(caption), FromBytes(text), QMessageBox::NoButton,
                    QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    box.setObjectName(u"QuestionBox"_s);
    QHash<QAbstractButton *, TAnswer> answers;
    TAnswer escape = buttons.empty() ? TAnswer::Cancel : buttons.back();
    for (TAnswer answer : buttons) {
        QPushButton *button = box.addButton(AnswerCaption(answer), QMessageBox::ActionRole);
        answers.insert(button, answer);
        if (answer == TAnswer::Cancel || answer == TAnswer::No)
            escape = answer;
        if (answers.size() == 1)
            box.setDefaultButton(button);
    }
    for (auto it = answers.constBegin(); it != answers.constEnd(); ++it)
        if (it.value() == escape)
            box.setEscapeButton(it.key());
    box.exec();
    return answers.value(box.clickedButton(), escape);
}

TAnswer TQtDesktop::AskOverwrite(const TOverwriteQuestion &question) {
    return AskOverwriteDialog(question);
}

TCopyWindow &TQtDesktop::CopyWindow() {
    if (!copyWindow)
        copyWindow = std::make_unique<TFileOpWindow>();
    return *copyWindow;
}

void TQtDesktop::MoveToTrash(const std::vector<std::string> &paths) {
    if (paths.empty())
        return;
    std::string text;
    if (paths.size() == 1) {
        text = "'" + ToBytes(QFileInfo(FromBytes(paths.front())).fileName()) +
               "' をごみ箱に移してもよろしいですか?";
    } else {
        text = "これらの " + std::to_string(paths.size()) + " 個の項目をごみ箱に移してもよろしいですか?";
    }
    if (seam::Questions().Ask("ファイルの削除の確認", text, {TAnswer::Yes, TAnswer::No}) != TAnswer::Yes)
        return;
    // Qt trashes into the current folder when the user's data folder is missing.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    for (const std::string &path : paths)
        QFile::moveToTrash(FromBytes(path));
}
