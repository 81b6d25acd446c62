// Single registry values, separator trimming and the settings snapshot taken at start.
#include "server/settings/PathSeparators.h"
#include "server/settings/RegistryAccess.h"
#include "server/settings/SettingsKeys.h"
#include "server/settings/SettingsSnapshot.h"
#include "server/ui/ServerApp.h"
#include "tests/support/TemporaryFolder.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::setRegistryFile(storePath); }
    void TearDown() override { platform::setRegistryFile(""); }

    int writeText(const char16_t* name, const std::u16string& text) {
        return writeRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, name, text.c_str(), REG_SZ, 0);
    }
    int writeNumber(const char16_t* name, uint32_t number) {
        return writeRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, name, &number, REG_DWORD, 4);
    }
    // The size that the store holds for a value, read through a generous buffer.
    uint32_t storedSize(const char16_t* name) {
        platform::RegistryKey key;
        if (platform::openRegistryKey(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, key) !=
            platform::RegistryStatus::Ok)
            return 0;
        std::vector<uint8_t> buffer(4096);
        uint32_t size = static_cast<uint32_t>(buffer.size());
        platform::queryRegistryValue(key, name, buffer.data(), size, nullptr);
        return size;
    }
    SettingsSnapshot load() {
        SettingsSnapshot snapshot;
        loadSettings(snapshot);
        return snapshot;
    }

    TemporaryFolder folder;
    std::string storePath = folder.file("kelvane/registry.reg");
};

TEST(PathSeparatorsTest, TrimsLeadingAndTrailingSeparatorsOnly) {
    struct Case {
        const char* stored;
        const char* expected;
    };
    const Case cases[] = {
        {"\\My Documents\\", "My Documents"},
        {"C:\\Temp/", "C:\\Temp"},
        {"\\a\\b\\", "a\\b"},
        {"\\", ""},
        {"/", ""},
        {"/\\/", ""},
        {"", ""},
        {"plain", "plain"},
        {"//a//b//", "a//b"},
        {"a", "a"},
        {"\\\\server\\share", "server\\share"},
    };
    for (const Case& test : cases) {
        char buffer[64];
        std::strcpy(buffer, test.stored);
        EXPECT_STREQ(trimPathSeparators(buffer), test.expected) << test.stored;
    }
}

TEST_F(SettingsStoreTest, NoStoreGivesEmptySettings) {
    platform::setRegistryFile("");
    SettingsSnapshot snapshot = load();
    EXPECT_EQ(snapshot.usePass, 0);
    EXPECT_STREQ(snapshot.password, "");
    EXPECT_STREQ(snapshot.desktopInitPath, "");
    EXPECT_STREQ(snapshot.pocketPcInitPath, "");
    platform::setRegistryFile(storePath);
    EXPECT_EQ(load().usePass, 0) << "a store file that does not exist yet";
    EXPECT_FALSE(std::filesystem::exists(storePath)) << "reading never creates the store";
}

TEST_F(SettingsStoreTest, WritesStoreTheTypesAndSizesTheOptionsDialogGives) {
    EXPECT_EQ(writeNumber(USE_PASS_VALUE, 1), 1);
    EXPECT_EQ(writeText(PASSWORD_VALUE, u"abc"), 1);
    EXPECT_EQ(storedSize(USE_PASS_VALUE), 4u);
    EXPECT_EQ(storedSize(PASSWORD_VALUE), 8u) << "three characters and the NUL, two bytes each";
    uint8_t buffer[REGISTRY_READ_SIZE];
    ASSERT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, PASSWORD_VALUE, buffer), 1);
    EXPECT_EQ(std::memcmp(buffer, u"abc", 8), 0);

    platform::setRegistryFile("");
    EXPECT_EQ(writeNumber(USE_PASS_VALUE, 1), 0) << "no store: the write fails";
}

TEST_F(SettingsStoreTest, ReadsOfferExactly260Bytes) {
    uint8_t buffer[REGISTRY_READ_SIZE + 16];
    const char16_t* name = DESKTOP_INIT_PATH_VALUE;
    ASSERT_EQ(writeText(name, std::u16string(129, u'p')), 1);
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, name, buffer), 1)
        << "129 characters: 260 bytes";
    EXPECT_EQ(buffer[REGISTRY_READ_SIZE], 0xEE) << "nothing beyond 260 bytes is written";
    ASSERT_EQ(writeText(name, std::u16string(130, u'p')), 1);
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, name, buffer), 0)
        << "130 characters: 262 bytes";
    EXPECT_EQ(buffer[0], 0xEE) << "a failed read leaves the buffer alone";
    EXPECT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, u"Missing", buffer), 0);
    EXPECT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Elsewhere", name, buffer), 0);
}

