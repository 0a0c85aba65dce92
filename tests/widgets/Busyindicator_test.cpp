#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "widgets/Busyindicator.h"

namespace {

// Runs the event loop until `done` or `ms` have passed.
bool spin_until(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return false;
}

} // namespace

TEST(BusyIndicator, LoopsThroughItsFramesWhileRunningAndHoldsWhenStopped) {
    BusyIndicator busy;
    busy.resize(busy.sizeHint());
    EXPECT_FALSE(busy.isRunning());
    const QImage first = busy.grab().toImage();

    busy.start();
    std::set<int> seen;
    int last = busy.frame();
    EXPECT_TRUE(spin_until([&] {
        const bool wrapped = busy.frame() < last;
        last = busy.frame();
        seen.insert(last);
        return wrapped;
    }));
    EXPECT_GT(seen.size(), 10u);
    ASSERT_TRUE(spin_until([&] { return busy.frame() == BusyIndicator::frame_count / 2; }));
    busy.stop();
    EXPECT_FALSE(spin_until([&] { return busy.frame() != BusyIndicator::frame_count / 2; }, 300));
    EXPECT_NE(busy.grab().toImage(), first);
}
