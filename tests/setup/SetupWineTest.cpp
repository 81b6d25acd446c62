// End-to-end tests of KelvaneSetup.exe under Wine: the welcome dialog, its buttons, the two checks and the
// start of the application manager, driven by a Win32 test driver inside one Xvfb and one Wine prefix.
#include "tests/setup/ChildProcess.h"
#include "tests/setup/DriverReport.h"
#include "tests/setup/Win32Styles.h"
#include "tests/setup/WineSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace win32;

namespace {

constexpr char APP_PATHS_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
constexpr char WELCOME_CAPTION[] = "Kelvane Setup";
constexpr char NO_APP_MANAGER_CAPTION[] = "Kelvanne Setup";
constexpr char NO_APP_MANAGER_TEXT[] =
    "To install this software to your Pocket PC, you must install MicroSoft AcitveSync first.";
constexpr char NO_INI_FILE_CAPTION[] = "Kelvane Setup";
constexpr char NO_INI_FILE_TEXT[] =
    "Can not find the 'setup.ini' file. Extract this ZIP file then try again.";
constexpr char INTRODUCTION_TEXT[] =
    "Thank you for choosing this software for your Windows CE device. Before you begin, please read through "
    "the following README. Press the PAGE DOWN key to read the remaining portion.";
constexpr char CHOICE_TEXT[] = "If you want to exit without installing this software, choose Exit.  If you "
                               "want to contine install this software, choose Next.";
constexpr int DRIVER_LIMIT_MS = 180000;

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string hexBytes(const std::string& bytes) {
    std::string out;
    char pair[3];
    for (unsigned char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", c);
        out += pair;
    }
    return out;
}

std::vector<std::string> splitLines(const std::string& text, const std::string& separator) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return lines;
        }
        start = end + separator.size();
    }
}

// A Windows path base\pp..\pp..[\leaf] of exactly `length` bytes, padded with folders of at most 100 bytes.
std::string paddedPath(const std::string& base, const std::string& leaf, std::size_t length) {
    const std::size_t fixed = base.size() + (leaf.empty() ? 0 : leaf.size() + 1);
    std::string path = base;
    std::size_t remaining = length > fixed ? length - fixed : 0;
    while (remaining > 0) {
        std::size_t piece = std::min<std::size_t>(remaining - 1, 100);
        if (remaining - 1 - piece == 1) {
            --piece; // never leave a lone separator for the last folder
        }
        path += '\\' + std::string(piece, 'p');
        remaining -= piece + 1;
    }
    return leaf.empty() ? path : path + '\\' + leaf;
}

// The Wine session shared by every case of the run: one Xvfb, one prefix (one wineboot), one wineserver.
class WineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        launcherExe = environmentValue("KELVANE_SETUP_EXE");
        driverExe = environmentValue("KELVANE_SETUP_DRIVER");
        fakeManagerExe = environmentValue("KELVANE_FAKE_APP_MANAGER");
        if (launcherExe.empty() || driverExe.empty() || fakeManagerExe.empty()) {
            skipReason = "the mingw-w64 cross compiler was not found when the build was configured, so "
                         "KelvaneSetup.exe and the test driver were not built (Debian package mingw-w64)";
            return;
        }
        if (!programInPath("wine") || !programInPath("wineserver")) {
            skipReason = "Wine is not installed (Debian packages wine and wine64)";
            return;
        }
        session = std::make_unique<WineSession>();
        startFailure = session->start(environmentValue("KELVANE_SETUP_WORK_DIR"));
    }

    void TearDown() override { session.reset(); }

    static inline std::unique_ptr<WineSession> session;
    static inline std::string skipReason;
    static inline std::string startFailure;
    static inline std::string launcherExe;
    static inline std::string driverExe;
    static inline std::string fakeManagerExe;
};

[[maybe_unused]] ::testing::Environment* const wineEnvironment =
    ::testing::AddGlobalTestEnvironment(new WineEnvironment);

// Helpers of the cases: folders in C:, the driver's steps and what it reported.
class SetupWineTest : public ::testing::Test {
  protected:
    static inline const std::string& launcherExe = WineEnvironment::launcherExe;
    static inline const std::string& driverExe = WineEnvironment::driverExe;
    static inline const std::string& fakeManagerExe = WineEnvironment::fakeManagerExe;

