#include "library/Html_page.h"

#include "library/Binary_io.h"
#include "library/Codepage.h"
#include "library/Fileworks.h"

namespace lib::html {

void page::WriteLines(line_list& lines) const {
    lines.push_back("<html>");
    lines.push_back("<head>");
    // The charset that SaveToFile encodes in.
    lines.push_back(
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">");
    lines.push_back("</head>");
    lines.push_back("<body style = \"font-family: " + font_family + "; font-size: " + font_size +
                    "\">");
    for (const auto& element : elements_)
        element->Emit(lines, 2);
    lines.push_back("</body>");
    lines.push_back("</html>");
}

namespace {

// Every line ends with CR LF, also the physical breaks a line feed makes inside a cell's line.
std::string file_bytes(const line_list& lines) {
    std::string text;
    for (const std::string& line : lines) {
        for (char c : line) {
            if (c == '\n')
                text += '\r';
            text += c;
        }
        text += "\r\n";
    }
    return to_cp1251(text);
}

} // namespace

void page::SaveToFile(const std::string& path) const {
    line_list lines;
    WriteLines(lines);
    const std::string bytes = file_bytes(lines);
    io::replace_files(
        {{path, [&](io::BinaryOutputStream& out) { out.write(bytes.data(), bytes.size()); }}});
}

} // namespace lib::html
