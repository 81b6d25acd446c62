// The status window and the Options dialog on a real display (a private Xvfb), driven like a user.
#include "XvfbDisplay.h"
#include "platform/Registry.h"
#include "server/settings/SettingsKeys.h"
#include "tests/support/RawExchange.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const STATUS_WINDOW = "^File Transfer Kelvane$";

// Colours of the state strip's pictures, sampled in the middle of each picture.
constexpr uint32_t BUSY_BLUE = 0x0000FF;
constexpr uint32_t IDLE_RED = 0xFF0000;
constexpr uint32_t LISTENING_GREEN = 0x00C000;
constexpr uint32_t PADLOCK_GOLD = 0xFFC000;

// Where the thread list draws the picture of row n: the list at (10, 145), a one-pixel frame,
// a 16-pixel header and 16-pixel rows; the picture one pixel into the first cell.
int pictureX() {
    return 10 + 1 + 1 + 8;
}
int pictureY(int row) {
    return 145 + 1 + 16 + row * 16 + 7;
}

std::vector<uint32_t> rowPictureColours(const Picture& shot) {
    std::vector<uint32_t> colours;
    for (int row = 0; row < 6; ++row)
        colours.push_back(shot.rgb(pictureX(), pictureY(row)));
    return colours;
}

bool isStatePicture(uint32_t colour) {
    return colour == BUSY_BLUE || colour == IDLE_RED || colour == LISTENING_GREEN;
}

std::string artefactFolder() {
    std::string folder = binaryFolder() + "/../test-artefacts";
    std::filesystem::create_directories(folder);
    return folder;
}

class StatusWindowDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!display.running())
            GTEST_SKIP() << "Xvfb could not be started";
    }

    std::unique_ptr<ServerProcess> startServer() {
        return ServerProcess::start({.root = folder.path(),
                                     .registry = registryPath(),
                                     .environment = {{"DISPLAY", display.displayName()}},
                                     .headless = false});
    }

    std::string registryPath() const { return folder.file("registry.reg"); }

    // Opens a menu of the menu bar and chooses its n-th entry (separators do not count).
    void chooseMenuEntry(const std::string& window, int menuX, int entry) {
        int width = 0, height = 0;
        ASSERT_TRUE(display.windowSize(window, width, height));
        display.click(window, menuX, height - 13);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::vector<std::string> keys(static_cast<size_t>(entry), "Down");
        keys.push_back("Return");
        std::vector<std::string> command{"xdotool", "key", "--delay", "80"};
        command.insert(command.end(), keys.begin(), keys.end());
        display.run(command);
    }

    Picture screenshotOf(const std::string& window, const std::string& name) {
        std::string path = artefactFolder() + "/" + name;
        EXPECT_TRUE(display.screenshot(window, path));
        return Picture::load(path);
    }

    XvfbDisplay display;
    TemporaryFolder folder;
};

