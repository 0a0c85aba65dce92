#pragma once
// The port choice: the serial ports this machine has (USB adapters first), then COM0..COM255;
// any other name can be typed. Confirming stores a checked name as the link's port name;
// cancelling changes nothing.
#include <QDialog>
#include <QString>

class LinkSettings;
class QComboBox;
class QLabel;
class QPushButton;

// What keeps a typed port name from being used.
enum class PortNameFault { none, empty, com_number, no_device, tcp_address, tcp_port, unknown };

struct PortNameCheck {
    PortNameFault fault = PortNameFault::none;
    QString name; // the name to store: trimmed, "COMn" in capitals
};

// A known COMn (0 to 255, any case), a device path that exists, or host:port with a port from
// 1 to 65535.
PortNameCheck check_port_name(const QString& text);
QString port_name_fault_text(PortNameFault fault, const QString& text);

class TCommPropsForm : public QDialog {
public:
    TCommPropsForm(QWidget* owner, LinkSettings& link);

    // Refuses a name check_port_name finds fault with: a message, and the dialog stays open.
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