    void SetUp() override {
        if (!WineEnvironment::skipReason.empty()) {
            GTEST_SKIP() << WineEnvironment::skipReason;
        }
        ASSERT_TRUE(WineEnvironment::startFailure.empty()) << WineEnvironment::startFailure;
        for (const std::string& program : {launcherExe, driverExe, fakeManagerExe}) {
            ASSERT_TRUE(fs::exists(program)) << program << " is missing: build the project first";
        }
    }

    static std::string unixPath(const std::string& windowsPath) {
        std::string path = session().driveC() + "/" + windowsPath.substr(3);
        for (char& c : path) {
            if (c == '\\') {
                c = '/';
            }
        }
        return path;
    }

    // A fresh folder C:\cases\NAME for one case.
    static std::string caseFolder(const std::string& name) {
        const std::string folder = "C:\\cases\\" + name;
        fs::remove_all(unixPath(folder));
        fs::create_directories(unixPath(folder));
        return folder;
    }

    static void install(const std::string& program, const std::string& windowsPath) {
        const fs::path target = unixPath(windowsPath);
        fs::create_directories(target.parent_path());
        fs::copy_file(program, target, fs::copy_options::overwrite_existing);
    }

    // Starts the driver on these steps; its report goes to FOLDER\report.txt.
    static pid_t startDriver(const std::string& folder, const std::vector<std::string>& steps) {
        std::string text;
        for (const std::string& step : steps) {
            text += step + "\r\n";
        }
        writeFile(unixPath(folder + "\\steps.txt"), text);
        return session().startWine({driverExe, folder + "\\steps.txt", folder + "\\report.txt"},
                                   unixPath(folder + "\\wine.log"));
    }

    static DriverReport finishDriver(const std::string& folder, pid_t driver) {
        if (waitForChild(driver, DRIVER_LIMIT_MS) < 0) {
            stopChild(driver, 2000);
        }
        return parseDriverReport(readFile(unixPath(folder + "\\report.txt")));
    }

    static DriverReport runDriver(const std::string& folder, const std::vector<std::string>& steps) {
        return finishDriver(folder, startDriver(folder, steps));
    }

    // The command line that the fake manager in that folder recorded, waiting a little for it.
    static std::string recordedCommandLine(const std::string& managerFolder, int waitMs) {
        const std::string path = unixPath(managerFolder + "\\cmd.txt");
        for (int waited = 0; waited < waitMs && !fs::exists(path); waited += 50) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return fs::exists(path) ? readFile(path) : "";
    }

    static WineSession& session() { return *WineEnvironment::session; }
};

// The programs that the launcher started, less Wine's desktop process (explorer.exe), which Wine starts on
// demand as a child of whichever program first needs it.
std::vector<std::string> startedPrograms(const DriverReport& report) {
    std::vector<std::string> started;
    for (const std::string& program : report.childProcesses) {
        if (program != "explorer.exe") {
            started.push_back(program);
        }
    }
    return started;
}

std::string step(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        line += (line.empty() ? "" : "\t") + field;
    }
    return line;
}

