#pragma once
// The port choice: the serial ports this machine has (USB adapters first), then COM0..COM255;
// any other name can be typed. Confirming stores a checked name as the link's port name;
// cancelling changes nothing.
#include <QDialog>

class LinkSettings;
class QComboBox;
class QLabel;
class QPushButton;

class TCommPropsForm : public QDialog {
public:
    TCommPropsForm(QWidget* owner, LinkSettings& link);

    // Refuses a name device::check_port_name finds fault with: a message, and the dialog stays
    // open.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fill_port_names();
    void select_current_name();

    LinkSettings& link_;
    QLabel* Label1;
    QComboBox* cbxPortName;
    QPushButton* MyButton1;
    QPushButton* MyButton2;
};
