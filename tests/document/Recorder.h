#pragma once
// A Reporter that keeps what the document reports, and the texts it puts before a message.
#include <string>
#include <vector>

#include "document/Storage.h"

struct Report {
    std::string caption;
    std::string text;
};

class Recorder : public Reporter {
public:
    void error(const std::string& caption, const std::string& text) override {
        reports.push_back({caption, text});
    }
    std::vector<Report> reports;
};

inline std::string open_prefix(const std::string& path) {
    return "В процессе считывания файла\n'" + path + "'\nпроизошла следующая ошибка:\n\n";
}

inline std::string save_prefix(const std::string& path) {
    return "В процессе записи файла\n'" + path + "'\nпроизошла следующая ошибка:\n\n";
}
