#include "app/Windowstate.h"

#include <algorithm>

void WindowState::describe_ini(lib::ini_options_elements& e) {
    const std::string section = "MainForm";
    e.add_int(left, section, "left");
    e.add_int(top, section, "top");
    e.add_int(width, section, "width");
    e.add_int(height, section, "height");
    e.add_int(maximized, section, "maximized");
    e.add_int(page, section, "page");
}

void LastFolder::describe_ini(lib::ini_options_elements& e) {
    e.add_string(path, "Folders", "data");
}

QRect placed_window_rect(const QRect& kept, const QList<QRect>& screens, const QRect& primary) {
    if (kept.width() <= 0 || kept.height() <= 0)
        return {};
    // Enough of the strip the title bar sits in to grab the window with the mouse.
    const QRect title(kept.left(), kept.top(), kept.width(), std::min(kept.height(), 24));
    const int grip = std::min(kept.width(), 100);
    for (const QRect& screen : screens) {
        const QRect shown = screen.intersected(title);
        if (shown.width() >= grip && shown.height() >= std::min(title.height(), 8))
            return kept;
    }
    QRect centred(0, 0, std::min(kept.width(), primary.width()),
                  std::min(kept.height(), primary.height()));
    centred.moveCenter(primary.center());
    return centred;
}
