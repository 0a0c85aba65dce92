#pragma once
// The about box: a picture, four lines about the program and one button.
#include <QDialog>

class QLabel;
class QPushButton;

inline constexpr const char* vornell_version = VORNELL_VERSION;

class TAboutForm : public QDialog {
public:
    explicit TAboutForm(QWidget* owner);

private:
    QLabel* imgLogo;
    QLabel* lblText;
    QPushButton* btnExit;
};
