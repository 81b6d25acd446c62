// What the Win32 test driver saw of the launcher, read back from its report file.
#pragma once

#include <string>
#include <vector>

struct ReportedControl {
    unsigned id = 0;
    std::string className;
    unsigned long style = 0;
    unsigned long extendedStyle = 0;
    std::string text;
};

struct ReportedWindow {
    std::string className;
    unsigned long style = 0;
    std::string caption;
    int left = 0, top = 0, right = 0, bottom = 0;
    std::vector<ReportedControl> controls;
    int focusId = -1;
    std::string icon;

    // The control with that id, or null.
    const ReportedControl* control(unsigned id) const;
    // Whether some control shows exactly this text.
    bool showsText(const std::string& text) const;
};

// A control of a dialog template as stored in the program file, in dialog units.
struct TemplateItem {
    unsigned id = 0;
    std::string className;
    unsigned long style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;
};

struct DialogTemplate {
    unsigned long style = 0;
    unsigned long extendedStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    int pointSize = 0;
    std::string typeface;
    std::vector<TemplateItem> items;
};

struct IconEntry {
    int width = 0, height = 0, colours = 0, bitCount = 0;
};

struct DriverReport {
    std::vector<DialogTemplate> dialogs;
    std::vector<IconEntry> icons;
    std::vector<ReportedWindow> windows;
    int exitCode = -1;
    std::vector<std::string> childProcesses;
    std::string error;
    bool terminated = false;
    bool done = false;
};

// Parses the driver's report: tab-separated records, one a line, with \\ \r \n \t escapes in the fields.
DriverReport parseDriverReport(const std::string& text);
