#pragma once
// The MS-IE 3.x cache (MM256.DAT and MM2048.DAT in the cache's subfolders).
#include <string>

#include "items/cab.h"

// Files every entry of the cache whose folder is path into the cabinet.
void ReadIE3Cache(TCabinet &cabinet, const std::string &path);
