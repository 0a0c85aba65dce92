#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Modal_watch.h"
#include "app/Readdatadialog.h"
#include "device/Hardware.h"
#include "device/Logger_sim_process.h"
#include "document/Storage.h"
#include "widgets/Busyindicator.h"

namespace {

// A read reports through its own dialog; the document's box must stay silent.
class NoReports : public Reporter {
public:
    void error(const std::string& caption, const std::string& text) override {
        ADD_FAILURE() << caption << ": " << text;
    }
};

struct ReadingDialog {
    ScratchDir dir;
    NoReports reporter;
    Storage document{reporter};
    HardWare hw{dir.file("comm.log")};
    TReadDataForm form{nullptr, document, hw};

    explicit ReadingDialog(const std::string& port, int dump_pause_ms = 0) {
        hw.name = port;
        device::HardwareTimings t = fast_timings();
        t.dump_pause_ms = dump_pause_ms;
        hw.set_timings(t);
    }
    template <class T> T* child(const char* name) { return form.findChild<T*>(name); }
    void press_escape() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&form, &press);
    }
};

} // namespace

TEST(ReadDataForm, ReadsTheSimulatorAndClosesWithOkWhileEscAndCancelDoNothing) {
    LoggerSimProcess sim({"--records", "300", "--alarms", "6"});
    // The pauses before both dumps keep the read going long enough to try closing it.
    ReadingDialog r(sim.port_name(), 1000);
    EXPECT_EQ(r.form.windowTitle(), " Считывание информации с датчика-регистратора");
    EXPECT_FALSE(r.form.windowFlags() & Qt::WindowCloseButtonHint);
    auto* read = r.child<QPushButton>("btnReadData");
    auto* cancel = r.child<QPushButton>("btnCancel");
    EXPECT_EQ(read->text(), "Считать!");
    EXPECT_EQ(cancel->text(), "Отмена");

    std::set<std::string> labels;
    std::vector<QString> boxes;
    bool checked_while_reading = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        labels.insert(r.child<QLabel>("lblWhatHappen")->text().toStdString());
    });
    poll.start(20);
    QTimer::singleShot(0, read, &QPushButton::click);
    QTimer::singleShot(300, [&] {
        checked_while_reading = r.form.reading() && !read->isEnabled() &&
                                r.child<QWidget>("pnlProgress")->isVisible() &&
                                r.child<BusyIndicator>("aniProgress")->isRunning();
        r.press_escape();
        cancel->click();
        r.form.close();
        // A second press must not start another read alongside.
        read->click();
    });
    ModalWatch watch([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.push_back(box->text());
            box->accept();
        }
        return false;
    });

    EXPECT_EQ(r.form.exec(), QDialog::Accepted);
    EXPECT_TRUE(checked_while_reading);
    EXPECT_TRUE(boxes.empty()) << boxes.front().toStdString();
    EXPECT_FALSE(r.form.reading());
    EXPECT_EQ(r.document.Data().item_count(), 300);
    EXPECT_EQ(r.document.Journal().Count(), 6);
    EXPECT_TRUE(r.document.IsModified());
    EXPECT_TRUE(labels.count("Запрос записей..."));
    EXPECT_TRUE(labels.count("Запрос журнала..."));
    EXPECT_EQ(r.child<QProgressBar>("progrBar")->value(), 0);
    EXPECT_FALSE(r.hw.has_progress_callback());
}

TEST(ReadDataForm, UnopenablePortShowsTheErrorAndLeavesTheDialogReadyToTryAgain) {
    ReadingDialog r("/nonexistent/tty");
    auto* read = r.child<QPushButton>("btnReadData");
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool idle_after_box = false;
    QTimer::singleShot(0, read, &QPushButton::click);
    ModalWatch watch([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return false;
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
        QTimer::singleShot(50, [&] {
            idle_after_box = read->isEnabled() && !r.form.reading() &&
                             !r.child<QWidget>("pnlProgress")->isVisible() && r.form.isVisible();
            // Idle again, Esc closes the dialog.
            r.press_escape();
        });
        return true;
    });

    EXPECT_EQ(r.form.exec(), QDialog::Rejected);
    EXPECT_EQ(caption, " ВНИМАНИЕ!");
    EXPECT_EQ(text, "Произошла ошибка:\nНевозможно открыть COM-порт");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(idle_after_box);
    EXPECT_FALSE(r.document.IsModified());
    EXPECT_FALSE(r.hw.has_progress_callback());
}
