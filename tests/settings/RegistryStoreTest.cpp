// The registry kept in a .reg file: format, exact values, damaged files and atomic replacement.
#include "platform/Registry.h"
#include "tests/support/TemporaryFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using platform::RegistryStatus;

constexpr const char16_t* KEY = u"Software\\Microsoft\\Kelvane";
constexpr platform::RegistryRoot MACHINE = platform::RegistryRoot::LocalMachine;

Bytes utf16(std::u16string_view text, bool withNul = true) {
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    if (withNul)
        bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

struct Stored {
    uint32_t type;
    Bytes data;
};

class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::setRegistryFile(storePath); }
    void TearDown() override {
        platform::setRegistryFile("");
        platform::setRegistryReplaceHookForTesting(nullptr);
    }

    RegistryStatus write(const char16_t* name, uint32_t type, const Bytes& data, const char16_t* key = KEY) {
        platform::RegistryKey handle;
        RegistryStatus status = platform::createRegistryKey(MACHINE, key, handle);
        if (status != RegistryStatus::Ok)
            return status;
        return platform::setRegistryValue(handle, name, type, data.data(),
                                          static_cast<uint32_t>(data.size()));
    }

    std::optional<Stored> read(const char16_t* name, const char16_t* key = KEY) {
        platform::RegistryKey handle;
        if (platform::openRegistryKey(MACHINE, key, handle) != RegistryStatus::Ok)
            return std::nullopt;
        Bytes buffer(1 << 20);
        uint32_t size = static_cast<uint32_t>(buffer.size());
        uint32_t type = 0;
        if (platform::queryRegistryValue(handle, name, buffer.data(), size, &type) != RegistryStatus::Ok)
            return std::nullopt;
        buffer.resize(size);
        return Stored{type, buffer};
    }

    TemporaryFolder folder;
    std::string storePath = folder.file("config/kelvane/registry.reg");
};

TEST_F(RegistryStoreTest, NoStoreFindsNothingAndStoresNothing) {
    platform::setRegistryFile("");
    platform::RegistryKey key;
    EXPECT_EQ(platform::openRegistryKey(MACHINE, KEY, key), RegistryStatus::NotFound);
    EXPECT_EQ(platform::createRegistryKey(MACHINE, KEY, key), RegistryStatus::Failed);
    EXPECT_EQ(write(u"UsePass", platform::REGISTRY_TYPE_DWORD, {1, 0, 0, 0}), RegistryStatus::Failed);
}

