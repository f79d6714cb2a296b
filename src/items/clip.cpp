#include "items/clip.h"

void TClip::Clear(uint8_t mode) {
    Mode = mode;
    root = TItemRef();
    entries.clear();
    serials.clear();
}
void TClip::Fill(const std::vector<TTree *> &, uint8_t mode) {
    Clear(mode);
}
void TClip::Fill(TTree &, uint8_t mode) {
    Clear(mode);
}
void TClip::SetRoot(TTree *item) {
    root = TItemRef(item);
}
TTree *TClip::Item(size_t) const {
    return nullptr;
}
void TClip::Replace(size_t, TTree *) {}
bool TClip::Contains(const TTree &) const {
    return false;
}
void TClip::AddUnique(TTree &) {}
TTree *TClip::Paste(TTree &) {
    return nullptr;
}
void TClip::Add(const TTree &) {}
TClip &ItemClip() {
    static TClip clip;
    return clip;
}
TClip &DragClip() {
    static TClip clip;
    return clip;
}
TClip &AddedFiles() {
    static TClip clip;
    return clip;
}
bool CanRename(const TTree &) {
    return false;
}
bool CanDelete(const TTree &) {
    return false;
}
bool CanCopy(const TTree &) {
    return true;
}
bool CanCut(const TTree &) {
    return false;
}
bool CanPaste(const TTree &) {
    return false;
}
bool CheckPasteTarget(const TTree &, const TTree &) {
    return false;
}
TTree *MakeFolderPath(TTree &target, const TTree *, const TTree &) {
    return &target;
}
std::string DeleteList(const TTree &) {
    return {};
}
TTree *AddNewFolder(TTree &) {
    return nullptr;
}
