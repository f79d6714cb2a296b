#pragma once
// The MS-IE 2.x cache index (iexplore.cif).
#include <string>

#include "items/cab.h"

// Files every entry of the cache index at path into the cabinet.
void ReadIE2Index(TCabinet &cabinet, const std::string &path);
