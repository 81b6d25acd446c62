// Get Configure and the password check through the real server.
#include "tests/integration/ServerFixture.h"

using namespace kelvane::client;

namespace {
Outcome<std::string> rawConfiguration(const CommandClient& client) {
    RawRequest request;
    request.commandId = 3000;
    return client.sendRaw(request);
}
} // namespace

using ConfigurationTest = ServerFixture;

TEST_F(ConfigurationTest, WithoutSettingsTheReplyIsTenBytes) {
    startServer();
    auto raw = rawConfiguration(client());
    ASSERT_TRUE(raw.ok()) << raw.message;
    EXPECT_EQ(raw.value, std::string("\x01\0\0\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(raw.header.status, 200);
    EXPECT_EQ(raw.header.commandId(), 0);
    EXPECT_EQ(raw.header.value("Content-Length"), std::nullopt);
    EXPECT_EQ(raw.header.value("Connection"), "close");

    auto typed = client().getConfiguration();
    ASSERT_TRUE(typed.ok()) << typed.message;
    EXPECT_EQ(typed.value.firstWord, 1u);
    EXPECT_FALSE(typed.value.usePassword());
    EXPECT_EQ(typed.value.desktopInitPath, "");
    EXPECT_EQ(typed.value.pocketPcInitPath, "");
}

TEST_F(ConfigurationTest, ReportsStoredSettingsWithPathsTrimmed) {
    startServer(registryText("\"UsePass\"=dword:00000002\n\"Password\"=\"Secret\"\n"
                             "\"DInitPath\"=\"C:\\\\Temp/\"\n\"PInitPath\"=\"\\\\My Documents\\\\\""));
    auto raw = rawConfiguration(client());
    ASSERT_TRUE(raw.ok()) << raw.message;
    EXPECT_EQ(raw.value,
              std::string("\x01\0\0\0\x01\0\0\0", 8) + std::string("C:\\Temp\0My Documents\0", 21));

    auto typed = client().getConfiguration();
    ASSERT_TRUE(typed.ok()) << typed.message;
    EXPECT_TRUE(typed.value.usePassword());
    EXPECT_EQ(typed.value.desktopInitPath, "C:\\Temp");
    EXPECT_EQ(typed.value.pocketPcInitPath, "My Documents");
}

TEST_F(ConfigurationTest, PasswordComparison) {
    startServer(registryText("\"UsePass\"=dword:00000001\n\"Password\"=\"Secret\""));
    struct Case {
        std::string line;
        int sign; // of the reply word
    };
    const Case cases[] = {
        {.line = "Secret", .sign = 0},
        {.line = "secret", .sign = 1},  // 's' orders after 'S'
        {.line = "SECRET", .sign = -1}, // 'E' orders before 'e'
        {.line = "Secre", .sign = -1},
        {.line = "", .sign = -1},
        {.line = "Secret" + std::string(34, 'x'), .sign = 1}, // 40 bytes: cut to 29, still longer
    };
    for (const Case& row : cases) {
        auto outcome = client().checkPassword(row.line);
        ASSERT_TRUE(outcome.ok()) << row.line << ": " << outcome.message;
        int sign = outcome.value.word == 0 ? 0 : (outcome.value.word < 0 ? -1 : 1);
        EXPECT_EQ(sign, row.sign) << "line \"" << row.line << "\" gave " << outcome.value.word;
        EXPECT_EQ(outcome.header.commandId(), 0);
    }
}

TEST_F(ConfigurationTest, PasswordCheckWithoutStoredPassword) {
    startServer();
    EXPECT_TRUE(client().checkPassword("").value.matches());
    auto wrong = client().checkPassword("anything");
    ASSERT_TRUE(wrong.ok()) << wrong.message;
    EXPECT_FALSE(wrong.value.matches());
}

TEST_F(ConfigurationTest, ALineOfFortyBytesNeverMatches) {
    // Only the first 29 bytes of the line take part, and a password has at most 20.
    const std::string password(20, 'p');
    startServer(registryText("\"Password\"=\"" + password + "\""));
    EXPECT_TRUE(client().checkPassword(password).value.matches());
    auto outcome = client().checkPassword(password + std::string(20, 'p'));
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_FALSE(outcome.value.matches());
}

TEST_F(ConfigurationTest, AFailedCheckChangesNothingForLaterCommands) {
    startServer(registryText("\"UsePass\"=dword:00000001\n\"Password\"=\"Secret\""));
    writeFile(root("a.txt"), "hello");
    EXPECT_FALSE(client().checkPassword("wrong").value.matches());
    std::string received;
    auto outcome = client().downloadFile("a.txt", [&](const char* data, size_t size) {
        received.append(data, size);
        return true;
    });
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_EQ(received, "hello");
}
