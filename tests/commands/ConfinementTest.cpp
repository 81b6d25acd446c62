// No path line, however it is made, reads, lists, changes or reveals anything outside the root.
#include "server/commands/CommandProtocol.h"
#include "tests/commands/CommandRig.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* SECRET = "TOP-SECRET";

// Everything under a folder: relative name -> kind, size, content and change time.
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> state;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        struct stat status {};
        ::lstat(it->path().c_str(), &status);
        std::string description = std::to_string(status.st_mode) + "/" + std::to_string(status.st_size) +
                                  "/" + std::to_string(status.st_mtim.tv_sec) + "." +
                                  std::to_string(status.st_mtim.tv_nsec);
        if (S_ISREG(status.st_mode))
            description += "/" + readTextFile(it->path());
        state[fs::relative(it->path(), folder)] = description;
    }
    struct stat top {};
    ::lstat(folder.c_str(), &top);
    state["."] = std::to_string(top.st_mtim.tv_sec) + "." + std::to_string(top.st_mtim.tv_nsec);
    return state;
}

// The outside folder holds a secret file and a folder with a marker; the root holds links that
// point out of it in every way a link can.
void plant(CommandRig& rig) {
    writeTextFile(rig.outside("secret.txt"), SECRET);
    fs::create_directories(rig.outside("marker-dir"));
    writeTextFile(rig.outside("marker-dir/marker.txt"), SECRET);
    fs::create_directories(rig.inRoot("inside/sub"));
    writeTextFile(rig.inRoot("inside/file.txt"), "inside");
    fs::create_symlink(rig.outside("secret.txt"), rig.inRoot("abs-file-link"));
    fs::create_symlink("../outside/secret.txt", rig.inRoot("rel-file-link"));
    fs::create_symlink(rig.outside("planted.txt"), rig.inRoot("dangling-link"));
    fs::create_directory_symlink(rig.outside(), rig.inRoot("abs-dir-link"));
    fs::create_directory_symlink("../outside", rig.inRoot("rel-dir-link"));
    fs::create_directory_symlink("/", rig.inRoot("slash-link"));
    fs::create_directory_symlink("..", rig.inRoot("dotdot-link"));
}

std::string withBackslashes(std::string path) {
    for (char& character : path)
        if (character == '/')
            character = '\\';
    return path;
}

