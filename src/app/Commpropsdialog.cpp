#include "app/Commpropsdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>

#include "device/Hardware.h"
#include "widgets/Controlworks.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr int com_names = 256;
// The name a system port entry stands for; its text also carries the description.
constexpr int port_path_role = Qt::UserRole;

} // namespace

TCommPropsForm::TCommPropsForm(QWidget* owner, device::HardWare& hardware)
    : QDialog(owner), hardware_(hardware) {
    setWindowTitle("Настройка связи датчика с компьютером");
    Label1 = new QLabel("Имя ком-порта", this);
    Label1->setObjectName("Label1");
    cbxPortName = new QComboBox(this);
    cbxPortName->setObjectName("cbxPortName");
    cbxPortName->setEditable(false);
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
    for (int i = 0; i < com_names; ++i)
        cbxPortName->addItem(QStringLiteral("COM%1").arg(i));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        const QString text =
            info.description().isEmpty() ? path : path + " (" + info.description() + ")";
        cbxPortName->addItem(text, path);
    }
}

void TCommPropsForm::select_current_name() {
    const QString current = QString::fromStdString(hardware_.name);
    // A device path names a system port entry exactly; everything else goes by its text.
    const int system_port = cbxPortName->findData(current.trimmed(), port_path_role);
    if (system_port >= 0)
        cbxPortName->setCurrentIndex(system_port);
    else
        SelectComboText(cbxPortName, current);
}

void TCommPropsForm::accept() {
    const QVariant path = cbxPortName->currentData(port_path_role);
    hardware_.name = (path.isValid() ? path.toString() : cbxPortName->currentText()).toStdString();
    QDialog::accept();
}

void TCommPropsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOnScreen(this);
}