TEST_F(RegistryStoreTest, FirstWriteCreatesTheFileInRegeditForm) {
    platform::RegistryKey key;
    EXPECT_EQ(platform::openRegistryKey(MACHINE, KEY, key), RegistryStatus::NotFound);
    EXPECT_FALSE(read(u"UsePass"));
    ASSERT_EQ(write(u"UsePass", platform::REGISTRY_TYPE_DWORD, {1, 0, 0, 0}), RegistryStatus::Ok);
    ASSERT_EQ(write(u"Password", platform::REGISTRY_TYPE_SZ, utf16(u"a\"b\\c")), RegistryStatus::Ok);
    EXPECT_EQ(readTextFile(storePath), "Windows Registry Editor Version 5.00\r\n"
                                       "\r\n"
                                       "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\r\n"
                                       "\"UsePass\"=dword:00000001\r\n"
                                       "\"Password\"=\"a\\\"b\\\\c\"\r\n"
                                       "\r\n");
    struct stat status {};
    ASSERT_EQ(::stat(storePath.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << "the store holds a password";
    // Names are found whatever the case of their letters, as in the registry.
    auto usePass = read(u"USEPASS", u"software\\microsoft\\KELVANE");
    ASSERT_TRUE(usePass);
    EXPECT_EQ(usePass->data, (Bytes{1, 0, 0, 0}));
}

TEST_F(RegistryStoreTest, EveryValueKeepsItsTypeAndExactBytes) {
    Bytes longBinary;
    for (int i = 0; i < 300; ++i)
        longBinary.push_back(static_cast<uint8_t>(i));
    struct Case {
        const char16_t* name;
        uint32_t type;
        Bytes data;
        std::string form; // how the value's data begins in the file
    };
    const Case cases[] = {
        {.name = u"Text", .type = 1, .data = utf16(u"My Documents"), .form = "\"My Documents\""},
        {.name = u"Empty", .type = 1, .data = utf16(u""), .form = "\"\""},
        {.name = u"Accents",
         .type = 1,
         .data = utf16(u"\u00e9t\u00e9 \u6f22"),
         .form = "\"\xc3\xa9t\xc3\xa9 \xe6\xbc\xa2\""},
        {.name = u"NoNul", .type = 1, .data = utf16(u"ab", false), .form = "hex(1):61,00,62,00"},
        {.name = u"OddSize", .type = 1, .data = {0x61, 0, 0}, .form = "hex(1):61,00,00"},
        {.name = u"LineBreak", .type = 1, .data = utf16(u"a\r\nb"), .form = "hex(1):"},
        {.name = u"NulInside", .type = 1, .data = utf16(std::u16string(u"a\0b", 3)), .form = "hex(1):"},
        {.name = u"Surrogate", .type = 1, .data = utf16(u"\xd800x"), .form = "hex(1):"},
        {.name = u"Number", .type = 4, .data = {10, 0, 0, 0}, .form = "dword:0000000a"},
        {.name = u"ShortNumber", .type = 4, .data = {1, 2, 3}, .form = "hex(4):01,02,03"},
        {.name = u"Binary", .type = 3, .data = longBinary, .form = "hex:00,01,02"},
        {.name = u"NoBytes", .type = 3, .data = {}, .form = "hex:\r\n"},
        {.name = u"Multi", .type = 7, .data = utf16(std::u16string(u"a\0b\0", 4)), .form = "hex(7):"},
        {.name = u"OwnType", .type = 0x1234, .data = {9}, .form = "hex(1234):09"},
        {.name = u"Quote\"Name", .type = 1, .data = utf16(u"x"), .form = "\"x\""},
    };
    for (const Case& test : cases)
        ASSERT_EQ(write(test.name, test.type, test.data), RegistryStatus::Ok);
    std::string text = readTextFile(storePath);
    for (const Case& test : cases) {
        std::string label(test.form);
        auto stored = read(test.name);
        ASSERT_TRUE(stored) << label;
        EXPECT_EQ(stored->type, test.type) << label;
        EXPECT_EQ(stored->data, test.data) << label;
        EXPECT_NE(text.find("=" + test.form), std::string::npos) << label;
    }
    EXPECT_NE(text.find(",\\\r\n  "), std::string::npos) << "long hex lists are wrapped";
}

TEST_F(RegistryStoreTest, ValueLargerThanTheBufferIsNotCopied) {
    ASSERT_EQ(write(u"Long", 3, Bytes(300, 7)), RegistryStatus::Ok);
    platform::RegistryKey key;
    ASSERT_EQ(platform::openRegistryKey(MACHINE, KEY, key), RegistryStatus::Ok);
    Bytes buffer(260, 0xEE);
    uint32_t size = 260;
    EXPECT_EQ(platform::queryRegistryValue(key, u"Long", buffer.data(), size, nullptr),
              RegistryStatus::MoreData);
    EXPECT_EQ(size, 300u);
    EXPECT_EQ(buffer, Bytes(260, 0xEE));
    size = 260;
    EXPECT_EQ(platform::queryRegistryValue(key, u"Missing", buffer.data(), size, nullptr),
              RegistryStatus::NotFound);
}

std::string utf16File(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char character : text) {
        bytes.push_back(character);
        bytes.push_back('\0');
    }
    return bytes;
}

TEST_F(RegistryStoreTest, ReadsWhatRegeditExportsAndKeepsTheRestOnWrite) {
    const std::string body = "\r\n; exported\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                             "@=\"default\"\r\n"
                             "\"Blob\"=hex:01,02,\\\r\n"
                             "  03,04\r\n"
                             "\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\r\n"
                             "\"usepass\"=dword:00000002\r\n"
                             "\"PInitPath\"=\"\\\\My Documents\\\\\"\r\n";
    struct Case {
        const char* label;
        std::string bytes;
    };
    const Case cases[] = {
        {.label = "UTF-16LE with its mark, version 5",
         .bytes = utf16File("Windows Registry Editor Version 5.00" + body)},
        {.label = "UTF-8, REGEDIT4, LF line ends",
         .bytes = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\n"
                  "\"UsePass\"=dword:2\n\"PInitPath\"=\"\\\\My Documents\\\\\"\n"},
        {.label = "UTF-8 with its mark", .bytes = "\xEF\xBB\xBFWindows Registry Editor Version 5.00" + body},
    };
    for (const Case& test : cases) {
        std::filesystem::create_directories(folder.file("config/kelvane"));
        ASSERT_TRUE(writeTextFile(storePath, test.bytes));
        auto usePass = read(u"UsePass");
        ASSERT_TRUE(usePass) << test.label;
        EXPECT_EQ(usePass->data, (Bytes{2, 0, 0, 0})) << test.label;
        auto path = read(u"PInitPath");
        ASSERT_TRUE(path) << test.label;
        EXPECT_EQ(path->data, utf16(u"\\My Documents\\")) << test.label;

        ASSERT_EQ(write(u"Password", 1, utf16(u"pw")), RegistryStatus::Ok) << test.label;
        EXPECT_TRUE(read(u"UsePass")) << test.label;
        EXPECT_FALSE(std::filesystem::exists(storePath + ".bad")) << test.label;
        if (test.bytes.find("Other") != std::string::npos) {
            auto blob = read(u"Blob", u"Software\\Other");
            EXPECT_FALSE(blob) << "another root is another key: " << test.label;
            platform::RegistryKey other;
            ASSERT_EQ(
                platform::openRegistryKey(platform::RegistryRoot::CurrentUser, u"Software\\Other", other),
                RegistryStatus::Ok)
                << test.label;
            Bytes buffer(260);
            uint32_t size = 260;
            ASSERT_EQ(platform::queryRegistryValue(other, u"Blob", buffer.data(), size, nullptr),
                      RegistryStatus::Ok);
            buffer.resize(size);
            EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4})) << test.label;
            size = 260;
            EXPECT_EQ(platform::queryRegistryValue(other, u"", buffer.data(), size, nullptr),
                      RegistryStatus::Ok)
                << "the default value (@) survives: " << test.label;
        }
        std::filesystem::remove_all(folder.file("config"));
    }
}

