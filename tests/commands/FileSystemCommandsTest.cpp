// Delete file, delete folder with deleteTree, create folder, free space and move.
#include "server/commands/CommandProtocol.h"
#include "server/commands/DeleteTree.h"
#include "tests/commands/CommandRig.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string REPLY_HEADER = "HTTP/1.1 200 OK\r\n"
                                 "Cache-Control: no-cache, must-revalidate\r\n"
                                 "Content-Type: text/html\r\n"
                                 "Connection: close\r\n"
                                 "Command-ID: 0\r\n"
                                 "\r\n";

// A small tree in the root: folder/{a.txt, b.txt, empty/}, file.txt, target.txt, link -> target.txt.
void plantTree(CommandRig& rig) {
    fs::create_directories(rig.inRoot("folder/empty"));
    writeTextFile(rig.inRoot("folder/a.txt"), "a");
    writeTextFile(rig.inRoot("folder/b.txt"), "b");
    writeTextFile(rig.inRoot("file.txt"), "file");
    writeTextFile(rig.inRoot("target.txt"), "target");
    fs::create_symlink("target.txt", rig.inRoot("link"));
}

uint32_t resultOf(const CommandReply& reply, const std::string& label) {
    EXPECT_EQ(reply.header, REPLY_HEADER) << label;
    EXPECT_EQ(reply.body.size(), 4u) << label;
    return wordAt(reply.body, 0);
}

bool exists(const std::string& path) {
    return fs::exists(fs::symlink_status(path));
}

TEST(DeleteFileTest, DeletesFilesOnly) {
    struct Case {
        const char* line;
        uint32_t word;
        const char* gone;  // relative path that must be gone afterwards, or ""
        const char* stays; // relative path that must still exist
    };
    const Case cases[] = {
        {"file.txt", RESULT_OK, "file.txt", "folder/a.txt"},
        {"\\folder\\a.txt", RESULT_OK, "folder/a.txt", "folder/b.txt"},
        {"folder/b.txt", RESULT_OK, "folder/b.txt", "folder"},
        {"folder", RESULT_FAILED, "", "folder"},
        {"folder\\empty", RESULT_FAILED, "", "folder/empty"},
        {"missing.txt", RESULT_FAILED, "", "file.txt"},
        {"", RESULT_FAILED, "", "file.txt"},
        {"\\", RESULT_FAILED, "", "file.txt"},
        {"link", RESULT_OK, "link", "target.txt"},
        {"folder\\..", RESULT_FAILED, "", "folder"},
    };
    for (const Case& test : cases) {
        CommandRig rig;
        plantTree(rig);
        EXPECT_EQ(resultOf(rig.runLines(&CommandHandler::deleteFile, {test.line}), test.line), test.word)
            << test.line;
        if (test.gone[0] != '\0') {
            EXPECT_FALSE(exists(rig.inRoot(test.gone))) << test.line;
        }
        EXPECT_TRUE(exists(rig.inRoot(test.stays))) << test.line;
    }
}

TEST(DeleteFolderTest, DeletesWholeFoldersAndNeverTheRoot) {
    struct Case {
        const char* line;
        uint32_t word;
        const char* gone;
        const char* stays;
    };
    const Case cases[] = {
        {"folder", RESULT_OK, "folder", "file.txt"},
        {"\\folder\\", RESULT_OK, "folder", "file.txt"},
        {"folder\\empty", RESULT_OK, "folder/empty", "folder/a.txt"},
        {"missing", RESULT_FAILED, "", "folder/a.txt"},
        {"file.txt", RESULT_FAILED, "", "file.txt"},
        {"", RESULT_FAILED, "", "folder/a.txt"},
        {"\\", RESULT_FAILED, "", "folder/a.txt"},
        {"/", RESULT_FAILED, "", "folder/a.txt"},
        {"folder\\..", RESULT_FAILED, "", "folder/a.txt"},
        {"folder\\.", RESULT_FAILED, "", "folder/a.txt"},
        {"link", RESULT_FAILED, "", "target.txt"},
    };
    for (const Case& test : cases) {
        CommandRig rig;
        plantTree(rig);
        EXPECT_EQ(resultOf(rig.runLines(&CommandHandler::deleteFolder, {test.line}), test.line), test.word)
            << test.line;
        if (test.gone[0] != '\0') {
            EXPECT_FALSE(exists(rig.inRoot(test.gone))) << test.line;
        }
        EXPECT_TRUE(exists(rig.inRoot(test.stays))) << test.line;
        EXPECT_TRUE(exists(rig.inRoot("target.txt"))) << test.line;
    }
}

