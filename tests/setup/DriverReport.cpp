// What the Win32 test driver saw of the launcher, read back from its report file.
#include "tests/setup/DriverReport.h"

#include <cstdlib>

namespace {

std::vector<std::string> splitRecord(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

unsigned long hexValue(const std::string& text) {
    return std::strtoul(text.c_str(), nullptr, 16);
}

} // namespace

const ReportedControl* ReportedWindow::control(unsigned id) const {
    for (const ReportedControl& candidate : controls) {
        if (candidate.id == id) {
            return &candidate;
        }
    }
    return nullptr;
}

bool ReportedWindow::showsText(const std::string& text) const {
    for (const ReportedControl& candidate : controls) {
        if (candidate.text == text) {
            return true;
        }
    }
    return false;
}

DriverReport parseDriverReport(const std::string& text) {
    DriverReport report;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::vector<std::string> fields = splitRecord(text.substr(start, end - start));
        start = end + 1;
        const std::string& kind = fields[0];
        const bool inWindow = !report.windows.empty();
        if (kind == "window" && fields.size() == 4) {
            ReportedWindow window;
            window.className = fields[1];
            window.style = hexValue(fields[2]);
            window.caption = fields[3];
            report.windows.push_back(window);
        } else if (kind == "rect" && fields.size() == 5 && inWindow) {
            ReportedWindow& window = report.windows.back();
            window.left = std::atoi(fields[1].c_str());
            window.top = std::atoi(fields[2].c_str());
            window.right = std::atoi(fields[3].c_str());
            window.bottom = std::atoi(fields[4].c_str());
        } else if (kind == "child" && fields.size() == 6 && inWindow) {
            report.windows.back().controls.push_back({static_cast<unsigned>(std::atoi(fields[1].c_str())),
                                                      fields[2], hexValue(fields[3]), hexValue(fields[4]),
                                                      fields[5]});
        } else if (kind == "focus" && fields.size() == 2 && inWindow) {
            report.windows.back().focusId = std::atoi(fields[1].c_str());
        } else if (kind == "icon" && fields.size() == 2 && inWindow) {
            report.windows.back().icon = fields[1];
        } else if (kind == "dialog-template" && fields.size() == 10) {
            DialogTemplate dialog;
            dialog.style = hexValue(fields[1]);
            dialog.extendedStyle = hexValue(fields[2]);
            dialog.x = std::atoi(fields[3].c_str());
            dialog.y = std::atoi(fields[4].c_str());
            dialog.width = std::atoi(fields[5].c_str());
            dialog.height = std::atoi(fields[6].c_str());
            dialog.caption = fields[7];
            dialog.pointSize = std::atoi(fields[8].c_str());
            dialog.typeface = fields[9];
            report.dialogs.push_back(dialog);
        } else if (kind == "dialog-item" && fields.size() == 9 && !report.dialogs.empty()) {
            report.dialogs.back().items.push_back(
                {static_cast<unsigned>(std::atoi(fields[1].c_str())), fields[2], hexValue(fields[3]),
                 std::atoi(fields[4].c_str()), std::atoi(fields[5].c_str()), std::atoi(fields[6].c_str()),
                 std::atoi(fields[7].c_str()), fields[8]});
        } else if (kind == "icon-entry" && fields.size() == 5) {
            report.icons.push_back({std::atoi(fields[1].c_str()), std::atoi(fields[2].c_str()),
                                    std::atoi(fields[3].c_str()), std::atoi(fields[4].c_str())});
        } else if (kind == "exit" && fields.size() == 2) {
            report.exitCode = std::atoi(fields[1].c_str());
        } else if (kind == "child-process" && fields.size() == 2) {
            report.childProcesses.push_back(fields[1]);
        } else if (kind == "error" && fields.size() == 2) {
            report.error = fields[1];
        } else if (kind == "terminated") {
            report.terminated = true;
        } else if (kind == "done") {
            report.done = true;
        }
    }
    return report;
}
