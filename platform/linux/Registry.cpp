// The registry kept in one .reg file, replaced atomically on every write.
#include "platform/Registry.h"

#include "platform/linux/RegistryFileFormat.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Larger files are not read: they cannot be a settings store.
constexpr size_t LARGEST_STORE = 64 * 1024 * 1024;
// How many ".bad" copies (".bad", ".bad.2", ...) are kept before the last one is replaced.
constexpr int BAD_COPY_LIMIT = 20;

// Serialises the read-modify-write of the file within the process.
std::mutex storeLock;
std::string storeFile;
std::atomic<void (*)()> replaceHook{nullptr};

enum class StoreState { Missing, Read, Unreadable };

struct Store {
    StoreState state = StoreState::Missing;
    bool damaged = false;
    std::string bytes;
    RegistryDocument document;
};

const char* rootName(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RegistryRoot::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RegistryRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::Users:
        return "HKEY_USERS";
    }
    return "HKEY_LOCAL_MACHINE";
}

// "HKEY_LOCAL_MACHINE\Software\..." for a key; false for an empty or malformed key path.
bool sectionPath(RegistryRoot root, const std::u16string& keyPath, std::string& path) {
    std::string narrow;
    if (keyPath.empty() || keyPath.front() == u'\\' || keyPath.back() == u'\\' ||
        !registryTextFromWide(keyPath, narrow) || narrow.find("\\\\") != std::string::npos ||
        narrow.find_first_of("[]\r\n") != std::string::npos)
        return false;
    path = std::string(rootName(root)) + "\\" + narrow;
    return true;
}

bool isKeyOrAncestor(const RegistryDocument& document, const std::string& path) {
    for (const RegistrySection& section : document.sections) {
        if (section.path.size() < path.size())
            continue;
        if (sameRegistryName(std::string_view(section.path).substr(0, path.size()), path) &&
            (section.path.size() == path.size() || section.path[path.size()] == '\\'))
            return true;
    }
    return false;
}

Store loadStore(const std::string& file) {
    Store store;
    int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        store.state = errno == ENOENT || errno == ENOTDIR ? StoreState::Missing : StoreState::Unreadable;
        return store;
    }
    store.state = StoreState::Read;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 || store.bytes.size() + static_cast<size_t>(count) > LARGEST_STORE) {
            store.state = StoreState::Unreadable;
            break;
        }
        if (count == 0)
            break;
        store.bytes.append(buffer, static_cast<size_t>(count));
    }
    ::close(descriptor);
    if (store.state == StoreState::Read)
        store.document = parseRegistryText(store.bytes, store.damaged);
    return store;
}

// Creates the folders leading to file (mode 0700, as a settings folder is private).
bool makeParentFolders(const std::string& file) {
    for (size_t separator = file.find('/', 1); separator != std::string::npos;
         separator = file.find('/', separator + 1)) {
        std::string folder = file.substr(0, separator);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

void syncFolderOf(const std::string& file) {
    size_t separator = file.rfind('/');
    std::string folder = separator == std::string::npos ? "."
                         : separator == 0               ? "/"
                                                        : file.substr(0, separator);
    int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

enum class IfTargetExists { Replace, Fail };
enum class WriteOutcome { Written, TargetExists, Failed };

// Writes bytes to a temporary file beside target, syncs it and renames it onto target.
WriteOutcome writeFileAtomically(const std::string& target, const std::string& bytes, IfTargetExists ifExists,
                                 bool callHook) {
    std::string temporary = target + ".tmp-XXXXXX";
    int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0)
        return WriteOutcome::Failed;
    size_t written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        ok = count > 0;
        if (ok)
            written += static_cast<size_t>(count);
    }
    ok = ok && ::fsync(descriptor) == 0;
    ok = ::close(descriptor) == 0 && ok;
    if (ok && callHook) {
        if (void (*hook)() = replaceHook.load())
            hook();
    }
    bool targetExists = false;
    if (ok) {
        ok = ifExists == IfTargetExists::Replace
                 ? ::rename(temporary.c_str(), target.c_str()) == 0
                 : ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0;
        targetExists = !ok && errno == EEXIST;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return targetExists ? WriteOutcome::TargetExists : WriteOutcome::Failed;
    }
    syncFolderOf(target);
    return WriteOutcome::Written;
}

// Keeps the damaged file's bytes beside the store: FILE.bad, or FILE.bad.2, ... when taken.
bool keepDamagedCopy(const std::string& file, const std::string& bytes) {
    for (int number = 1; number <= BAD_COPY_LIMIT; ++number) {
        std::string name = file + ".bad";
        if (number > 1) {
            name += '.';
            name += std::to_string(number);
        }
        bool last = number == BAD_COPY_LIMIT;
        WriteOutcome outcome =
            writeFileAtomically(name, bytes, last ? IfTargetExists::Replace : IfTargetExists::Fail, false);
        if (outcome != WriteOutcome::TargetExists)
            return outcome == WriteOutcome::Written;
    }
    return false;
}

// The document a read may use, read afresh; the caller holds storeLock. Nothing when there is no
// store file, or it is missing, unreadable or damaged: a read then finds nothing.
std::optional<RegistryDocument> loadReadableDocument() {
    if (storeFile.empty())
        return std::nullopt;
    Store store = loadStore(storeFile);
    if (store.state != StoreState::Read || store.damaged)
        return std::nullopt;
    return std::move(store.document);
}

// The store a write starts from, read afresh; the caller holds storeLock and keeps it until the
// write is saved. Nothing when there is no store file, or it exists but cannot be read: replacing
// it would lose values that are still there.
std::optional<Store> loadWritableStore() {
    if (storeFile.empty())
        return std::nullopt;
    Store store = loadStore(storeFile);
    if (store.state == StoreState::Unreadable)
        return std::nullopt;
    return store;
}

// Writes the changed document; the caller holds storeLock.
bool saveStore(const std::string& file, const Store& store, const RegistryDocument& document) {
    if (!makeParentFolders(file))
        return false;
    if (store.state == StoreState::Read && store.damaged && !keepDamagedCopy(file, store.bytes))
        return false;
    return writeFileAtomically(file, formatRegistryText(document), IfTargetExists::Replace, true) ==
           WriteOutcome::Written;
}

} // namespace

