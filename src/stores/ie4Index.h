#pragma once
// The MS-IE 4.x cache index (index.dat).
#include <string>

#include "items/cab.h"

// Files every entry of the cache index at path into the cabinet.
void ReadIE4Index(TCabinet &cabinet, const std::string &path);
