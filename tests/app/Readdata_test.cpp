#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
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

const char* const save_question = "  ВНИМАНИЕ!|Сохранить считанные данные?";

const ModalDriver::Step press_read = [](QWidget* w) {
    w->findChild<QPushButton*>("btnReadData")->click();
};

// The window, its settings naming `port` and its reads with short waits and a log of their own.
struct ReadingWindow {
    ScratchDir dir;
    TMainForm window{dir.file("Vornell.ini")};

    explicit ReadingWindow(const std::string& port,
                           const device::HardwareTimings& t = fast_timings()) {
        window.system().link().name = port;
        window.hardware().SetLogPath(dir.file("comm.log"));
        window.hardware().SetTimings(t);
        window.show();
    }
    // What an earlier read left, not saved.
    void unsaved_read() {
        window.document().Journal().Add(39146.5, 0.0, 0, 1.0f);
        window.document().MarkRead();
        window.UpdateCommandStates();
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
    EXPECT_EQ(device::read_statistics_text(0, 0),
              "Считано записей: 0   Прошло: 0:00   Скорость: 0 записей/с");
    EXPECT_EQ(device::read_statistics_text(21600, 61'999),
              "Считано записей: 21600   Прошло: 1:01   Скорость: 348 записей/с");
    EXPECT_EQ(device::read_statistics_text(10'000'000, 3'723'000),
              "Считано записей: 10000000   Прошло: 1:02:03   Скорость: 2686 записей/с");
}

TEST(ReadDataForm, AFailedReadThatEmptiedTheDocumentLeavesNothingToSave) {
    ReadingWindow r("scripted");
    TMainForm& window = r.window;
    // Silent after the type: the read has emptied the document and fails.
    script_logger(window.hardware())->replies = {{"~BLA BLA BLA", "OK\r\n=>"},
                                                 {"~GET TYPE", "\r\n=>"}};
    r.unsaved_read();
    {
        ModalDriver driver({ModalDriver::answer(QMessageBox::No), press_read,
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
    ReadingWindow r(sim.port_name());
    TMainForm& window = r.window;
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
    ModalDriver driver({press_read});
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

TEST(ReadDataForm, ADroppedReadKeepsWhatCameAsUnsavedReadDataAndSaidItWasReconnecting) {
    LoggerSimProcess sim({"--drop-after", "50000"});
    auto t = fast_timings();
    t.byte_timeout_ms = 2000;
    ReadingWindow r(sim.port_name(), t);
    std::set<std::string> steps;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = dynamic_cast<TReadDataForm*>(QApplication::activeModalWidget()))
            steps.insert(dialog->findChild<QLabel*>("lblWhatHappen")->text().toStdString());
    });
    poll.start(20);
    QString box;
    {
        ModalDriver driver({press_read,
                            [&](QWidget* w) {
                                box = qobject_cast<QMessageBox*>(w)->text();
                                ModalDriver::answer(QMessageBox::Ok)(w);
                            },
                            ModalDriver::cancel()});
        r.window.actConnect->trigger();
        EXPECT_TRUE(driver.done());
    }
    const int kept = r.window.document().Data().item_count();
    EXPECT_EQ(kept, 4985);
    EXPECT_TRUE(box.contains(QStringLiteral("сохранены в окне: %1.").arg(kept)))
        << box.toStdString();
    EXPECT_TRUE(steps.count("Нет связи с датчиком, повторное подключение (1)..."))
        << testing::PrintToString(steps);
    EXPECT_TRUE(r.window.actSave->isEnabled());
    EXPECT_TRUE(r.window.actSaveAs->isEnabled());
    EXPECT_TRUE(r.window.status_text().startsWith(" не сохранено;"));
    ModalDriver question({ModalDriver::answer(QMessageBox::Cancel)});
    EXPECT_FALSE(r.window.close());
    EXPECT_EQ(question.seen(), std::vector<std::string>{save_question});
}

TEST(ReadDataForm, APortNameOfTheSettingsThatIsNoPortIsShownWithWhyAndNotRead) {
    for (const char* name :
         {"127.0.0.2:65536", ":88838", "127.0.0.2:023111", "127.0.0.2: 23111", "127.0.0.2:23111 ",
          "127.0.0.2:23111:5", "127.0.0.2:+23111", "127.0.0.2:"}) {
        ReadingDialog r(name);
        r.form.show();
        const QString shown = r.child<QLabel>("lblPort")->text();
        EXPECT_TRUE(shown.contains(QStringLiteral("«%1»").arg(name))) << shown.toStdString();
        EXPECT_FALSE(shown.contains("порт 22002")) << shown.toStdString();
        EXPECT_FALSE(r.child<QPushButton>("btnReadData")->isEnabled()) << name;
    }
}

TEST(ReadDataForm, ASignalDuringAReadStopsItFirstThenClosesAsTheCloseBoxDoes) {
    LoggerSimProcess sim({"--silent-after", "0"});
    for (bool second_signal : {false, true}) {
        SCOPED_TRACE(second_signal ? "a second signal gives up" : "the question comes up");
        // The program's own waits: only the stop ends a wait of 25 s for a byte.
        // On the heap: the two rounds' windows must not share stack addresses, which the race
        // checker takes for one object written by both rounds' reading threads.
        auto owned = std::make_unique<ReadingWindow>(sim.port_name(), device::HardwareTimings{});
        ReadingWindow& r = *owned;
        r.unsaved_read();
        // The question comes only once the read has stopped and its dialog has gone.
        bool read_gone = false;
        const auto at_the_question = [&](QWidget* w) {
            const QWidgetList windows = QApplication::topLevelWidgets();
            read_gone = std::none_of(windows.begin(), windows.end(), [](QWidget* t) {
                return dynamic_cast<TReadDataForm*>(t) && t->isVisible();
            });
            if (second_signal)
                r.window.CloseOnSignal();
            else
                ModalDriver::answer(QMessageBox::Cancel)(w);
        };
        ModalDriver driver({ModalDriver::answer(QMessageBox::No),
                            [&](QWidget* w) {
                                press_read(w);
                                QTimer::singleShot(500, [&] { r.window.CloseOnSignal(); });
                            },
                            at_the_question});
        r.window.actConnect->trigger();
        EXPECT_TRUE(driver.done());
        ASSERT_EQ(driver.seen().size(), 3u);
        EXPECT_EQ(driver.seen()[2], save_question);
        EXPECT_TRUE(read_gone);
        // The read was stopped: the document is the one before it.
        EXPECT_EQ(r.window.document().JournalCount(), 1);
        EXPECT_TRUE(r.window.document().IsModified());
        EXPECT_EQ(r.window.isVisible(), !second_signal);
    }
}

#ifdef VORNELL_CLI
TEST(ReadDataForm, AReadAfterAnOpenSavesWhatTheToolSavesOfTheSameLogger) {
    LoggerSimProcess sim({"--records", "300", "--alarms", "6"});
    ReadingWindow r(sim.port_name());
    // A file of another run: well, bit, mud, master.
    r.window.OpenDataFile(VORNELL_TEST_DATA_DIR "/recorded.realtim");
    ModalDriver driver({press_read});
    r.window.actConnect->trigger();
    ASSERT_TRUE(driver.done());
    ASSERT_EQ(r.window.document().Data().item_count(), 300);
    ASSERT_TRUE(r.window.document().Save(r.dir.file("window.realtim")));
    const std::string tool = "'" VORNELL_CLI "' read " + sim.port_name() + " '" +
                             r.dir.file("tool.realtim") + "' --quiet --log '" +
                             r.dir.file("tool.log") + "'";
    ASSERT_EQ(std::system(tool.c_str()), 0);
    for (const char* ext : {".realtim", ".dat"})
        EXPECT_TRUE(read_text(r.dir.file(std::string("window") + ext)) ==
                    read_text(r.dir.file(std::string("tool") + ext)))
            << ext;
}
#endif
