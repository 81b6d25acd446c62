// One client of the soak test: a reproducible mix of commands on a folder of its own, a model of
// what that folder must hold, and one connection in ten that closes early, stalls or sends garbage.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

struct SoakTally {
    uint64_t commands = 0;
    uint64_t misbehaving = 0;
    uint64_t uploadedBytes = 0;
    uint64_t failures = 0;
    std::vector<std::string> problems; // the first few failures, described
};

class SoakClient {
  public:
    // Works in root/client<index> (its model) and root/junk<index> (what misbehaving uploads leave).
    SoakClient(uint16_t port, std::string root, int index);

    // Creates the client's folders; false when the server did not confirm them.
    bool prepare();

    // Opens that many connections, one command each.
    void run(int connections);

    // Reads back every file the model holds, through a download and from the disk, byte for byte.
    void verifyFiles();

    const SoakTally& tally() const { return counts; }

  private:
    struct FileSpec {
        uint32_t seed = 0;
        size_t size = 0;
    };

    void runOne();
    void misbehave();

    void getConfigure();
    void checkPassword();
    void webPage();
    void listFolder();
    void upload();
    void download();
    void deleteFile();
    void moveFile();
    void createFolder();
    void deleteFolder();
    void diskSpace();

    // One well-formed exchange: the request whole, the reply until the server closes.
    std::string exchangeWhole(const std::string& request);
    void fail(const std::string& what);
    bool expectBody(const std::string& what, const std::string& reply, const std::string& body);
    bool checkListing(const std::string& reply);

    std::string folderLine() const { return "client" + std::to_string(index); }
    std::string pickFile();
    std::string newName(const char* prefix);
    size_t pickUploadSize();

    uint16_t port;
    std::string root;
    int index;
    std::mt19937 random;
    std::map<std::string, FileSpec> files;
    std::set<std::string> folders;
    int nameCounter = 0;
    SoakTally counts;
};

// The bytes of an uploaded file: size bytes drawn from seed.
std::string soakContent(uint32_t seed, size_t size);
