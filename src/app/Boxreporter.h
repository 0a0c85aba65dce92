#pragma once
// BoxReporter: the window's Reporter, a modal error box over its owner.
#include <string>

#include "document/Reporter.h"

class QWidget;

class BoxReporter : public Reporter {
public:
    explicit BoxReporter(QWidget* owner) : owner_(owner) {}
    void error(const std::string& caption, const std::string& text) override;

private:
    QWidget* owner_;
};
