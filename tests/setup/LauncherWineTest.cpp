// End-to-end tests of the launcher under Wine: its buttons, the registry and "setup.ini" checks with their
// message boxes, the buffer limits, and the start of the application manager on the exact command line.
#include "tests/setup/Win32Styles.h"
#include "tests/setup/WineTestSupport.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

enum class ManagerEntry { Absent, KeyWithoutDefault, String, Binary };
enum class IniFile { Missing, Present, Locked };
enum class Press { Next, Exit, Escape, CloseBox };
enum class Message { None, NoAppManager, NoIniFile };

struct LauncherCase {
    const char* name;
    ManagerEntry manager;
    IniFile ini;
    Press press;
    Message message;
    bool managerStarts;
    // Exact lengths of the launcher's folder and of the manager's path; 0 leaves them short.
    std::size_t launcherFolderLength = 0;
    std::size_t managerPathLength = 0;
};

// Limits of the launcher's buffers: a 249-byte folder gives a 259-byte ini path (260 with its zero), and
// with it a 257-byte manager path gives 257 + 2 + 259 + 1 + 1 = 520 bytes of command line.
const LauncherCase launcherCases[] = {
    {.name = "exit-button",
     .manager = ManagerEntry::String,
     .ini = IniFile::Present,
     .press = Press::Exit,
     .message = Message::None,
     .managerStarts = false},
    {.name = "escape",
     .manager = ManagerEntry::String,
     .ini = IniFile::Present,
     .press = Press::Escape,
     .message = Message::None,
     .managerStarts = false},
    {.name = "close-box",
     .manager = ManagerEntry::String,
     .ini = IniFile::Present,
     .press = Press::CloseBox,
     .message = Message::None,
     .managerStarts = false},
    {.name = "no-manager-no-ini",
     .manager = ManagerEntry::Absent,
     .ini = IniFile::Missing,
     .press = Press::Next,
     .message = Message::NoAppManager,
     .managerStarts = false},
    {.name = "key-without-default-value",
     .manager = ManagerEntry::KeyWithoutDefault,
     .ini = IniFile::Present,
     .press = Press::Next,
     .message = Message::NoAppManager,
     .managerStarts = false},
    {.name = "no-ini",
     .manager = ManagerEntry::String,
     .ini = IniFile::Missing,
     .press = Press::Next,
     .message = Message::NoIniFile,
     .managerStarts = false},
    {.name = "ini-locked",
     .manager = ManagerEntry::String,
     .ini = IniFile::Locked,
     .press = Press::Next,
     .message = Message::NoIniFile,
     .managerStarts = false},
    {.name = "starts-manager",
     .manager = ManagerEntry::String,
     .ini = IniFile::Present,
     .press = Press::Next,
     .message = Message::None,
     .managerStarts = true},
    {.name = "binary-value",
     .manager = ManagerEntry::Binary,
     .ini = IniFile::Present,
     .press = Press::Next,
     .message = Message::None,
     .managerStarts = true},
    {.name = "longest-paths",
     .manager = ManagerEntry::String,
     .ini = IniFile::Present,
     .press = Press::Next,
     .message = Message::None,
     .managerStarts = true,
     .launcherFolderLength = 249,
     .managerPathLength = 257},
    {.name = "command-line-too-long",
     .manager = ManagerEntry::String,
     .ini = IniFile::Present,
     .press = Press::Next,
     .message = Message::NoIniFile,
     .managerStarts = false,
     .launcherFolderLength = 249,
     .managerPathLength = 258},
    {.name = "ini-path-too-long",
     .manager = ManagerEntry::String,
     .ini = IniFile::Present,
     .press = Press::Next,
     .message = Message::NoIniFile,
     .managerStarts = false,
     .launcherFolderLength = 250},
};

// Failing cases are named by their name, not by their bytes.
[[maybe_unused]] void PrintTo(const LauncherCase& launcherCase, std::ostream* out) {
    *out << launcherCase.name;
}

class LauncherCaseTest : public SetupWineTest, public ::testing::WithParamInterface<LauncherCase> {};

