// Fuzz target: the path resolver of the root-folder file system. Input: one byte that picks the
// operation, then UTF-16LE text holding one path, or two separated by a NUL unit. Whatever the
// paths hold (".." in any form, absolute paths, separators of both kinds, names of the symbolic
// links in the root that point out of it), nothing outside the root is read into, created,
// changed or removed, the root itself is never removed, and a path too long for the platform
// fails instead of being cut.
#include "platform/FileSystem.h"
#include "support/SandboxFolders.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

SandboxFolders* sandbox = nullptr;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "path resolver: %s\n", what);
        std::abort();
    }
}

enum class Operation {
    Find,
    OpenForReading,
    OpenForWritingKeep,
    OpenForWritingDiscard,
    DeleteFile,
    RemoveDirectory,
    CreateDirectory,
    Move,
    FreeSpace,
    IsRoot,
    Count
};

// Runs the operation; true when it reported success.
bool run(Operation operation, const char* root, const char16_t* path, const char16_t* second) {
    switch (operation) {
    case Operation::Find: {
        platform::FindData found;
        platform::FindHandle handle = platform::findFirstFile(root, path, found);
        bool any = handle != nullptr;
        for (int i = 0; handle != nullptr && i < 64 && platform::findNextFile(handle, found); ++i) {
        }
        platform::findClose(handle);
        return any;
    }
    case Operation::OpenForReading: {
        platform::FileHandle file = platform::openFileForReadingIn(root, path);
        char buffer[64];
        if (file != platform::INVALID_FILE_HANDLE)
            (void)platform::readFile(file, buffer, sizeof buffer);
        platform::closeFile(file);
        return file != platform::INVALID_FILE_HANDLE;
    }
    case Operation::OpenForWritingKeep:
    case Operation::OpenForWritingDiscard: {
        platform::FileHandle file = platform::openFileForWritingIn(root, path,
                                                                   operation == Operation::OpenForWritingKeep
                                                                       ? platform::ExistingContent::Keep
                                                                       : platform::ExistingContent::Discard);
        if (file != platform::INVALID_FILE_HANDLE)
            (void)platform::writeFile(file, "new", 3);
        platform::closeFile(file);
        return file != platform::INVALID_FILE_HANDLE;
    }
    case Operation::DeleteFile:
        return platform::deleteFile(root, path);
    case Operation::RemoveDirectory:
        return platform::removeDirectory(root, path);
    case Operation::CreateDirectory:
        return platform::createDirectory(root, path);
    case Operation::Move:
        return platform::moveFile(root, path, second);
    case Operation::FreeSpace: {
        uint64_t freeBytes = 0;
        return platform::diskFreeSpace(root, path, freeBytes);
    }
    case Operation::IsRoot:
    case Operation::Count:
        return platform::isRootFolder(root, path);
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sandbox = new SandboxFolders();
    // libFuzzer ends the process with exit(): the sandbox goes with it.
    std::atexit([] { delete sandbox; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096)
        return 0;
    const auto operation = static_cast<Operation>(data[0] % static_cast<int>(Operation::Count));
    std::u16string paths;
    for (size_t i = 1; i + 1 < size; i += 2)
        paths.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    size_t split = paths.find(u'\0');
    std::u16string first = paths.substr(0, split);
    std::u16string second = split == std::u16string::npos ? std::u16string() : paths.substr(split + 1);
    second = second.substr(0, second.find(u'\0'));

    const std::string& root = sandbox->root();
    const bool rootNamed = platform::isRootFolder(root.c_str(), first.c_str());
    const bool succeeded = run(operation, root.c_str(), first.c_str(), second.c_str());
    if (first.size() >= platform::MAX_PATH_UNITS ||
        (operation == Operation::Move && second.size() >= platform::MAX_PATH_UNITS))
        require(!succeeded, "a path longer than the platform allows must fail");
    if (rootNamed && operation == Operation::RemoveDirectory)
        require(!succeeded, "the root is never removed");
    require(std::filesystem::is_directory(root), "the root folder is still there");
    sandbox->checkUntouched();
    sandbox->resetRoot();
    return 0;
}
