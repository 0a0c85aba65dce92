#pragma once
// What poppler's pdfinfo and pdftotext read from a PDF: its page count, a page's text and where
// its words are.
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace pdf_probe {

inline std::string output_of(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// -1 when the reader cannot open the file.
inline int pages(const std::string& pdf) {
    const std::string info = output_of("pdfinfo '" + pdf + "'");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// The text of one page, counted from 1.
inline std::string page_text(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return output_of("pdftotext -enc UTF-8 -f " + n + " -l " + n + " '" + pdf + "' -");
}

struct Word {
    double top, bottom; // points from the page's top edge
    std::string text;
};

// The words of each page.
inline std::vector<std::vector<Word>> words(const std::string& pdf) {
    static const std::regex item(
        R"re(<page |<word xMin="[\d.]+" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)<)re");
    const std::string all = output_of("pdftotext -bbox '" + pdf + "' -");
    std::vector<std::vector<Word>> pages;
    for (std::sregex_iterator it(all.begin(), all.end(), item), end; it != end; ++it) {
        if (!(*it)[1].matched)
            pages.emplace_back();
        else if (!pages.empty())
            pages.back().push_back({std::stod((*it)[1]), std::stod((*it)[2]), (*it)[3]});
    }
    return pages;
}

} // namespace pdf_probe