TEST(DeleteFolderTest, RemovesEveryKindOfEntryButFollowsNoLink) {
    CommandRig rig;
    writeTextFile(rig.inRoot("keep.txt"), "keep");
    fs::create_directories(rig.inRoot("keep-folder"));
    writeTextFile(rig.inRoot("keep-folder/inside.txt"), "inside");
    fs::create_directories(rig.inRoot("tree/one/two/three"));
    writeTextFile(rig.inRoot("tree/.hidden"), "h");
    writeTextFile(rig.inRoot("tree/one/two/three/deep.txt"), "d");
    ASSERT_EQ(::mkfifo(rig.inRoot("tree/one/pipe").c_str(), 0600), 0);
    fs::create_symlink("../keep.txt", rig.inRoot("tree/file-link"));
    fs::create_directory_symlink("../keep-folder", rig.inRoot("tree/one/folder-link"));
    ::chmod(rig.inRoot("tree/one/two/three/deep.txt").c_str(), 0400);

    EXPECT_EQ(resultOf(rig.runLines(&CommandHandler::deleteFolder, {"tree"}), "tree"), RESULT_OK);
    EXPECT_FALSE(exists(rig.inRoot("tree")));
    EXPECT_EQ(readTextFile(rig.inRoot("keep.txt")), "keep");
    EXPECT_EQ(readTextFile(rig.inRoot("keep-folder/inside.txt")), "inside");
}

// Entries of a folder in the order the file system enumerates them.
std::vector<std::string> enumerationOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* stream = ::opendir(folder.c_str());
    while (dirent* entry = ::readdir(stream)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(stream);
    return names;
}

