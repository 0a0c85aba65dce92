#include "app/Commpropsdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>

#include <algorithm>

#include "device/Port_name.h"
#include "document/Reporter.h"
#include "params/Linksettings.h"
#include "widgets/Controlworks.h"
#include "widgets/Messageboxes.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr int com_names = 256;
constexpr int visible_rows = 20;
// The name a system port entry stands for; its text also carries the description.
constexpr int port_path_role = Qt::UserRole;

bool is_usb_adapter(const QSerialPortInfo& info) {
    return info.hasVendorIdentifier() || info.portName().contains(QStringLiteral("USB")) ||
           info.portName().contains(QStringLiteral("ACM"));
}

} // namespace

TCommPropsForm::TCommPropsForm(QWidget* owner, LinkSettings& link) : QDialog(owner), link_(link) {
    setWindowTitle("Настройка связи датчика с компьютером");
    Label1 = new QLabel("Имя ком-порта", this);
    Label1->setObjectName("Label1");
    cbxPortName = new QComboBox(this);
    cbxPortName->setObjectName("cbxPortName");
    // Typed names are checked on confirming and never become list entries; no completion, so
    // that "COM2" stays COM2 and is not completed to COM25.
    cbxPortName->setEditable(true);
    cbxPortName->setInsertPolicy(QComboBox::NoInsert);
    cbxPortName->setCompleter(nullptr);
    cbxPortName->setMaxVisibleItems(visible_rows);
    cbxPortName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Label1->setBuddy(cbxPortName);

    MyButton1 = new QPushButton("Сохранить", this);
    MyButton1->setObjectName("MyButton1");
    MyButton1->setDefault(true);
    MyButton2 = new QPushButton("Отменить", this);
    MyButton2->setObjectName("MyButton2");
    MyButton2->setAutoDefault(false);
    for (QPushButton* button : {MyButton1, MyButton2})
        button->setMinimumSize(design_px(this, 100), design_px(this, 30));
    connect(MyButton1, &QPushButton::clicked, this, &QDialog::accept);
    connect(MyButton2, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    const int margin = design_px(this, 12);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setHorizontalSpacing(design_px(this, 10));
    layout->setVerticalSpacing(design_px(this, 14));
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(cbxPortName, 0, 1);
    layout->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(design_px(this, 8));
    buttons->addStretch();
    buttons->addWidget(MyButton1);
    buttons->addWidget(MyButton2);
    layout->addLayout(buttons, 1, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    fill_port_names();
    select_current_name();
    ApplyFormFonts(this);
    cbxPortName->setMinimumWidth(design_px(this, 200));
}

void TCommPropsForm::fill_port_names() {
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        return is_usb_adapter(a) && !is_usb_adapter(b);
    });
    for (const QSerialPortInfo& info : ports) {
        const QString path = info.systemLocation();
        const QString text =
            info.description().isEmpty() ? path : path + " (" + info.description() + ")";
        cbxPortName->addItem(text, path);
    }
    for (int i = 0; i < com_names; ++i)
        cbxPortName->addItem(QStringLiteral("COM%1").arg(i));
}

void TCommPropsForm::select_current_name() {
    const QString current = QString::fromStdString(link_.name);
    // A device path names a system port entry exactly; everything else goes by its text.
    const int system_port = cbxPortName->findData(current.trimmed(), port_path_role);
    if (system_port >= 0)
        cbxPortName->setCurrentIndex(system_port);
    else
        SelectComboText(cbxPortName, current);
}

void TCommPropsForm::accept() {
    const QString text = cbxPortName->currentText();
    // An entry of the list as it stands: a system port goes by its path, not its description.
    const int entry = cbxPortName->findText(text, Qt::MatchExactly);
    const QVariant path = entry >= 0 ? cbxPortName->itemData(entry, port_path_role) : QVariant();
    const device::PortNameCheck check =
        device::check_port_name((path.isValid() ? path.toString() : text).toStdString());
    if (check.fault != device::PortNameFault::none) {
        show_error_box(this, error_caption, device::port_name_fault_text(check.fault, check.name));
        cbxPortName->setFocus();
        cbxPortName->lineEdit()->selectAll();
        return;
    }
    link_.name = check.name;
    QDialog::accept();
}

void TCommPropsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOnScreen(this);
}
