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
    // Typed and confirmed with Enter: a bad name gets a box and the dialog stays open.
    const std::pair<const char*, bool> names[] = {
        {"/dev/null", true},         {"localhost:22002", true},    {"127.0.0.2:65536", false},
        {"127.0.0.2:88838", false},  {"127.0.0.2:023111", false},  {"127.0.0.2: 23111", false},
        {"127.0.0.2:23111 ", false}, {"127.0.0.2:23111:5", false}, {"127.0.0.2:+23111", false},
        {"127.0.0.2:", false}};
    for (const auto& [typed, good] : names) {
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
