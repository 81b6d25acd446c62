// Paths that try to leave the root (".." segments, absolute paths, symlinks inside the root that
// point out) through the real server: nothing outside the root is listed, read or changed.
#include "tests/integration/ServerFixture.h"

#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace kelvane::client;

namespace {
const std::string SECRET = "top secret";
const std::string INNER = "inner secret";

std::string backslashed(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool mentionsOutside(const std::string& text) {
    return text.find("outside-") != std::string::npos || text.find(SECRET) != std::string::npos ||
           text.find(INNER) != std::string::npos;
}
} // namespace

class ConfinementTest : public ServerFixture {
  protected:
    void SetUp() override {
        ServerFixture::SetUp();
        writeFile(outside("outside-secret.txt"), SECRET);
        makeFolder(outside("outside-dir"));
        writeFile(outside("outside-dir/outside-inner.txt"), INNER);
        layRoot();
        outsideBefore = treeSnapshot(workspace.path() + "/outside");
        startServer();
    }

    // The root's own content; laid again before each row, since rows may delete it.
    void layRoot() {
        makeFolder(root());
        writeFile(root("inside.txt"), "inside");
        for (const auto& [name, target] : {std::pair<std::string, std::string>{"link-dir", "../outside"},
                                           {"abs-link-dir", outside()},
                                           {"link-file", outside("outside-secret.txt")}}) {
            ::unlink(root(name).c_str());
            ASSERT_EQ(::symlink(target.c_str(), root(name).c_str()), 0) << name;
        }
    }

    // Paths that name the outside file in every way a path line can try.
    std::vector<std::string> secretFilePaths() const {
        return {"..\\outside\\outside-secret.txt",
                "../outside/outside-secret.txt",
                "..\\..\\..\\..\\..\\..\\outside\\outside-secret.txt",
                "inside.txt\\..\\..\\outside\\outside-secret.txt",
                outside("outside-secret.txt"),
                backslashed(outside("outside-secret.txt")),
                "link-dir\\outside-secret.txt",
                "abs-link-dir\\outside-secret.txt",
                "link-file"};
    }
    std::vector<std::string> outsideFolderPaths() const {
        return {"..",
                "..\\outside",
                "..\\outside\\outside-dir",
                outside(),
                backslashed(outside("outside-dir")),
                "link-dir",
                "abs-link-dir",
                "link-dir\\outside-dir"};
    }

    void expectOutsideUnchanged(const std::string& row) {
        EXPECT_EQ(treeSnapshot(workspace.path() + "/outside"), outsideBefore) << row;
        EXPECT_FALSE(exists(workspace.file("planted"))) << row;
    }

    std::map<std::string, std::string> outsideBefore;
};

TEST_F(ConfinementTest, ListingsShowNothingOutside) {
    std::vector<std::string> paths = outsideFolderPaths();
    paths.push_back("");
    for (const std::string& path : paths) {
        auto outcome = client().listFolder(path);
        ASSERT_TRUE(outcome.ok()) << path << ": " << outcome.message;
        for (const FolderEntry& entry : outcome.value)
            EXPECT_FALSE(mentionsOutside(entry.name)) << "listing \"" << path << "\" showed " << entry.name;
    }
}

TEST_F(ConfinementTest, DownloadsReadNothingOutside) {
    std::vector<std::string> paths = secretFilePaths();
    paths.push_back("link-dir\\outside-dir\\outside-inner.txt");
    for (const std::string& path : paths) {
        std::string received;
        auto outcome = client().downloadFile(path, [&](const char* data, size_t size) {
            received.append(data, size);
            return true;
        });
        ASSERT_TRUE(outcome.ok()) << path << ": " << outcome.message;
        EXPECT_FALSE(mentionsOutside(received)) << "download of \"" << path << "\" read " << received;
    }
}

TEST_F(ConfinementTest, ChangesNeverReachOutside) {
    struct Row {
        std::string name;
        std::function<void(const CommandClient&, const std::string&)> apply;
        bool onFolders;
    };
    auto upload = [](const CommandClient& client, const std::string& path) {
        std::string bytes = "planted";
        client.uploadFile(path, bytes.size(), [&](char* buffer, size_t) {
            std::copy(bytes.begin(), bytes.end(), buffer);
            return static_cast<int64_t>(bytes.size());
        });
    };
    const Row rows[] = {
        {"upload", upload, false},
        {"upload into folder",
         [&](const CommandClient& client, const std::string& path) { upload(client, path + "\\planted"); },
         true},
        {"delete file", [](const CommandClient& client, const std::string& path) { client.deleteFile(path); },
         false},
        {"delete folder",
         [](const CommandClient& client, const std::string& path) { client.deleteFolder(path); }, true},
        {"delete folder of file",
         [](const CommandClient& client, const std::string& path) { client.deleteFolder(path); }, false},
        {"create folder",
         [](const CommandClient& client, const std::string& path) {
             client.createFolder(path + "\\planted");
         },
         true},
        {"move out",
         [](const CommandClient& client, const std::string& path) {
             client.moveItem("inside.txt", path + "\\planted");
         },
         true},
        {"move onto",
         [](const CommandClient& client, const std::string& path) { client.moveItem("inside.txt", path); },
         false},
        {"move in",
         [&](const CommandClient& client, const std::string& path) { client.moveItem(path, "stolen"); },
         false},
        {"move folder in",
         [&](const CommandClient& client, const std::string& path) { client.moveItem(path, "stolen"); },
         true},
    };
    for (const Row& row : rows) {
        for (const std::string& path : row.onFolders ? outsideFolderPaths() : secretFilePaths()) {
            layRoot();
            row.apply(client(), path);
            std::string where = row.name + " \"" + path + "\"";
            expectOutsideUnchanged(where);
            EXPECT_FALSE(exists(outside("planted"))) << where;
            EXPECT_FALSE(exists(outside("outside-dir/planted"))) << where;
            // Whatever "stolen" became, it holds nothing from outside.
            for (const auto& [name, content] : treeSnapshot(root()))
                EXPECT_FALSE(content.find(SECRET) != std::string::npos ||
                             content.find(INNER) != std::string::npos)
                    << where << " brought " << name << " into the root";
            std::error_code ignored;
            std::filesystem::remove_all(root("stolen"), ignored);
        }
    }
}
