#pragma once
// The program's own folder: where the running executable lies, and where the files that
// ship beside it ("Reload.gif") are found.
#include <string>

// The folder of the running executable, ending with "/". Empty when the system cannot tell
// (the caller then names files by their bare names). An override, when set, wins.
std::string ProgramFolder();
// Makes ProgramFolder answer folder (a "/" is added when missing); an empty folder removes
// the override. For tests and for front ends that know better.
void SetProgramFolder(const std::string &folder);
