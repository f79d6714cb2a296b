#pragma once
// The program-wide settings, one variable each, named after their registry values in the
// Config key. The start values are the defaults of a first start.
#include <cstdint>
#include <string>

// The main window's placement as the window-placement record holds it.
struct TWindowPlacement {
    int32_t Flag = 0;
    int32_t ShowCmd = 1; // 1 normal, 2 minimised, 3 maximised
    int32_t MinX = -1, MinY = -1;
    int32_t MaxX = -1, MaxY = -1;
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0; // normal geometry
};

inline constexpr const char *DefaultHtmlFileExt = ".HTML;.HTM;.ASP";

struct TSettings {
    TWindowPlacement Placement;
    double Exec = 0;      // previous start, as read
    double Terminate = 0; // previous end, as read
    int32_t ViewStyle = 0;
    std::string HtmlFileExt = DefaultHtmlFileExt;
    int32_t Split = 150;
    bool Warning = true;
    bool ToolBar = true;
    bool StatusBar = true;
    bool OpTreeAutoScroll = true;
    bool OpListAutoScroll = false;
    bool OpDelete = false;
    bool OpDeleteDB = true;
    bool OpCopyConv = false;
    bool OpCopyLink = false;
    bool OpCopyDir = false;
    int32_t OpCopyDelay = 2;
    bool OpMirrorLink = false;
    int32_t OpMirrorDelay = 2;
    int32_t ListMode = 0;
    bool OpBrowser = false;
};

// The one set of settings of the running program.
TSettings &Settings();

// Sets one setting from its registry value name (case-insensitive, "Html File Ext." and
// "View Style" included) and a text: integers in decimal, booleans as 0/1/true/false.
// False when the name is unknown or the text does not fit the type.
bool SetSettingByName(const std::string &name, const std::string &value);
