#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(CommPropsForm, ListsTheSystemPortsThenEveryComNameAndSelectsTheCurrentOne) {
    PortDialog d("COM1");
    EXPECT_EQ(d.form->windowTitle(), "Настройка связи датчика с компьютером");
    EXPECT_EQ(d.form->findChild<QLabel*>("Label1")->text(), "Имя ком-порта");
    EXPECT_TRUE(d.combo()->isEditable());
    EXPECT_EQ(d.combo()->maxVisibleItems(), 20);
    ASSERT_EQ(d.combo()->count(), system_ports + 256);
    for (int i = 0; i < system_ports; ++i)
        EXPECT_TRUE(d.combo()->itemText(i).startsWith("/dev/")) << i;
    EXPECT_EQ(d.combo()->itemText(system_ports), "COM0");
    EXPECT_EQ(d.combo()->itemText(system_ports + 255), "COM255");
    EXPECT_EQ(d.combo()->currentIndex(), system_ports + 1);

    PortDialog lower("com3 ");
    EXPECT_EQ(lower.combo()->currentText(), "COM3");
    EXPECT_EQ(lower.combo()->count(), system_ports + 256);
    lower.button("MyButton1")->click();
    EXPECT_EQ(lower.form->result(), QDialog::Accepted);
    EXPECT_EQ(lower.hw.name, "COM3");

    PortDialog tcp("127.0.0.1:22002");
    ASSERT_EQ(tcp.combo()->count(), system_ports + 257);
    EXPECT_EQ(tcp.combo()->currentIndex(), 0);
    tcp.button("MyButton1")->click();
    EXPECT_EQ(tcp.hw.name, "127.0.0.1:22002");
}

TEST(CommPropsForm, TypedNamesAreCheckedBeforeTheyAreStored) {
    ScratchDir dir;
    const struct {
        QString text;
        PortNameFault fault;
        QString stored;
    } cases[] = {
        {"192.168.1.20:22002", PortNameFault::none, "192.168.1.20:22002"},
        {" logger.rig-7:1 ", PortNameFault::none, "logger.rig-7:1"},
        {"host:65535", PortNameFault::none, "host:65535"},
        {"com3", PortNameFault::none, "COM3"},
        {"COM0", PortNameFault::none, "COM0"},
        {"Com255", PortNameFault::none, "COM255"},
        {"COM007", PortNameFault::none, "COM7"},
        {"/dev/null", PortNameFault::none, "/dev/null"},
        {"", PortNameFault::empty, ""},
        {" \t ", PortNameFault::empty, ""},
        {"COM256", PortNameFault::com_number, ""},
        {"COM99999999999", PortNameFault::com_number, ""},
        {QString::fromStdString(dir.file("ttyUSB9")), PortNameFault::no_device, ""},
        {QString::fromStdString(dir.path().string()), PortNameFault::no_device, ""},
        {"host:0", PortNameFault::tcp_port, ""},
        {"host:65536", PortNameFault::tcp_port, ""},
        {"host:", PortNameFault::tcp_port, ""},
        {"host:22x", PortNameFault::tcp_port, ""},
        {":22002", PortNameFault::tcp_address, ""},
        {"my host:22002", PortNameFault::tcp_address, ""},
        {"::1:22002", PortNameFault::tcp_address, ""},
        {"COM", PortNameFault::unknown, ""},
        {"ttyUSB0", PortNameFault::unknown, ""},
    };
    for (const auto& c : cases) {
        const PortNameCheck check = check_port_name(c.text);
        EXPECT_EQ(check.fault, c.fault) << c.text.toStdString();
        if (c.fault == PortNameFault::none)
            EXPECT_EQ(check.name, c.stored) << c.text.toStdString();
        else
            EXPECT_FALSE(port_name_fault_text(c.fault, c.text).isEmpty());
    }

    // Typed into the dialog and confirmed with Enter: a good name closes it and is stored, a
    // bad one gets a message and the dialog stays open with the old name kept.
    for (const auto& [typed, accepted] :
         {std::pair{"192.168.1.20:22002", true}, {"/dev/null", true}, {"host:70000", false}}) {
        PortDialog d("COM2");
        std::vector<std::string> boxes;
        bool open_after_box = false;
        ModalWatch answer_boxes([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes.push_back(box->text().toStdString());
                box->button(QMessageBox::Ok)->click();
            }
            return false;
        });
        QTimer::singleShot(0, d.form.get(), [&] {
            d.combo()->lineEdit()->selectAll();
            QTest::keyClicks(d.combo()->lineEdit(), typed);
            QTest::keyClick(d.combo()->lineEdit(), Qt::Key_Return);
            open_after_box = d.form->isVisible();
            if (open_after_box)
                d.form->reject();
        });
        const int result = d.form->exec();
        EXPECT_EQ(result == QDialog::Accepted, accepted) << typed;
        EXPECT_EQ(d.hw.name, accepted ? typed : "COM2");
        EXPECT_EQ(boxes.size(), accepted ? 0u : 1u)
            << typed << ": " << testing::PrintToString(boxes);
        EXPECT_TRUE(accepted || open_after_box) << typed << ": the dialog closed on a refusal";
    }
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
