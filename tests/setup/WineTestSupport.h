// What the launcher's Wine tests share: the texts they expect, the Wine session of the run, and a fixture
// that prepares folders in C:, runs the Win32 test driver on a list of steps and reads back its report.
#pragma once

#include "tests/setup/DriverReport.h"
#include "tests/setup/WineSession.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

inline constexpr char APP_PATHS_KEY[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
inline constexpr char WELCOME_CAPTION[] = "Kelvane Setup";
inline constexpr char NO_APP_MANAGER_CAPTION[] = "Kelvanne Setup";
inline constexpr char NO_APP_MANAGER_TEXT[] =
    "To install this software to your Pocket PC, you must install MicroSoft AcitveSync first.";
inline constexpr char NO_INI_FILE_CAPTION[] = "Kelvane Setup";
inline constexpr char NO_INI_FILE_TEXT[] =
    "Can not find the 'setup.ini' file. Extract this ZIP file then try again.";
inline constexpr char INTRODUCTION_TEXT[] =
    "Thank you for choosing this software for your Windows CE device. Before you begin, please read through "
    "the following README. Press the PAGE DOWN key to read the remaining portion.";
inline constexpr char CHOICE_TEXT[] =
    "If you want to exit without installing this software, choose Exit.  If you "
    "want to contine install this software, choose Next.";

// The Wine session shared by every case of the run: one Xvfb, one prefix (one wineboot), one wineserver.
// Without the cross-built programs or without Wine every case is skipped with the reason.
class WineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override;
    void TearDown() override { session.reset(); }

    static inline std::unique_ptr<WineSession> session;
    static inline std::string skipReason;
    static inline std::string startFailure;
    static inline std::string launcherExe;
    static inline std::string driverExe;
    static inline std::string fakeManagerExe;
};

class SetupWineTest : public ::testing::Test {
  protected:
    static inline const std::string& launcherExe = WineEnvironment::launcherExe;
    static inline const std::string& fakeManagerExe = WineEnvironment::fakeManagerExe;

    void SetUp() override;

    // The Unix path of a path in C:.
    static std::string unixPath(const std::string& windowsPath);
    // A fresh folder C:\cases\NAME for one case.
    static std::string caseFolder(const std::string& name);
    // Copies a program to a path in C:, creating its folders.
    static void install(const std::string& program, const std::string& windowsPath);
    // Starts the driver on these steps in FOLDER; its report goes to FOLDER\report.txt.
    static pid_t startDriver(const std::string& folder, const std::vector<std::string>& steps);
    // Waits for the driver (killing it past a generous limit) and reads its report.
    static DriverReport finishDriver(const std::string& folder, pid_t driver);
    static DriverReport runDriver(const std::string& folder, const std::vector<std::string>& steps);
    // The command line that the fake manager in that folder recorded, waiting up to waitMs for it.
    static std::string recordedCommandLine(const std::string& managerFolder, int waitMs);
    static WineSession& session() { return *WineEnvironment::session; }
};

// One step line for the driver: the fields joined by tabs.
std::string step(std::initializer_list<std::string> fields);

// The programs that the launcher started, less Wine's desktop process (explorer.exe), which Wine starts on
// demand as a child of whichever program first needs it.
std::vector<std::string> startedPrograms(const DriverReport& report);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
// Two lower-case hexadecimal digits a byte.
std::string hexBytes(const std::string& bytes);
std::vector<std::string> splitLines(const std::string& text, const std::string& separator);
// A Windows path base\pp..\pp..[\leaf] of exactly `length` bytes, padded with folders of at most 100 bytes.
std::string paddedPath(const std::string& base, const std::string& leaf, std::size_t length);
