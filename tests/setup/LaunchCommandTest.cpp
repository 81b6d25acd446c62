// Unit tests of the launcher's ini path and command-line building, with its two buffer limits.
#include "setup/LaunchCommand.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr char GUARD = '#';
constexpr std::size_t GUARD_SIZE = 16;

// The launcher's two buffers, zero-filled like its own, each followed by guard bytes that must survive.
struct Buffers {
    char iniPath[INI_PATH_SIZE + GUARD_SIZE];
    char commandLine[COMMAND_LINE_SIZE + GUARD_SIZE];

    explicit Buffers(const std::string& managerPath) {
        std::memset(iniPath, 0, INI_PATH_SIZE);
        std::memset(iniPath + INI_PATH_SIZE, GUARD, GUARD_SIZE);
        std::memset(commandLine, 0, COMMAND_LINE_SIZE);
        std::memset(commandLine + COMMAND_LINE_SIZE, GUARD, GUARD_SIZE);
        std::memcpy(commandLine, managerPath.data(), managerPath.size());
    }

    int build(const std::string& modulePath) {
        return buildLaunchCommand(modulePath.c_str(), iniPath, INI_PATH_SIZE, commandLine, COMMAND_LINE_SIZE);
    }

    bool guardsIntact() const {
        for (std::size_t i = 0; i < GUARD_SIZE; ++i) {
            if (iniPath[INI_PATH_SIZE + i] != GUARD || commandLine[COMMAND_LINE_SIZE + i] != GUARD) {
                return false;
            }
        }
        return true;
    }
};

std::string folderOfLength(std::size_t length) {
    return "C:\\" + std::string(length - 3, 'f');
}
std::string managerOfLength(std::size_t length) {
    return "C:\\" + std::string(length - 16, 'm') + "\\CEAPPMGR.EXE";
}

TEST(LaunchCommandTest, BuildsIniPathAndCommandLine) {
    const struct {
        const char* name;
        std::string modulePath;
        std::string managerPath;
        std::string iniPath;
        std::string commandLine;
    } cases[] = {
        {.name = "launcher in C:\\Pkg",
         .modulePath = "C:\\Pkg\\KelvaneSetup.exe",
         .managerPath = "C:\\Sync\\CEAPPMGR.EXE",
         .iniPath = "C:\\Pkg\\setup.ini",
         .commandLine = "C:\\Sync\\CEAPPMGR.EXE \"C:\\Pkg\\setup.ini\""},
        {.name = "path without a backslash stays whole",
         .modulePath = "KelvaneSetup.exe",
         .managerPath = "C:\\Sync\\CEAPPMGR.EXE",
         .iniPath = "KelvaneSetup.exe\\setup.ini",
         .commandLine = "C:\\Sync\\CEAPPMGR.EXE \"KelvaneSetup.exe\\setup.ini\""},
        {.name = "cut at the last backslash only",
         .modulePath = "C:\\Program Files\\Kelvane\\Setup\\KelvaneSetup.exe",
         .managerPath = "C:\\Program Files\\Sync\\CEAPPMGR.EXE",
         .iniPath = "C:\\Program Files\\Kelvane\\Setup\\setup.ini",
         .commandLine =
             "C:\\Program Files\\Sync\\CEAPPMGR.EXE \"C:\\Program Files\\Kelvane\\Setup\\setup.ini\""},
        {.name = "launcher at the root of a drive",
         .modulePath = "C:\\KelvaneSetup.exe",
         .managerPath = "D:\\CEAPPMGR.EXE",
         .iniPath = "C:\\setup.ini",
         .commandLine = "D:\\CEAPPMGR.EXE \"C:\\setup.ini\""},
        {.name = "empty manager path",
         .modulePath = "C:\\Pkg\\KelvaneSetup.exe",
         .managerPath = "",
         .iniPath = "C:\\Pkg\\setup.ini",
         .commandLine = " \"C:\\Pkg\\setup.ini\""},
        {.name = "longest folder: ini path of 259 bytes and its zero",
         .modulePath = folderOfLength(249) + "\\KelvaneSetup.exe",
         .managerPath = "C:\\Sync\\CEAPPMGR.EXE",
         .iniPath = folderOfLength(249) + "\\setup.ini",
         .commandLine = "C:\\Sync\\CEAPPMGR.EXE \"" + folderOfLength(249) + "\\setup.ini\""},
        {.name = "longest command line: 519 bytes and its zero",
         .modulePath = folderOfLength(249) + "\\KelvaneSetup.exe",
         .managerPath = managerOfLength(257),
         .iniPath = folderOfLength(249) + "\\setup.ini",
         .commandLine = managerOfLength(257) + " \"" + folderOfLength(249) + "\\setup.ini\""},
    };
    for (const auto& row : cases) {
        Buffers buffers(row.managerPath);
        EXPECT_EQ(buffers.build(row.modulePath), 1) << row.name;
        EXPECT_EQ(std::string(buffers.iniPath), row.iniPath) << row.name;
        EXPECT_EQ(std::string(buffers.commandLine), row.commandLine) << row.name;
        EXPECT_TRUE(buffers.guardsIntact()) << row.name;
    }
    EXPECT_EQ(managerOfLength(257).size() + 2 + (folderOfLength(249) + "\\setup.ini").size() + 2,
              COMMAND_LINE_SIZE)
        << "the longest case fills the command line exactly";
}

