// The Win32 test driver's report file: one tab-separated record a line, flushed as it is written.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Fields escape '\', CR, LF and tab as \\, \r, \n and \t, so that every record stays on one line.
class ReportWriter {
  public:
    explicit ReportWriter(const char* path) : file(std::fopen(path, "wb")) {}
    ~ReportWriter() {
        if (file) {
            std::fclose(file);
        }
    }
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    bool isOpen() const { return file != nullptr; }

    void record(const std::vector<std::string>& fields) {
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                line += '\t';
            }
            line += escape(fields[i]);
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), file);
        std::fflush(file);
    }

  private:
    static std::string escape(const std::string& text) {
        std::string out;
        for (char c : text) {
            switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
            }
        }
        return out;
    }

    FILE* file;
};
