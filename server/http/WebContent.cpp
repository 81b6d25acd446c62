// Start page with "[ip]" replacement, the client package and plain files from the program folder.
#include "server/http/WebContent.h"

#include "platform/File.h"
#include "platform/Network.h"
#include "platform/ProgramFolder.h"
#include "server/http/TextConversion.h"
#include "server/net/Connection.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <strings.h>

namespace {

constexpr size_t ADDRESS_TEXT_LIMIT = 15;

// Appends suffix to the NUL-terminated text in path; false when the result does not fit in capacity
// units, so that a long path is a missing file instead of a different, cut-off one.
bool appendPath(char16_t* path, size_t capacity, const char16_t* suffix) {
    size_t length = std::char_traits<char16_t>::length(path);
    size_t extra = std::char_traits<char16_t>::length(suffix);
    if (length + extra + 1 > capacity)
        return false;
    std::char_traits<char16_t>::copy(path + length, suffix, extra + 1);
    return true;
}

// Opens a file that must lie inside the program folder.
platform::FileHandle openBesideProgram(const char16_t* path, const char16_t* folder) {
    return platform::openFileForReading(path, folder);
}

bool isHostCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '.' || character == '-' ||
           character == ':' || character == '[' || character == ']' || character == '_';
}

} // namespace

bool programFolder(char16_t* path) {
    path[0] = u'\0';
    long length = platform::programFileName(path, PATH_CAPACITY);
    if (length < 0) {
        path[0] = u'\0';
        return false;
    }
    for (long i = length - 1; i >= 0; --i) {
        if (path[i] == u'\\' || path[i] == u'/') {
            path[i] = u'\0';
            break;
        }
    }
    return true;
}

uint32_t fileSize(const char16_t* path) {
    platform::FileHandle file = platform::openFileForReading(path);
    if (file == platform::INVALID_FILE_HANDLE)
        return 0;
    int64_t size = platform::fileSizeOf(file);
    platform::closeFile(file);
    return size < 0 ? 0 : static_cast<uint32_t>(size);
}

void ownAddress(char* text) {
    text[0] = '\0';
    char name[31];
    uint8_t address[4];
    if (platform::hostName(name, sizeof name) != 0 || platform::firstAddressOfHost(name, address) != 0)
        return;
    platform::formatAddress(address, text);
}

void startPageAddress(const char* host, char* text) {
    if (host == nullptr) {
        ownAddress(text);
        return;
    }
    // The text lands inside the page's markup: characters that no host name or address contains
    // are left out, so a crafted Host header cannot add markup or script to the page.
    size_t length = 0;
    for (size_t i = 0; host[i] != '\0' && i < ADDRESS_TEXT_LIMIT; ++i)
        if (isHostCharacter(host[i]))
            text[length++] = host[i];
    text[length] = '\0';
}

const char* contentTypeForUrl(const char* url) {
    size_t length = std::strlen(url);
    if (length < 4)
        return "text/html";
    const char* ending = url + length - 4;
    if (strcasecmp(ending, ".gif") == 0)
        return "image/gif";
    if (strcasecmp(ending, ".jpg") == 0)
        return "image/jpeg";
    if (strcasecmp(ending, ".zip") == 0)
        return "application/x-gzip";
    if (strcasecmp(ending, ".htm") == 0)
        return "text/html";
    if (strcasecmp(ending, "html") == 0)
        return "text/html";
    return "application/octet-stream";
}

void sendStartPage(Connection& connection) {
    char16_t folder[PATH_CAPACITY];
    char16_t path[PATH_CAPACITY];
    if (!programFolder(folder))
        return;
    std::char_traits<char16_t>::copy(path, folder, std::char_traits<char16_t>::length(folder) + 1);
    if (!appendPath(path, PATH_CAPACITY, u"\\default.html"))
        return;
    platform::FileHandle file = openBesideProgram(path, folder);
    if (file == platform::INVALID_FILE_HANDLE)
        return;
    uint32_t size = fileSize(path);
    if (size == 0) {
        platform::closeFile(file);
        return;
    }
    std::unique_ptr<char[]> page(new (std::nothrow) char[size + 1]);
    long read = page ? platform::readFile(file, page.get(), size) : -1;
    platform::closeFile(file);
    if (read != static_cast<long>(size))
        return;

    char address[ADDRESS_TEXT_LIMIT + 1];
    startPageAddress(connection.headers.findValue("Host"), address);
    size_t addressLength = std::strlen(address);

    connection.writeResponseHeader(200, 0, 0);
    // The page goes out in pieces; the bytes are those of the page with every "[ip]" replaced.
    char out[4096];
    size_t used = 0;
    auto put = [&](const char* bytes, size_t count) {
        if (used + count > sizeof out) {
            connection.sendAll(out, static_cast<int64_t>(used));
            used = 0;
        }
        std::memcpy(out + used, bytes, count);
        used += count;
    };
    for (uint32_t i = 0; i < size; ++i) {
        if (page[i] == '[' && i + 3 < size && page[i + 1] == 'i' && page[i + 2] == 'p' &&
            page[i + 3] == ']') {
            put(address, addressLength);
            i += 3;
        } else {
            put(&page[i], 1);
        }
    }
    if (used > 0)
        connection.sendAll(out, static_cast<int64_t>(used));
}

void sendClientPackage(Connection& connection) {
    char16_t folder[PATH_CAPACITY];
    char16_t path[PATH_CAPACITY];
    if (!programFolder(folder))
        return;
    std::char_traits<char16_t>::copy(path, folder, std::char_traits<char16_t>::length(folder) + 1);
    if (!appendPath(path, PATH_CAPACITY, u"\\Qormix.cab"))
        return;
    platform::FileHandle file = openBesideProgram(path, folder);
    if (file == platform::INVALID_FILE_HANDLE)
        return;
    connection.setContentType("application/octet-stream");
    connection.writeResponseHeader(200, 0, 0);
    connection.sendFileContents(file);
    platform::closeFile(file);
}

void sendFile(Connection& connection) {
    char16_t folder[PATH_CAPACITY];
    char16_t path[FILE_PATH_CAPACITY];
    platform::FileHandle file = platform::INVALID_FILE_HANDLE;
    std::unique_ptr<char16_t[]> wideUrl;
    // The URL is appended to the folder as it is; the file must still lie inside the folder, and a
    // path too long for its buffer is a missing file.
    if (programFolder(folder) && toWide(connection.url, wideUrl) == 0 && wideUrl) {
        std::char_traits<char16_t>::copy(path, folder, std::char_traits<char16_t>::length(folder) + 1);
        if (appendPath(path, FILE_PATH_CAPACITY, wideUrl.get()))
            file = openBesideProgram(path, folder);
    }
    if (file == platform::INVALID_FILE_HANDLE) {
        sendStartPage(connection);
        return;
    }
    connection.setContentType(contentTypeForUrl(connection.url));
    if (connection.writeResponseHeader(200, 0, 0) < 0) {
        platform::closeFile(file);
        return;
    }
    connection.sendFileContents(file);
    platform::closeFile(file);
}
