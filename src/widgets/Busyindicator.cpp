#include "widgets/Busyindicator.h"

#include <QPainter>
#include <QPainterPath>

#include "widgets/Simplegraphics.h"

namespace {

constexpr int frame_ms = 50;

void draw_folder(QPainter& p, const QRectF& r) {
    const qreal tab = r.height() * 0.18;
    QPainterPath back;
    back.moveTo(r.left(), r.top() + tab);
    back.lineTo(r.left() + r.width() * 0.08, r.top());
    back.lineTo(r.left() + r.width() * 0.38, r.top());
    back.lineTo(r.left() + r.width() * 0.45, r.top() + tab);
    back.lineTo(r.right(), r.top() + tab);
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(QPen(QColor(0x8C, 0x6A, 0x12), 1));
    p.setBrush(QColor(0xE8, 0xB8, 0x30));
    p.drawPath(back);
    // The front flap, a little lighter, leaves the open top of the folder visible.
    const QRectF front(r.left(), r.top() + tab * 2.2, r.width(), r.height() - tab * 2.2);
    p.setBrush(QColor(0xF8, 0xD6, 0x60));
    p.drawRect(front);
}

void draw_sheet(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(0x40, 0x60, 0xC0), 1));
    const qreal margin = r.width() * 0.18;
    for (int line = 1; line <= 4; ++line) {
        const qreal y = r.top() + r.height() * line / 5.0;
        p.drawLine(QPointF(r.left() + margin, y), QPointF(r.right() - margin, y));
    }
}

} // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(frame_ms);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { advance(); });
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void BusyIndicator::start() {
    timer_.start();
}

void BusyIndicator::stop() {
    timer_.stop();
}

void BusyIndicator::advance() {
    frame_ = (frame_ + 1) % frame_count;
    update();
}

QSize BusyIndicator::sizeHint() const {
    return {design_px(this, 272), design_px(this, 60)};
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = height();
    const qreal folder_w = h * 0.9, folder_h = h * 0.6;
    // Both folders stand near the middle so the flight is easy to follow on a wide panel.
    const qreal gap = std::min<qreal>(width() - 2 * folder_w, h * 3.2);
    const qreal left_x = (width() - gap) / 2 - folder_w;
    const qreal right_x = (width() + gap) / 2;
    const QRectF from(left_x, h - folder_h - 1, folder_w, folder_h);
    const QRectF into(right_x, h - folder_h - 1, folder_w, folder_h);
    draw_folder(p, from);
    draw_folder(p, into);

    // The sheet rises out of the first folder, flies along an arc and drops into the second.
    const qreal t = static_cast<qreal>(frame_) / (frame_count - 1);
    const qreal sheet_w = h * 0.32, sheet_h = h * 0.4;
    const qreal x0 = from.center().x(), x1 = into.center().x();
    const qreal x = x0 + (x1 - x0) * t - sheet_w / 2;
    const qreal top = from.top() - sheet_h * 0.4, peak = 1;
    const qreal y = top - (top - peak) * 4 * t * (1 - t);
    draw_sheet(p, QRectF(x, y, sheet_w, sheet_h));
}
