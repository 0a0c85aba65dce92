#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "Modal_driver.h"
#include "Modal_watch.h"
#include "app/Journalview.h"
#include "app/Main.h"
#include "app/Readdatadialog.h"
#include "app/Readdatathread.h"
#include "device/Hardware.h"
#include "device/Logger_sim_process.h"
#include "device/Scripted_link.h"
#include "document/Storage.h"
#include "graph/Graphicsform.h"
#include "widgets/Busyindicator.h"
#include "widgets/Stripchart.h"

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
        hw.SetPortName(port);
        device::HardwareTimings t = fast_timings();
        t.dump_pause_ms = dump_pause_ms;
        hw.SetTimings(t);
    }
    template <class T> T* child(const char* name) { return form.findChild<T*>(name); }
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
    auto* cancel = r.child<QPushButton>("btnCancel");
    EXPECT_EQ(read->text(), "Считать!");
    EXPECT_EQ(cancel->text(), "Отмена");

    std::set<std::string> labels;
    std::vector<QString> boxes;
    bool checked_while_reading = false;
    QString statistics, port;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        labels.insert(r.child<QLabel>("lblWhatHappen")->text().toStdString());
        if (r.form.reading())
            statistics = r.child<QLabel>("lblStatistics")->text();
    });
    poll.start(20);
    QTimer::singleShot(0, [&] {
        port = r.child<QLabel>("lblPort")->text();
        read->click();
    });
    QTimer::singleShot(300, [&] {
        checked_while_reading = r.form.reading() && !read->isEnabled() &&
                                r.child<QWidget>("pnlProgress")->isVisible() &&
                                r.child<BusyIndicator>("aniProgress")->isRunning() &&
                                r.child<QProgressBar>("progrBar")->maximum() == 0;
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
    EXPECT_EQ(port.toStdString(), "Порт: " + device::port_text(sim.port_name()));
    EXPECT_TRUE(checked_while_reading);
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
        r.hw.SetTimings({});                             // the program's own waits: 25 s for a byte
        r.document.Journal().Add(39146.5, 0.0, 0, 1.0f); // an earlier read, not saved
        r.document.MarkRead();

        bool boxes = false;
        std::chrono::steady_clock::time_point pressed;
        QTimer::singleShot(0, r.child<QPushButton>("btnReadData"), &QPushButton::click);
        QTimer::singleShot(400, [&] {
            ASSERT_TRUE(r.form.reading());
            pressed = std::chrono::steady_clock::now();
            escape ? r.press_escape() : r.child<QPushButton>("btnCancel")->click();
        });
        ModalWatch watch([&](QWidget* modal) {
            boxes = boxes || qobject_cast<QMessageBox*>(modal);
            return false;
        });
        EXPECT_EQ(r.form.exec(), QDialog::Rejected);
        EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(1));
        EXPECT_FALSE(boxes);
        EXPECT_FALSE(r.form.reading());
        EXPECT_EQ(r.document.Journal().Count(), 1);
        EXPECT_TRUE(r.document.IsModified());
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
    EXPECT_TRUE(text.contains("/nonexistent/tty: нет такого устройства")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QString::fromStdString(r.dir.file("comm.log"))));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(idle_after_box);
    EXPECT_FALSE(r.document.IsModified());
    EXPECT_FALSE(r.hw.HasProgressCallback());
}

TEST(ReadStatistics, CountElapsedTimeAndRate) {
    EXPECT_EQ(read_statistics_text(0, 0),
              "Считано записей: 0   Прошло: 0:00   Скорость: 0 записей/с");
    EXPECT_EQ(read_statistics_text(21600, 61'999),
              "Считано записей: 21600   Прошло: 1:01   Скорость: 348 записей/с");
    EXPECT_EQ(read_statistics_text(10'000'000, 3'723'000),
              "Считано записей: 10000000   Прошло: 1:02:03   Скорость: 2686 записей/с");
}

TEST(ReadDataForm, AFailedReadThatEmptiedTheDocumentLeavesNothingToSave) {
    ScratchDir dir;
    TMainForm window(dir.file("Vornell.ini"));
    device::HardWare& hw = window.hardware();
    hw.SetLogPath(dir.file("comm.log"));
    hw.SetTimings(fast_timings());
    // Silent after the type: the read has emptied the document and fails.
    script_logger(hw)->replies = {{"~BLA BLA BLA", "OK\r\n=>"}, {"~GET TYPE", "\r\n=>"}};
    window.show();
    window.document().Journal().Add(39146.5, 0.0, 0, 1.0f); // an earlier read, not saved
    window.document().MarkRead();
    {
        ModalDriver driver({ModalDriver::answer(QMessageBox::No),
                            [](QWidget* w) { w->findChild<QPushButton*>("btnReadData")->click(); },
                            ModalDriver::answer(QMessageBox::Ok), ModalDriver::cancel()});
        window.actConnect->trigger();
        EXPECT_TRUE(driver.done());
    }
    ASSERT_EQ(window.document().JournalCount(), 0);
    EXPECT_FALSE(window.actSave->isEnabled());
    ModalDriver none({});
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(none.seen().empty()) << none.seen().front();
}

TEST(ReadDataForm, TheWindowRepaintsItsJournalAndGraphAllThroughARead) {
    LoggerSimProcess sim({"--records", "40000", "--alarms", "300"});
    ScratchDir dir;
    TMainForm window(dir.file("Vornell.ini"));
    window.system().link().name = sim.port_name();
    device::HardWare& hw = window.hardware();
    hw.SetLogPath(dir.file("comm.log"));
    hw.SetTimings(fast_timings());
    window.show();
    // Each tick shows the other tab and paints it at once, as an expose during the read would.
    // Nothing the window shows may change before the thread has ended.
    int paints = 0;
    bool changed = false;
    QTimer painter;
    QObject::connect(&painter, &QTimer::timeout, [&] {
        const auto* dialog = dynamic_cast<TReadDataForm*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->reading())
            return;
        changed = changed || window.document().HasData() || window.document().JournalCount() > 0;
        window.pages()->setCurrentIndex(paints % 2);
        if (paints++ % 2)
            window.journal_grid().viewport()->repaint();
        else
            window.graph_form().Chart->repaint();
    });
    painter.start(1);
    ModalDriver driver({[](QWidget* w) { w->findChild<QPushButton*>("btnReadData")->click(); }});
    window.actConnect->trigger();
    painter.stop();
    EXPECT_TRUE(driver.done());
    EXPECT_EQ(window.document().Data().item_count(), 40000);
    EXPECT_EQ(window.document().JournalCount(), 300);
    EXPECT_GT(paints, 20); // while the thread was reading
    EXPECT_FALSE(changed);
    // The document's one notice after the read brought the views up to date.
    EXPECT_EQ(window.journal_grid().model()->rowCount(), 300);
    EXPECT_NE(window.status_text().indexOf("записей: 40 000"), -1);
}
