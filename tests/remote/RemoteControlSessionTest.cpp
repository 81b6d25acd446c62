// Tests of the remote control session on a private X server, run in-process on a socket pair.
#include "tests/remote/DisplayTestSupport.h"
#include "tests/remote/SessionHarness.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <chrono>
#include <poll.h>
#include <thread>

namespace {

constexpr uint32_t MOVE = 512;
constexpr uint32_t LEFT_DOWN = 513;
constexpr uint32_t LEFT_UP = 514;
constexpr uint32_t RIGHT_DOWN = 516;
constexpr uint32_t RIGHT_UP = 517;
constexpr uint32_t KEY_DOWN = 256;
constexpr uint32_t KEY_UP = 257;

uint32_t position(uint32_t x, uint32_t y) {
    return x | (y << 16);
}

// Polls until the condition holds; injected events reach the server on another connection.
template <typename Condition>
bool eventually(Condition condition, int milliseconds = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The closing reply: a header block with Command-ID 0, one word 0, then the end.
void expectClosingReply(SessionHarness& session) {
    const std::string header = session.readHeaderBlock();
    EXPECT_EQ(header.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << header;
    EXPECT_NE(header.find("\r\nCommand-ID: 0\r\n"), std::string::npos) << header;
    uint32_t word = 1;
    EXPECT_TRUE(session.readWord(word));
    EXPECT_EQ(word, 0u);
    EXPECT_TRUE(session.endsWithin(3000));
}

class RemoteControlSessionTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(display.start("240x320x24", true)); }
    PrivateDisplay display;
};

TEST_F(RemoteControlSessionTest, MouseMovesPutThePointerOnThatPixel) {
    SessionHarness session(SessionHarness::Kind::Control);
    struct Case {
        uint32_t x;
        uint32_t y;
        int expectedX;
        int expectedY;
    };
    const Case cases[] = {
        {.x = 10, .y = 20, .expectedX = 10, .expectedY = 20},
        {.x = 120, .y = 160, .expectedX = 120, .expectedY = 160},
        {.x = 0, .y = 0, .expectedX = 0, .expectedY = 0},
        {.x = 239, .y = 319, .expectedX = 239, .expectedY = 319},
        {.x = 1, .y = 1, .expectedX = 1, .expectedY = 1},
        {.x = 240, .y = 320, .expectedX = 239, .expectedY = 319},     // the far edges stop the pointer
        {.x = 65535, .y = 40000, .expectedX = 239, .expectedY = 319}, // beyond the scaling's range
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testing::Message() << testCase.x << "," << testCase.y);
        session.sendRecord(MOVE, 0, position(testCase.x, testCase.y));
        EXPECT_TRUE(eventually([&] {
            const auto pointer = display.client.pointer();
            return pointer.x == testCase.expectedX && pointer.y == testCase.expectedY;
        })) << "pointer at "
            << display.client.pointer().x << "," << display.client.pointer().y;
    }
}

TEST_F(RemoteControlSessionTest, ButtonRecordsPressAndReleaseWhereTheyPoint) {
    SessionHarness session(SessionHarness::Kind::Control);
    struct Step {
        const char* name;
        uint32_t message;
        unsigned buttons; // the button state expected afterwards
    };
    const Step steps[] = {
        {.name = "left down", .message = LEFT_DOWN, .buttons = Button1Mask},
        {.name = "left up", .message = LEFT_UP, .buttons = 0},
        {.name = "right down", .message = RIGHT_DOWN, .buttons = Button3Mask},
        {.name = "right up", .message = RIGHT_UP, .buttons = 0},
    };
    uint32_t x = 50;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        session.sendRecord(step.message, 0, position(x, 60));
        EXPECT_TRUE(eventually([&] {
            const auto pointer = display.client.pointer();
            return (pointer.mask & (Button1Mask | Button3Mask)) == step.buttons &&
                   pointer.x == static_cast<int>(x) && pointer.y == 60;
        }));
        x += 10;
    }
}

// A window that has the keyboard focus and reports the keys pressed in it.
class KeyWindow {
  public:
    explicit KeyWindow(const std::string& displayName) {
        connection = XOpenDisplay(displayName.c_str());
        const int screen = DefaultScreen(connection);
        window = XCreateSimpleWindow(connection, RootWindow(connection, screen), 0, 0, 240, 320, 0, 0,
                                     BlackPixel(connection, screen));
        XSelectInput(connection, window, KeyPressMask | StructureNotifyMask);
        XMapWindow(connection, window);
        XEvent event;
        do
            XNextEvent(connection, &event);
        while (event.type != MapNotify);
        XSetInputFocus(connection, window, RevertToParent, CurrentTime);
        XSync(connection, False);
    }
    ~KeyWindow() { XCloseDisplay(connection); }

    // The next key press: its keysym (ignoring modifiers) and the text it types. False on time-out.
    bool nextKeyPress(KeySym& keysym, std::string& text, int milliseconds = 3000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            while (XPending(connection)) {
                XEvent event;
                XNextEvent(connection, &event);
                if (event.type != KeyPress)
                    continue;
                keysym = XLookupKeysym(&event.xkey, 0);
                char buffer[16] = {};
                const int length = XLookupString(&event.xkey, buffer, sizeof buffer - 1, nullptr, nullptr);
                text.assign(buffer, static_cast<size_t>(length));
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd wait{.fd = ConnectionNumber(connection), .events = POLLIN, .revents = 0};
            poll(&wait, 1, static_cast<int>(left.count()));
        }
    }

