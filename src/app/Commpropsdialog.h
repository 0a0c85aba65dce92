#pragma once
// The port choice: COM0..COM255, then the serial ports the system has. Confirming stores the
// chosen name as the link's port name; cancelling changes nothing.
#include <QDialog>

namespace device {
class HardWare;
}
class QComboBox;
class QLabel;
class QPushButton;

class TCommPropsForm : public QDialog {
public:
    TCommPropsForm(QWidget* owner, device::HardWare& hardware);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fill_port_names();
    void select_current_name();

    device::HardWare& hardware_;
    QLabel* Label1;
    QComboBox* cbxPortName;
    QPushButton* MyButton1;
    QPushButton* MyButton2;
};
