#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>

#include <gtest/gtest.h>

#include "Modal_watch.h"
#include "app/Commpropsdialog.h"
#include "device/Hardware.h"
#include "library/Scratch_dir.h"

namespace {

struct PortDialog {
    ScratchDir dir;
    device::HardWare hw{dir.file("comm.log")};
    std::unique_ptr<TCommPropsForm> form;

    explicit PortDialog(const std::string& name) {
        hw.name = name;
        form = std::make_unique<TCommPropsForm>(nullptr, hw);
    }
    QComboBox* combo() { return form->findChild<QComboBox*>("cbxPortName"); }
    QPushButton* button(const char* name) { return form->findChild<QPushButton*>(name); }
};

const int system_ports = static_cast<int>(QSerialPortInfo::availablePorts().size());

} // namespace

TEST(CommPropsForm, ListsEveryComNameAndSelectsTheCurrentOneIgnoringCaseAndBlanks) {
    PortDialog d("COM1");
    EXPECT_EQ(d.form->windowTitle(), "Настройка связи датчика с компьютером");
    EXPECT_EQ(d.form->findChild<QLabel*>("Label1")->text(), "Имя ком-порта");
    EXPECT_FALSE(d.combo()->isEditable());
    ASSERT_EQ(d.combo()->count(), 256 + system_ports);
    EXPECT_EQ(d.combo()->itemText(0), "COM0");
    EXPECT_EQ(d.combo()->itemText(255), "COM255");
    EXPECT_EQ(d.combo()->currentIndex(), 1);

    PortDialog lower("com3 ");
    EXPECT_EQ(lower.combo()->currentText(), "COM3");
    EXPECT_EQ(lower.combo()->count(), 256 + system_ports);
    lower.button("MyButton1")->click();
    EXPECT_EQ(lower.form->result(), QDialog::Accepted);
    EXPECT_EQ(lower.hw.name, "COM3");
}

TEST(CommPropsForm, NameNotInTheListIsInsertedFirstAndKeptOnConfirm) {
    PortDialog d("127.0.0.1:22002");
    ASSERT_EQ(d.combo()->count(), 257 + system_ports);
    EXPECT_EQ(d.combo()->currentIndex(), 0);
    EXPECT_EQ(d.combo()->itemText(1), "COM0");
    EXPECT_TRUE(d.button("MyButton1")->isDefault());
    QTimer::singleShot(0, d.form.get(), [&] {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d.form.get(), &enter);
    });
    EXPECT_EQ(d.form->exec(), QDialog::Accepted);
    EXPECT_EQ(d.hw.name, "127.0.0.1:22002");
}

TEST(CommPropsForm, CancelAndEscLeaveThePortNameAlone) {
    PortDialog d("COM2");
    d.combo()->setCurrentIndex(7);
    d.button("MyButton2")->click();
    EXPECT_EQ(d.form->result(), QDialog::Rejected);
    EXPECT_EQ(d.hw.name, "COM2");

    PortDialog esc("COM2");
    esc.combo()->setCurrentIndex(9);
    ModalWatch watch([&](QWidget* modal) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(modal, &press);
        return true;
    });
    EXPECT_EQ(esc.form->exec(), QDialog::Rejected);
    EXPECT_EQ(esc.hw.name, "COM2");
}