TEST_F(SettingsStoreTest, SnapshotFollowsTheStoredValues) {
    struct Case {
        const char* label;
        std::vector<std::pair<const char16_t*, std::u16string>> texts;
        std::vector<std::pair<const char16_t*, uint32_t>> numbers;
        int32_t usePass;
        std::string password, desktopInitPath, pocketPcInitPath;
    };
    const Case cases[] = {
        {.label = "UsePass 2", .texts = {}, .numbers = {{USE_PASS_VALUE, 2}}, .usePass = 1},
        {.label = "UsePass 0", .texts = {}, .numbers = {{USE_PASS_VALUE, 0}}, .usePass = 0},
        {.label = "UsePass stored as text", .texts = {{USE_PASS_VALUE, u"0"}}, .numbers = {}, .usePass = 1},
        {.label = "password of 25 characters",
         .texts = {{PASSWORD_VALUE, u"abcdefghijklmnopqrstuvwxy"}},
         .numbers = {},
         .usePass = 0,
         .password = "abcdefghijklmnopqrst"},
        {.label = "paths trimmed",
         .texts = {{DESKTOP_INIT_PATH_VALUE, u"C:\\Temp/"}, {POCKET_PC_INIT_PATH_VALUE, u"\\My Documents\\"}},
         .numbers = {},
         .usePass = 0,
         .desktopInitPath = "C:\\Temp",
         .pocketPcInitPath = "My Documents"},
        {.label = "path of 130 characters",
         .texts = {{DESKTOP_INIT_PATH_VALUE, std::u16string(130, u'd')}},
         .numbers = {},
         .usePass = 0},
        {.label = "path of 129 characters",
         .texts = {{DESKTOP_INIT_PATH_VALUE, std::u16string(129, u'd')}},
         .numbers = {},
         .usePass = 0,
         .desktopInitPath = std::string(129, 'd')},
        {.label = "separators only",
         .texts = {{POCKET_PC_INIT_PATH_VALUE, u"/\\/"}},
         .numbers = {},
         .usePass = 0},
        {.label = "narrow form too long for the field: left empty, never cut",
         .texts = {{POCKET_PC_INIT_PATH_VALUE, std::u16string(100, u'\u6f22')}},
         .numbers = {},
         .usePass = 0},
        {.label = "accented path",
         .texts = {{POCKET_PC_INIT_PATH_VALUE, u"\\Documents d'\u00e9t\u00e9"}},
         .numbers = {},
         .usePass = 0,
         .pocketPcInitPath = "Documents d'\xc3\xa9t\xc3\xa9"},
    };
    for (const Case& test : cases) {
        std::filesystem::remove_all(folder.file("kelvane"));
        for (const auto& [name, text] : test.texts)
            ASSERT_EQ(writeText(name, text), 1) << test.label;
        for (const auto& [name, number] : test.numbers)
            ASSERT_EQ(writeNumber(name, number), 1) << test.label;
        SettingsSnapshot snapshot = load();
        EXPECT_EQ(snapshot.usePass, test.usePass) << test.label;
        EXPECT_EQ(std::string(snapshot.password), test.password) << test.label;
        EXPECT_EQ(std::string(snapshot.desktopInitPath), test.desktopInitPath) << test.label;
        EXPECT_EQ(std::string(snapshot.pocketPcInitPath), test.pocketPcInitPath) << test.label;
    }
}

TEST_F(SettingsStoreTest, CorruptedStoreGivesEmptySettingsAndLosesNothing) {
    std::filesystem::create_directories(folder.file("kelvane"));
    const std::string damaged = "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\r\n"
                                "\"UsePass\"=dword:00000001\r\n"
                                "\"PInitPath\"=\"\\\\Storage\"\r\n"
                                "\"Password\"=garbage\r\n";
    ASSERT_TRUE(writeTextFile(storePath, damaged));
    SettingsSnapshot snapshot = load();
    EXPECT_EQ(snapshot.usePass, 0);
    EXPECT_STREQ(snapshot.pocketPcInitPath, "");
    EXPECT_EQ(readTextFile(storePath), damaged) << "reading leaves the file alone";

    ASSERT_EQ(writeText(PASSWORD_VALUE, u"pw"), 1);
    EXPECT_EQ(readTextFile(storePath + ".bad"), damaged);
    snapshot = load();
    EXPECT_EQ(snapshot.usePass, 1) << "values still readable were carried over";
    EXPECT_STREQ(snapshot.pocketPcInitPath, "Storage");
    EXPECT_STREQ(snapshot.password, "pw");
}

TEST_F(SettingsStoreTest, ServerAppTakesItsSnapshotOnceAtConstruction) {
    ASSERT_EQ(writeNumber(USE_PASS_VALUE, 1), 1);
    ASSERT_EQ(writeText(PASSWORD_VALUE, u"secret"), 1);
    ASSERT_EQ(writeText(DESKTOP_INIT_PATH_VALUE, u"\\Desk\\"), 1);
    ServerOptions options;
    options.registryPath = storePath;
    ServerApp app(options);
    EXPECT_EQ(app.usePass, 1);
    EXPECT_STREQ(app.password, "secret");
    EXPECT_STREQ(app.desktopInitPath, "Desk");
    EXPECT_STREQ(app.pocketPcInitPath, "");
    ASSERT_EQ(writeText(PASSWORD_VALUE, u"changed"), 1);
    EXPECT_STREQ(app.password, "secret") << "later writes reach the server only at its next start";
}

} // namespace
