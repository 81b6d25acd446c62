// The integration tests' server fixture and file helpers.
#include "tests/integration/ServerFixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

void ServerFixture::SetUp() {
    makeFolder(root());
    makeFolder(outside());
}

void ServerFixture::startServer(const std::string& registry) {
    if (!registry.empty())
        writeFile(registryPath(), registry);
    ServerProcessOptions options;
    options.root = root();
    options.registry = registryPath();
    server = ServerProcess::start(options);
    ASSERT_NE(server, nullptr) << "kelvane-server did not start";
}

kelvane::client::CommandClient ServerFixture::client(int timeoutMilliseconds) const {
    kelvane::client::ClientOptions options;
    options.host = "127.0.0.1";
    options.port = server ? server->port() : 1;
    options.timeoutMilliseconds = timeoutMilliseconds;
    return kelvane::client::CommandClient(options);
}

std::string ServerFixture::root(const std::string& relative) const {
    return workspace.file("root") + (relative.empty() ? "" : "/" + relative);
}

std::string ServerFixture::outside(const std::string& relative) const {
    return workspace.file("outside") + (relative.empty() ? "" : "/" + relative);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << "cannot write " << path;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

bool isFolder(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void makeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    ASSERT_FALSE(error) << "cannot create " << path << ": " << error.message();
}

std::map<std::string, std::string> treeSnapshot(const std::string& folder) {
    std::map<std::string, std::string> snapshot;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::string relative = fs::relative(it->path(), folder).string();
        if (it->is_symlink())
            snapshot[relative] = "<link to " + fs::read_symlink(it->path()).string() + ">";
        else if (it->is_directory())
            snapshot[relative] = "<folder>";
        else
            snapshot[relative] = readFile(it->path().string());
    }
    return snapshot;
}

std::string registryText(const std::string& valueLines) {
    return "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\n" +
           valueLines + "\n";
}
