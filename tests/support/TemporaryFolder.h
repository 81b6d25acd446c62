// A folder under /tmp that is removed with everything in it when the object goes away.
#pragma once

#include <string>

class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return folder; }
    // path() + "/" + name
    std::string file(const std::string& name) const { return folder + "/" + name; }

  private:
    std::string folder;
};

// Writes bytes to a file, creating or replacing it; false on failure.
bool writeTextFile(const std::string& path, const std::string& bytes);
// The whole content of a file; empty when it cannot be read.
std::string readTextFile(const std::string& path);