TEST_F(RegistryStoreTest, DamagedFileReadsAsMissingAndIsKeptAsideOnTheNextWrite) {
    const std::string good = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\r\n";
    struct Case {
        const char* label;
        std::string bytes;
        bool usePassSalvaged; // "UsePass"=dword:00000001 can still be read from it
    };
    const Case cases[] = {
        {.label = "binary garbage",
         .bytes = std::string("\x00\x01\x02\xff\xfe\x80 junk", 11),
         .usePassSalvaged = false},
        {.label = "no header",
         .bytes = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\r\n\"UsePass\"=dword:00000001\r\n",
         .usePassSalvaged = true},
        {.label = "one bad line among good ones",
         .bytes = good + "\"UsePass\"=dword:00000001\r\n\"Password\"=\"unterminated\r\n",
         .usePassSalvaged = true},
        {.label = "bad number", .bytes = good + "\"UsePass\"=dword:1234567890\r\n", .usePassSalvaged = false},
        {.label = "value outside any section",
         .bytes = "REGEDIT4\r\n\"UsePass\"=dword:00000001\r\n",
         .usePassSalvaged = false},
        {.label = "section never closed",
         .bytes = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\r\n",
         .usePassSalvaged = false},
        {.label = "key removal",
         .bytes = "REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\r\n",
         .usePassSalvaged = false},
        {.label = "odd UTF-16", .bytes = std::string("\xFF\xFEW\0x", 5), .usePassSalvaged = false},
        {.label = "invalid UTF-8",
         .bytes = good + "\"UsePass\"=dword:00000001\r\n\"Password\"=\"\xC3\x28\"\r\n",
         .usePassSalvaged = true},
    };
    for (const Case& test : cases) {
        std::filesystem::remove_all(folder.file("config"));
        std::filesystem::create_directories(folder.file("config/kelvane"));
        ASSERT_TRUE(writeTextFile(storePath, test.bytes));
        platform::RegistryKey key;
        EXPECT_EQ(platform::openRegistryKey(MACHINE, KEY, key), RegistryStatus::NotFound) << test.label;
        EXPECT_FALSE(read(u"UsePass")) << test.label;

        ASSERT_EQ(write(u"PInitPath", 1, utf16(u"x")), RegistryStatus::Ok) << test.label;
        EXPECT_EQ(readTextFile(storePath + ".bad"), test.bytes)
            << "the damaged file is kept whole: " << test.label;
        EXPECT_TRUE(read(u"PInitPath")) << test.label;
        EXPECT_EQ(read(u"UsePass").has_value(), test.usePassSalvaged) << test.label;
    }
}

