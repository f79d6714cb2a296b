#include "stores/cache.h"
#include "platform/ascii.h"

#include "config/settings.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/fatDb.h"
#include "stores/fatIndex.h"
#include "stores/ie2Index.h"
#include "stores/ie3Cache.h"
#include "stores/ie4Index.h"
#include "stores/plainLog.h"

namespace {
TStoreReader readers[9] = {};

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
} // namespace

void SetStoreReader(uint8_t kind, TStoreReader reader) {
    ReadersInstalled();
    if (kind < 9)
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
    for (const TStoreMarker &marker : StoreMarkers)
        if (!fs::FindStoreFile(cabinet.Path, marker.FileName).empty()) {
            cabinet.Kind = marker.Kind;
            return;
        }
    cabinet.Kind = KindPlainLog;
}

void LoadCabinet(TCabinet &cabinet) {
    ReadersInstalled();
    DetectCabinetKind(cabinet);
    const uint8_t kind = cabinet.Kind;
    cabinet.IndexComplete = true;
    // A cabinet without a folder reads nothing (it would otherwise read the working folder).
    if (kind >= KindPlainLog && kind <= KindMsie4 && !cabinet.Path.empty()) {
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

TFile *AddURL(TTree &parent, const std::string &url, TFileData &data) {
    TTree *folder = &parent;
    size_t start = 0;
    for (size_t i = 0; i < url.size(); ++i) {
        if (url[i] != '/')
            continue;
        // A "/" right after ":" or "/" within a segment belongs to it (http://h is one
        // segment); a "/" that starts a segment ends it.
        if (i > start && (url[i - 1] == ':' || url[i - 1] == '/'))
            continue;
        if (i > start)
            folder = FindOrAddDir(*folder, url.substr(start, i - start));
        start = i + 1;
    }
    if (start < url.size()) {
        data.RootPage = 0;
        return FindOrAddFile(*folder, url.substr(start), data);
    }
    data.RootPage = 1;
    return FindOrAddFile(*folder, RootPageName, data);
}

bool ReadIndexFile(TCabinet &cabinet, const std::string &path, std::string &image) {
    if (fs::ReadWholeFile(path, image))
        return true;
    ShowCacheReadError(path);
    cabinet.IndexComplete = false;
    seam::ResetProgress();
    return false;
}

void ShowCacheReadError(const std::string &path) {
    seam::Messages().ErrorBox("ファイル内のキャッシュデータが読めません。\r\nFile : " + path);
}

double FileTimeToDateTime(uint64_t fileTime) {
    // 100-nanosecond steps since 1601-01-01 UTC; 11644473600 seconds lie before 1970.
    int64_t seconds = static_cast<int64_t>(fileTime / 10000000ull) - 11644473600ll;
    return UtcSecondsToDosDateTime(seconds);
}

std::string GetContentType(std::string_view headers) {
    size_t nul = headers.find('\0');
    if (nul != std::string_view::npos)
        headers = headers.substr(0, nul);
    std::string lower = ToLowerAscii(headers);
    static const std::string key = "content-type: ";
    size_t at = lower.find(key);
    if (at == std::string::npos)
        return {};
    at += key.size();
    size_t end = lower.find('\r', at);
    return lower.substr(at, end == std::string::npos ? std::string::npos : end - at);
}
