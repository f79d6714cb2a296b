#pragma once
// The Netscape 2.x-and-later cache database (fat.db, a Berkeley DB 1.85 hash file).
#include <string>

#include "items/cab.h"

// Files every entry of the cache database at path into the cabinet.
void ReadFatDb(TCabinet &cabinet, const std::string &path);
