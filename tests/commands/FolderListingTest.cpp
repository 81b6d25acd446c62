// The folder listing: records, what is left out, sizes and times, and a client that goes away.
#include "tests/commands/CommandRig.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const std::string LISTING_HEADER = "HTTP/1.1 200 OK\r\n"
                                   "Cache-Control: no-cache, must-revalidate\r\n"
                                   "Content-Type: text/html\r\n"
                                   "Connection: close\r\n"
                                   "Command-ID: 3004\r\n"
                                   "\r\n";

std::map<std::string, ListedEntry> listing(CommandRig& rig, const std::string& line) {
    CommandReply reply = rig.runLines(&CommandHandler::listFolder, {line});
    EXPECT_EQ(reply.header, LISTING_HEADER) << line;
    std::vector<ListedEntry> entries;
    EXPECT_TRUE(parseListing(reply.body, entries)) << line;
    std::map<std::string, ListedEntry> byName;
    for (const ListedEntry& entry : entries)
        byName[entry.name] = entry;
    EXPECT_EQ(byName.size(), entries.size()) << "each entry once: " << line;
    return byName;
}

void makeFile(const std::string& path, const std::string& bytes = "x") {
    ASSERT_TRUE(writeTextFile(path, bytes)) << path;
}

void makeSocketFile(const std::string& path) {
    int handle = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    ::close(handle);
}

size_t openDescriptorCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

TEST(FolderListingTest, EmptyLineListsTheRootAndLeavesOutHiddenAndSystemEntries) {
    CommandRig rig;
    makeFile(rig.inRoot("visible.txt"), "12345");
    makeFile(rig.inRoot(".hidden"));
    std::filesystem::create_directory(rig.inRoot("folder"));
    std::filesystem::create_directory(rig.inRoot(".hidden-folder"));
    ASSERT_EQ(::mkfifo(rig.inRoot("pipe").c_str(), 0600), 0);
    makeSocketFile(rig.inRoot("socket"));
    std::filesystem::create_symlink("visible.txt", rig.inRoot("file-link"));
    std::filesystem::create_directory_symlink("folder", rig.inRoot("folder-link"));

    for (const std::string line : {"", "\\", "/"}) {
        auto entries = listing(rig, line);
        ASSERT_EQ(entries.size(), 2u) << "only the file and the folder: '" << line << "'";
        ASSERT_TRUE(entries.count("visible.txt")) << line;
        ASSERT_TRUE(entries.count("folder")) << line;
        EXPECT_EQ(entries["visible.txt"].kind, 3u);
        EXPECT_EQ(entries["visible.txt"].sizeHigh, 0u);
        EXPECT_EQ(entries["visible.txt"].sizeLow, 5u);
        EXPECT_EQ(entries["folder"].kind, 4u);
        EXPECT_EQ(entries["folder"].sizeLow, 0u) << "folders report no size";
    }
}

TEST(FolderListingTest, SizesAbove4GiBAndLastWriteTimes) {
    CommandRig rig;
    std::filesystem::create_directories(rig.inRoot("big"));
    const std::string sparse = rig.inRoot("big/sparse.bin");
    int file = ::open(sparse.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::ftruncate(file, 5000000000LL), 0);
    // 2001-09-09 01:46:40 UTC and half a second: 10^9 seconds after 1970.
    timespec times[2] = {{1000000000, 500000000}, {1000000000, 500000000}};
    ASSERT_EQ(::futimens(file, times), 0);
    ::close(file);

    CommandReply reply = rig.runLines(&CommandHandler::listFolder, {"big"});
    std::vector<ListedEntry> entries;
    ASSERT_TRUE(parseListing(reply.body, entries));
    ASSERT_EQ(entries.size(), 1u);
    // Name, NUL, kind, then size high 01 00 00 00 and low 00 F2 05 2A.
    EXPECT_EQ(reply.body.substr(0, 15), std::string("sparse.bin\0\x03\0\0\0", 15));
    EXPECT_EQ(reply.body.substr(15, 8), std::string("\x01\0\0\0\x00\xF2\x05\x2A", 8));
    uint64_t fileTime = (1000000000ULL + 11644473600ULL) * 10000000ULL + 5000000ULL;
    EXPECT_EQ(entries[0].timeHigh, static_cast<uint32_t>(fileTime >> 32));
    EXPECT_EQ(entries[0].timeLow, static_cast<uint32_t>(fileTime));
}

