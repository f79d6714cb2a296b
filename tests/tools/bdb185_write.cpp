// Writes a Berkeley DB 1.85 hash file through the real library (libdb1, loaded at run time),
// so the tests and the demo data can read files the way the browsers' library wrote them.
//
// usage: bdb185_write OUTPUT BSIZE FFACTOR [NELEM] < records
// Records on standard input, one after another:
//   '+' key-length(u32 LE) key data-length(u32 LE) data    put (an existing key is replaced)
//   '-' key-length(u32 LE) key                              delete
// Exit status 0 when every record was applied and the file closed cleanly.
#include <dlfcn.h>
#include <fcntl.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
// The 1.85 interface, as the library lays it out (it ships no header).
struct DBT {
    void *data;
    size_t size;
};
enum DBTYPE { DB_BTREE, DB_HASH, DB_RECNO };
struct DB {
    DBTYPE type;
    int (*close)(DB *);
    int (*del)(const DB *, const DBT *, unsigned);
    int (*get)(const DB *, const DBT *, DBT *, unsigned);
    int (*put)(const DB *, DBT *, const DBT *, unsigned);
    int (*seq)(const DB *, DBT *, DBT *, unsigned);
    int (*sync)(const DB *, unsigned);
    void *internal;
    int (*fd)(const DB *);
};
struct HASHINFO {
    unsigned bsize;
    unsigned ffactor;
    unsigned nelem;
    unsigned cachesize;
    uint32_t (*hash)(const void *, size_t);
    int lorder;
};
using DbOpen = DB *(*)(const char *, int, int, DBTYPE, const void *);

bool ReadExactly(std::string &out, size_t count) {
    out.resize(count);
    return count == 0 || std::fread(out.data(), 1, count, stdin) == count;
}

bool ReadCounted(std::string &out) {
    unsigned char length[4];
    if (std::fread(length, 1, 4, stdin) != 4)
        return false;
    size_t count = static_cast<size_t>(length[0]) | static_cast<size_t>(length[1]) << 8 |
                   static_cast<size_t>(length[2]) << 16 | static_cast<size_t>(length[3]) << 24;
    return ReadExactly(out, count);
}

int Fail(const char *what) {
    std::fprintf(stderr, "bdb185_write: %s\n", what);
    return 1;
}
} // namespace

// The library keeps a few buffers of long entries until the process ends; under the
// sanitizer builds that must not count as a failure of the tool.
extern "C" const char *__asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char **argv) {
    if (argc < 4)
        return Fail("usage: bdb185_write OUTPUT BSIZE FFACTOR [NELEM] < records");
    void *library = dlopen(BDB185_LIBRARY, RTLD_NOW);
    if (!library)
        return Fail("cannot load " BDB185_LIBRARY);
    auto open = reinterpret_cast<DbOpen>(dlsym(library, "dbopen"));
    if (!open)
        return Fail("no dbopen in the library");
    HASHINFO info{};
    info.bsize = static_cast<unsigned>(std::atoi(argv[2]));
    info.ffactor = static_cast<unsigned>(std::atoi(argv[3]));
    info.nelem = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 1;
    DB *db = open(argv[1], O_CREAT | O_RDWR | O_TRUNC, 0644, DB_HASH, &info);
    if (!db)
        return Fail("dbopen failed");
    std::string key, data;
    int op;
    while ((op = std::fgetc(stdin)) != EOF) {
        if (!ReadCounted(key))
            return Fail("truncated key");
        DBT k{key.data(), key.size()};
        if (op == '+') {
            if (!ReadCounted(data))
                return Fail("truncated data");
            DBT d{data.data(), data.size()};
            if (db->put(db, &k, &d, 0) != 0)
                return Fail("put failed");
        } else if (op == '-') {
            if (db->del(db, &k, 0) < 0)
                return Fail("del failed");
        } else {
            return Fail("unknown record");
        }
    }
    if (db->close(db) != 0)
        return Fail("close failed");
    return 0;
}
