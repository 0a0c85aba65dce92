#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "Modal_watch.h"
#include "app/Main.h"
#include "app/Readdatadialog.h"
#include "app/Readdatathread.h"
#include "app/System.h"
#include "device/Hardware.h"
#include "device/Logger_sim_process.h"
#include "device/Scripted_link.h"
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
    device::HardWare hw{dir.file("comm.log")};
    TReadDataForm form{nullptr, document, hw};

    explicit ReadingDialog(const std::string& port, int dump_pause_ms = 0) {
        hw.name = port;
        device::HardwareTimings t = fast_timings();
        t.dump_pause_ms = dump_pause_ms;
        hw.SetTimings(t);
    }
    template <class T> T* child(const char* name) { return form.findChild<T*>(name); }
    QString text_of(const char* label) { return child<QLabel>(label)->text(); }
    void press_escape() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&form, &press);
    }
};

} // namespace

TEST(ReadDataForm, ShowsThePortThenReadsTheSimulatorWithABusyBarAndClosesWithOk) {
    LoggerSimProcess sim({"--records", "300", "--alarms", "6"});
    // The pause before each dump keeps the read going long enough to look at it.
    ReadingDialog r(sim.port_name(), 600);
    EXPECT_EQ(r.form.windowTitle(), " Считывание информации с датчика-регистратора");
    EXPECT_FALSE(r.form.windowFlags() & Qt::WindowCloseButtonHint);
    auto* read = r.child<QPushButton>("btnReadData");
    EXPECT_EQ(read->text(), "Считать!");
    EXPECT_EQ(r.child<QPushButton>("btnCancel")->text(), "Отмена");

    std::set<std::string> labels;
    std::vector<QString> boxes;
    bool busy_while_reading = false;
    QString statistics, port;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        labels.insert(r.text_of("lblWhatHappen").toStdString());
        if (r.form.reading())
            statistics = r.text_of("lblStatistics");
    });
    poll.start(20);
    QTimer::singleShot(0, [&] {
        port = r.text_of("lblPort");
        read->click();
    });
    QTimer::singleShot(300, [&] {
        auto* bar = r.child<QProgressBar>("progrBar");
        busy_while_reading = r.form.reading() && !read->isEnabled() &&
                             r.child<QWidget>("pnlProgress")->isVisible() &&
                             r.child<BusyIndicator>("aniProgress")->isRunning() &&
                             bar->minimum() == 0 && bar->maximum() == 0;
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
    EXPECT_EQ(port.toStdString(), "Порт: " + sim.port_name() + " (адрес 127.0.0.1, порт " +
                                      sim.port_name().substr(sim.port_name().find(':') + 1) + ")");
    EXPECT_TRUE(busy_while_reading);
    EXPECT_TRUE(boxes.empty()) << boxes.front().toStdString();
    EXPECT_FALSE(r.form.reading());
    EXPECT_EQ(r.document.Data().item_count(), 300);
    EXPECT_EQ(r.document.Journal().Count(), 6);
    EXPECT_TRUE(r.document.IsModified());
    EXPECT_TRUE(labels.count("Запрос записей..."));
    EXPECT_TRUE(labels.count("Запрос журнала..."));
    // Seen during the alarm dump's pause: every record counted.
    EXPECT_TRUE(statistics.startsWith("Считано записей: 300   Прошло: 0:0"))
        << statistics.toStdString();
    EXPECT_FALSE(r.hw.HasProgressCallback());
}

TEST(ReadDataForm, CancelAndEscStopAReadOfASilentLoggerWithinASecondAndKeepTheDocument) {
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Esc" : "Отмена");
        LoggerSimProcess sim({"--silent-after", "0"}, true);
        ReadingDialog r(sim.port_name());
        device::HardwareTimings t; // the program's own waits: 25 s for a byte
        t.dump_pause_ms = 0;
        r.hw.SetTimings(t);
        r.document.Journal().Add(39146.5, 0.0, 0, 1.0f);
        r.document.MarkRead();

        bool boxes = false;
        std::chrono::steady_clock::time_point pressed;
        QTimer::singleShot(0, r.child<QPushButton>("btnReadData"), &QPushButton::click);
        QTimer::singleShot(400, [&] {
            ASSERT_TRUE(r.form.reading());
            pressed = std::chrono::steady_clock::now();
            if (escape)
                r.press_escape();
            else
                r.child<QPushButton>("btnCancel")->click();
        });
        ModalWatch watch([&](QWidget* modal) {
            boxes = boxes || qobject_cast<QMessageBox*>(modal);
            return false;
        });
        EXPECT_EQ(r.form.exec(), QDialog::Rejected);
        EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(1));
        EXPECT_FALSE(boxes);
        EXPECT_FALSE(r.form.reading());
        EXPECT_FALSE(r.hw.Port().IsOpen());
        EXPECT_EQ(r.document.Journal().Count(), 1);
        EXPECT_TRUE(r.document.IsModified()); // the earlier read, still unsaved
    }
}

