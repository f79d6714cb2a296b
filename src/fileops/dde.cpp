#include "fileops/dde.h"

#include <sys/stat.h>
#include <unistd.h>

#include "config/settings.h"
#include "items/cab.h"
#include "items/file.h"
#include "platform/ascii.h"
#include "platform/fs.h"
#include "platform/seam.h"

namespace {
std::string BaseName(const std::string &program) {
    size_t slash = program.find_last_of("/\\");
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

bool StartsWithFolded(const std::string &text, const char *prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i)
        if (i >= text.size() || UpperAscii(text[i]) != prefix[i])
            return false;
    return true;
}

// Percent-encodes what may not stand in the path of a URL; every other byte stays as it is.
std::string EncodePath(const std::string &path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == '-' || c == '_' || c == '.' || c == '~' || c == '=' ||
                     c == '$' || c == '+' || c == ',' || c == ';' || c == '@' || c == '&' ||
                     c == '!' || c == '\'' || c == '(' || c == ')' || c == '*' || c == ':';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}
} // namespace

bool ProgramRunsHere(const std::string &program) {
    if (program.empty() || program.front() != '/')
        return false;
    struct stat info {};
    return stat(program.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(program.c_str(), X_OK) == 0;
}

std::string LocalFileAddress(const std::string &path) {
    return "file://" + EncodePath(path);
}

bool OpenInBrowser(const std::string &program, const std::string &address) {
    // No browser here answers a request to show an address: it is started with the address.
    return seam::Shell().StartProgram(program, address);
}

bool RunTool(const std::string &toolProgram, const std::string &path) {
    return seam::Shell().StartProgram(toolProgram, path);
}

void OpenFile(TFile &file) {
    std::string path = file.GetLocalPath();
    std::string program = file.GetProgram();
    bool exists = fs::FileExists(path);
    if (!program.empty() && (Settings().OpBrowser || IsHtml(file)) && ProgramRunsHere(program)) {
        if (!exists) {
            seam::SetStatusText(MsgFileMissing + path);
            return;
        }
        std::string name = BaseName(program);
        bool started = StartsWithFolded(name, "NETSCAPE") || StartsWithFolded(name, "IEXPLOR")
                           ? OpenInBrowser(program, LocalFileAddress(path))
                           : seam::Shell().StartProgram(program, path);
        if (started)
            return;
    }
    // The desktop's own application for the local copy, also where the cabinet's program
    // cannot run here.
    if (!exists) {
        seam::SetStatusText(MsgFileMissing + path);
        return;
    }
    if (!seam::Shell().OpenDocument(path))
        seam::SetStatusText(MsgCannotOpen + path);
}
