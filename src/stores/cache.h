#pragma once
// Loading cabinets: recognising the store kind, handing the store to its reader, writing
// back the index of the kinds whose index the program keeps, and what all readers share.
#include <cstdint>
#include <string>
#include <string_view>

#include "items/cab.h"
#include "items/file.h"
#include "stores/reading.h"

// Marker files, in the order they are probed, and the kind each one names.
struct TStoreMarker {
    const char *FileName;
    uint8_t Kind;
};
inline constexpr TStoreMarker StoreMarkers[] = {
    {"fat", KindNetscape1},     {"fat.db", KindNetscape2},   {"index.dat", KindMsie4},
    {"DESKTOP.INI", KindMsie3}, {"iexplore.cif", KindMsie2}, {"trfat.db", KindMirrorLog},
    {"Cache.db", KindTapline},
};

// The status text shown while a cabinet of the kind is read ("" for unknown kinds).
std::string LoadingText(uint8_t kind);

// When the cabinet's kind is 0, sets it from the marker files of its folder (kind 1 when
// there are none); otherwise does nothing.
void DetectCabinetKind(TCabinet &cabinet);
// Recognises the kind if needed, reads the store into the cabinet's subtree and settles
// IndexRead and Deletable. Errors are shown through the desktop seam, never thrown.
void LoadCabinet(TCabinet &cabinet);
// Writes the index of a mirror-log or Tapline cabinet from its subtree; nothing for other
// kinds, nor for a cabinet whose index was not read completely (writing it would destroy
// the entries the tree does not hold).
void UpdateCabinetIndex(TCabinet &cabinet);
// One cabinet's refresh: index written back, found flags cleared, store read again, items
// that were not met destroyed. Items still present keep their identity and data.
void RefreshCabinet(TCabinet &cabinet);

// A store reader: the cabinet and the index file (or the cabinet folder).
using TStoreReader = void (*)(TCabinet &cabinet, const std::string &path);
// Installs the reader of a kind (the binary stores come with their own modules).
void SetStoreReader(uint8_t kind, TStoreReader reader);
