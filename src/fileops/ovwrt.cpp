#include "fileops/ovwrt.h"

bool OverwriteCheck(TFile &, TFile &) {
    return false;
}
bool AskOverwrite(TFile &, TFile &) {
    return false;
}
