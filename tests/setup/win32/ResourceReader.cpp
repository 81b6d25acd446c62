// Reads the launcher's dialog 101 and icon group 102 out of its program file, for the Wine tests.
#include "tests/setup/win32/ResourceReader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <windows.h>

namespace {

constexpr WORD WELCOME_DIALOG = 101;
constexpr WORD SETUP_ICON_GROUP = 102;

// Walks a classic (not extended) dialog template: fixed fields, then WORD-aligned variable parts.
class TemplateCursor {
  public:
    TemplateCursor(const BYTE* start, DWORD size) : base(start), end(start + size), at(start) {}

    bool fits(std::size_t count) const { return at + count <= end; }

    template <typename T>
    T take() {
        T value = {};
        if (fits(sizeof value)) {
            std::memcpy(&value, at, sizeof value);
        }
        at += sizeof value;
        return value;
    }

    // A name or a number: 0xFFFF followed by a WORD, or a zero-ended UTF-16 string.
    std::string nameOrNumber() {
        const WORD first = peekWord();
        if (first == 0xFFFF) {
            take<WORD>();
            return "#" + std::to_string(take<WORD>());
        }
        return text();
    }

    // A zero-ended UTF-16 string, converted to the ANSI code page.
    std::string text() {
        std::wstring wide;
        while (fits(sizeof(WORD))) {
            const WORD unit = take<WORD>();
            if (unit == 0) {
                break;
            }
            wide += static_cast<wchar_t>(unit);
        }
        if (wide.empty()) {
            return "";
        }
        char narrow[4096] = {};
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), narrow, sizeof narrow - 1,
                            nullptr, nullptr);
        return narrow;
    }

    void alignToDword() {
        const std::size_t offset = static_cast<std::size_t>(at - base);
        at = base + ((offset + 3) & ~static_cast<std::size_t>(3));
    }

    void skip(std::size_t count) { at += count; }

  private:
    WORD peekWord() const {
        WORD value = 0;
        if (fits(sizeof value)) {
            std::memcpy(&value, at, sizeof value);
        }
        return value;
    }

    const BYTE* base;
    const BYTE* end;
    const BYTE* at;
};

std::string hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(value));
    return text;
}

std::string className(const std::string& nameOrNumber) {
    // The predefined control classes stored as numbers.
    if (nameOrNumber == "#128") {
        return "Button";
    }
    if (nameOrNumber == "#129") {
        return "Edit";
    }
    if (nameOrNumber == "#130") {
        return "Static";
    }
    return nameOrNumber;
}

bool resourceBytes(HMODULE module, WORD id, LPCSTR type, const BYTE*& bytes, DWORD& size) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    size = found ? SizeofResource(module, found) : 0;
    return bytes != nullptr;
}

std::string reportDialog(HMODULE module, ReportWriter& report) {
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    if (!resourceBytes(module, WELCOME_DIALOG, MAKEINTRESOURCEA(5), bytes, size)) {
        return "no dialog 101";
    }
    TemplateCursor cursor(bytes, size);
    const DWORD style = cursor.take<DWORD>();
    if (HIWORD(style) == 0xFFFF) {
        return "dialog 101 is an extended template";
    }
    const DWORD extendedStyle = cursor.take<DWORD>();
    const WORD itemCount = cursor.take<WORD>();
    const short x = cursor.take<short>(), y = cursor.take<short>();
    const short width = cursor.take<short>(), height = cursor.take<short>();
    cursor.nameOrNumber(); // menu
    cursor.nameOrNumber(); // window class
    const std::string caption = cursor.text();
    std::string pointSize, typeface;
    if (style & DS_SETFONT) {
        pointSize = std::to_string(cursor.take<WORD>());
        typeface = cursor.text();
    }
    report.record({"dialog-template", hex(style), hex(extendedStyle), std::to_string(x), std::to_string(y),
                   std::to_string(width), std::to_string(height), caption, pointSize, typeface});

    for (WORD item = 0; item < itemCount; ++item) {
        cursor.alignToDword();
        if (!cursor.fits(18)) {
            return "dialog 101 ends inside its controls";
        }
        const DWORD itemStyle = cursor.take<DWORD>();
        cursor.take<DWORD>(); // extended style
        const short itemX = cursor.take<short>(), itemY = cursor.take<short>();
        const short itemWidth = cursor.take<short>(), itemHeight = cursor.take<short>();
        const WORD id = cursor.take<WORD>();
        const std::string itemClass = className(cursor.nameOrNumber());
        const std::string itemText = cursor.nameOrNumber();
        cursor.skip(cursor.take<WORD>()); // creation data
        report.record({"dialog-item", std::to_string(id), itemClass, hex(itemStyle), std::to_string(itemX),
                       std::to_string(itemY), std::to_string(itemWidth), std::to_string(itemHeight),
                       itemText});
    }
    return "";
}

std::string reportIconGroup(HMODULE module, ReportWriter& report) {
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    if (!resourceBytes(module, SETUP_ICON_GROUP, MAKEINTRESOURCEA(14), bytes, size)) {
        return "no icon group 102";
    }
    // GRPICONDIR: reserved, type, count; then 14-byte entries: width, height, colours, reserved, planes,
    // bit count, bytes in resource, image id.
    TemplateCursor cursor(bytes, size);
    cursor.take<WORD>();
    cursor.take<WORD>();
    const WORD count = cursor.take<WORD>();
    for (WORD entry = 0; entry < count && cursor.fits(14); ++entry) {
        const BYTE width = cursor.take<BYTE>();
        const BYTE height = cursor.take<BYTE>();
        const BYTE colours = cursor.take<BYTE>();
        cursor.take<BYTE>();
        cursor.take<WORD>();
        const WORD bitCount = cursor.take<WORD>();
        cursor.take<DWORD>();
        cursor.take<WORD>();
        report.record({"icon-entry", std::to_string(width), std::to_string(height), std::to_string(colours),
                       std::to_string(bitCount)});
    }
    return "";
}

} // namespace

std::string reportResources(const std::string& programPath, ReportWriter& report) {
    HMODULE module = LoadLibraryExA(programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        return "cannot load " + programPath + " as data";
    }
    std::string failure = reportDialog(module, report);
    if (failure.empty()) {
        failure = reportIconGroup(module, report);
    }
    FreeLibrary(module);
    return failure;
}
