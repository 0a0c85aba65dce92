#include "app/Boxreporter.h"

#include "widgets/Messageboxes.h"

void BoxReporter::error(const std::string& caption, const std::string& text) {
    show_error_box(owner_, caption, text);
}
