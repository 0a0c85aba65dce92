// vornell-screenshots OUTDIR LOGGER_SIM: creates the real windows, drives them as an operator
// would and saves each as OUTDIR/<name>.png for review. Each shot is one function in `shots`.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/Activityview.h"
#include "app/Application.h"
#include "app/Journalview.h"
#include "app/Main.h"
#include "app/System.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "print/Logpreviewdialog.h"
#include "print/Printdialog.h"
#include "print/Printgrhelper.h"
#include "widgets/Stripchart.h"

namespace {

constexpr const char* sim_address = "127.0.0.1:22013";
constexpr const char* dropping_sim_address = "127.0.0.1:22014";

struct Context {
    QDir out;
    std::string settings_path;
    std::string comm_log;
    QString sim_program;
    bool ok = true;
};

void wait_ms(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void save(Context& ctx, QWidget* widget, const QString& name) {
    QCoreApplication::processEvents();
    const QString path = ctx.out.filePath(name + ".png");
    if (!widget || !widget->grab().save(path)) {
        std::fprintf(stderr, "screenshots: could not save %s\n", qPrintable(path));
        ctx.ok = false;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void save_image(Context& ctx, const QImage& image, const QString& name) {
    const QString path = ctx.out.filePath(name + ".png");
    if (image.save(path)) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "screenshots: could not save %s\n", qPrintable(path));
        ctx.ok = false;
    }
}

// The printable area of an A4 page with margins of 10 mm at 150 dots per inch, white.
struct A4Sheet {
    static constexpr int dpi = 150;
    PrinterPage page{static_cast<int>(190 / 25.4 * dpi), static_cast<int>(277 / 25.4 * dpi), dpi};
    QImage image{page.width_px, page.height_px, QImage::Format_RGB32};

    A4Sheet() {
        image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(image.dotsPerMeterX());
        image.fill(Qt::white);
    }
};

// Runs `open` (which shows a modal dialog), saves the dialog after `delay_ms` and then lets
// `finish` close it (reject when empty).
void shoot_modal(Context& ctx, const QString& name, int delay_ms, const std::function<void()>& open,
                 const std::function<void(QWidget*)>& start = {},
                 const std::function<void(QWidget*)>& finish = {}) {
    QTimer::singleShot(300, [&ctx, name, delay_ms, start, finish] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (start && dialog)
            start(dialog);
        QTimer::singleShot(delay_ms, [&ctx, name, finish] {
            QWidget* dialog = QApplication::activeModalWidget();
            save(ctx, dialog, name);
            if (finish)
                finish(dialog);
            else if (auto* d = qobject_cast<QDialog*>(dialog))
                d->reject();
        });
    });
    open();
}

void main_empty(Context& ctx) {
    TMainForm window(ctx.settings_path);
    window.show();
    wait_ms(300);
    save(ctx, &window, "main-empty");
}

// The simulated day of a rig starts at 06:00:03 with a record every 4 s, so midnight comes
// 64797 s in (its power loss comes later).
void graph_after_read(Context& ctx, TMainForm& window) {
    TGrForm& graph = window.graph_form();
    window.pages()->setCurrentIndex(0);
    graph.cbxScale->setCurrentIndex(3); // "10 мин. на 1 см."
    wait_ms(300);
    save(ctx, &window, "graph-10min");

    graph.cbxScale->setCurrentIndex(0); // "1 мин. на 1 см."
    wait_ms(200);
    const double pixels_per_cm = graph.logicalDpiY() / 2.54;
    const int midnight = static_cast<int>(64797 * pixels_per_cm / 60 + 0.5);
    graph.ScrollBar->setValue(midnight - graph.PlotHeight() / 2);
    wait_ms(300);
    save(ctx, &window, "graph-1min-date-change");

    // Scrolled into the afternoon, far from any date mark: the corner tells the day, the axis
    // the unit.
    graph.cbxScale->setCurrentIndex(2); // "5 мин. на 1 см."
    wait_ms(200);
    graph.ScrollBar->setValue(static_cast<int>(8 * 3600 * pixels_per_cm / 300));
    wait_ms(300);
    save(ctx, &window, "graph-day-date-unit");
}

// The first journal event of code, or -1.
int first_event(const LogStorage& journal, EventKind code) {
    for (int i = 0; i < journal.Count(); ++i)
        if (journal.Records()[i].code == code)
            return i;
    return -1;
}

// The journal on the chart: the whole day at 2 hours per centimetre in a tall window (the
// set-point events of the tight spots, the mains lost with its pause, three events on one row),
// then a set-point event found from the journal at 10 minutes per centimetre, highlighted.
void graph_events(Context& ctx, TMainForm& window) {
    TGrForm& graph = window.graph_form();
    const QSize size = window.size();
    window.resize(size.width(), size.width() * 3 / 2);
    window.pages()->setCurrentIndex(0);
    graph.cbxScale->setCurrentIndex(8); // "2 час на 1 см."
    graph.ScrollBar->setValue(0);
    wait_ms(300);
    save(ctx, &window, "graph-events-day");

    graph.cbxScale->setCurrentIndex(3); // "10 мин. на 1 см."
    window.ShowEventOnGraph(first_event(window.document().Journal(), 13));
    wait_ms(TGrForm::highlight_ms + 300);
    save(ctx, &window, "graph-events-power");
    window.ShowEventOnGraph(first_event(window.document().Journal(), 0));
    wait_ms(300);
    save(ctx, &window, "graph-events-set-point");
    window.resize(size);
    wait_ms(200);
}

// The chart measuring at 10 minutes per centimetre: markers A and B by a click and a
// Shift+click, an interval dragged below them with its panel, the read-out line under the
// pointer.
void graph_measure(Context& ctx, TMainForm& window) {
    TGrForm& graph = window.graph_form();
    window.pages()->setCurrentIndex(0);
    graph.cbxScale->setCurrentIndex(3); // "10 мин. на 1 см."
    graph.ScrollBar->setValue(0);
    wait_ms(300);
    QWidget* chart = graph.Chart;
    const int x = chart->width() / 2, h = chart->height();
    const auto mouse = [&](QEvent::Type type, int y, Qt::MouseButton button,
                           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(x, y);
        QMouseEvent e(type, at, chart->mapToGlobal(at), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button | Qt::NoButton,
                      modifiers);
        QCoreApplication::sendEvent(chart, &e);
    };
    const auto click = [&](int y, Qt::KeyboardModifiers modifiers) {
        mouse(QEvent::MouseButtonPress, y, Qt::LeftButton, modifiers);
        mouse(QEvent::MouseButtonRelease, y, Qt::LeftButton, modifiers);
    };
    click(h * 12 / 100, Qt::NoModifier);
    click(h * 30 / 100, Qt::ShiftModifier);
    mouse(QEvent::MouseButtonPress, h * 45 / 100, Qt::LeftButton);
    for (int y = h * 45 / 100; y <= h * 70 / 100; y += 10)
        mouse(QEvent::MouseMove, y, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, h * 70 / 100, Qt::LeftButton);
    mouse(QEvent::MouseMove, h * 85 / 100, Qt::NoButton);
    wait_ms(300);
    save(ctx, &window, "graph-measure");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(chart, &escape);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(chart, &leave);
    wait_ms(100);
}

// The "Операции" tab of the drilling day with a few rows selected, then a connection of the trip
// shown from it on the graph at 10 minutes per centimetre, among the trip's shaded periods, and
// a stand of drilling with its connection at 3 minutes per centimetre.
void activity_after_read(Context& ctx, TMainForm& window) {
    TActivityForm& form = window.activity_form();
    window.pages()->setCurrentIndex(2);
    wait_ms(TGrForm::highlight_ms); // the last event found from the journal is no longer lit
    const analysis::Activity* activity = form.Result().get();
    if (!activity || activity->count() < 10) {
        std::fprintf(stderr, "screenshots: the drilling day has no activity\n");
        ctx.ok = false;
        return;
    }
    QItemSelectionModel* selection = form.Grid->selectionModel();
    for (int row = 2; row <= 4; ++row)
        selection->select(form.Grid->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form.Grid->setFocus();
    wait_ms(300);
    save(ctx, &window, "operations-tab");

    // The trip: the shortest stand times, in the middle of the day's periods.
    int trip = activity->count() / 2;
    for (int k = 1; k < activity->count(); ++k)
        if (activity->periods[k].on_hook_before < 400 &&
            activity->periods[k - 1].on_hook_before < 400) {
            trip = k + 4;
            break;
        }
    window.graph_form().cbxScale->setCurrentIndex(3); // "10 мин. на 1 см."
    window.ShowPeriodOnGraph(std::min(trip, activity->count() - 1));
    wait_ms(300);
    save(ctx, &window, "graph-slips-trip");
    window.graph_form().cbxScale->setCurrentIndex(1); // "3 мин. на 1 см."
    wait_ms(TGrForm::highlight_ms + 300);
    window.ShowPeriodOnGraph(2);
    wait_ms(TGrForm::highlight_ms + 300);
    save(ctx, &window, "graph-slips-drilling");
}

// The printed page that holds the first set-point event, on A4 at 150 dots per inch, with the
// in-slips periods of the trip.
void print_events(Context& ctx, TMainForm& window) {
    GrPrintDataIn in;
    in.minutes_per_cm = 10;
    in.options = window.graph_form().Options();
    in.color = window.graph_form().CurveColor();
    in.activity = window.graph_form().Slips().Activity(); // the trip's periods on paper too
    TPrintGrForm form(in, window.document(), 96);
    A4Sheet sheet;
    const int pages = form.Prepare(sheet.page, sheet.image) ? form.Plan().pages : 0;
    for (int k = 0; k < pages; ++k) {
        sheet.image.fill(Qt::white);
        {
            QPainter p(&sheet.image);
            form.DrawPage(p, k);
        }
        const auto& shown = form.Events().Shown();
        if (std::any_of(shown.begin(), shown.end(),
                        [](const analysis::EventRow& e) { return e.code == 0; })) {
            save_image(ctx, sheet.image, "print-page-events");
            return;
        }
    }
    std::fprintf(stderr, "screenshots: no printed page holds a set-point event\n");
    ctx.ok = false;
}

// Clicks once the current handler has returned, so a dialog it opens runs its own loop freely.
void click_later(QAbstractButton* button) {
    QTimer::singleShot(0, button, &QAbstractButton::click);
}

// "Распечатать..." with journal rows selected, its journal preview, and a printed day of the
// read as OUTDIR/day.pdf.
void print_after_read(Context& ctx, TMainForm& window) {
    window.pages()->setCurrentIndex(1);
    JournalGrid& grid = window.journal_grid();
    grid.selectionModel()->select(
        QItemSelection(grid.model()->index(2, 0), grid.model()->index(6, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    shoot_modal(ctx, "print-dialog", 300, [&] { window.actPrint->trigger(); });
    shoot_modal(
        ctx, "print-preview", 600, [&] { window.actPrint->trigger(); },
        [](QWidget* dialog) {
            if (auto* form = dynamic_cast<TPrintForm*>(dialog))
                click_later(form->btnLogPreview);
        },
        [](QWidget* preview) {
            qobject_cast<QDialog*>(preview)->reject();
            QTimer::singleShot(100, [] {
                if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    d->reject();
            });
        });

    window.graph_form().cbxScale->setCurrentIndex(3); // "10 мин. на 1 см."
    const QString pdf = ctx.out.filePath("day.pdf");
    QFile::remove(pdf);
    window.printer().setOutputFormat(QPrinter::PdfFormat);
    window.printer().setOutputFileName(pdf);
    QTimer::singleShot(300, [] {
        auto* form = dynamic_cast<TPrintForm*>(QApplication::activeModalWidget());
        if (!form)
            return;
        form->chbxLog->click();
        form->rbtnGraphDaily->setChecked(true); // the first record's day
        click_later(form->btnOk);
    });
    window.actPrint->trigger();
    if (QFile::exists(pdf)) {
        std::printf("%s\n", qPrintable(pdf));
    } else {
        std::fprintf(stderr, "screenshots: no printed day in %s\n", qPrintable(pdf));
        ctx.ok = false;
    }
}

// Runs each step on the modal dialog that is open once the one before has gone, from the
// event loop of the command that opens them.
void drive_modals(std::vector<std::function<void(QWidget*)>> steps) {
    auto* timer = new QTimer;
    auto last = std::make_shared<QWidget*>(nullptr);
    auto left = std::make_shared<std::vector<std::function<void(QWidget*)>>>(std::move(steps));
    QObject::connect(timer, &QTimer::timeout, [timer, last, left] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (left->empty()) {
            timer->deleteLater();
            return;
        }
        if (!dialog || dialog == *last)
            return;
        *last = dialog;
        const auto step = left->front();
        left->erase(left->begin());
        step(dialog);
    });
    timer->start(200);
}

// The journal alone printed into a PDF file through the preview, its first page as a picture
// at 150 dots per inch (poppler's pdftoppm).
void print_journal(Context& ctx, TMainForm& window) {
    const QString pdf = ctx.out.filePath("journal.pdf");
    QFile::remove(pdf);
    window.printer().setOutputFormat(QPrinter::PdfFormat);
    window.printer().setOutputFileName(pdf);
    drive_modals({[](QWidget* w) {
                      auto* form = dynamic_cast<TPrintForm*>(w);
                      if (!form)
                          return;
                      form->chbxGraph->click();
                      form->rbtnLogAll->setChecked(true);
                      click_later(form->btnOk);
                  },
                  [](QWidget* w) {
                      if (auto* preview = dynamic_cast<TLogPreviewForm*>(w))
                          click_later(preview->btnPrint);
                  },
                  [](QWidget* w) {
                      if (auto* dialog = qobject_cast<QDialog*>(w))
                          dialog->accept();
                  }});
    window.actPrint->trigger();
    const QString base = ctx.out.filePath("print-journal-page");
    if (QProcess::execute("pdftoppm", {"-png", "-r", "150", "-singlefile", "-f", "1", "-l", "1",
                                       pdf, base}) == 0) {
        std::printf("%s.png\n", qPrintable(base));
    } else {
        std::fprintf(stderr, "screenshots: no printed journal page from %s\n", qPrintable(pdf));
        ctx.ok = false;
    }
}

// "Считать данные..." before "Считать!": the dialog names the port it will read.
void read_dialog_ready(Context& ctx) {
    TMainForm window(ctx.settings_path);
    window.show();
    wait_ms(200);
    shoot_modal(ctx, "read-dialog-ready", 300, [&] { window.actConnect->trigger(); });
}

// A cable pulled during a read (a simulator that drops the line after 50000 bytes): the box
// says why and that the window keeps what came; the window then shows them unsaved.
void read_dropped(Context& ctx) {
    QProcess dropping;
    dropping.start(ctx.sim_program, {"--listen", dropping_sim_address, "--drop-after", "50000"});
    if (!dropping.waitForStarted() || !dropping.waitForReadyRead(5000)) {
        std::fprintf(stderr, "screenshots: the dropping simulator did not start\n");
        ctx.ok = false;
        return;
    }
    TMainForm window(ctx.settings_path);
    window.system().link().name = dropping_sim_address;
    window.hardware().SetLogPath(ctx.comm_log);
    device::HardwareTimings short_wait;
    short_wait.byte_timeout_ms = 2000;
    window.hardware().SetTimings(short_wait);
    window.show();
    wait_ms(200);
    shoot_modal(
        ctx, "read-error-dropped", 6000, [&] { window.actConnect->trigger(); },
        [](QWidget* dialog) {
            if (auto* button = dialog->findChild<QAbstractButton*>("btnReadData"))
                button->click();
        },
        [](QWidget* box) {
            qobject_cast<QDialog*>(box)->accept();
            QTimer::singleShot(100, [] {
                if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    d->reject();
            });
        });
    wait_ms(300);
    save(ctx, &window, "main-after-dropped-read");
    // The other shots read the healthy simulator from the same settings.
    window.system().link().name = sim_address;
    dropping.terminate();
    dropping.waitForFinished();
}

// The unsaved read asks before "Открыть..." goes on, and "Сохранить как..." proposes its name;
// both in Qt's Russian texts. The exports' dialogs carry their own titles and names.
void save_after_read(Context& ctx, TMainForm& window) {
    shoot_modal(
        ctx, "save-question", 300, [&] { window.actOpen->trigger(); }, {},
        [](QWidget* box) {
            if (auto* question = qobject_cast<QMessageBox*>(box))
                question->button(QMessageBox::Cancel)->click();
        });
    shoot_modal(ctx, "file-dialog-save-as", 500, [&] { window.actSaveAs->trigger(); });
    shoot_modal(ctx, "file-dialog-export-las", 500, [&] { window.actExportLas->trigger(); });
    shoot_modal(ctx, "file-dialog-export-journal-csv", 500,
                [&] { window.actExportJournalCsv->trigger(); });
}

// The read runs through "Считать данные..."; the dialog is saved while it reads and closes
// by itself when the read is done.
void main_after_read(Context& ctx) {
    TMainForm window(ctx.settings_path);
    device::HardWare& hardware = window.hardware();
    hardware.SetLogPath(ctx.comm_log);
    window.show();
    wait_ms(300);
    // Long pauses before the dumps: the shot falls in the one before the journal, when every
    // record has been counted.
    device::HardwareTimings slow;
    slow.dump_pause_ms = 3000;
    hardware.SetTimings(slow);
    shoot_modal(
        ctx, "read-dialog-reading", 5500, [&] { window.actConnect->trigger(); },
        [](QWidget* dialog) {
            if (auto* button = dialog->findChild<QAbstractButton*>("btnReadData"))
                button->click();
        },
        [](QWidget*) {});
    hardware.SetTimings({});
    graph_after_read(ctx, window);
    graph_events(ctx, window);
    graph_measure(ctx, window);
    activity_after_read(ctx, window);
    print_events(ctx, window);
    window.pages()->setCurrentIndex(1);
    wait_ms(300);
    save(ctx, &window, "main-journal-after-read");
    print_after_read(ctx, window);
    print_journal(ctx, window);
    save_after_read(ctx, window);
}

// 05.03.2026 0:00 to 1:13, a pause of 2 h 15 min, an hour, a pause of 31 days, half an hour;
// a record every 4 s.
std::string recording_with_pauses(const QDir& dir) {
    FileStorage model;
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    FileStorageItem item;
    item.values = {0};
    std::uint32_t t = lib::parts_to_time(2026, 3, 5, 0, 0, 0);
    const std::pair<std::uint32_t, std::uint32_t> runs[] = {
        {73 * 60, 0}, {3600, 8100}, {1800, 31 * 86400}};
    int n = 0;
    for (const auto& [length, pause_before] : runs) {
        t += pause_before;
        for (std::uint32_t s = 0; s < length; s += 4, ++n) {
            item.time = t + s;
            item.values[0] = static_cast<float>(90 + 40 * std::sin(n / 60.0) + n % 7);
            model.add_item(item);
        }
        t += length;
    }
    const std::string path = dir.filePath("pauses.realtim").toStdString();
    save_data_file(model, path, false);
    return path;
}

// The graph tab over a recording with pauses, and page 2 of its printout drawn as it goes to
// the printer, on A4 at 150 dots per inch.
void graph_pauses(Context& ctx) {
    QTemporaryDir scratch;
    const std::string path = recording_with_pauses(QDir(scratch.path()));
    TMainForm window(ctx.settings_path);
    window.resize(window.width(), window.width() * 3 / 2); // the whole recording at 10 min/cm
    window.show();
    window.OpenDataFile(path);
    window.pages()->setCurrentIndex(0); // the window comes back on the tab an earlier shot left
    window.graph_form().cbxScale->setCurrentIndex(3); // "10 мин. на 1 см."
    wait_ms(300);
    save(ctx, &window, "graph-pauses");

    GrPrintDataIn in;
    in.minutes_per_cm = 3;
    in.options = window.graph_form().Options();
    in.color = 0x0000FF; // red, as the print of a screen with a red curve
    TPrintGrForm form(in, window.document(), 96);
    A4Sheet sheet;
    if (!form.Prepare(sheet.page, sheet.image) || form.Plan().pages < 2) {
        std::fprintf(stderr, "screenshots: the printout of pauses has fewer than 2 pages\n");
        ctx.ok = false;
        return;
    }
    {
        QPainter p(&sheet.image);
        form.DrawPage(p, 1);
    }
    save_image(ctx, sheet.image, "print-page-2");
}

void port_dialog(Context& ctx) {
    TMainForm window(ctx.settings_path);
    window.show();
    wait_ms(200);
    shoot_modal(ctx, "port-dialog", 300, [&] { window.actBondOpt->trigger(); });
    auto type = [](const QString& name) {
        return [name](QWidget* dialog) {
            if (auto* combo = dialog->findChild<QComboBox*>("cbxPortName"))
                combo->setEditText(name);
        };
    };
    shoot_modal(
        ctx, "port-dialog-typed", 300, [&] { window.actBondOpt->trigger(); },
        type("192.168.1.20:22002"));
    // A port number out of range is refused; the box stands over the dialog, which stays.
    shoot_modal(
        ctx, "port-dialog-refused", 500, [&] { window.actBondOpt->trigger(); },
        [type](QWidget* dialog) {
            type("192.168.1.20:70000")(dialog);
            if (auto* save = dialog->findChild<QAbstractButton*>("MyButton1"))
                click_later(save);
        },
        [](QWidget* box) {
            qobject_cast<QDialog*>(box)->reject();
            QTimer::singleShot(100, [] {
                if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    d->reject();
            });
        });
}

void about_box(Context& ctx) {
    TMainForm window(ctx.settings_path);
    window.show();
    wait_ms(200);
    shoot_modal(ctx, "about-box", 300, [&] { window.actAbout->trigger(); });
}

// An empty data file opened: the box names the file and says what is wrong with it.
void open_error_box(Context& ctx) {
    TMainForm window(ctx.settings_path);
    window.show();
    wait_ms(200);
    const QString empty = QFileInfo(QString::fromStdString(ctx.settings_path))
                              .dir()
                              .filePath(QStringLiteral("пустой.realtim"));
    QFile(empty).open(QIODevice::WriteOnly);
    shoot_modal(ctx, "open-error-box", 300, [&] { window.OpenDataFile(empty.toStdString()); });
}

// One shot a line, so that shots are added and merged line by line.
// clang-format off
const std::vector<std::pair<const char*, void (*)(Context&)>> shots = {
    {"main-empty", main_empty},
    {"read-dialog-ready", read_dialog_ready},
    {"read-error-dropped", read_dropped},
    {"main-journal-after-read", main_after_read},
    {"graph-pauses", graph_pauses},
    {"port-dialog", port_dialog},
    {"about-box", about_box},
    {"open-error-box", open_error_box},
};
// clang-format on

} // namespace

int main(int argc, char** argv) {
    VornellApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vornell-screenshots OUTDIR LOGGER_SIM\n");
        return 2;
    }
    QTemporaryDir scratch;
    // Absolute: Qt's print dialog takes a relative output file for one in the home folder.
    Context ctx{QDir(QDir(QString::fromLocal8Bit(argv[1])).absolutePath()),
                scratch.filePath("Vornell.ini").toStdString(),
                scratch.filePath("comm.log").toStdString(), QString::fromLocal8Bit(argv[2])};
    QDir().mkpath(ctx.out.path());

    QProcess sim;
    sim.start(ctx.sim_program, {"--listen", sim_address, "--profile", "drilling"});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "screenshots: the logger simulator did not start\n");
        return 1;
    }
    // Every window reads the simulator's address from the settings and keeps it there.
    QFile settings(QString::fromStdString(ctx.settings_path));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write(QByteArray("[HardWare]\r\nname=\"") + sim_address + "\"\r\n") < 0) {
        std::fprintf(stderr, "screenshots: could not write %s\n", ctx.settings_path.c_str());
        return 1;
    }
    settings.close();

    for (const auto& [name, shot] : shots)
        shot(ctx);
    sim.terminate();
    sim.waitForFinished();
    return ctx.ok ? 0 : 1;
}
