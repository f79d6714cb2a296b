#include "fileops/convert.h"

void ConvertingCopy(TFile &, TFile &) {}
