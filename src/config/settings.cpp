#include "config/settings.h"

#include "platform/ascii.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

TSettings &Settings() {
    static TSettings settings;
    return settings;
}

namespace {
bool ParseInt(const std::string &text, int32_t &out) {
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX)
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool ParseBool(const std::string &text, bool &out) {
    if (SameAscii(text, "true") || text == "1") {
        out = true;
        return true;
    }
    if (SameAscii(text, "false") || text == "0") {
        out = false;
        return true;
    }
    int32_t v;
    if (!ParseInt(text, v))
        return false;
    out = v != 0;
    return true;
}
} // namespace

bool SetSettingByName(const std::string &name, const std::string &value) {
    TSettings &s = Settings();
    const std::pair<const char *, bool *> bools[] = {
        {"Warning", &s.Warning},
        {"Tool Bar", &s.ToolBar},
        {"Status Bar", &s.StatusBar},
        {"OpTreeAutoScroll", &s.OpTreeAutoScroll},
        {"OpListAutoScroll", &s.OpListAutoScroll},
        {"OpDelete", &s.OpDelete},
        {"OpDeleteDB", &s.OpDeleteDB},
        {"OpCopyConv", &s.OpCopyConv},
        {"OpCopyLink", &s.OpCopyLink},
        {"OpCopyDir", &s.OpCopyDir},
        {"OpMirrorLink", &s.OpMirrorLink},
        {"OpBrowser", &s.OpBrowser},
    };
    const std::pair<const char *, int32_t *> ints[] = {
        {"View Style", &s.ViewStyle},    {"Split", &s.Split},
        {"OpCopyDelay", &s.OpCopyDelay}, {"OpMirrorDelay", &s.OpMirrorDelay},
        {"ListMode", &s.ListMode},
    };
    for (const auto &[key, field] : bools)
        if (SameAscii(name, key))
            return ParseBool(value, *field);
    for (const auto &[key, field] : ints)
        if (SameAscii(name, key))
            return ParseInt(value, *field);
    if (SameAscii(name, "Html File Ext.")) {
        std::string upper = ToUpperAscii(value);
        s.HtmlFileExt = upper.empty() ? DefaultHtmlFileExt : upper;
        return true;
    }
    return false;
}