std::string repeat(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

// Ways of naming the outside folder from a path line, each ending with a separator.
std::vector<std::string> outsidePrefixes(const CommandRig& rig) {
    const std::string absolute = rig.outside();
    return {
        "..\\outside\\",
        "\\..\\outside\\",
        "../outside/",
        "inside\\..\\..\\outside\\",
        "inside/sub/../../../outside/",
        "./../outside/",
        "..\\\\..\\\\outside\\\\",
        "C:\\..\\..\\outside\\",
        absolute + "/",
        withBackslashes(absolute) + "\\",
        repeat("..\\", 60) + "outside\\",
        repeat("..\\", 60) + withBackslashes(absolute.substr(1)) + "\\",
        repeat("..\\", 400) + "outside\\",
        "abs-dir-link\\",
        "rel-dir-link\\",
        "slash-link" + withBackslashes(absolute) + "\\",
        "dotdot-link\\outside\\",
        "inside\\" + repeat("x", 240) + "\\..\\..\\..\\outside\\",
    };
}

std::string withoutTrailingSeparator(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

struct Attempt {
    std::string fileLine;   // names the outside secret file
    std::string folderLine; // names the outside marker folder
    std::string topLine;    // names the outside folder itself
    std::string newLine;    // names a new entry in the outside folder
};

std::vector<Attempt> attempts(const CommandRig& rig) {
    std::vector<Attempt> all;
    for (const std::string& prefix : outsidePrefixes(rig))
        all.push_back({prefix + "secret.txt", prefix + "marker-dir", withoutTrailingSeparator(prefix),
                       prefix + "planted.txt"});
    all.push_back({"abs-file-link", "abs-dir-link", "abs-dir-link", "dangling-link"});
    all.push_back({"rel-file-link", "rel-dir-link", "rel-dir-link", "dangling-link"});
    all.push_back(
        {"abs-dir-link\\secret.txt", "abs-dir-link\\marker-dir", "dotdot-link", "abs-dir-link\\new.txt"});
    return all;
}

ClientScript upload(const std::string& path, const std::string& bytes) {
    ClientScript script{.bytes = path + "\r\n" + bytes, .closeAfterSending = true};
    script.contentLength = static_cast<int64_t>(script.bytes.size());
    return script;
}

bool leaksOutsideNames(const std::string& listingBody) {
    std::vector<ListedEntry> entries;
    parseListing(listingBody, entries);
    for (const ListedEntry& entry : entries)
        if (entry.name == "secret.txt" || entry.name == "marker.txt" || entry.name == "marker-dir")
            return true;
    return false;
}

// Runs one attempt on a fresh root and checks that nothing outside changed.
template <typename Check>
void attempt(const char* command, size_t index, Check check) {
    CommandRig rig;
    plant(rig);
    const std::string outsideFolder = fs::path(rig.outside()).parent_path().string();
    auto before = snapshot(outsideFolder + "/outside");
    const Attempt paths = attempts(rig)[index];
    check(rig, paths);
    EXPECT_EQ(snapshot(outsideFolder + "/outside"), before)
        << command << " changed the outside with " << paths.fileLine;
    EXPECT_EQ(readTextFile(rig.outside("secret.txt")), SECRET);
}

TEST(ConfinementTest, NothingOutsideTheRootIsReadListedChangedOrRevealed) {
    CommandRig probe;
    size_t count = attempts(probe).size();
    ASSERT_GE(count, 15u);
    for (size_t index = 0; index < count; ++index) {
        attempt("list", index, [](CommandRig& rig, const Attempt& paths) {
            for (const std::string& line : {paths.folderLine, paths.topLine}) {
                CommandReply reply = rig.runLines(&CommandHandler::listFolder, {line});
                EXPECT_FALSE(leaksOutsideNames(reply.body)) << line;
            }
        });
        attempt("download", index, [](CommandRig& rig, const Attempt& paths) {
            CommandReply reply = rig.runLines(&CommandHandler::downloadFile, {paths.fileLine});
            EXPECT_EQ(reply.body.find(SECRET), std::string::npos) << paths.fileLine;
        });
        attempt("upload", index, [](CommandRig& rig, const Attempt& paths) {
            rig.run(&CommandHandler::uploadFile, upload(paths.fileLine, "overwritten"));
            rig.run(&CommandHandler::uploadFile, upload(paths.newLine, "planted"));
        });
        attempt("delete file", index, [](CommandRig& rig, const Attempt& paths) {
            rig.runLines(&CommandHandler::deleteFile, {paths.fileLine});
            rig.runLines(&CommandHandler::deleteFile, {paths.folderLine + "\\marker.txt"});
        });
        attempt("delete folder", index, [](CommandRig& rig, const Attempt& paths) {
            rig.runLines(&CommandHandler::deleteFolder, {paths.folderLine});
            rig.runLines(&CommandHandler::deleteFolder, {paths.topLine});
        });
        attempt("create folder", index, [](CommandRig& rig, const Attempt& paths) {
            // A link in the root is itself an entry of the root (4006); what it points at is
            // never looked at.
            for (const std::string& line : {paths.fileLine, paths.folderLine}) {
                uint32_t word = wordAt(rig.runLines(&CommandHandler::createFolder, {line}).body, 0);
                std::error_code ignored;
                bool namesALink = fs::is_symlink(rig.inRoot(withoutTrailingSeparator(line)), ignored);
                EXPECT_TRUE(word == RESULT_OK || word == RESULT_FAILED ||
                            (namesALink && word == RESULT_EXISTS_FILE))
                    << word << " for " << line;
            }
            rig.runLines(&CommandHandler::createFolder, {paths.newLine});
        });
        attempt("move source", index, [](CommandRig& rig, const Attempt& paths) {
            rig.runLines(&CommandHandler::moveItem, {paths.fileLine, "stolen.txt"});
            rig.runLines(&CommandHandler::moveItem, {paths.folderLine, "stolen-folder"});
            // Moving a link moves the link itself, inside the root.
            if (fs::exists(fs::symlink_status(rig.inRoot("stolen.txt")))) {
                EXPECT_TRUE(fs::is_symlink(rig.inRoot("stolen.txt"))) << paths.fileLine;
            }
            EXPECT_FALSE(fs::exists(rig.inRoot("stolen-folder/marker.txt"))) << paths.folderLine;
        });
        attempt("move destination", index, [](CommandRig& rig, const Attempt& paths) {
            rig.runLines(&CommandHandler::moveItem, {"inside\\file.txt", paths.newLine});
            rig.runLines(&CommandHandler::moveItem, {"inside\\sub", paths.folderLine + "\\sub"});
        });
    }
}

TEST(ConfinementTest, FreeSpaceIsAskedOnlyInsideTheRoot) {
    CommandRig rig;
    plant(rig);
    for (const Attempt& paths : attempts(rig)) {
        CommandReply reply = rig.runLines(&CommandHandler::checkDiskSpace, {paths.fileLine});
        EXPECT_EQ(reply.body, std::string(8, '\0')) << paths.fileLine;
    }
}

} // namespace