TEST_F(SetupWineTest, WelcomeDialogShowsItsTextButtonsAndFocus) {
    const std::string folder = caseFolder("welcome");
    install(launcherExe, folder + "\\KelvaneSetup.exe");
    const pid_t driver = startDriver(folder, {
                                                 step({"reg-delete-key", "HKLM", APP_PATHS_KEY}),
                                                 step({"start", folder + "\\KelvaneSetup.exe"}),
                                                 step({"window", WELCOME_CAPTION}),
                                                 step({"activate"}),
                                                 step({"signal", folder + "\\shown"}),
                                                 step({"await", folder + "\\screenshot-taken"}),
                                                 step({"click", "2"}),
                                                 step({"wait-exit"}),
                                             });

    // While the dialog is up, a picture of it is kept in the work folder.
    const std::string shown = unixPath(folder + "\\shown");
    for (int waited = 0; waited < DRIVER_LIMIT_MS && !fs::exists(shown) && waitForChild(driver, 0) < 0;
         waited += 50) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (fs::exists(shown) && programInPath("import")) {
        const DriverReport partial = parseDriverReport(readFile(unixPath(folder + "\\report.txt")));
        if (!partial.windows.empty()) {
            const ReportedWindow& window = partial.windows[0];
            const std::string geometry = std::to_string(window.right - window.left) + "x" +
                                         std::to_string(window.bottom - window.top) + "+" +
                                         std::to_string(window.left) + "+" + std::to_string(window.top);
            runChild({"import", "-display", ":" + std::to_string(session().displayNumber()), "-window",
                      "root", "-crop", geometry, "+repage", session().logFolder() + "/setup-welcome.png"},
                     session().logFolder() + "/import.log", 30000);
        }
    }
    writeFile(unixPath(folder + "\\screenshot-taken"), "");
    const DriverReport report = finishDriver(folder, driver);

    ASSERT_EQ(report.error, "") << "see " << unixPath(folder + "\\wine.log");
    ASSERT_TRUE(report.done) << "the driver did not finish; see " << unixPath(folder + "\\wine.log");
    ASSERT_EQ(report.windows.size(), 1u);
    const ReportedWindow& dialog = report.windows[0];
    EXPECT_EQ(dialog.className, "#32770");
    EXPECT_EQ(dialog.caption, "Kelvane Setup");
    const unsigned long frameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    EXPECT_EQ(dialog.style & frameStyle, frameStyle);

    struct ExpectedControl {
        unsigned id;
        const char* className;
        unsigned long style;
        unsigned long styleMask;
        const char* text;
    };
    const ExpectedControl buttons[] = {
        {.id = 1,
         .className = "Button",
         .style = BS_DEFPUSHBUTTON | WS_TABSTOP,
         .styleMask = BS_TYPEMASK | WS_TABSTOP,
         .text = "Next>>"},
        {.id = 2,
         .className = "Button",
         .style = BS_PUSHBUTTON | WS_TABSTOP,
         .styleMask = BS_TYPEMASK | WS_TABSTOP,
         .text = "Exit"},
    };
    for (const ExpectedControl& expected : buttons) {
        const ReportedControl* control = dialog.control(expected.id);
        ASSERT_NE(control, nullptr) << "control " << expected.id;
        EXPECT_EQ(control->className, expected.className) << "control " << expected.id;
        EXPECT_EQ(control->style & expected.styleMask, expected.style) << "control " << expected.id;
        EXPECT_EQ(control->text, expected.text) << "control " << expected.id;
    }
    EXPECT_TRUE(
        dialog.showsText("Thank you for choosing this software for your Windows CE device. Before you "
                         "begin, please read through the following README. Press the PAGE DOWN key to "
                         "read the remaining portion."));
    EXPECT_TRUE(dialog.showsText("If you want to exit without installing this software, choose Exit.  If you "
                                 "want to contine install this software, choose Next."));

    const ReportedControl* text = dialog.control(1001);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->className, "Edit");
    const unsigned long textStyle = ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP;
    EXPECT_EQ(text->style & textStyle, textStyle);
    // The dialog manager turns the border of an edit control into a sunken client edge.
    EXPECT_TRUE((text->style & WS_BORDER) || (text->extendedStyle & WS_EX_CLIENTEDGE));
    EXPECT_EQ(dialog.focusId, 1001);

    const std::vector<std::string> lines = splitLines(text->text, "\r\n");
    ASSERT_EQ(lines.size(), 11u) << text->text;
    const struct {
        std::size_t line;
        const char* text;
    } fixedLines[] = {
        {1, "Welcome"},
        {2, ""},
        {4, ""},
        {5, "Before you start to install Kelvane software, Please make sure your Pocket PC is connected with "
            "the "
            "computer"},
        {6, ""},
        {7, "Once Kelvane is installed, you can share file with computer without using USB cable."},
        {8, ""},
    };
    for (const auto& fixed : fixedLines) {
        EXPECT_EQ(lines[fixed.line - 1], fixed.text) << "line " << fixed.line;
    }
    const std::string productLine = "File Transfer Kelvane for Pocket PC by ";
    EXPECT_EQ(lines[2].rfind(productLine, 0), 0u) << lines[2];
    EXPECT_GT(lines[2].size(), productLine.size() + 1) << lines[2];
    EXPECT_EQ(lines[2].back(), '.') << lines[2];
    EXPECT_FALSE(lines[8].empty());
    EXPECT_NE(lines[9].find('@'), std::string::npos) << lines[9];
    EXPECT_NE(lines[10].find_first_of("0123456789"), std::string::npos) << lines[10];
    EXPECT_EQ(text->text.find('\n'), text->text.find("\r\n") + 1) << "lines are separated by CR LF";

    EXPECT_EQ(report.exitCode, 0);
    EXPECT_TRUE(startedPrograms(report).empty());
}

