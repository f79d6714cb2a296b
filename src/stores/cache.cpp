#include "stores/cache.h"
#include "platform/ascii.h"

#include <fstream>

#include "config/settings.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/fatDb.h"
#include "stores/fatIndex.h"
#include "stores/ie2Index.h"
#include "stores/ie3Cache.h"
#include "stores/ie4Index.h"
#include "stores/ie5Index.h"
#include "stores/plainLog.h"

namespace {
TStoreReader readers[10] = {};

void ReadTextIndex(TCabinet &cabinet, const std::string &path) {
    ReadFatIndex(cabinet, path);
}

bool ReadersInstalled() {
    static bool done = [] {
        readers[KindPlainLog] = ReadPlainLog;
        readers[KindMirrorLog] = ReadTextIndex;
        readers[KindNetscape1] = ReadTextIndex;
        readers[KindTapline] = ReadTextIndex;
        readers[KindNetscape2] = ReadFatDb;
        readers[KindMsie2] = ReadIE2Index;
        readers[KindMsie3] = ReadIE3Cache;
        readers[KindMsie4] = ReadIE4Index;
        readers[KindMsie5] = ReadIE5Index;
        return true;
    }();
    return done;
}

// The file a kind is read from: the index file (found without regard to letter case) or
// the cabinet folder itself.
const char *IndexName(uint8_t kind) {
    switch (kind) {
    case KindMirrorLog:
        return "trfat.db";
    case KindNetscape1:
        return "fat";
    case KindNetscape2:
        return "fat.db";
    case KindMsie2:
        return "iexplore.cif";
    case KindTapline:
        return "Cache.db";
    default:
        return nullptr;
    }
}

// The kind an "index.dat" names: 9 when the file begins with the signature of the later
// format, 8 otherwise (also when it cannot be read: the reader then says so).
uint8_t IndexDatKind(const std::string &path) {
    char head[IE5IndexSignature.size()] = {};
    std::ifstream file(path, std::ios::binary);
    file.read(head, sizeof head);
    const bool later = file.gcount() == static_cast<std::streamsize>(sizeof head) &&
                       std::string_view(head, sizeof head) == IE5IndexSignature;
    return later ? KindMsie5 : KindMsie4;
}
} // namespace

void SetStoreReader(uint8_t kind, TStoreReader reader) {
    ReadersInstalled();
    if (kind < 10)
        readers[kind] = reader;
}

std::string LoadingText(uint8_t kind) {
    switch (kind) {
    case KindPlainLog:
        return "ログを読み込み中．．．";
    case KindMirrorLog:
        return "ミラーログを読み込み中．．．";
    case KindNetscape1:
        return "Netsacpe Navigator V1.Xのキャッシュを読み込み中．．．";
    case KindNetscape2:
        return "Netsacpe Navigator V2.X～のキャッシュを読み込み中．．．";
    case KindMsie2:
        return "MS-InternetExplorer V2.Xのキャッシュを読み込み中．．．";
    case KindMsie3:
        return "MS-InternetExplorer V3.Xのキャッシュを読み込み中．．．";
    case KindTapline:
        return "Taplineのキャッシュを読み込み中．．．";
    case KindMsie4:
        return "MS-InternetExplorer V4.Xのキャッシュを読み込み中．．．";
    case KindMsie5:
        return "MS-InternetExplorer V5.X～のキャッシュを読み込み中．．．";
    default:
        return {};
    }
}

void DetectCabinetKind(TCabinet &cabinet) {
    if (cabinet.Kind != KindUnknown)
        return;
    if (cabinet.Path.empty()) {
        cabinet.Kind = KindPlainLog;
        return;
    }
    for (const TStoreMarker &marker : StoreMarkers) {
        const std::string found = fs::FindStoreFile(cabinet.Path, marker.FileName);
        if (!found.empty()) {
            cabinet.Kind = marker.Kind == KindMsie4 ? IndexDatKind(found) : marker.Kind;
            return;
        }
    }
    cabinet.Kind = KindPlainLog;
}

void LoadCabinet(TCabinet &cabinet) {
    ReadersInstalled();
    DetectCabinetKind(cabinet);
    const uint8_t kind = cabinet.Kind;
    cabinet.IndexComplete = true;
    cabinet.Listings.Clear();
    // A cabinet without a folder reads nothing (it would otherwise read the working folder).
    if (kind >= KindPlainLog && kind <= KindMsie5 && !cabinet.Path.empty()) {
        std::string path = cabinet.Path;
        bool read = true;
        if (const char *name = IndexName(kind)) {
            std::string found = fs::FindStoreFile(cabinet.Path, name);
            if (kind == KindMirrorLog || kind == KindTapline) {
                // The program's own indexes: without one the cabinet is simply empty, and
                // the index is written back to the file found here.
                cabinet.IndexFile = found.empty() ? cabinet.Path + name : found;
                read = !found.empty();
            }
            path = found.empty() ? cabinet.Path + name : found;
        }
        if (read) {
            seam::SetStatusText(LoadingText(kind));
            if (TStoreReader reader = readers[kind])
                reader(cabinet, path);
        }
    }
    cabinet.IndexRead = true;
    if (!Settings().OpDelete)
        cabinet.Deletable = kind == KindPlainLog || kind == KindMirrorLog || kind == KindTapline;
    seam::SetStatusText("");
}

void UpdateCabinetIndex(TCabinet &cabinet) {
    const char *text = nullptr;
    if (cabinet.Kind == KindMirrorLog)
        text = "ミラーログのデータベースを更新中．．．";
    else if (cabinet.Kind == KindTapline)
        text = "Taplineのデータベースを更新中．．．";
    if (!text || !cabinet.IndexRead || !cabinet.IndexComplete || cabinet.Path.empty())
        return;
    seam::SetStatusText(text);
    std::string path = cabinet.IndexFile;
    if (path.empty())
        path = cabinet.Path + (cabinet.Kind == KindMirrorLog ? "trfat.db" : "Cache.db");
    WriteFatIndex(cabinet, path);
    seam::SetStatusText("");
}

void RefreshCabinet(TCabinet &cabinet) {
    UpdateCabinetIndex(cabinet);
    ResetFound(cabinet, true);
    LoadCabinet(cabinet);
    SweepNotFound(cabinet);
}
