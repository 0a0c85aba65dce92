#pragma once
// Reporter: where the document and the read report a failure the user is to see (a message box
// in the window, stderr in vornell-cli, a recorder in tests), and the captions of the program's
// boxes.
#include <string>

// A failed open, save or export of a document.
inline constexpr const char* file_error_caption = " Внимание!!!";
// A failed read, a refused setting, an error of any command.
inline constexpr const char* error_caption = " ВНИМАНИЕ!";
// A question to the user.
inline constexpr const char* question_caption = "  ВНИМАНИЕ!";

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void error(const std::string& caption, const std::string& text) = 0;
};
