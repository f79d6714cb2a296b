// Writes a generated cache and a registry file that registers it alone, for the whole-process
// start-up figures.
// usage: ui_make_cache KIND FOLDER ENTRIES REGISTRY   (KIND 2: mirror log, 3: Netscape 1.x)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "uiBench.h"

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s KIND FOLDER ENTRIES REGISTRY\n", argv[0]);
        return 2;
    }
    int kind = std::atoi(argv[1]);
    std::string folder = argv[2];
    if (folder.back() != '/')
        folder += '/';
    if (kind != 2 && kind != 3) {
        std::fprintf(stderr, "KIND must be 2 (mirror log) or 3 (Netscape 1.x)\n");
        return 2;
    }
    WriteGeneratedCache(kind, folder, std::atoi(argv[3]));
    WriteRegistryFile(argv[4], {{kind == 2 ? "mirror200k" : "netscape1-200k", folder, kind, kind == 2}});
    return 0;
}
