#include "app/Aboutdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "widgets/Controlworks.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr int logo_design_px = 96;

// A drilling derrick over a recorded curve, drawn for the device pixel ratio of the screen.
QPixmap draw_logo(const QWidget* w) {
    const int side = design_px(w, logo_design_px);
    const qreal ratio = w->devicePixelRatioF();
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 96.0, side / 96.0);
    QLinearGradient sky(0, 0, 0, 96);
    sky.setColorAt(0, QColor(0x3A, 0x6E, 0xC8));
    sky.setColorAt(1, QColor(0xB8, 0xD4, 0xF4));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(1, 1, 94, 94), 10, 10);

    p.setBrush(QColor(0x7A, 0x5A, 0x3A));
    p.drawRect(QRectF(4, 80, 88, 12));

    // The derrick: two legs, the crown block and the cross bracing between them.
    QPen steel(QColor(0x30, 0x30, 0x38), 2.4);
    steel.setJoinStyle(Qt::RoundJoin);
    p.setPen(steel);
    p.setBrush(Qt::NoBrush);
    const QPointF foot_l(22, 80), foot_r(58, 80), top_l(36, 12), top_r(44, 12);
    p.drawLine(foot_l, top_l);
    p.drawLine(foot_r, top_r);
    p.drawLine(top_l + QPointF(-3, 0), top_r + QPointF(3, 0));
    steel.setWidthF(1.3);
    p.setPen(steel);
    for (int i = 0; i < 4; ++i) {
        const qreal a = 0.2 + i * 0.2, b = a + 0.2;
        const QPointF la = foot_l + (top_l - foot_l) * a, ra = foot_r + (top_r - foot_r) * a;
        const QPointF lb = foot_l + (top_l - foot_l) * b, rb = foot_r + (top_r - foot_r) * b;
        p.drawLine(la, ra);
        p.drawLine(la, rb);
        p.drawLine(ra, lb);
    }
    // The hook line from the crown.
    p.drawLine(QPointF(40, 12), QPointF(40, 44));
    p.setBrush(QColor(0xE0, 0x40, 0x30));
    p.drawEllipse(QPointF(40, 47), 3, 3);

    // The hook load as the logger records it, running down the right edge.
    QPainterPath curve;
    curve.moveTo(74, 10);
    for (int y = 11; y <= 76; ++y)
        curve.lineTo(72 + 3.5 * std::sin(y / 4.0) + (y - 10) * 0.12, y);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color_from_bgr(0x0000FF), 2));
    p.drawPath(curve);
    return pixmap;
}

} // namespace

TAboutForm::TAboutForm(QWidget* owner) : QDialog(owner) {
    setWindowTitle("  О программе...");
    imgLogo = new QLabel(this);
    imgLogo->setObjectName("imgLogo");
    imgLogo->setPixmap(draw_logo(this));
    imgLogo->setAlignment(Qt::AlignTop);

    lblText = new QLabel(this);
    lblText->setObjectName("lblText");
    lblText->setText(QStringList{
        "Vornell",
        QStringLiteral("Версия %1").arg(vornell_version),
        "Считывание и просмотр данных датчика-регистратора буровой установки",
        "Разработчики: команда проекта Vornell",
    }
                         .join('\n'));
    lblText->setTextInteractionFlags(Qt::TextSelectableByMouse);

    btnExit = new QPushButton("Выход", this);
    btnExit->setObjectName("btnExit");
    btnExit->setDefault(true);
    btnExit->setMinimumSize(design_px(this, 100), design_px(this, 30));
    connect(btnExit, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->setSpacing(design_px(this, 16));
    top->addWidget(imgLogo);
    top->addWidget(lblText, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnExit);
    auto* layout = new QVBoxLayout(this);
    const int margin = design_px(this, 14);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(design_px(this, 14));
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ApplyFormFonts(this);
}
