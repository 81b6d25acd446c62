// End-to-end tests of the launcher's welcome dialog under Wine: its resources as stored in the program
// file, and the dialog as shown, with its texts, buttons and focus.
#include "tests/setup/ChildProcess.h"
#include "tests/setup/Win32Styles.h"
#include "tests/setup/WineTestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;
using namespace win32;

namespace {

// Longer than the driver waits for the dialog to appear.
constexpr int SHOWN_LIMIT_MS = 120000;

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
    for (int waited = 0; waited < SHOWN_LIMIT_MS && !fs::exists(shown) && waitForChild(driver, 0) < 0;
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

} // namespace
