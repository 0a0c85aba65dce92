#pragma once
// The window's message boxes: the document's failures, load notes and the exception box.
#include <string>

#include "document/Storage.h"

class QWidget;

// Reports the document's failures in a modal error box over the owner.
class BoxReporter : public Reporter {
public:
    explicit BoxReporter(QWidget* owner) : owner_(owner) {}
    void error(const std::string& caption, const std::string& text) override;

private:
    QWidget* owner_;
};

void show_error_box(QWidget* owner, const std::string& caption, const std::string& text);
void show_information_box(QWidget* owner, const std::string& caption, const std::string& text);
