#pragma once
// Copying an HTML file while its links are rewritten so that the copy works offline.
#include "items/file.h"

// Copies the HTML file item source into the file of the file item target (created for it in
// a plain or mirror log), rewriting every link value, taking out the "<BASE" tag and adding
// the reload footer to pages that come from a browser cache.
void ConvertingCopy(TFile &source, TFile &target);
