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
    e.add_path(path, "Folders", "data");
}

void WindowState::after_load(lib::ini_file&) {
    // Far beyond any screen, and small enough that no sum of two overflows.
    constexpr std::int32_t limit = 1 << 24;
    for (std::int32_t* value : {&left, &top, &width, &height})
        *value = std::clamp(*value, -limit, limit);
}

QRect placed_window_rect(const QRect& asked, const QList<QRect>& screens, const QRect& primary) {
    if (asked.width() <= 0 || asked.height() <= 0)
        return {};
    // No larger than the screens together: a window of a billion pixels would never be drawn.
    QRect desktop = primary;
    for (const QRect& screen : screens)
        desktop |= screen;
    const QRect kept(asked.topLeft(), asked.size().boundedTo(desktop.size()));
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