TEST(LaunchCommandTest, RefusesWhatDoesNotFitAndLeavesBuffersUntouched) {
    std::string managerWithoutZero(COMMAND_LINE_SIZE, 'm');
    const struct {
        const char* name;
        std::string modulePath;
        std::string managerPath;
    } cases[] = {
        {.name = "folder plus \\setup.ini needs 261 bytes",
         .modulePath = folderOfLength(250) + "\\KelvaneSetup.exe",
         .managerPath = "C:\\Sync\\CEAPPMGR.EXE"},
        {.name = "long path without a backslash",
         .modulePath = std::string(250, 'k'),
         .managerPath = "C:\\Sync\\CEAPPMGR.EXE"},
        {.name = "command line needs 521 bytes",
         .modulePath = folderOfLength(249) + "\\KelvaneSetup.exe",
         .managerPath = managerOfLength(258)},
        {.name = "manager path of 260 bytes and a 247-byte folder need 521 bytes",
         .modulePath = folderOfLength(247) + "\\KelvaneSetup.exe",
         .managerPath = managerOfLength(260)},
        {.name = "manager path fills the whole buffer without a zero",
         .modulePath = "C:\\Pkg\\KelvaneSetup.exe",
         .managerPath = managerWithoutZero},
    };
    for (const auto& row : cases) {
        Buffers buffers(row.managerPath);
        Buffers untouched(row.managerPath);
        EXPECT_EQ(buffers.build(row.modulePath), 0) << row.name;
        EXPECT_EQ(std::memcmp(buffers.iniPath, untouched.iniPath, sizeof buffers.iniPath), 0) << row.name;
        EXPECT_EQ(std::memcmp(buffers.commandLine, untouched.commandLine, sizeof buffers.commandLine), 0)
            << row.name;
    }
}

TEST(LaunchCommandTest, ManagerPathOfFullRegistrySizeIsTakenWhole) {
    // A registry value of 260 bytes has no zero of its own; the zero-filled buffer ends it.
    const std::string manager = managerOfLength(260);
    Buffers buffers(manager);
    ASSERT_EQ(buffers.build("C:\\Pkg\\KelvaneSetup.exe"), 1);
    EXPECT_EQ(std::string(buffers.commandLine), manager + " \"C:\\Pkg\\setup.ini\"");
    EXPECT_TRUE(buffers.guardsIntact());
}

} // namespace
