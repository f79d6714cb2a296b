#include "config/tools.h"

#include <vector>

#include "platform/seam.h"

TTools::~TTools() {
    Clear();
}

TTool &TTools::Add(const std::string &name, const std::string &path) {
    auto tool = std::make_unique<TTool>(name, path, seam::Shell().ProgramIcon(path));
    TTool &added = *tool;
    members.push_back(std::move(tool));
    return added;
}

void TTools::AddMember(std::unique_ptr<TToolsMember> member) {
    if (member)
        members.push_back(std::move(member));
}

void TTools::Clear() {
    for (auto it = members.rbegin(); it != members.rend(); ++it)
        if (dynamic_cast<TTool *>(it->get()))
            it->reset();
    std::erase(members, nullptr);
}

void TTools::CopyFrom(const TTools &source) {
    // Taken first, so copying a list into itself copies each tool once.
    for (TTool *tool : source.Tools())
        Add(tool->Name, tool->Path);
}

std::vector<TTool *> TTools::Tools() const {
    std::vector<TTool *> tools;
    for (const auto &member : members)
        if (auto *tool = dynamic_cast<TTool *>(member.get()))
            tools.push_back(tool);
    return tools;
}

size_t TTools::Count() const {
    return Tools().size();
}