    Display* connection;
    Window window;
};

TEST_F(RemoteControlSessionTest, KeyRecordsTypeIntoTheFocusedWindow) {
    KeyWindow keys(display.server.displayName());
    SessionHarness session(SessionHarness::Kind::Control);
    struct Case {
        const char* name;
        uint32_t wParam;
        KeySym keysym;
    };
    const Case cases[] = {
        {.name = "letter A, only the low byte counts", .wParam = 0x0141, .keysym = XK_a},
        {.name = "letter Z", .wParam = 'Z', .keysym = XK_z},
        {.name = "digit 0", .wParam = '0', .keysym = XK_0},
        {.name = "digit 7", .wParam = '7', .keysym = XK_7},
        {.name = "Enter", .wParam = 0x0D, .keysym = XK_Return},
        {.name = "Escape", .wParam = 0x1B, .keysym = XK_Escape},
        {.name = "Backspace", .wParam = 0x08, .keysym = XK_BackSpace},
        {.name = "Tab", .wParam = 0x09, .keysym = XK_Tab},
        {.name = "left arrow", .wParam = 0x25, .keysym = XK_Left},
        {.name = "up arrow", .wParam = 0x26, .keysym = XK_Up},
        {.name = "right arrow", .wParam = 0x27, .keysym = XK_Right},
        {.name = "down arrow", .wParam = 0x28, .keysym = XK_Down},
        {.name = "Shift", .wParam = 0x10, .keysym = XK_Shift_L},
        {.name = "Control", .wParam = 0x11, .keysym = XK_Control_L},
        {.name = "space", .wParam = 0x20, .keysym = XK_space},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        session.sendRecord(KEY_DOWN, testCase.wParam, 0);
        session.sendRecord(KEY_UP, testCase.wParam, 0);
        KeySym keysym = NoSymbol;
        std::string text;
        ASSERT_TRUE(keys.nextKeyPress(keysym, text));
        EXPECT_EQ(keysym, testCase.keysym) << XKeysymToString(keysym);
    }

    // Shift held while a letter goes down types the capital.
    session.sendRecord(KEY_DOWN, 0x10, 0);
    session.sendRecord(KEY_DOWN, 'Q', 0);
    session.sendRecord(KEY_UP, 'Q', 0);
    session.sendRecord(KEY_UP, 0x10, 0);
    KeySym keysym = NoSymbol;
    std::string text;
    ASSERT_TRUE(keys.nextKeyPress(keysym, text));
    EXPECT_EQ(keysym, XK_Shift_L);
    ASSERT_TRUE(keys.nextKeyPress(keysym, text));
    EXPECT_EQ(text, "Q");
}

TEST_F(RemoteControlSessionTest, UnknownMessagesAreIgnoredAndTheSessionGoesOn) {
    SessionHarness session(SessionHarness::Kind::Control);
    session.sendRecord(MOVE, 0, position(30, 40));
    ASSERT_TRUE(eventually([&] { return display.client.pointer().x == 30; }));
    for (uint32_t message : {515u, 518u, 0u, 258u})
        session.sendRecord(message, 0x41, position(200, 300));
    session.sendRecord(MOVE, 0, position(31, 41));
    EXPECT_TRUE(eventually([&] {
        const auto pointer = display.client.pointer();
        return pointer.x == 31 && pointer.y == 41;
    }));
    EXPECT_EQ(display.client.pointer().mask & (Button1Mask | Button3Mask), 0u);
    EXPECT_FALSE(session.ended());
}

TEST_F(RemoteControlSessionTest, APartRecordThenSilenceEndsAfterTheWait) {
    constexpr uint32_t WAIT_MILLISECONDS = 500; // the 30 seconds, shortened for the test
    SessionHarness session(SessionHarness::Kind::Control, WAIT_MILLISECONDS);
    const uint8_t part[5] = {0x00, 0x02, 0, 0, 0};
    const auto start = std::chrono::steady_clock::now();
    session.send(part, sizeof part);
    ASSERT_TRUE(session.waitEnded(10000));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(WAIT_MILLISECONDS - 50));
    expectClosingReply(session);
}

TEST_F(RemoteControlSessionTest, ADesktopThatSendsNothingKeepsTheSessionWaiting) {
    SessionHarness session(SessionHarness::Kind::Control, 200);
    EXPECT_FALSE(session.waitEnded(1000)) << "the wait for a whole record has no time-out";
}

TEST_F(RemoteControlSessionTest, AClosedConnectionStillGetsTheClosingReply) {
    SessionHarness session(SessionHarness::Kind::Control);
    session.sendRecord(MOVE, 0, position(5, 5));
    session.finishSending();
    ASSERT_TRUE(session.waitEnded(3000));
    expectClosingReply(session);
}

TEST(RemoteControlSessionWithoutInput, RecordsAreReadAndIgnored) {
    if (pathExists("/dev/fb0") || pathExists("/dev/uinput"))
        GTEST_SKIP() << "this machine has a screen or input device outside X";
    unsetenv("DISPLAY");
    SessionHarness session(SessionHarness::Kind::Control);
    for (int i = 0; i < 3; ++i)
        session.sendRecord(MOVE, 0, position(10, 10));
    session.sendRecord(KEY_DOWN, 'A', 0);
    EXPECT_FALSE(session.waitEnded(300));
    session.finishSending();
    ASSERT_TRUE(session.waitEnded(3000));
    expectClosingReply(session);
}

} // namespace