void setRegistryFile(const std::string& path) {
    std::lock_guard guard(storeLock);
    storeFile = path;
}

std::string defaultRegistryFile() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/')
        return std::string(configHome) + "/kelvane/registry.reg";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config/kelvane/registry.reg";
    return "";
}

RegistryStatus openRegistryKey(RegistryRoot root, const char16_t* keyPath, RegistryKey& key) {
    std::string path;
    if (keyPath == nullptr || !sectionPath(root, keyPath, path))
        return RegistryStatus::NotFound;
    std::lock_guard guard(storeLock);
    std::optional<RegistryDocument> document = loadReadableDocument();
    if (!document || !isKeyOrAncestor(*document, path))
        return RegistryStatus::NotFound;
    key = RegistryKey{root, keyPath};
    return RegistryStatus::Ok;
}

RegistryStatus createRegistryKey(RegistryRoot root, const char16_t* keyPath, RegistryKey& key) {
    std::string path;
    if (keyPath == nullptr || !sectionPath(root, keyPath, path))
        return RegistryStatus::Failed;
    std::lock_guard guard(storeLock);
    std::optional<Store> store = loadWritableStore();
    if (!store)
        return RegistryStatus::Failed;
    if (store->state == StoreState::Missing || store->damaged ||
        findSection(store->document, path) == nullptr) {
        RegistryDocument changed = store->document;
        sectionFor(changed, path); // adds the key unless the salvaged document already holds it
        if (!saveStore(storeFile, *store, changed))
            return RegistryStatus::Failed;
    }
    key = RegistryKey{root, keyPath};
    return RegistryStatus::Ok;
}

RegistryStatus queryRegistryValue(const RegistryKey& key, const char16_t* name, void* buffer, uint32_t& size,
                                  uint32_t* type) {
    std::string path, valueName;
    if (name == nullptr || !sectionPath(key.root, key.path, path) || !registryTextFromWide(name, valueName))
        return RegistryStatus::NotFound;
    std::lock_guard guard(storeLock);
    std::optional<RegistryDocument> document = loadReadableDocument();
    if (!document)
        return RegistryStatus::NotFound;
    RegistrySection* section = findSection(*document, path);
    RegistryValue* value = section == nullptr ? nullptr : findValue(*section, valueName);
    if (value == nullptr)
        return RegistryStatus::NotFound;
    uint32_t room = size;
    size = static_cast<uint32_t>(value->data.size());
    if (type != nullptr)
        *type = value->type;
    if (value->data.size() > room)
        return RegistryStatus::MoreData;
    if (!value->data.empty())
        std::memcpy(buffer, value->data.data(), value->data.size());
    return RegistryStatus::Ok;
}

RegistryStatus setRegistryValue(const RegistryKey& key, const char16_t* name, uint32_t type, const void* data,
                                uint32_t size) {
    std::string path, valueName;
    if (name == nullptr || (data == nullptr && size > 0) || !sectionPath(key.root, key.path, path) ||
        !registryTextFromWide(name, valueName))
        return RegistryStatus::Failed;
    std::lock_guard guard(storeLock);
    std::optional<Store> store = loadWritableStore();
    if (!store)
        return RegistryStatus::Failed;
    RegistryDocument changed = store->document;
    const auto* bytes = static_cast<const uint8_t*>(data);
    storeValue(sectionFor(changed, path),
               RegistryValue{valueName, type, std::vector<uint8_t>(bytes, bytes + size)});
    return saveStore(storeFile, *store, changed) ? RegistryStatus::Ok : RegistryStatus::Failed;
}

void closeRegistryKey(RegistryKey& key) {
    key.path.clear();
}

void setRegistryReplaceHookForTesting(void (*hook)()) {
    replaceHook.store(hook);
}

} // namespace platform
