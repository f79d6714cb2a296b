#include "items/cab.h"

#include <algorithm>

#include "platform/seam.h"

TCabinet::TCabinet(TCabinetRoot &owner, uint8_t kind, const std::string &folder,
                   const std::string &name)
    : TTree(TItemType::Cabinet), Kind(kind), root(&owner) {
    SetNames(name, {});
    Path = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    Deletable = kind == KindPlainLog || kind == KindMirrorLog || kind == KindTapline;
}

bool TCabinet::ShowProperties() {
    return seam::Dialogs().ShowCabinetProperties(*this);
}

std::string TCabinet::Rename(const std::string &newName) {
    SetName(newName);
    return Name();
}

void TCabinet::Remove() {
    if (root)
        root->RemoveCabinet(this);
}

TCabinetRoot::~TCabinetRoot() {
    Clear();
}

TCabinet *TCabinetRoot::AddCabinet(uint8_t kind, const std::string &folder,
                                   const std::string &name) {
    std::unique_ptr<TCabinet> cabinet(new TCabinet(*this, kind, folder, name));
    cabinets.push_back(std::move(cabinet));
    return cabinets.back().get();
}

void TCabinetRoot::RemoveCabinet(TCabinet *cabinet) {
    auto it = std::find_if(cabinets.begin(), cabinets.end(),
                           [&](const std::unique_ptr<TCabinet> &c) { return c.get() == cabinet; });
    if (it == cabinets.end())
        return;
    std::unique_ptr<TCabinet> doomed = std::move(*it);
    cabinets.erase(it);
    doomed->root = nullptr;
    doomed.reset();
}

void TCabinetRoot::Clear() {
    while (!cabinets.empty()) {
        std::unique_ptr<TCabinet> doomed = std::move(cabinets.back());
        cabinets.pop_back();
        doomed->root = nullptr;
    }
}

int GetCabinetImage(const TTree &item) {
    uint8_t kind = item.GetKind();
    if (kind == KindPlainLog)
        return 5;
    if (kind == KindMirrorLog)
        return 7;
    if (kind >= KindNetscape1 && kind <= KindMsie5)
        return 6;
    return -1;
}
