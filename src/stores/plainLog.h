#pragma once
// The plain log: a folder tree the program fills itself; its folders and files are its
// contents.
#include <string>

#include "items/cab.h"

// Creates the folder if it is missing, then files its contents below the cabinet.
void ReadPlainLog(TCabinet &cabinet, const std::string &folder);
// Files the entries of a folder (and of its subfolders, to any depth) below parent. Hidden
// entries count; a folder met twice through links is scanned once; nothing is shown.
void ScanLogFolder(TTree &parent, const std::string &folder);
