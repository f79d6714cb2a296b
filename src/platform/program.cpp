#include "platform/program.h"

#include <filesystem>
#include <system_error>

namespace {
std::string &Override() {
    static std::string folder;
    return folder;
}
} // namespace

std::string ProgramFolder() {
    if (!Override().empty())
        return Override();
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !exe.has_parent_path())
        return {};
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

void SetProgramFolder(const std::string &folder) {
    Override() = folder;
    if (!folder.empty() && folder.back() != '/')
        Override() += '/';
}
