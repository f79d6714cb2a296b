#include "support/uiSupport.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QWidget>
#include <cstdlib>

#include "items/cab.h"

TUiFixture::TUiFixture() {
    PrepareUiEnvironment();
    previousRegistry = qgetenv("TRAWLER_REGISTRY");
    qputenv("TRAWLER_REGISTRY", RegistryPath().toUtf8());
}

TUiFixture::~TUiFixture() {
    qputenv("TRAWLER_REGISTRY", previousRegistry);
}

void TUiFixture::UseDemoCabinets() {
    QProcess script;
    script.start(QStringLiteral("bash"), {QStringLiteral(TRAWLER_SOURCE_DIR "/scripts/make-demo.sh"),
                                          QStringLiteral("--fresh"), dir.path()});
    script.waitForFinished(60000);
}

std::string TUiFixture::RegistryText() const {
    QFile file(RegistryPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

TBoxAnswers::TBoxAnswers()
    : previousMessages(&seam::Messages()), previousQuestions(&seam::Questions()),
      previousDialogs(&seam::Dialogs()), previousFileOps(&seam::FileOpDialogs()) {
    seam::SetFileOpDialogs(this);
    seam::SetMessages(this);
    seam::SetQuestions(this);
    seam::SetDialogs(this);
}

TBoxAnswers::~TBoxAnswers() {
    seam::SetMessages(previousMessages);
    seam::SetQuestions(previousQuestions);
    seam::SetDialogs(previousDialogs);
    seam::SetFileOpDialogs(previousFileOps);
}

TAnswer TBoxAnswers::AskOverwrite(const TOverwriteQuestion &question) {
    Shown.push_back("overwrite: " + question.FileName);
    return OverwriteAnswer;
}

TAnswer TBoxAnswers::Ask(const std::string &, const std::string &text, const std::vector<TAnswer> &) {
    Shown.push_back("question: " + text);
    if (NextAnswers.empty())
        return DefaultAnswer;
    TAnswer answer = NextAnswers.front();
    NextAnswers.pop_front();
    return answer;
}

bool TBoxAnswers::ShowCabinetProperties(TCabinet &cabinet) {
    Dialogs.push_back("cabinet: " + cabinet.Name());
    return CabinetAnswer;
}

void TBoxAnswers::ShowDirProperties(TDir &) {
    Dialogs.push_back("dir");
}

void TBoxAnswers::ShowFileProperties(TFile &) {
    Dialogs.push_back("file");
}

void SaveScreenshot(QWidget *widget, const QString &name) {
    QDir().mkpath(QStringLiteral(TRAWLER_SCREENSHOT_DIR));
    widget->grab().save(QStringLiteral(TRAWLER_SCREENSHOT_DIR "/") + name + QStringLiteral(".png"));
}

void PrepareUiEnvironment() {
    QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) {
        runtime = QDir::tempPath().toUtf8() + "/trawler-ui-runtime";
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QDir().mkpath(QString::fromUtf8(runtime));
    QFile::setPermissions(QString::fromUtf8(runtime),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
