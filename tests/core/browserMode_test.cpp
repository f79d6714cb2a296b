#include "config/browserMode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "config/registry.h"
#include "support/fakes.h"

namespace {
const std::string IE = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Main]\n";
const std::string Settings =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\n";
const std::string NN = "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Main]\n";

// One value as REGEDIT4 writes its data ("-" when missing).
std::string Value(TRegistry &registry, THive hive, const std::string &key,
                  const std::string &name) {
    registry.SetRootKey(hive);
    std::optional<TRegData> data;
    if (registry.OpenKey(key, false))
        data = registry.ReadData(name);
    registry.CloseKey();
    registry.SetRootKey(THive::CurrentUser);
    if (!data)
        return "-";
    if (data->Type == RegSz)
        return "\"" + data->Bytes + "\"";
    char text[16];
    if (data->Type == RegDword && data->Bytes.size() == 4) {
        uint32_t v = 0;
        for (size_t i = 4; i-- > 0;)
            v = v << 8 | static_cast<unsigned char>(data->Bytes[i]);
        std::snprintf(text, sizeof text, "dword:%08x", v);
        return text;
    }
    std::string hex = "hex:";
    char byte[4];
    for (size_t i = 0; i < data->Bytes.size(); ++i) {
        std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x",
                      static_cast<unsigned char>(data->Bytes[i]));
        hex += byte;
    }
    return hex;
}

// The three values as "frequency|syncmode|checkserver".
std::string Values(TRegistry &registry) {
    return Value(registry, THive::LocalMachine, "\\SOFTWARE\\Microsoft\\Internet Explorer\\Main",
                 "Cache_Update_Frequency") +
           "|" +
           Value(registry, THive::CurrentUser,
                 "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "SyncMode") +
           "|" +
           Value(registry, THive::CurrentUser, "\\Software\\Netscape\\Netscape Navigator\\Main",
                 "Check Server");
}

TEST(BrowserModeTest, SetsNeverCheckAndPutsBackWhatWasSaved) {
    struct Row {
        const char *Case;
        std::string Registry;
        const char *WhileRunning, *AtTheEnd;
    } rows[] = {
        {"three stored values",
         IE + "\"Cache_Update_Frequency\"=\"Once_Per_Session\"\n" + Settings +
             "\"SyncMode\"=dword:00000003\n" + NN + "\"Check Server\"=dword:00000001\n",
         "\"Never\"|dword:00000000|dword:00000002",
         "\"Once_Per_Session\"|dword:00000003|dword:00000001"},
        {"SyncMode as 4 raw bytes stays raw bytes", Settings + "\"SyncMode\"=hex:03,00,00,80\n",
         "-|hex:00,00,00,00|-", "-|hex:03,00,00,80|-"},
        {"missing values: only the frequency is created, and stays", IE + Settings + NN,
         "\"Never\"|-|-", "\"Never\"|-|-"},
        {"empty frequency is not put back", IE + "\"Cache_Update_Frequency\"=\"\"\n",
         "\"Never\"|-|-", "\"Never\"|-|-"},
        {"negative numbers are put back", Settings + "\"SyncMode\"=dword:ffffffff\n" + NN +
                                              "\"Check Server\"=dword:ffffffff\n",
         "-|dword:00000000|dword:00000002", "-|dword:ffffffff|dword:ffffffff"},
        {"values of other types are left alone",
         IE + "\"Cache_Update_Frequency\"=dword:00000001\n" + Settings +
             "\"SyncMode\"=hex:03,00\n" + NN + "\"Check Server\"=\"1\"\n",
         "dword:00000001|hex:03,00|\"1\"", "dword:00000001|hex:03,00|\"1\""},
        {"no browser keys", "", "-|-|-", "-|-|-"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.Case);
        TRegistry registry;
        registry.LoadText("REGEDIT4\n\n" + row.Registry);
        std::string before = registry.ToText();
        TBrowserMode mode;
        SetBrowserMode(registry, mode);
        EXPECT_EQ(Values(registry), row.WhileRunning);
        ResetBrowserMode(registry, mode);
        EXPECT_EQ(Values(registry), row.AtTheEnd);
        if (row.Registry.empty()) {
            EXPECT_EQ(registry.ToText(), before);
        }
        EXPECT_EQ(registry.RootKey(), THive::CurrentUser);
    }
}

TEST(BrowserModeTest, SavedInTheFileAndNoKeyCreatedAtTheEnd) {
    TTempFolder temp;
    std::string path = temp.Write("registry.reg", "REGEDIT4\n\n" + Settings +
                                                      "\"SyncMode\"=dword:00000004\n" + NN +
                                                      "\"Check Server\"=dword:00000001\n");
    TBrowserMode mode;
    {
        TRegistry registry(path);
        SetBrowserMode(registry, mode);
    }
    TRegistry registry(path);
    EXPECT_EQ(Values(registry), "-|dword:00000000|dword:00000002");
    // Netscape was removed while the program ran: its key is not made again.
    registry.DeleteKey("\\Software\\Netscape");
    ResetBrowserMode(registry, mode);
    TRegistry after(path);
    EXPECT_EQ(Values(after), "-|dword:00000004|-");
    EXPECT_FALSE(after.KeyExists("\\Software\\Netscape"));
}
} // namespace