TEST(FolderListingTest, PathsThatNameNoReadableFolderGiveTheHeaderAlone) {
    CommandRig rig;
    makeFile(rig.inRoot("file.txt"));
    std::filesystem::create_directories(rig.inRoot("only-dots"));
    // "x\" and a name of 254 units: 256 units, so the pattern with "\*.*" would need 261 with its
    // NUL. One unit less fits exactly.
    const std::string tooLong = "x/" + std::string(254, 'a');
    const std::string longest = "x/" + std::string(253, 'a');
    std::filesystem::create_directories(rig.inRoot(tooLong));
    std::filesystem::create_directories(rig.inRoot(longest));
    makeFile(rig.inRoot(tooLong + "/inside"));
    makeFile(rig.inRoot(longest + "/inside"));
    struct Case {
        const char* label;
        std::string line;
    };
    const Case cases[] = {
        {"a file", "file.txt"},
        {"a missing folder", "missing"},
        {"a folder holding nothing", "only-dots"},
        {"a path of 256 units", "x\\" + std::string(254, 'a')},
        {"a cut line", std::string(1500, 'a')},
    };
    for (const Case& test : cases) {
        CommandReply reply = rig.runLines(&CommandHandler::listFolder, {test.line});
        EXPECT_EQ(reply.header, LISTING_HEADER) << test.label;
        EXPECT_EQ(reply.body, "") << test.label;
    }
    EXPECT_EQ(listing(rig, "x\\" + std::string(253, 'a')).count("inside"), 1u) << "a path of 255 units";
}

TEST(FolderListingTest, UnreadablePathLineGetsNoReply) {
    CommandRig rig(300);
    EXPECT_EQ(rig.run(&CommandHandler::listFolder, {.bytes = "folder", .closeAfterSending = true}).raw, "");
    EXPECT_EQ(rig.run(&CommandHandler::listFolder, {.bytes = "fold"}).raw, "") << "silence";
}

TEST(FolderListingTest, NamesKeepTheirBytes) {
    CommandRig rig;
    const std::string names[] = {"\xc3\xa9t\xc3\xa9.txt", "with space", "a;b,c", std::string(255, 'n')};
    for (const std::string& name : names)
        makeFile(rig.inRoot(name));
    auto entries = listing(rig, "");
    EXPECT_EQ(entries.size(), std::size(names));
    for (const std::string& name : names)
        EXPECT_TRUE(entries.count(name)) << name;
}

TEST(FolderListingTest, ClientClosingInTheMiddleStopsTheListing) {
    CommandRig rig;
    std::filesystem::create_directories(rig.inRoot("many"));
    const int count = 4000;
    for (int i = 0; i < count; ++i)
        makeFile(rig.inRoot("many/" + std::to_string(i) + std::string(200, 'n')));
    size_t descriptorsBefore = openDescriptorCount();
    auto start = std::chrono::steady_clock::now();
    CommandReply reply =
        rig.run(&CommandHandler::listFolder, {.bytes = "many\r\n", .closeAfterReading = 20000});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5))
        << "no wait for the time-out";
    EXPECT_EQ(reply.raw.size(), 20000u);
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore) << "the enumeration was ended";

    // The whole listing for comparison: every entry once.
    EXPECT_EQ(listing(rig, "many").size(), static_cast<size_t>(count));
}

} // namespace