TEST_P(LauncherCaseTest, ChecksThenStartsTheApplicationManager) {
    const LauncherCase& current = GetParam();
    const std::string folder = caseFolder(current.name);
    // Long folders hold the launcher under a short name, so that its own path stays a valid one.
    const std::string launcherFolder =
        current.launcherFolderLength ? paddedPath(folder, "", current.launcherFolderLength) : folder;
    const std::string launcher =
        launcherFolder + (current.launcherFolderLength ? "\\K.exe" : "\\KelvaneSetup.exe");
    const std::string manager = current.managerPathLength ? paddedPath(folder + "\\manager", "CEAPPMGR.EXE",
                                                                       current.managerPathLength)
                                                          : folder + "\\manager\\CEAPPMGR.EXE";
    const std::string managerFolder = manager.substr(0, manager.rfind('\\'));
    const std::string iniPath = launcherFolder + "\\setup.ini";
    ASSERT_TRUE(!current.launcherFolderLength || launcherFolder.size() == current.launcherFolderLength);
    ASSERT_TRUE(!current.managerPathLength || manager.size() == current.managerPathLength);

    install(launcherExe, launcher);
    install(fakeManagerExe, manager);
    if (current.ini != IniFile::Missing) {
        writeFile(unixPath(iniPath), "[CEAppManager]\r\nVersion = 1.0\r\n");
    }

    std::vector<std::string> steps = {step({"reg-delete-key", "HKLM", APP_PATHS_KEY})};
    switch (current.manager) {
    case ManagerEntry::Absent:
        break;
    case ManagerEntry::KeyWithoutDefault:
        steps.push_back(step({"reg-sz", "HKLM", APP_PATHS_KEY, "Path", managerFolder}));
        break;
    case ManagerEntry::String:
        steps.push_back(step({"reg-sz", "HKLM", APP_PATHS_KEY, "", manager}));
        break;
    case ManagerEntry::Binary:
        // Raw bytes with no terminating zero, taken by the launcher as they are.
        steps.push_back(step({"reg-binary", "HKLM", APP_PATHS_KEY, "", hexBytes(manager)}));
        break;
    }
    if (current.ini == IniFile::Locked) {
        steps.push_back(step({"lock", iniPath}));
    }
    steps.push_back(step({"start", launcher}));
    steps.push_back(step({"window", WELCOME_CAPTION}));
    switch (current.press) {
    case Press::Next:
        steps.push_back(step({"click", "1"}));
        break;
    case Press::Exit:
        steps.push_back(step({"click", "2"}));
        break;
    case Press::Escape:
        steps.push_back(step({"escape"}));
        break;
    case Press::CloseBox:
        steps.push_back(step({"close"}));
        break;
    }
    const char* messageCaption =
        current.message == Message::NoAppManager ? NO_APP_MANAGER_CAPTION : NO_INI_FILE_CAPTION;
    const char* messageText =
        current.message == Message::NoAppManager ? NO_APP_MANAGER_TEXT : NO_INI_FILE_TEXT;
    if (current.message != Message::None) {
        steps.push_back(step({"window", messageCaption}));
        steps.push_back(step({"icon"}));
        steps.push_back(step({"click", "1"}));
    }
    // Ending without a message box is checked here too: an unexpected one keeps the launcher alive.
    steps.push_back(step({"wait-exit"}));

    const DriverReport report = runDriver(folder, steps);
    ASSERT_EQ(report.error, "") << "see " << unixPath(folder + "\\wine.log");
    ASSERT_TRUE(report.done) << "the driver did not finish; see " << unixPath(folder + "\\wine.log");
    EXPECT_EQ(report.exitCode, 0);
    ASSERT_EQ(report.windows.size(), current.message == Message::None ? 1u : 2u);
    if (current.message != Message::None) {
        const ReportedWindow& box = report.windows[1];
        EXPECT_EQ(box.caption, messageCaption);
        EXPECT_TRUE(box.showsText(messageText)) << "message box shows the text \"" << messageText << "\"";
        EXPECT_EQ(box.icon, "error");
        EXPECT_NE(box.control(1), nullptr) << "an OK button";
        EXPECT_EQ(box.control(2), nullptr) << "no second button";
    }

    if (current.managerStarts) {
        // The manager still runs after the launcher has ended: the launcher did not wait for it.
        EXPECT_EQ(startedPrograms(report), std::vector<std::string>{"CEAPPMGR.EXE"});
        EXPECT_EQ(recordedCommandLine(managerFolder, 60000), manager + " \"" + iniPath + "\"");
    } else {
        EXPECT_TRUE(startedPrograms(report).empty());
        EXPECT_EQ(recordedCommandLine(managerFolder, 500), "") << "nothing was started";
    }
}

INSTANTIATE_TEST_SUITE_P(Launcher, LauncherCaseTest, ::testing::ValuesIn(launcherCases),
                         [](const ::testing::TestParamInfo<LauncherCase>& caseInfo) {
                             std::string name = caseInfo.param.name;
                             for (char& c : name) {
                                 c = c == '-' ? '_' : c;
                             }
                             return name;
                         });

} // namespace
