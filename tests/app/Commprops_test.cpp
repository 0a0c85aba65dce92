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

#include "Modal_driver.h"
#include "Modal_watch.h"
#include "app/Commpropsdialog.h"
#include "library/Scratch_dir.h"
#include "params/Linksettings.h"

namespace {

struct PortDialog {
    LinkSettings link;
    std::unique_ptr<TCommPropsForm> form;

    explicit PortDialog(const std::string& name) {
        link.name = name;
        form = std::make_unique<TCommPropsForm>(nullptr, link);
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
    ASSERT_EQ(d.combo()->count(), 256 + system_ports);
    for (int i = 0; i < system_ports; ++i)
        EXPECT_TRUE(d.combo()->itemText(i).startsWith("/dev/")) << i;
    EXPECT_EQ(d.combo()->itemText(system_ports), "COM0");
    EXPECT_EQ(d.combo()->itemText(system_ports + 255), "COM255");
    EXPECT_EQ(d.combo()->currentIndex(), system_ports + 1);

    PortDialog lower("com3 ");
    EXPECT_EQ(lower.combo()->currentText(), "COM3");
    EXPECT_EQ(lower.combo()->count(), 256 + system_ports);
    lower.button("MyButton1")->click();
    EXPECT_EQ(lower.form->result(), QDialog::Accepted);
    EXPECT_EQ(lower.link.name, "COM3");

    PortDialog tcp("127.0.0.1:22002");
    ASSERT_EQ(tcp.combo()->count(), 257 + system_ports);
    EXPECT_EQ(tcp.combo()->currentIndex(), 0);
    tcp.button("MyButton1")->click();
    EXPECT_EQ(tcp.link.name, "127.0.0.1:22002");
}

TEST(CommPropsForm, TypedNamesAreCheckedBeforeTheyAreStored) {
    ScratchDir dir;
    const std::pair<QString, QString> accepted[] = {{" logger.rig-7:1 ", "logger.rig-7:1"},
                                                    {"host:65535", "host:65535"},
                                                    {"Com255", "COM255"},
                                                    {"COM007", "COM7"},
                                                    {"/dev/null", "/dev/null"}};
    for (const auto& [text, stored] : accepted) {
        EXPECT_EQ(check_port_name(text).fault, PortNameFault::none) << text.toStdString();
        EXPECT_EQ(check_port_name(text).name, stored);
    }
    const std::pair<QString, PortNameFault> refused[] = {
        {" \t ", PortNameFault::empty},
        {"COM256", PortNameFault::com_number},
        {"COM99999999999", PortNameFault::com_number},
        {QString::fromStdString(dir.file("ttyUSB9")), PortNameFault::no_device},
        {QString::fromStdString(dir.path().string()), PortNameFault::no_device},
        {"host:0", PortNameFault::tcp_port},
        {"host:65536", PortNameFault::tcp_port},
        {"host:22x", PortNameFault::tcp_port},
        {":22002", PortNameFault::tcp_address},
        {"my host:22002", PortNameFault::tcp_address},
        {"::1:22002", PortNameFault::tcp_address},
        {"ttyUSB0", PortNameFault::unknown},
    };
    for (const auto& [text, fault] : refused) {
        EXPECT_EQ(check_port_name(text).fault, fault) << text.toStdString();
        EXPECT_FALSE(port_name_fault_text(fault, text).isEmpty());
    }

    // Typed and confirmed with Enter: a bad name gets a box and the dialog stays open.
    for (const auto& [typed, good] : {std::pair{"/dev/null", true}, {"host:70000", false}}) {
        PortDialog d("COM2");
        ModalDriver driver({[&](QWidget*) {
                                d.combo()->clearEditText();
                                QTest::keyClicks(d.combo()->lineEdit(), typed);
                                QTimer::singleShot(0, [&] {
                                    QTest::keyClick(d.combo()->lineEdit(), Qt::Key_Return);
                                });
                            },
                            ModalDriver::answer(QMessageBox::Ok), ModalDriver::cancel()});
        EXPECT_EQ(d.form->exec() == QDialog::Accepted, good) << typed;
        EXPECT_EQ(d.link.name, good ? typed : "COM2");
        EXPECT_EQ(driver.seen().size(), good ? 1u : 3u) << testing::PrintToString(driver.seen());
    }
}

TEST(CommPropsForm, CancelAndEscLeaveThePortNameAlone) {
    PortDialog d("COM2");
    d.combo()->setCurrentIndex(7);
    d.button("MyButton2")->click();
    EXPECT_EQ(d.form->result(), QDialog::Rejected);
    EXPECT_EQ(d.link.name, "COM2");

    PortDialog esc("COM2");
    esc.combo()->setCurrentIndex(9);
    ModalWatch watch([&](QWidget* modal) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(modal, &press);
        return true;
    });
    EXPECT_EQ(esc.form->exec(), QDialog::Rejected);
    EXPECT_EQ(esc.link.name, "COM2");
}
