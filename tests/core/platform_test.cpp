// The POSIX pieces: local folder addresses, the inside-the-folder check, the time-zone bias,
// date-time splitting and the atomic file write.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "items/tree.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "support/fakes.h"

TEST(LocalAddressTest, FolderPathsBecomeFileAddressesAndBack) {
    struct Row {
        const char *name;
        std::string path;
        std::string url;
    };
    const Row rows[] = {
        {"folder", "/home/u/m/", "file:///home/u/m/"},
        {"file", "/home/u/m/a.html", "file:///home/u/m/a.html"},
        {"root", "/", "file:///"},
        {"non-ASCII bytes stay", "/d/\x83\x65\x83\x58\x83\x67/",
         "file:///d/\x83\x65\x83\x58\x83\x67/"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ("file:///" + PathToURL(row.path), row.url) << row.name;
        EXPECT_EQ(URLToPath(row.url), row.path) << row.name;
    }
}

TEST(InsideFolderTest, OnlyPathsBelowTheFolderWithoutDotSegments) {
    struct Row {
        const char *name;
        std::string path;
        bool inside;
    };
    const Row rows[] = {
        {"file below", "/c/log/a/b.html", true},
        {"the folder itself", "/c/log/", true},
        {"sibling with the same prefix", "/c/logbook/a", false},
        {"dot-dot segment", "/c/log/a/../../etc/passwd", false},
        {"dot segment", "/c/log/./a", false},
        {"dot-dot at the end", "/c/log/a/..", false},
        {"a name with dots is fine", "/c/log/..a/b..", true},
        {"elsewhere", "/etc/passwd", false},
    };
    for (const Row &row : rows)
        EXPECT_EQ(fs::IsInsideFolder("/c/log/", row.path), row.inside) << row.name;
    EXPECT_FALSE(fs::IsInsideFolder("", "/c/log/a")) << "no folder holds nothing";
}

TEST(TimeZoneTest, BiasIsTheStandardOffsetInDays) {
    const char *old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "Asia/Tokyo", 1);
    ResetTimeZoneBias();
    EXPECT_DOUBLE_EQ(TimeZoneBias(), -9.0 / 24.0);
    setenv("TZ", "America/New_York", 1); // standard time, whatever the season
    ResetTimeZoneBias();
    EXPECT_DOUBLE_EQ(TimeZoneBias(), 5.0 / 24.0);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    ResetTimeZoneBias();
}

TEST(DateTimeTest, SplitsAfterRoundingToTheMillisecond) {
    double nine = EncodeDateTime({1997, 1, 1, 9, 0, 0, 0});
    TDateFields f = DecodeDateTime(nine - 1e-10); // a hair below, as arithmetic leaves it
    EXPECT_EQ(f.Hour, 9);
    EXPECT_EQ(f.Minute, 0);
    EXPECT_EQ(f.Second, 0);
    TDateFields midnight = DecodeDateTime(EncodeDateTime({1999, 12, 31, 23, 59, 59, 999}) + 1e-8);
    EXPECT_EQ(midnight.Year, 2000);
    EXPECT_EQ(midnight.Month, 1);
    EXPECT_EQ(midnight.Day, 1);
    EXPECT_EQ(DecodeDateTime(1e300).Year, 1899) << "out-of-range values decode to the epoch";
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime(0, 0), 0);
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime((17 << 9) | (2 << 5) | 30, 0), 0) << "30 February";
}

TEST(AtomicWriteTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TTempFolder folder;
    std::string path = folder.Write("index.db", "old");
    ASSERT_TRUE(fs::WriteFileAtomic(path, "new"));
    std::string bytes;
    ASSERT_TRUE(fs::ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "new");

    std::string blocked = folder.Path() + "blocked";
    std::filesystem::create_directories(blocked + "/inside");
    std::string error;
    EXPECT_FALSE(fs::WriteFileAtomic(blocked, "data", &error));
    EXPECT_FALSE(error.empty());
    size_t entries = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 2u) << "only index.db and the blocking folder";
}

std::vector<std::string> SortedNames(const std::string &folder) {
    std::vector<std::string> names;
    for (const auto &entry : fs::ListFolder(folder))
        names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicWriteTest, AKilledWriterLeavesNothingAndStaleTemporariesGoWithTheNextWrite) {
    TTempFolder folder;
    std::string path = folder.Write("index.db", "old");
    ::chmod(path.c_str(), 0640);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        fs::TAtomicFile file;
        if (file.Open(path))
            file.Write("partial", 7);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(SortedNames(folder.Path()), std::vector<std::string>{"index.db"});

    // What a writer that died with a named temporary leaves, beside a live writer's temporary
    // (locked), another target's and a name that only looks alike.
    folder.Write(".index.db.Ab12Cd", "stale");
    folder.Write(".other.db.Ab12Cd", "another target");
    folder.Write(".index.db.Ab12C", "not a temporary");
    std::string live = folder.Write(".index.db.Zz99Zz", "live");
    int liveFd = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);
    ASSERT_TRUE(fs::WriteFileAtomic(path, "new"));
    ::close(liveFd);
    EXPECT_EQ(SortedNames(folder.Path()),
              (std::vector<std::string>{".index.db.Ab12C", ".index.db.Zz99Zz", ".other.db.Ab12Cd",
                                        "index.db"}));
    std::string bytes;
    ASSERT_TRUE(fs::ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "new");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the replaced file's permissions are kept";
}

TEST(LetterCaseTest, NamesInAnotherCaseResolveToTheNamesOnDisk) {
    TTempFolder folder;
    folder.Write("Cache/INDEX.DAT", "x");
    folder.Write("Cache/sub/Page.HTM", "x");
    folder.Write("twin/a", "file");
    std::filesystem::create_directories(folder.Path() + "twin/A");
    folder.Write("twin/A/b", "x");
    const std::string &p = folder.Path();
    struct Row {
        const char *name;
        std::string asked, expected;
    };
    const Row rows[] = {
        {"exact name", p + "Cache/INDEX.DAT", p + "Cache/INDEX.DAT"},
        {"file in its own folder", p + "Cache/index.dat", p + "Cache/INDEX.DAT"},
        {"folder and file", p + "CACHE/SUB/page.htm", p + "Cache/sub/Page.HTM"},
        {"a file where the path ends", p + "twin/A", p + "twin/A"},
        {"a file where the path ends, other case", p + "TWIN/a", p + "twin/a"},
        {"a folder where the path goes on", p + "TWIN/a/B", p + "twin/A/b"},
        {"missing name unchanged", p + "cache/none.dat", p + "cache/none.dat"},
        {"missing folder unchanged", p + "none/INDEX.DAT", p + "none/INDEX.DAT"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(fs::ResolveCase(row.asked), row.expected) << row.name;
}
