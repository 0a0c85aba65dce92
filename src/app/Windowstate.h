#pragma once
// The window's own sections of the settings file: where the main window was and which tab it
// showed ("MainForm"), and the folder the file dialogs start in ("Folders").
#include <QList>
#include <QRect>

#include <cstdint>
#include <string>

#include "library/Inioptions.h"

class WindowState : public lib::ini_options {
public:
    void describe_ini(lib::ini_options_elements& elements) override;

    // The normal (not maximised) geometry; a width or height of 0 means none was kept.
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t maximized = 0;
    std::int32_t page = 0;

protected:
    // Places and sizes beyond 2^24 pixels are cut there.
    void after_load(lib::ini_file& file) override;
};

class LastFolder : public lib::ini_options {
public:
    void describe_ini(lib::ini_options_elements& elements) override;
    // Written only once a folder is known, so a first start adds no empty entry.
    bool worth_saving() const { return !path.empty(); }

    std::string path; // of the last data file opened or saved
};

// Where a window kept at `kept` goes now, no larger than the screens together: there, when its
// title strip is on one of `screens`; otherwise centred on `primary` (no larger than it). An
// empty rectangle for none kept.
QRect placed_window_rect(const QRect& kept, const QList<QRect>& screens, const QRect& primary);
