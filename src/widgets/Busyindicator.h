#pragma once
// A looping activity picture for work of unknown length: a sheet flies from one folder into
// another. Drawn in code so it scales with the screen.
#include <QTimer>
#include <QWidget>

class BusyIndicator : public QWidget {
public:
    static constexpr int frame_count = 24;

    explicit BusyIndicator(QWidget* parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return timer_.isActive(); }
    // 0 .. frame_count - 1: where the flying sheet is.
    int frame() const { return frame_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advance();

    QTimer timer_;
    int frame_ = 0;
};
