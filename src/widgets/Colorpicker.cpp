#include "widgets/Colorpicker.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

#include "widgets/Simplegraphics.h"

namespace {

// The sixteen basic colours, blue-green-red.
constexpr std::uint32_t basic_colours[] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                     0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                     0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

constexpr int bgr_role = Qt::UserRole;

} // namespace

ColorPicker::ColorPicker(QWidget* parent) : QComboBox(parent) {
    setIconSize(QSize(design_px(this, 56), design_px(this, 13)));
    for (std::uint32_t bgr : basic_colours)
        AddSwatch(count(), bgr);
    addItem(QString::fromUtf8(more_text));
    setCurrentIndex(IndexOf(0xFF0000));
    last_index_ = currentIndex();
    connect(this, &QComboBox::activated, this, [this](int index) { Chosen(index); });
}

void ColorPicker::AddSwatch(int at, std::uint32_t bgr) {
    QPixmap swatch(iconSize());
    swatch.fill(color_from_bgr(bgr));
    QPainter p(&swatch);
    p.setPen(Qt::gray);
    p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    p.end();
    insertItem(at, QIcon(swatch), QString(), QVariant::fromValue<uint>(bgr));
}

int ColorPicker::IndexOf(std::uint32_t bgr) const {
    for (int i = 0; i + 1 < count(); ++i) {
        if (itemData(i, bgr_role).toUInt() == bgr)
            return i;
    }
    return -1;
}

std::uint32_t ColorPicker::Color() const {
    return itemData(last_index_, bgr_role).toUInt();
}

void ColorPicker::SetColor(std::uint32_t bgr) {
    int index = IndexOf(bgr);
    if (index < 0) {
        index = count() - 1;
        AddSwatch(index, bgr);
    }
    setCurrentIndex(index);
    last_index_ = index;
}

void ColorPicker::Chosen(int index) {
    if (index == count() - 1) {
        QColorDialog dialog(color_from_bgr(Color()), this);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        if (!accepted || !dialog.selectedColor().isValid()) {
            setCurrentIndex(last_index_);
            return;
        }
        SetColor(color_to_bgr(dialog.selectedColor()));
    } else {
        last_index_ = index;
    }
    if (on_change_)
        on_change_();
}