TEST_F(SetupWineTest, ProgramFileCarriesDialog101AndIconGroup102) {
    const std::string folder = caseFolder("resources");
    install(launcherExe, folder + "\\KelvaneSetup.exe");
    const DriverReport report = runDriver(folder, {step({"resources", folder + "\\KelvaneSetup.exe"})});
    ASSERT_EQ(report.error, "") << "see " << unixPath(folder + "\\wine.log");
    ASSERT_EQ(report.dialogs.size(), 1u);

    const DialogTemplate& dialog = report.dialogs[0];
    const unsigned long frameStyle =
        DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    EXPECT_EQ(dialog.style & frameStyle, frameStyle);
    EXPECT_EQ(dialog.x, 100);
    EXPECT_EQ(dialog.y, 50);
    EXPECT_EQ(dialog.width, 243);
    EXPECT_EQ(dialog.height, 168);
    EXPECT_EQ(dialog.caption, "Kelvane Setup");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.typeface, "Tahoma");

    const struct {
        TemplateItem item;
        unsigned long styleMask;
    } expected[] = {
        {{.id = 1,
          .className = "Button",
          .style = BS_DEFPUSHBUTTON | WS_TABSTOP,
          .x = 204,
          .y = 149,
          .width = 32,
          .height = 12,
          .text = "Next>>"},
         BS_TYPEMASK | WS_TABSTOP},
        {{.id = 2,
          .className = "Button",
          .style = BS_PUSHBUTTON | WS_TABSTOP,
          .x = 158,
          .y = 150,
          .width = 36,
          .height = 11,
          .text = "Exit"},
         BS_TYPEMASK | WS_TABSTOP},
        {{.id = 1001,
          .className = "Edit",
          .style = ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP,
          .x = 7,
          .y = 35,
          .width = 229,
          .height = 79,
          .text = ""},
         ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP},
        {{.id = 0xFFFF,
          .className = "Static",
          .style = SS_LEFT | WS_GROUP,
          .x = 7,
          .y = 7,
          .width = 229,
          .height = 27,
          .text = INTRODUCTION_TEXT},
         SS_TYPEMASK | WS_GROUP | WS_TABSTOP},
        {{.id = 0xFFFF,
          .className = "Static",
          .style = SS_LEFT | WS_GROUP,
          .x = 7,
          .y = 119,
          .width = 229,
          .height = 19,
          .text = CHOICE_TEXT},
         SS_TYPEMASK | WS_GROUP | WS_TABSTOP},
    };
    ASSERT_EQ(dialog.items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const TemplateItem& want = expected[i].item;
        const TemplateItem& got = dialog.items[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " of the template");
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.style & expected[i].styleMask, want.style);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        EXPECT_EQ(got.text, want.text);
    }

    // Two images of 16 colours (4 bits a pixel): 32 x 32 and 16 x 16.
    ASSERT_EQ(report.icons.size(), 2u);
    const IconEntry icons[] = {{.width = 32, .height = 32, .colours = 16, .bitCount = 4},
                               {.width = 16, .height = 16, .colours = 16, .bitCount = 4}};
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(report.icons[i].width, icons[i].width) << "image " << i;
        EXPECT_EQ(report.icons[i].height, icons[i].height) << "image " << i;
        EXPECT_EQ(report.icons[i].colours, icons[i].colours) << "image " << i;
        EXPECT_EQ(report.icons[i].bitCount, icons[i].bitCount) << "image " << i;
    }
}

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
