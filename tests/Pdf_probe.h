#pragma once
// What poppler's pdfinfo and pdftotext read from a PDF: its page count and a page's text.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace pdf_probe {

// The standard output of command, which names the file as '{}'; empty when it fails.
inline std::string output_of(const std::string& command, const std::string& pdf) {
    const std::string out = pdf + ".probe";
    std::string line = command;
    line.replace(line.find("{}"), 2, "'" + pdf + "'");
    if (std::system((line + " >'" + out + "' 2>/dev/null").c_str()) != 0)
        return {};
    std::ifstream in(out, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(out.c_str());
    return text.str();
}

// -1 when the reader cannot open the file.
inline int pages(const std::string& pdf) {
    const std::string info = output_of("pdfinfo {}", pdf);
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// The text of one page, counted from 1.
inline std::string page_text(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return output_of("pdftotext -enc UTF-8 -f " + n + " -l " + n + " {} -", pdf);
}

} // namespace pdf_probe
