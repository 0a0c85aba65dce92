#include "widgets/Clockcursor.h"

#include <QApplication>
#include <QCursor>

ClockCursor::ClockCursor() = default;

ClockCursor::~ClockCursor() {
    if (showing_)
        QApplication::restoreOverrideCursor();
}

void ClockCursor::Show() {
    // Qt's override cursors form a stack, so the cursor shown before is what comes back.
    if (showing_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    showing_ = true;
}
