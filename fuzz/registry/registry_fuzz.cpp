// Parses the bytes as a registry file, reads and enumerates a little, and checks that the
// text written from it reads back into the same registry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/registry.h"
#include "platform/error.h"

namespace {
void Exercise(TRegistry &registry) {
    for (THive hive : {THive::CurrentUser, THive::LocalMachine}) {
        registry.SetRootKey(hive);
        if (!registry.OpenKey("\\Software\\Kestrelware\\Trawler\\Config", false))
            continue;
        for (const std::string &name : registry.GetValueNames()) {
            try {
                registry.ReadInteger(name);
            } catch (const TError &) {
            }
            try {
                registry.ReadString(name);
            } catch (const TError &) {
            }
            try {
                registry.ReadFloat(name);
            } catch (const TError &) {
            }
        }
        registry.CloseKey();
        if (registry.OpenKey("\\Software\\Kestrelware\\Trawler\\Cabinets", false)) {
            for (const std::string &name : registry.GetKeyNames())
                if (registry.KeyExists(name) && registry.OpenKey(name, false)) {
                    registry.HasSubKeys();
                    registry.CloseKey();
                    break;
                }
            registry.CloseKey();
        }
    }
    registry.SetRootKey(THive::CurrentUser);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    TRegistry registry;
    registry.LoadText(input);
    Exercise(registry);
    std::string first = registry.ToText();

    TRegistry again;
    again.LoadText(first);
    if (again.ToText() != first)
        std::abort();

    // Writes through the interface survive the text form too.
    if (again.OpenKey("\\Software\\Kestrelware\\Trawler\\Tools\\Tool0", true)) {
        again.WriteString("Name", std::string(input.substr(0, 64)));
        again.WriteFloat("Exec", static_cast<double>(size));
        again.CloseKey();
        std::string second = again.ToText();
        TRegistry third;
        third.LoadText(second);
        if (third.ToText() != second)
            std::abort();
        third.OpenKey("\\Software\\Kestrelware\\Trawler\\Tools\\Tool0", false);
        if (third.ReadString("Name") != input.substr(0, 64) ||
            third.ReadFloat("Exec") != static_cast<double>(size))
            std::abort();
    }
    return 0;
}
