// The Options dialog's registry reads and writes, without a display.
#include "server/ui/OptionsDialog.h"

#include "platform/Registry.h"
#include "server/settings/RegistryAccess.h"
#include "server/settings/SettingsKeys.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace {

class OptionsDialogStore : public ::testing::Test {
  protected:
    void SetUp() override { platform::setRegistryFile(folder.file("registry.reg")); }
    void TearDown() override { platform::setRegistryFile(""); }

    void storeText(const char16_t* name, const std::u16string& text) {
        ASSERT_EQ(writeRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, name, text.c_str(), REG_SZ, 0),
                  1);
    }
    void storeNumber(const char16_t* name, uint32_t number) {
        ASSERT_EQ(writeRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, name, &number, REG_DWORD, 4), 1);
    }

    struct Stored {
        uint32_t type = 0;
        std::vector<uint8_t> bytes;
    };
    Stored stored(const char16_t* name) {
        Stored value;
        platform::RegistryKey key;
        if (platform::openRegistryKey(platform::RegistryRoot::LocalMachine, SETTINGS_KEY_PATH, key) !=
            platform::RegistryStatus::Ok)
            return value;
        uint8_t buffer[1024];
        uint32_t size = sizeof buffer;
        if (platform::queryRegistryValue(key, name, buffer, size, &value.type) ==
            platform::RegistryStatus::Ok)
            value.bytes.assign(buffer, buffer + size);
        return value;
    }
    static std::vector<uint8_t> textBytes(const std::u16string& text) {
        std::vector<uint8_t> bytes;
        for (char16_t unit : text) {
            bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
            bytes.push_back(static_cast<uint8_t>(unit >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        return bytes;
    }

    TemporaryFolder folder;
};

TEST_F(OptionsDialogStore, FirstStartShowsAClearBoxAndEmptyTexts) {
    OptionsDialog dialog;
    EXPECT_EQ(dialog.initialise(), 1);
    EXPECT_EQ(dialog.usePass, 0);
    EXPECT_EQ(dialog.password, u"");
    EXPECT_EQ(dialog.desktopInitPath, u"");
    EXPECT_EQ(dialog.pocketPcInitPath, u"");
}

TEST_F(OptionsDialogStore, ShowsTheStoredValuesAsTheyAre) {
    std::u16string longPath(129, u'p'); // over the typing limit, still readable (260 bytes)
    storeNumber(USE_PASS_VALUE, 2);
    storeText(PASSWORD_VALUE, u"secret");
    storeText(DESKTOP_INIT_PATH_VALUE, u"\\My Documents\\");
    storeText(POCKET_PC_INIT_PATH_VALUE, longPath);
    OptionsDialog dialog;
    dialog.initialise();
    EXPECT_EQ(dialog.usePass, 1);
    EXPECT_EQ(dialog.password, u"secret");
    EXPECT_EQ(dialog.desktopInitPath, u"\\My Documents\\"); // the dialog edits the stored text, untrimmed
    EXPECT_EQ(dialog.pocketPcInitPath, longPath);

    // A value that is too long to be read at all shows as empty text.
    storeText(POCKET_PC_INIT_PATH_VALUE, std::u16string(130, u'q'));
    OptionsDialog again;
    again.initialise();
    EXPECT_EQ(again.pocketPcInitPath, u"");
}

TEST_F(OptionsDialogStore, OkWritesAllFourValuesWithTheirTypesAndSizes) {
    OptionsDialog dialog;
    dialog.initialise();
    dialog.usePass = 1;
    dialog.password = u"abc";
    dialog.desktopInitPath = u"C:\\Temp";
    dialog.onOk();

    Stored usePass = stored(USE_PASS_VALUE);
    EXPECT_EQ(usePass.type, REG_DWORD);
    EXPECT_EQ(usePass.bytes, (std::vector<uint8_t>{1, 0, 0, 0}));
    Stored password = stored(PASSWORD_VALUE);
    EXPECT_EQ(password.type, REG_SZ);
    EXPECT_EQ(password.bytes.size(), 8u);
    EXPECT_EQ(password.bytes, textBytes(u"abc"));
    EXPECT_EQ(stored(DESKTOP_INIT_PATH_VALUE).bytes, textBytes(u"C:\\Temp"));
    Stored pocketPc = stored(POCKET_PC_INIT_PATH_VALUE);
    EXPECT_EQ(pocketPc.type, REG_SZ);
    EXPECT_EQ(pocketPc.bytes, textBytes(u""));
}

TEST_F(OptionsDialogStore, AnyNonZeroUsePassIsStoredBackAsOne) {
    storeNumber(USE_PASS_VALUE, 0x100);
    OptionsDialog dialog;
    dialog.initialise();
    EXPECT_EQ(dialog.usePass, 1);
    dialog.onOk();
    EXPECT_EQ(stored(USE_PASS_VALUE).bytes, (std::vector<uint8_t>{1, 0, 0, 0}));
    dialog.usePass = 0;
    dialog.onOk();
    EXPECT_EQ(stored(USE_PASS_VALUE).bytes, (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(OptionsDialogStore, TextsConvertBetweenTheToolkitAndTheStore) {
    EXPECT_EQ(wideFromUtf8("Grüße €"), u"Grüße €");
    EXPECT_EQ(utf8FromWide(u"Grüße €"), "Grüße €");
    EXPECT_EQ(utf8FromWide(u""), "");
}

} // namespace