TEST_F(StatusWindowDisplay, OpensWithItsTitleAndFiveWorkerRows) {
    auto server = startServer();
    ASSERT_NE(server, nullptr);
    std::string window = display.waitForWindow(STATUS_WINDOW);
    ASSERT_FALSE(window.empty()) << server->errors();
    EXPECT_EQ(display.run({"xdotool", "getwindowname", window}), "File Transfer Kelvane\n");

    // Rows arrive by notification: wait until all five show their picture.
    std::vector<uint32_t> colours;
    Picture shot;
    for (int attempt = 0; attempt < 50; ++attempt) {
        shot = screenshotOf(window, "status-window-start.png");
        colours = rowPictureColours(shot);
        if (std::count_if(colours.begin(), colours.begin() + 5, isStatePicture) == 5)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (int row = 0; row < 5; ++row)
        EXPECT_TRUE(colours[row] == IDLE_RED || colours[row] == LISTENING_GREEN)
            << "row " << row << std::hex << " colour " << colours[row];
    EXPECT_EQ(std::count(colours.begin(), colours.begin() + 5, LISTENING_GREEN), 1);
    EXPECT_FALSE(isStatePicture(colours[5])); // no sixth row
    // Without UsePass at start there is no padlock.
    EXPECT_NE(shot.rgb(shot.width - 16 + 5, 2 + 11), PADLOCK_GOLD);

    EXPECT_EQ(server->stop(), 0);
}

TEST_F(StatusWindowDisplay, ShowsPadlockAndABusyDownloadInTheScreenshot) {
    platform::setRegistryFile(registryPath());
    platform::RegistryKey key;
    ASSERT_EQ(platform::createRegistryKey(platform::RegistryRoot::LocalMachine, SETTINGS_KEY_PATH, key),
              platform::RegistryStatus::Ok);
    uint32_t one = 1;
    ASSERT_EQ(platform::setRegistryValue(key, USE_PASS_VALUE, platform::REGISTRY_TYPE_DWORD, &one, 4),
              platform::RegistryStatus::Ok);
    // A large file that the client below never reads keeps its worker busy.
    {
        int file = ::open(folder.file("big.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::ftruncate(file, 256 << 20), 0);
        ::close(file);
    }
    auto server = startServer();
    ASSERT_NE(server, nullptr);
    std::string window = display.waitForWindow(STATUS_WINDOW);
    ASSERT_FALSE(window.empty());

    int client = connectLoopback(server->port());
    ASSERT_GE(client, 0);
    ASSERT_TRUE(
        sendBytes(client, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nCommand-ID: 3005\r\n\r\nbig.bin\r\n"));
    // Let the Time(S) column count a little before the picture is taken.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    Picture shot;
    std::vector<uint32_t> colours;
    for (int attempt = 0; attempt < 50; ++attempt) {
        shot = screenshotOf(window, "status-window.png");
        colours = rowPictureColours(shot);
        if (std::count(colours.begin(), colours.end(), BUSY_BLUE) == 1 &&
            std::count_if(colours.begin(), colours.begin() + 5, isStatePicture) == 5)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(std::count(colours.begin(), colours.end(), BUSY_BLUE), 1);
    EXPECT_EQ(std::count_if(colours.begin(), colours.begin() + 5, isStatePicture), 5);
    EXPECT_EQ(shot.rgb(shot.width - 16 + 5, 2 + 11), PADLOCK_GOLD);

    ::close(client);
    EXPECT_EQ(server->stop(), 0);
}

// Whether the restart button on the menu bar shows its picture in full colour (enabled).
bool restartButtonEnabled(const Picture& shot) {
    for (int y = shot.height - 26; y < shot.height; ++y)
        for (int x = 100; x < 124; ++x)
            if (shot.rgb(x, y) == IDLE_RED)
                return true;
    return false;
}

TEST_F(StatusWindowDisplay, RestartButtonFollowsClicksAndRestartsTheBusyWorker) {
    auto server = startServer();
    ASSERT_NE(server, nullptr);
    std::string window = display.waitForWindow(STATUS_WINDOW);
    ASSERT_FALSE(window.empty());
    EXPECT_FALSE(restartButtonEnabled(screenshotOf(window, "restart-1-start.png")));

    // A client that never ends its request keeps one worker busy.
    int client = connectLoopback(server->port());
    ASSERT_GE(client, 0);
    ASSERT_TRUE(sendBytes(client, "GET / HTTP/1.1\r\n"));
    int busyRow = -1;
    for (int attempt = 0; attempt < 50 && busyRow < 0; ++attempt) {
        std::vector<uint32_t> colours = rowPictureColours(screenshotOf(window, "restart-2-busy.png"));
        for (int row = 0; row < 5; ++row)
            if (colours[row] == BUSY_BLUE)
                busyRow = row;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_GE(busyRow, 0);
    int idleRow = busyRow == 4 ? 3 : 4;

    display.click(window, 150, pictureY(busyRow));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(restartButtonEnabled(screenshotOf(window, "restart-3-busy-clicked.png")));
    display.click(window, 150, pictureY(idleRow));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(restartButtonEnabled(screenshotOf(window, "restart-4-idle-clicked.png")));
    display.click(window, 150, pictureY(busyRow));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Picture enabled = screenshotOf(window, "restart-5-busy-clicked.png");
    ASSERT_TRUE(restartButtonEnabled(enabled));

    // Pressing it ends the stuck client's connection and disables the button again.
    display.click(window, 112, enabled.height - 13);
    bool closedByServer = false;
    readUntilClosed(client, 5000, &closedByServer);
    EXPECT_TRUE(closedByServer);
    ::close(client);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Picture after = screenshotOf(window, "restart-6-restarted.png");
    EXPECT_FALSE(restartButtonEnabled(after));
    std::vector<uint32_t> colours = rowPictureColours(after);
    EXPECT_EQ(std::count(colours.begin(), colours.end(), BUSY_BLUE), 0);
    EXPECT_EQ(std::count_if(colours.begin(), colours.begin() + 5, isStatePicture), 5);

    EXPECT_EQ(server->stop(), 0);
}

TEST_F(StatusWindowDisplay, OptionsStoresWhatWasTypedAndCancelWritesNothing) {
    auto server = startServer();
    ASSERT_NE(server, nullptr);
    std::string window = display.waitForWindow(STATUS_WINDOW);
    ASSERT_FALSE(window.empty());

    chooseMenuEntry(window, 30, 1); // Server > Options
    std::string options = display.waitForWindow("^Options$");
    ASSERT_FALSE(options.empty());

    // While the dialog is open the status window goes on with its timer: the uptime line changes.
    display.run({"xdotool", "windowmove", options, "420", "200"});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Picture before = screenshotOf(window, "status-window-behind-options-1.png");
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    Picture later = screenshotOf(window, "status-window-behind-options-2.png");
    bool uptimeChanged = false;
    for (int y = 96; y < 110 && !uptimeChanged; ++y)
        for (int x = 10; x < 240 && !uptimeChanged; ++x)
            uptimeChanged = before.rgb(x, y) != later.rgb(x, y);
    EXPECT_TRUE(uptimeChanged);

    // The check box has the focus first; then the password box, the two paths, OK.
    display.pressKeys(options, {"space", "Tab"});
    display.typeText(options, "abc");
    display.pressKeys(options, {"Tab", "Tab", "Tab", "space"});
    for (int i = 0; i < 100 && !display.findWindows("^Options$").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(display.findWindows("^Options$").empty());

    platform::setRegistryFile(registryPath());
    platform::RegistryKey key;
    ASSERT_EQ(platform::openRegistryKey(platform::RegistryRoot::LocalMachine, SETTINGS_KEY_PATH, key),
              platform::RegistryStatus::Ok);
    uint8_t value[260] = {};
    uint32_t size = sizeof value;
    uint32_t type = 0;
    ASSERT_EQ(platform::queryRegistryValue(key, USE_PASS_VALUE, value, size, &type),
              platform::RegistryStatus::Ok);
    EXPECT_EQ(type, platform::REGISTRY_TYPE_DWORD);
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(value[0], 1);
    size = sizeof value;
    ASSERT_EQ(platform::queryRegistryValue(key, PASSWORD_VALUE, value, size, &type),
              platform::RegistryStatus::Ok);
    EXPECT_EQ(type, platform::REGISTRY_TYPE_SZ);
    ASSERT_EQ(size, 8u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(value), 4), std::u16string(u"abc\0", 4));
    size = sizeof value;
    ASSERT_EQ(platform::queryRegistryValue(key, DESKTOP_INIT_PATH_VALUE, value, size, &type),
              platform::RegistryStatus::Ok);
    EXPECT_EQ(size, 2u);

    // Edit everything again, then cancel: the store stays byte for byte as it was.
    std::string stored = readTextFile(registryPath());
    chooseMenuEntry(window, 30, 1);
    options = display.waitForWindow("^Options$");
    ASSERT_FALSE(options.empty());
    display.pressKeys(options, {"space", "Tab"});
    display.typeText(options, "defgh");
    display.pressKeys(options, {"Tab"});
    display.typeText(options, "Desktop");
    display.pressKeys(options, {"Escape"});
    for (int i = 0; i < 100 && !display.findWindows("^Options$").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(display.findWindows("^Options$").empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(readTextFile(registryPath()), stored);

    EXPECT_EQ(server->stop(), 0);
}

TEST_F(StatusWindowDisplay, PortInUseShowsOneMessageBoxAndExitStillEnds) {
    int blocker = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(blocker, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(blocker, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(blocker, reinterpret_cast<sockaddr*>(&address), &length);

    pid_t child = ::fork();
    if (child == 0) {
        ::setenv("DISPLAY", display.displayName().c_str(), 1);
        int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        std::string program = binaryFolder() + "/kelvane-server";
        std::string port = std::to_string(ntohs(address.sin_port));
        ::execl(program.c_str(), program.c_str(), "--port", port.c_str(), "--root", folder.path().c_str(),
                "--registry", registryPath().c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(child, 0);

    std::string box = display.waitForWindow("^Kelvane$");
    ASSERT_FALSE(box.empty());
    Picture boxShot = screenshotOf(box, "port-in-use.png");
    EXPECT_GT(boxShot.width, 0);
    display.pressKeys(box, {"Return"});

    std::string window = display.waitForWindow(STATUS_WINDOW);
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_TRUE(display.findWindows("^Kelvane$").empty()); // shown once
    Picture shot = screenshotOf(window, "status-window-port-in-use.png");
    std::vector<uint32_t> colours = rowPictureColours(shot);
    EXPECT_EQ(std::count_if(colours.begin(), colours.end(), isStatePicture), 0); // no worker rows

    chooseMenuEntry(window, 30, 2); // Server > Exit
    int status = -1;
    for (int i = 0; i < 100; ++i) {
        int raw;
        if (::waitpid(child, &raw, WNOHANG) == child) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (status == -1) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ::close(blocker);
    EXPECT_EQ(status, 0);
}

} // namespace
