// A root folder for the code under test and the folders around it that nothing may touch.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Under a fresh folder in /dev/shm (or /tmp): root/ (the folder the file commands serve, with a few files, a
// hidden file, a sub-folder and symbolic links that point out of it), outside/ (a file and a
// folder beside the root, and the registry file) and nothing else. outside/, and the working
// folder when it starts empty, are watched: anything that changes in a watched folder afterwards
// is a fault of the code under test.
class SandboxFolders {
  public:
    SandboxFolders();
    ~SandboxFolders();
    SandboxFolders(const SandboxFolders&) = delete;
    SandboxFolders& operator=(const SandboxFolders&) = delete;

    const std::string& base() const { return baseFolder; }
    const std::string& root() const { return rootFolder; }
    const std::string& outside() const { return outsideFolder; }
    std::string registryFile() const { return outsideFolder + "/registry.reg"; }

    // Adds a folder whose listing (names, kinds, sizes, contents, link targets) must not change.
    void watch(const std::string& folder);

    // Empties the root and lays its starting content again, so every input starts alike.
    void resetRoot();

    // Aborts (a crash the fuzzer reports) when a watched folder, or the base folder's listing,
    // differs from what was recorded, naming what changed.
    void checkUntouched() const;

  private:
    std::string baseFolder;
    std::string rootFolder;
    std::string outsideFolder;
    std::string baseRecord;
    std::vector<std::pair<std::string, std::string>> watched; // folder, recorded listing
};
