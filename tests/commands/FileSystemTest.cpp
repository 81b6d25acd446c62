// The root-folder file system under the commands: patterns, the path limit, times and kinds.
#include "platform/FileSystem.h"

#include "tests/support/TemporaryFolder.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::u16string wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::set<std::string> matches(const std::string& root, const std::string& pattern) {
    std::set<std::string> names;
    platform::FindData data;
    platform::FindHandle search = platform::findFirstFile(root.c_str(), wide(pattern).c_str(), data);
    if (search == nullptr)
        return names;
    do {
        std::u16string name(data.name);
        names.insert(std::string(name.begin(), name.end()));
    } while (platform::findNextFile(search, data));
    platform::findClose(search);
    return names;
}

TEST(FileSystemTest, PatternsMatchLikeTheHandheld) {
    TemporaryFolder root;
    for (const char* name : {"a.txt", "B.TXT", "noext", "ab.txt.bak", "c.t"})
        writeTextFile(root.file(name), "x");
    struct Case {
        const char* pattern;
        std::set<std::string> expected;
    };
    const Case cases[] = {
        {"*.*", {".", "..", "a.txt", "B.TXT", "noext", "ab.txt.bak", "c.t"}},
        {"*", {".", "..", "a.txt", "B.TXT", "noext", "ab.txt.bak", "c.t"}},
        {"*.txt", {"a.txt", "B.TXT"}},
        {"?.t*", {"a.txt", "B.TXT", "c.t"}},
        {"noext", {"noext"}},
        {"NOEXT", {}}, // a name without wildcards is looked up as it is
        {"missing", {}},
        {"\\*.bak", {"ab.txt.bak"}},
        {"a.txt\\*.*", {}},
    };
    for (const Case& test : cases)
        EXPECT_EQ(matches(root.path(), test.pattern), test.expected) << test.pattern;
}

TEST(FileSystemTest, PathsOfMoreThan259UnitsFail) {
    TemporaryFolder root;
    const std::string folder = std::string(200, 'f');
    std::filesystem::create_directories(root.file(folder));
    const std::string fits = folder + "/" + std::string(58, 'n'); // 259 units
    const std::string tooLong = folder + "/" + std::string(59, 'n');
    writeTextFile(root.file(fits), "fits");
    writeTextFile(root.file(tooLong), "too long");
    platform::FileHandle file = platform::openFileForReadingIn(root.path().c_str(), wide(fits).c_str());
    EXPECT_NE(file, platform::INVALID_FILE_HANDLE);
    platform::closeFile(file);
    EXPECT_EQ(platform::openFileForReadingIn(root.path().c_str(), wide(tooLong).c_str()),
              platform::INVALID_FILE_HANDLE);
    EXPECT_FALSE(platform::deleteFile(root.path().c_str(), wide(tooLong).c_str()));
    EXPECT_TRUE(std::filesystem::exists(root.file(tooLong)));
}

uint64_t lastWriteTimeAfterSetting(const std::string& folder, int64_t seconds) {
    const std::string file = folder + "/t";
    writeTextFile(file, "x");
    timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    if (::utimensat(AT_FDCWD, file.c_str(), times, 0) != 0)
        return 1;
    platform::FindData data;
    platform::FindHandle search = platform::findFirstFile(folder.c_str(), u"t", data);
    platform::findClose(search);
    return search == nullptr ? 1 : data.lastWriteTime;
}

TEST(FileSystemTest, TimesCountFrom1601AndNeverWrap) {
    TemporaryFolder root;
    EXPECT_EQ(lastWriteTimeAfterSetting(root.path(), 0), 116444736000000000ULL);
    EXPECT_EQ(lastWriteTimeAfterSetting(root.path(), -2147483648LL), 94969899520000000ULL);
    // Only a file system that keeps 64-bit times (tmpfs) can hold a time before 1601.
    char shared[] = "/dev/shm/kelvane-times-XXXXXX";
    if (::mkdtemp(shared) == nullptr)
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    EXPECT_EQ(lastWriteTimeAfterSetting(shared, -11644473600LL), 0u);
    EXPECT_EQ(lastWriteTimeAfterSetting(shared, -20000000000LL), 0u) << "before 1601: 0, not a wrapped count";
    std::filesystem::remove_all(shared);
}

TEST(FileSystemTest, WritingRefusesEverythingButRegularFiles) {
    TemporaryFolder root;
    std::filesystem::create_directories(root.file("folder"));
    ASSERT_EQ(::mkfifo(root.file("pipe").c_str(), 0600), 0);
    for (const char* path : {"folder", "pipe", "", "\\", "folder\\..", "missing\\file"}) {
        EXPECT_EQ(platform::openFileForWritingIn(root.path().c_str(), wide(path).c_str(),
                                                 platform::ExistingContent::Keep),
                  platform::INVALID_FILE_HANDLE)
            << path;
    }
    EXPECT_FALSE(std::filesystem::exists(root.file("missing")));
}

TEST(FileSystemTest, RootInEveryForm) {
    TemporaryFolder root;
    std::filesystem::create_directories(root.file("a/b"));
    std::filesystem::create_directory_symlink("/", root.file("to-top"));
    for (const char* path : {"", "\\", "/", ".", "a\\..", "a/b/../..", "..", "..\\..", "to-top", "\\\\"})
        EXPECT_TRUE(platform::isRootFolder(root.path().c_str(), wide(path).c_str())) << path;
    for (const char* path : {"a", "a\\b", "missing", "a\\..\\a"})
        EXPECT_FALSE(platform::isRootFolder(root.path().c_str(), wide(path).c_str())) << path;
}

} // namespace
