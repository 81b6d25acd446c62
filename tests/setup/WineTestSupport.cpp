// What the launcher's Wine tests share: the texts they expect, the Wine session of the run, and a fixture
// that prepares folders in C:, runs the Win32 test driver on a list of steps and reads back its report.
#include "tests/setup/WineTestSupport.h"

#include "tests/setup/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int DRIVER_LIMIT_MS = 180000;

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

[[maybe_unused]] ::testing::Environment* const wineEnvironment =
    ::testing::AddGlobalTestEnvironment(new WineEnvironment);

} // namespace

void WineEnvironment::SetUp() {
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

void SetupWineTest::SetUp() {
    if (!WineEnvironment::skipReason.empty()) {
        GTEST_SKIP() << WineEnvironment::skipReason;
    }
    ASSERT_TRUE(WineEnvironment::startFailure.empty()) << WineEnvironment::startFailure;
    for (const std::string& program :
         {WineEnvironment::launcherExe, WineEnvironment::driverExe, WineEnvironment::fakeManagerExe}) {
        ASSERT_TRUE(fs::exists(program)) << program << " is missing: build the project first";
    }
}

std::string SetupWineTest::unixPath(const std::string& windowsPath) {
    std::string path = session().driveC() + "/" + windowsPath.substr(3);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string SetupWineTest::caseFolder(const std::string& name) {
    const std::string folder = "C:\\cases\\" + name;
    fs::remove_all(unixPath(folder));
    fs::create_directories(unixPath(folder));
    return folder;
}

void SetupWineTest::install(const std::string& program, const std::string& windowsPath) {
    const fs::path target = unixPath(windowsPath);
    fs::create_directories(target.parent_path());
    fs::copy_file(program, target, fs::copy_options::overwrite_existing);
}

pid_t SetupWineTest::startDriver(const std::string& folder, const std::vector<std::string>& steps) {
    std::string text;
    for (const std::string& line : steps) {
        text += line + "\r\n";
    }
    writeFile(unixPath(folder + "\\steps.txt"), text);
    return session().startWine({WineEnvironment::driverExe, folder + "\\steps.txt", folder + "\\report.txt"},
                               unixPath(folder + "\\wine.log"));
}

DriverReport SetupWineTest::finishDriver(const std::string& folder, pid_t driver) {
    if (waitForChild(driver, DRIVER_LIMIT_MS) < 0) {
        stopChild(driver, 2000);
    }
    return parseDriverReport(readFile(unixPath(folder + "\\report.txt")));
}

DriverReport SetupWineTest::runDriver(const std::string& folder, const std::vector<std::string>& steps) {
    return finishDriver(folder, startDriver(folder, steps));
}

std::string SetupWineTest::recordedCommandLine(const std::string& managerFolder, int waitMs) {
    const std::string path = unixPath(managerFolder + "\\cmd.txt");
    for (int waited = 0; waited < waitMs && !fs::exists(path); waited += 50) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return fs::exists(path) ? readFile(path) : "";
}

std::string step(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        line += (line.empty() ? "" : "\t") + field;
    }
    return line;
}

std::vector<std::string> startedPrograms(const DriverReport& report) {
    std::vector<std::string> started;
    for (const std::string& program : report.childProcesses) {
        if (program != "explorer.exe") {
            started.push_back(program);
        }
    }
    return started;
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