TEST(ReadDataForm, UnopenablePortShowsTheErrorTheDeviceAndTheLogAndStaysReadyToTryAgain) {
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
    EXPECT_EQ(text.toStdString(), "Произошла ошибка:\nНевозможно открыть COM-порт\n\n"
                                  "Порт /nonexistent/tty: нет такого устройства\n\n"
                                  "Журнал обмена с датчиком: " +
                                      r.dir.file("comm.log"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(idle_after_box);
    EXPECT_FALSE(r.document.IsModified());
    EXPECT_FALSE(r.hw.HasProgressCallback());
}

TEST(ReadStatistics, CountElapsedTimeAndRate) {
    EXPECT_EQ(read_statistics_text(0, 0),
              "Считано записей: 0   Прошло: 0:00   Скорость: 0 записей/с");
    EXPECT_EQ(read_statistics_text(1200, 5000),
              "Считано записей: 1200   Прошло: 0:05   Скорость: 240 записей/с");
    EXPECT_EQ(read_statistics_text(21600, 61'999),
              "Считано записей: 21600   Прошло: 1:01   Скорость: 348 записей/с");
    EXPECT_EQ(read_statistics_text(10'000'000, 3'723'000),
              "Считано записей: 10000000   Прошло: 1:02:03   Скорость: 2686 записей/с");
}

TEST(ReadDataForm, AFailedReadThatEmptiedTheDocumentLeavesNothingToSave) {
    ScratchDir dir;
    TMainForm window(dir.file("Vornell.ini"));
    device::HardWare& hw = window.system().hardware();
    hw.SetLogPath(dir.file("comm.log"));
    hw.SetTimings(fast_timings());
    const auto script = script_logger(hw);
    static const char dump[] = "\x01\0\0\0\0\0\x48\x41\xFF\0\xFF\0=>\r\n=>"; // one record
    script->replies = {{"~BLA BLA BLA", "OK\r\n=>"},
                       {"~GET TYPE", "\r\n=>"},
                       {"~BDUMP LOG", std::string(dump, sizeof dump - 1)},
                       {"~DUMP ALARMS", "\r\n"}};
    window.show();
    // "Считать!" once in each dialog; the failed read's box is acknowledged, then "Отмена".
    std::vector<std::string> errors;
    bool to_read = true; // the next idle read dialog gets "Считать!", the one after "Отмена"
    ModalWatch watch([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (box->icon() == QMessageBox::Question) { // the earlier read is not to be saved
                box->button(QMessageBox::No)->click();
                return false;
            }
            errors.push_back(box->text().toStdString());
            box->accept();
        } else if (auto* form = dynamic_cast<TReadDataForm*>(modal); form && !form->reading()) {
            if (to_read)
                form->findChild<QPushButton*>("btnReadData")->click();
            else
                form->reject();
            to_read = false;
        }
        return false;
    });
    window.actConnect->trigger();
    ASSERT_EQ(window.document().Data().item_count(), 1);
    EXPECT_TRUE(window.document().IsModified());
    EXPECT_TRUE(window.actSave->isEnabled());

    // The logger now stops answering after the type: the read has emptied the document.
    script->replies["~BDUMP LOG"] = "";
    to_read = true;
    window.actConnect->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(window.document().Data().item_count(), 0);
    EXPECT_FALSE(window.document().IsModified());
    EXPECT_FALSE(window.actSave->isEnabled());
    EXPECT_FALSE(window.actSaveAs->isEnabled());
    std::vector<std::string> asked;
    ModalWatch question(
        [&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                asked.push_back(box->text().toStdString());
            return false;
        },
        500);
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(asked.empty()) << asked.front();
    hw.SetLinkFactory(device::CommPort::MakeLink);
    hw.SetTimings({});
}
