// Local file streams over POSIX descriptors.
#include "client/lib/FileStreams.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane::client {

namespace {
std::string describe(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}
} // namespace

InputFile::~InputFile() {
    if (descriptor >= 0)
        ::close(descriptor);
}

bool InputFile::open(const std::string& filePath) {
    path = filePath;
    descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        reason = describe("cannot open", path);
        return false;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        reason = describe("cannot examine", path);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        reason = path + " is not a regular file";
        return false;
    }
    length = static_cast<uint64_t>(status.st_size);
    return true;
}

int64_t InputFile::read(char* buffer, size_t capacity) {
    for (;;) {
        ssize_t count = ::read(descriptor, buffer, capacity);
        if (count >= 0)
            return count;
        if (errno != EINTR) {
            reason = describe("cannot read", path);
            return -1;
        }
    }
}

OutputFile::~OutputFile() {
    if (descriptor >= 0)
        ::close(descriptor);
}

bool OutputFile::open(const std::string& filePath) {
    path = filePath;
    descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        reason = describe("cannot create", path);
        return false;
    }
    return true;
}

bool OutputFile::write(const char* data, size_t size) {
    while (size > 0) {
        ssize_t count = ::write(descriptor, data, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            reason = describe("cannot write", path);
            return false;
        }
        data += count;
        size -= static_cast<size_t>(count);
    }
    return true;
}

bool OutputFile::close() {
    if (descriptor < 0)
        return true;
    int result = ::close(descriptor);
    descriptor = -1;
    if (result != 0) {
        reason = describe("cannot finish writing", path);
        return false;
    }
    return true;
}

} // namespace kelvane::client
