#pragma once
// A drop-down of colour swatches with a last entry that opens the full colour dialog. Colours
// are the program's stored blue-green-red values.
#include <QComboBox>

#include <cstdint>
#include <functional>

class ColorPicker : public QComboBox {
public:
    static constexpr const char* more_text = "Другие...";

    explicit ColorPicker(QWidget* parent = nullptr);

    std::uint32_t Color() const;
    // A colour outside the palette gets a swatch of its own before the last entry.
    void SetColor(std::uint32_t bgr);
    // Called after the user has chosen a colour (not after SetColor).
    void SetOnChange(std::function<void()> handler) { on_change_ = std::move(handler); }

private:
    int IndexOf(std::uint32_t bgr) const;
    void AddSwatch(int at, std::uint32_t bgr);
    void Chosen(int index);

    std::function<void()> on_change_;
    int last_index_ = 0;
};
