#include "support/fakes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "items/file.h"
#include "platform/error.h"

TFakeDesktop::TFakeDesktop() {
    seam::SetMessages(this);
    seam::SetProgress(this);
    seam::SetShell(this);
    seam::SetDialogs(this);
    seam::SetNotifier(this);
    seam::SetQuestions(this);
    seam::SetFileOpDialogs(this);
}

TFakeDesktop::~TFakeDesktop() {
    seam::SetMessages(nullptr);
    seam::SetProgress(nullptr);
    seam::SetShell(nullptr);
    seam::SetDialogs(nullptr);
    seam::SetNotifier(nullptr);
    seam::SetQuestions(nullptr);
    seam::SetFileOpDialogs(nullptr);
}

void TFakeDesktop::StartProgress(int64_t minimum, int64_t maximum) {
    ProgressLog.push_back("start:" + std::to_string(minimum) + ":" + std::to_string(maximum));
    Stepped = 0;
}

void TFakeDesktop::StepProgress(int64_t count) {
    ProgressLog.push_back("step:" + std::to_string(count));
    Stepped += count;
}

TTypeInfo TFakeDesktop::FileTypeInfo(const std::string &path) {
    ++TypeQueries;
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    std::string ext = (dot == std::string::npos || (slash != std::string::npos && dot < slash))
                          ? std::string()
                          : path.substr(dot);
    for (const auto &[key, info] : Types) {
        if (key.size() == ext.size()) {
            bool same = true;
            for (size_t i = 0; i < ext.size() && same; ++i)
                same = std::tolower(static_cast<unsigned char>(key[i])) ==
                       std::tolower(static_cast<unsigned char>(ext[i]));
            if (same)
                return info;
        }
    }
    std::string bare = ext.empty() ? std::string("none") : ext.substr(1);
    return {bare + " file", "icon-" + bare};
}

std::string TFakeDesktop::ProgramIcon(const std::string &path) {
    ProgramIconQueries.push_back(path);
    return "program-icon:" + path;
}

bool TFakeDesktop::ShowCabinetProperties(TCabinet &) {
    DialogsShown.push_back("cabinet");
    return CabinetDialogAnswer;
}
void TFakeDesktop::ShowDirProperties(TDir &) {
    DialogsShown.push_back("dir");
}
void TFakeDesktop::ShowFileProperties(TFile &) {
    DialogsShown.push_back("file");
}

TAnswer TFakeDesktop::Ask(const std::string &, const std::string &text,
                          const std::vector<TAnswer> &) {
    Asked.push_back("question: " + text);
    if (NextAnswers.empty())
        return DefaultAnswer;
    TAnswer answer = NextAnswers.front();
    NextAnswers.pop_front();
    return answer;
}

TAnswer TFakeDesktop::AskOverwrite(const TOverwriteQuestion &q) {
    Asked.push_back("overwrite: " + q.FileName + " " + q.IncomingSize + " " + q.IncomingDate +
                    " | " + q.ExistingSize + " " + q.ExistingDate);
    if (NextAnswers.empty())
        return DefaultAnswer;
    TAnswer answer = NextAnswers.front();
    NextAnswers.pop_front();
    return answer;
}

void TFakeDesktop::SetHeader(const std::string &, const std::string &nameLine,
                             const std::string &sourceLine, const std::string &targetLine) {
    WindowLog.push_back("header:" + nameLine + "|" + sourceLine + "|" + targetLine);
    ++Headers;
    if (OnHeader)
        OnHeader(Headers);
}

void TFakeDesktop::MoveToTrash(const std::vector<std::string> &paths) {
    for (const std::string &path : paths) {
        Trashed.push_back(path);
        if (TrashAccepts) {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    }
}

TFakeCopyEngine::TFakeCopyEngine() {
    SetCopyEngine(this);
}
TFakeCopyEngine::~TFakeCopyEngine() {
    SetCopyEngine(nullptr);
}

bool TFakeCopyEngine::CopyFileData(TFile &source, TFile &target) {
    Copies.push_back(source.GetURL() + " -> " + target.GetLocalPath());
    if (AbortAt != 0 && static_cast<int>(Copies.size()) == AbortAt)
        throw TAbort();
    return CopyResult;
}

bool TFakeCopyEngine::OverwriteCheck(TFile &source, TFile &existing) {
    Questions.push_back(source.GetURL() + " over " + existing.GetLocalPath());
    return OverwriteAnswer;
}

TTempFolder::TTempFolder() {
    std::string templ = (std::filesystem::temp_directory_path() / "trawler-test-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    path = templ + "/";
}

TTempFolder::~TTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::string TTempFolder::Write(const std::string &relative, const std::string &bytes) const {
    std::filesystem::path full = std::filesystem::path(path) / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full.string();
}
