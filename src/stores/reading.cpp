#include "stores/reading.h"

#include "platform/ascii.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"

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
