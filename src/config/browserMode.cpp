#include "config/browserMode.h"

#include <exception>

#include "config/registry.h"
#include "platform/error.h"

namespace {
const std::string IEMainKey = "\\SOFTWARE\\Microsoft\\Internet Explorer\\Main";
const std::string InternetSettingsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string NetscapeMainKey = "\\Software\\Netscape\\Netscape Navigator\\Main";

// Puts back the hive that was current, whatever happens on the way.
class THiveScope {
public:
    explicit THiveScope(TRegistry &registry) : registry(registry), hive(registry.RootKey()) {}
    ~THiveScope() {
        try {
            registry.CloseKey();
            registry.SetRootKey(hive);
        } catch (const std::exception &) {
        }
    }
    THiveScope(const THiveScope &) = delete;
    THiveScope &operator=(const THiveScope &) = delete;

private:
    TRegistry &registry;
    THive hive;
};

bool OpenExisting(TRegistry &registry, THive hive, const std::string &key) {
    registry.SetRootKey(hive);
    return registry.KeyExists(key) && registry.OpenKey(key, false);
}

// A failed save while setting the mode is passed over: the values stay saved in memory, so
// putting them back at the end is still right.
void CloseQuietly(TRegistry &registry) {
    try {
        registry.CloseKey();
    } catch (const std::exception &) {
    }
}

std::string LittleEndian(int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    std::string bytes(4, '\0');
    for (size_t i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return bytes;
}

int32_t FromLittleEndian(const std::string &bytes) {
    uint32_t bits = 0;
    for (size_t i = 4; i-- > 0;)
        bits = bits << 8 | static_cast<unsigned char>(bytes[i]);
    return static_cast<int32_t>(bits);
}
} // namespace

void SetBrowserMode(TRegistry &registry, TBrowserMode &mode) {
    mode = TBrowserMode();
    THiveScope scope(registry);
    try {
        if (OpenExisting(registry, THive::LocalMachine, IEMainKey)) {
            try {
                mode.SavedUpdateFrequency = registry.ReadString("Cache_Update_Frequency");
                registry.WriteString("Cache_Update_Frequency", "Never");
            } catch (const TError &) {
                mode.SavedUpdateFrequency.clear();
            }
            CloseQuietly(registry);
        }
    } catch (const std::exception &) {
    }
    try {
        if (OpenExisting(registry, THive::CurrentUser, InternetSettingsKey)) {
            mode.SyncModeBinary = false;
            try {
                mode.SavedSyncMode = registry.ReadInteger("SyncMode");
                registry.WriteInteger("SyncMode", 0);
            } catch (const TError &) {
                mode.SyncModeBinary = true;
                mode.SavedSyncMode.reset();
                // Only a binary value of exactly 4 bytes can be put back as it was.
                std::optional<TRegData> data = registry.ReadData("SyncMode");
                if (data && data->Type == RegBinary && data->Bytes.size() == 4) {
                    mode.SavedSyncMode = FromLittleEndian(data->Bytes);
                    registry.WriteData("SyncMode", {RegBinary, std::string(4, '\0')});
                }
            }
            CloseQuietly(registry);
        }
    } catch (const std::exception &) {
    }
    try {
        if (OpenExisting(registry, THive::CurrentUser, NetscapeMainKey)) {
            try {
                mode.SavedCheckServer = registry.ReadInteger("Check Server");
                registry.WriteInteger("Check Server", 2);
            } catch (const TError &) {
                mode.SavedCheckServer.reset();
            }
            CloseQuietly(registry);
        }
    } catch (const std::exception &) {
    }
}

void ResetBrowserMode(TRegistry &registry, const TBrowserMode &mode) {
    THiveScope scope(registry);
    if (!mode.SavedUpdateFrequency.empty() &&
        OpenExisting(registry, THive::LocalMachine, IEMainKey)) {
        registry.WriteString("Cache_Update_Frequency", mode.SavedUpdateFrequency);
        registry.CloseKey();
    }
    if (mode.SavedSyncMode && OpenExisting(registry, THive::CurrentUser, InternetSettingsKey)) {
        if (mode.SyncModeBinary)
            registry.WriteData("SyncMode", {RegBinary, LittleEndian(*mode.SavedSyncMode)});
        else
            registry.WriteInteger("SyncMode", *mode.SavedSyncMode);
        registry.CloseKey();
    }
    if (mode.SavedCheckServer && OpenExisting(registry, THive::CurrentUser, NetscapeMainKey)) {
        registry.WriteInteger("Check Server", *mode.SavedCheckServer);
        registry.CloseKey();
    }
}
