// Status labels, Get Configure and the password check.
#include "server/commands/CommandProtocol.h"
#include "tests/commands/CommandRig.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

const std::string REPLY_HEADER = "HTTP/1.1 200 OK\r\n"
                                 "Cache-Control: no-cache, must-revalidate\r\n"
                                 "Content-Type: text/html\r\n"
                                 "Connection: close\r\n"
                                 "Command-ID: 0\r\n"
                                 "\r\n";

TEST(CommandProtocolTest, LabelsOfEveryCommand) {
    struct Case {
        int32_t command;
        std::u16string label;
    };
    const Case cases[] = {
        {0, u"Get Page."},
        {2999, u"Get Page."},
        {3000, u"Get Configure."},
        {3001, u""},
        {3002, u""},
        {3003, u"User Logon."},
        {3004, u"Get Page."},
        {3005, u"Download File."},
        {3006, u"Upload File."},
        {3007, u"Download Folder."},
        {3008, u"Upload Folder."},
        {3009, u"Delete File."},
        {3010, u"Delete Folder."},
        {3011, u"Create Folder."},
        {3012, u"Check Disk Space."},
        {3013, u"Get Page."},
        {3014, u"Get Page."},
        {3015, u"RAC Session"},
        {3016, u"RAD Session"},
        {3017, u"Get Page."},
        {-1, u"Get Page."},
    };
    for (const Case& test : cases) {
        char16_t buffer[COMMAND_LABEL_SIZE + 4];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        labelForCommand(test.command, buffer);
        EXPECT_EQ(std::u16string(buffer), test.label) << test.command;
        EXPECT_EQ(buffer[COMMAND_LABEL_SIZE], u'#') << "stays within 18 units: " << test.command;
    }
}

TEST(ConfigurationTest, GetConfigureWithNoSettingsIsTenBytes) {
    CommandRig rig;
    CommandReply reply = rig.run([&](Connection& c) { sendConfiguration(rig.application(), c); }, {});
    EXPECT_EQ(reply.header, REPLY_HEADER);
    EXPECT_EQ(reply.body, std::string("\x01\0\0\0\0\0\0\0\0\0", 10));
}

TEST(ConfigurationTest, GetConfigureSendsTheSnapshot) {
    CommandRig rig;
    ServerApp& app = rig.application();
    app.usePass = 1;
    std::strcpy(app.desktopInitPath, "C:\\Temp");
    std::strcpy(app.pocketPcInitPath, "My Documents");
    CommandReply reply =
        rig.run([&](Connection& c) { sendConfiguration(app, c); }, {.bytes = "ignored body\r\n"});
    EXPECT_EQ(reply.header, REPLY_HEADER);
    EXPECT_EQ(reply.body, wordBytes(1) + wordBytes(1) + std::string("C:\\Temp\0My Documents\0", 21));
}

TEST(ConfigurationTest, PasswordCheck) {
    struct Case {
        const char* label;
        const char* stored;
        std::string sent;
        int expectedSign; // 0 equal, -1 line before the password, 1 after
    };
    const Case cases[] = {
        {.label = "equal", .stored = "Secret", .sent = "Secret\r\n", .expectedSign = 0},
        {.label = "other letter case", .stored = "Secret", .sent = "SECRET\r\n", .expectedSign = -1},
        {.label = "empty against empty", .stored = "", .sent = "\r\n", .expectedSign = 0},
        {.label = "empty line, stored password", .stored = "pw", .sent = "\r\n", .expectedSign = -1},
        {.label = "longer line", .stored = "pw", .sent = "pwx\r\n", .expectedSign = 1},
        {.label = "bytes compare unsigned", .stored = "a", .sent = "\xE9\r\n", .expectedSign = 1},
        {.label = "40-byte line: its first 29 bytes take part",
         .stored = "",
         .sent = std::string(40, 'p') + "\r\n",
         .expectedSign = 1},
        {.label = "29 bytes of a 40-byte line never equal a 20-byte password",
         .stored = "pppppppppppppppppppp",
         .sent = std::string(40, 'p') + "\r\n",
         .expectedSign = 1},
    };
    for (const Case& test : cases) {
        CommandRig rig;
        std::strcpy(rig.application().password, test.stored);
        CommandReply reply =
            rig.run([&](Connection& c) { checkPassword(rig.application(), c); }, {.bytes = test.sent});
        EXPECT_EQ(reply.header, REPLY_HEADER) << test.label;
        ASSERT_EQ(reply.body.size(), 4u) << test.label;
        auto word = static_cast<int32_t>(wordAt(reply.body, 0));
        EXPECT_EQ((word > 0) - (word < 0), test.expectedSign) << test.label;
    }
}

TEST(ConfigurationTest, PasswordLineThatNeverComesGetsNoReply) {
    CommandRig rig(300);
    const ClientScript scripts[] = {
        {.bytes = "", .closeAfterSending = true},
        {.bytes = "half a li", .closeAfterSending = true},
        {.bytes = "silence after this"},
    };
    for (const ClientScript& script : scripts) {
        CommandReply reply = rig.run([&](Connection& c) { checkPassword(rig.application(), c); }, script);
        EXPECT_EQ(reply.raw, "") << script.bytes;
    }
}

} // namespace
