#pragma once
// Folder creation and moves on disk for the items of the program's own logs.
#include <string>

class TTree;

// Creates the folder at the item's local path. A folder that exists already, a path outside
// the item's cabinet folder, or any other failure is ignored (false).
bool CreateFolderOnDisk(const TTree &item);
// Moves oldPath to the item's local path (one trailing "/" dropped from each). Never
// replaces an existing file or folder and never leaves the item's cabinet folder; a failure
// is ignored (false).
bool MoveOnDisk(const TTree &item, const std::string &oldPath);
