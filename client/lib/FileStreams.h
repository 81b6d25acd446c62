// Local files read and written in fixed-size pieces, for transfers that must not grow with the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvane::client {

// A local file opened for reading.
class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False with problem() set when the file cannot be opened or is not a regular file.
    bool open(const std::string& path);
    uint64_t size() const { return length; }
    // Up to capacity bytes; 0 at the end, -1 on failure (problem() says why).
    int64_t read(char* buffer, size_t capacity);
    const std::string& problem() const { return reason; }

  private:
    int descriptor = -1;
    uint64_t length = 0;
    std::string path;
    std::string reason;
};

// A local file created or replaced for writing.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file or empties an existing one. False with problem() set on failure.
    bool open(const std::string& path);
    bool write(const char* data, size_t size);
    // Flushes and closes; false when the last writes could not be stored.
    bool close();
    const std::string& problem() const { return reason; }

  private:
    int descriptor = -1;
    std::string path;
    std::string reason;
};

} // namespace kelvane::client