TEST_F(RegistryStoreTest, EveryDamagedFileGetsItsOwnCopy) {
    std::filesystem::create_directories(folder.file("config/kelvane"));
    ASSERT_TRUE(writeTextFile(storePath, "first damage"));
    ASSERT_EQ(write(u"A", 1, utf16(u"a")), RegistryStatus::Ok);
    ASSERT_TRUE(writeTextFile(storePath, "second damage"));
    ASSERT_EQ(write(u"A", 1, utf16(u"a")), RegistryStatus::Ok);
    EXPECT_EQ(readTextFile(storePath + ".bad"), "first damage");
    EXPECT_EQ(readTextFile(storePath + ".bad.2"), "second damage");
}

TEST_F(RegistryStoreTest, StoreThatCannotBeReadIsNeverReplaced) {
    std::filesystem::create_directories(storePath + "/inside");
    EXPECT_EQ(write(u"UsePass", 4, {1, 0, 0, 0}), RegistryStatus::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(storePath + "/inside"));
    EXPECT_FALSE(read(u"UsePass"));
}

TEST_F(RegistryStoreTest, CrashBetweenWriteAndRenameLeavesTheOldFileWhole) {
    ASSERT_EQ(write(u"Password", 1, utf16(u"old")), RegistryStatus::Ok);
    const std::string before = readTextFile(storePath);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The new file is complete and synced when the hook runs; the process dies right there.
        platform::setRegistryReplaceHookForTesting(+[] { ::_exit(42); });
        write(u"Password", 1, utf16(u"new, never renamed into place"));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 42) << "the hook ran";
    EXPECT_EQ(readTextFile(storePath), before);
    auto password = read(u"Password");
    ASSERT_TRUE(password);
    EXPECT_EQ(password->data, utf16(u"old"));
    ASSERT_EQ(write(u"Password", 1, utf16(u"after")), RegistryStatus::Ok);
    EXPECT_EQ(read(u"Password")->data, utf16(u"after"));
}

TEST_F(RegistryStoreTest, KilledWriterNeverLeavesAPartialFile) {
    const Bytes first(120000, 0xAA);
    const Bytes second(180000, 0xBB);
    ASSERT_EQ(write(u"Blob", 3, first), RegistryStatus::Ok);
    for (int round = 0; round < 12; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                write(u"Blob", 3, i % 2 == 0 ? second : first);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(15 + 7 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        auto blob = read(u"Blob");
        ASSERT_TRUE(blob) << "round " << round;
        EXPECT_TRUE(blob->data == first || blob->data == second) << "round " << round;
        EXPECT_FALSE(std::filesystem::exists(storePath + ".bad")) << "round " << round;
    }
}

TEST(RegistryDefaultFileTest, FollowsXdgConfigHomeThenHome) {
    auto keep = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value == nullptr ? std::nullopt : std::optional<std::string>(value);
    };
    std::optional<std::string> configHome = keep("XDG_CONFIG_HOME"), home = keep("HOME");
    struct Case {
        const char* configHome; // null: unset
        const char* home;
        std::string expected;
    };
    const Case cases[] = {
        {.configHome = "/x/config", .home = "/home/u", .expected = "/x/config/kelvane/registry.reg"},
        {.configHome = nullptr, .home = "/home/u", .expected = "/home/u/.config/kelvane/registry.reg"},
        {.configHome = "", .home = "/home/u", .expected = "/home/u/.config/kelvane/registry.reg"},
        {.configHome = "relative", .home = "/home/u", .expected = "/home/u/.config/kelvane/registry.reg"},
        {.configHome = nullptr, .home = nullptr, .expected = ""},
    };
    for (const Case& test : cases) {
        test.configHome ? ::setenv("XDG_CONFIG_HOME", test.configHome, 1) : ::unsetenv("XDG_CONFIG_HOME");
        test.home ? ::setenv("HOME", test.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(platform::defaultRegistryFile(), test.expected)
            << (test.configHome ? test.configHome : "(unset)") << " " << (test.home ? test.home : "(unset)");
    }
    configHome ? ::setenv("XDG_CONFIG_HOME", configHome->c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    home ? ::setenv("HOME", home->c_str(), 1) : ::unsetenv("HOME");
}

} // namespace
