#include "library/Html_page.h"

#include <stdexcept>

#include "library/Codepage.h"
#include "library/Fileworks.h"

namespace lib::html {

void page::WriteLines(line_list& lines) const {
    lines.push_back("<html>");
    lines.push_back("<head>");
    lines.push_back(
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + head.charset + "\">");
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

void page::SaveToFile(const std::string& name) const {
    line_list lines;
    WriteLines(lines);
    const std::string bytes = file_bytes(lines);
    const std::string cannot_write = "Невозможно открыть файл '" + name + "' для записи";
    const std::string path = io::resolve_links(name);
    io::OSFile file;
    const std::string temp = file.create_beside(path);
    try {
        file.write(bytes.data(), bytes.size());
        file.sync();
        file.close();
    } catch (...) {
        file.close();
        io::remove_file(temp);
        throw;
    }
    if (!io::replace_file(temp, path)) {
        io::remove_file(temp);
        throw std::runtime_error(cannot_write);
    }
}

} // namespace lib::html
