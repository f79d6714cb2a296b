#include "config/browserMode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/registry.h"
#include "support/fakes.h"

namespace {
const std::string IE = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Main]\n";
const std::string Settings =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\n";
const std::string NN = "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Main]\n";

// The three values as "frequency|syncmode|checkserver", each as REGEDIT4 writes its data
// ("-" when missing); no fixture holds these names twice.
std::string Values(const TRegistry &registry) {
    std::string text = registry.ToText(), out;
    for (const char *name : {"\"Cache_Update_Frequency\"=", "\"SyncMode\"=", "\"Check Server\"="}) {
        size_t at = text.find(name);
        out += out.empty() ? "" : "|";
        out += at == std::string::npos ? "-"
                                       : text.substr(at + std::strlen(name),
                                                     text.find('\r', at) - at - std::strlen(name));
    }
    return out;
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
        {"negative numbers are put back",
         Settings + "\"SyncMode\"=dword:ffffffff\n" + NN + "\"Check Server\"=dword:ffffffff\n",
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
    std::string path =
        temp.Write("registry.reg", "REGEDIT4\n\n" + Settings + "\"SyncMode\"=dword:00000004\n" +
                                       NN + "\"Check Server\"=dword:00000001\n");
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