bool setImmutable(const std::string& path, bool on) {
    int file = ::open(path.c_str(), O_RDONLY);
    if (file < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(file, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(file, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(file);
    return ok;
}

TEST(DeleteFolderTest, StopsAtTheFirstEntryThatCannotBeDeleted) {
    CommandRig rig;
    fs::create_directories(rig.inRoot("walk"));
    for (const char* name : {"e1", "e2", "e3", "e4", "e5", "e6"})
        writeTextFile(rig.inRoot(std::string("walk/") + name), name);
    std::vector<std::string> order = enumerationOrder(rig.inRoot("walk"));
    ASSERT_EQ(order.size(), 6u);
    const std::string stuck = rig.inRoot("walk/" + order[2]);
    if (!setImmutable(stuck, true))
        GTEST_SKIP() << "this file system cannot mark a file immutable";

    CommandReply reply = rig.runLines(&CommandHandler::deleteFolder, {"walk"});
    setImmutable(stuck, false);
    EXPECT_EQ(resultOf(reply, "walk"), RESULT_FAILED);
    EXPECT_FALSE(exists(rig.inRoot("walk/" + order[0])));
    EXPECT_FALSE(exists(rig.inRoot("walk/" + order[1])));
    for (size_t i = 2; i < order.size(); ++i)
        EXPECT_TRUE(exists(rig.inRoot("walk/" + order[i]))) << order[i];
}

// "d\d\...\d" with depth levels, a file in each.
std::string makeDeepTree(const std::string& root, int depth) {
    std::string native = root;
    for (int level = 0; level < depth; ++level) {
        native += "/d";
        if (::mkdir(native.c_str(), 0700) != 0)
            return "";
        writeTextFile(native + "/f", "f");
    }
    return native;
}

struct DeleteOnSmallStack {
    const char* root;
    const char16_t* path;
    int32_t result = -1;
};

int32_t deleteTreeOnSmallStack(const std::string& root, const char16_t* path) {
    DeleteOnSmallStack job{root.c_str(), path};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        auto* work = static_cast<DeleteOnSmallStack*>(argument);
        work->result = deleteTree(work->root, work->path);
        return nullptr;
    };
    if (pthread_create(&thread, &attributes, body, &job) != 0)
        return -2;
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    return job.result;
}

TEST(DeleteFolderTest, DeepestTreeThePathLimitAllowsOnASmallStack) {
    // 128 levels: the deepest folder's path "d\d\...\d" has 255 units and its pattern 259, the
    // most that fits.
    CommandRig rig;
    ASSERT_NE(makeDeepTree(rig.root(), 128), "");
    EXPECT_EQ(deleteTreeOnSmallStack(rig.root(), u"d"), 1);
    EXPECT_FALSE(exists(rig.inRoot("d")));
}

TEST(DeleteFolderTest, TreeDeeperThanThePathLimitStopsWithoutHarm) {
    for (int depth : {129, 140}) {
        CommandRig rig;
        std::string deepest = makeDeepTree(rig.root(), depth);
        ASSERT_NE(deepest, "");
        EXPECT_EQ(deleteTreeOnSmallStack(rig.root(), u"d"), 0) << depth;
        EXPECT_TRUE(exists(rig.inRoot("d"))) << "the walk stopped, so the top stays: " << depth;
        EXPECT_TRUE(exists(deepest + "/f")) << "nothing past the limit is reached: " << depth;
        EXPECT_EQ(resultOf(rig.runLines(&CommandHandler::deleteFolder, {"d"}), "d"), RESULT_FAILED) << depth;
    }
}

TEST(CreateFolderTest, ReportsWhatIsThereOrCreates) {
    struct Case {
        const char* line;
        uint32_t word;
        const char* made; // folder that exists afterwards, or ""
    };
    const Case cases[] = {
        {"folder", RESULT_EXISTS_FOLDER, ""},
        {"file.txt", RESULT_EXISTS_FILE, ""},
        {"link", RESULT_EXISTS_FILE, ""},
        {"new", RESULT_OK, "new"},
        {"\\folder\\new", RESULT_OK, "folder/new"},
        {"folder/new/", RESULT_OK, "folder/new"},
        {"missing\\new", RESULT_FAILED, ""},
        {"", RESULT_FAILED, ""},
        {"\\", RESULT_FAILED, ""},
        {"folder\\..", RESULT_FAILED, ""},
        {"fold*", RESULT_EXISTS_FOLDER, ""}, // the path is looked up as an enumeration pattern
    };
    for (const Case& test : cases) {
        CommandRig rig;
        plantTree(rig);
        EXPECT_EQ(resultOf(rig.runLines(&CommandHandler::createFolder, {test.line}), test.line), test.word)
            << test.line;
        if (test.made[0] != '\0') {
            EXPECT_TRUE(fs::is_directory(rig.inRoot(test.made))) << test.line;
        }
        EXPECT_FALSE(exists(rig.inRoot("missing"))) << test.line;
        EXPECT_EQ(readTextFile(rig.inRoot("file.txt")), "file") << test.line;
    }
}

TEST(CheckDiskSpaceTest, SendsTheFreeBytesLowHalfFirst) {
    CommandRig rig;
    plantTree(rig);
    struct statvfs volume {};
    ASSERT_EQ(::statvfs(rig.root().c_str(), &volume), 0);
    uint64_t expected = static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
    for (const char* line : {"", "folder", "\\folder\\empty", "file.txt"}) {
        CommandReply reply = rig.runLines(&CommandHandler::checkDiskSpace, {line});
        EXPECT_EQ(reply.header, REPLY_HEADER) << line;
        ASSERT_EQ(reply.body.size(), 8u) << line;
        uint64_t sent = wordAt(reply.body, 0) | (static_cast<uint64_t>(wordAt(reply.body, 4)) << 32);
        uint64_t difference = sent > expected ? sent - expected : expected - sent;
        EXPECT_LT(difference, 256u << 20) << line << ": " << sent << " against " << expected;
    }
    for (const std::string& line :
         {std::string("missing"), std::string("..\\..\\missing"), std::string(300, 'x')}) {
        CommandReply reply = rig.runLines(&CommandHandler::checkDiskSpace, {line});
        EXPECT_EQ(reply.raw, REPLY_HEADER + std::string(8, '\0')) << line;
    }
}

TEST(MoveTest, MovesAndRenamesButNeverReplaces) {
    struct Case {
        const char* from;
        const char* to;
        uint32_t word;
        const char* gone;
        const char* made;
    };
    const Case cases[] = {
        {"folder", "renamed", 1, "folder", "renamed/a.txt"},
        {"file.txt", "folder\\file.txt", 1, "file.txt", "folder/file.txt"},
        {"\\folder\\a.txt", "/a.txt", 1, "folder/a.txt", "a.txt"},
        {"link", "link2", 1, "link", "link2"},
        {"file.txt", "target.txt", 0, "", "file.txt"},
        {"folder\\empty", "folder\\a.txt", 0, "", "folder/empty"},
        {"file.txt", "folder", 0, "", "file.txt"},
        {"missing", "new", 0, "new", "file.txt"},
        {"folder", "folder\\empty\\inside", 0, "", "folder/a.txt"},
        {"", "moved-root", 0, "moved-root", "folder"},
        {"\\", "moved-root", 0, "moved-root", "folder"},
        {"file.txt", "", 0, "", "file.txt"},
        {"file.txt", "missing\\file.txt", 0, "missing", "file.txt"},
    };
    for (const Case& test : cases) {
        CommandRig rig;
        plantTree(rig);
        std::string label = std::string(test.from) + " -> " + test.to;
        EXPECT_EQ(resultOf(rig.runLines(&CommandHandler::moveItem, {test.from, test.to}), label), test.word)
            << label;
        if (test.gone[0] != '\0') {
            EXPECT_FALSE(exists(rig.inRoot(test.gone))) << label;
        }
        EXPECT_TRUE(exists(rig.inRoot(test.made))) << label;
        EXPECT_EQ(readTextFile(rig.inRoot("target.txt")), "target") << label;
    }
}

TEST(FileSystemCommandsTest, UnreadablePathLinesChangeNothingAndGetNoReply) {
    CommandRig rig(300);
    plantTree(rig);
    using Operation = void (CommandHandler::*)(Connection&);
    const std::pair<const char*, Operation> operations[] = {
        {"delete file", &CommandHandler::deleteFile},
        {"delete folder", &CommandHandler::deleteFolder},
        {"create folder", &CommandHandler::createFolder},
        {"disk space", &CommandHandler::checkDiskSpace},
        {"move", &CommandHandler::moveItem},
    };
    for (const auto& [label, operation] : operations) {
        EXPECT_EQ(rig.run(operation, {.bytes = "file.txt", .closeAfterSending = true}).raw, "") << label;
        EXPECT_EQ(rig.run(operation, {.bytes = "folder"}).raw, "") << label << ": silence";
    }
    EXPECT_EQ(
        rig.run(&CommandHandler::moveItem, {.bytes = "file.txt\r\nmoved", .closeAfterSending = true}).raw, "")
        << "move without its second line";
    EXPECT_TRUE(exists(rig.inRoot("file.txt")));
    EXPECT_TRUE(exists(rig.inRoot("folder/a.txt")));
    EXPECT_FALSE(exists(rig.inRoot("moved")));
}

} // namespace
