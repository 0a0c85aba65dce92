#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Modal_driver.h"
#include "app/Activityview.h"
#include "app/Application.h"
#include "app/Journalview.h"
#include "app/Main.h"
#include "app/System.h"
#include "datafile/Assembling.h"
#include "formats/Native_file.h"
#include "formats/Records_csv.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"
#include "widgets/Stripchart.h"

namespace fs = std::filesystem;
using Driver = ModalDriver;

namespace {

const char* const save_question = "  ВНИМАНИЕ!|Сохранить считанные данные?";

// What a device read leaves: three records and two events, one with an end.
void fill_as_read(Storage& doc) {
    Recording read;
    read.add_series({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
    for (std::uint32_t i = 0; i < 3; ++i)
        read.add_record(1'200'000'000u + i * 10, 10.0f * static_cast<float>(i));
    read.add_event(39146.5, 0.0, 0, 12.5f);
    read.add_event(39147.25, 39147.5, 13, 0.0f);
    doc.Adopt(read, {}, true);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<TMainForm>(ini);
        window->show();
    }
    void read(TMainForm& w) {
        fill_as_read(w.document());
        w.UpdateCommandStates();
    }
    // A saved document file beside the settings.
    std::string saved_file(const std::string& name) {
        Storage doc(reporter);
        fill_as_read(doc);
        const std::string path = dir.file(name);
        EXPECT_TRUE(doc.Save(path));
        return path;
    }
    void restart() {
        window.reset();
        window = std::make_unique<TMainForm>(ini);
        window->show();
    }
    QAction* recent_entry(const std::string& path) {
        for (QAction* a : window->findChildren<QAction*>())
            if (a->data().toString().toStdString() == path)
                return a;
        return nullptr;
    }
    std::string cell(int row, int column) {
        return window->journal_grid().model()->index(row, column).data().toString().toStdString();
    }

    struct : Reporter {
        void error(const std::string&, const std::string& text) override { ADD_FAILURE() << text; }
    } reporter;
    ScratchDir dir;
    std::string ini = dir.file("Vornell.ini");
    std::unique_ptr<TMainForm> window;
};

TEST(MainWindowDialogs, FiltersNameEveryDataFamilyFromTheFormatTable) {
    EXPECT_EQ(data_file_filters(),
              (QStringList{"Файлы реального времени (*.realtim)",
                           "Файлы данных (*.realtim *.realdep *.reallag *.rtm)",
                           "Файлы старого формата (*.tim *.dep *.ldp)",
                           "Все файлы данных (*.realtim *.realdep *.reallag *.rtm *.tim *.dep "
                           "*.ldp)"}));
}

TEST_F(MainWindow, CommandsAndGridFollowTheDocument) {
    TMainForm& w = *window;
    EXPECT_EQ(w.windowTitle(), " Работа с датчиком - регистратором");
    EXPECT_EQ(w.actSave->text(), "&Сохранть...");
    EXPECT_EQ(w.actSave->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(w.actPrint->shortcut(), QKeySequence(Qt::ALT | Qt::Key_P));
    EXPECT_EQ(w.actExit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    EXPECT_EQ(w.actBondOpt->toolTip(), "Настройка связи датчика с компьютером");
    EXPECT_EQ(w.findChild<QAction*>("actPrintSetup"), w.actPrintSetup);
    for (QAction* a :
         {w.actOpen, w.actConnect, w.actPrintSetup, w.actBondOpt, w.actExit, w.actAbout})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {w.actSave, w.actSaveAs, w.actPrint, w.actUnitOpts, w.actExportLas,
                       w.actExportCsv, w.actExportJournalCsv})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();

    JournalGrid& grid = w.journal_grid();
    EXPECT_FALSE(grid.isEnabled());
    ASSERT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), "");
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), "Дата/Время");
    EXPECT_EQ(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(w.status_text().toStdString(),
              w.findChild<QLabel*>("StatusLine")->text().toStdString());

    // Events without measurements still show as one empty row.
    w.document().Journal().Add(39146.5, 0.0, 1, 0.0f);
    w.UpdateCommandStates();
    EXPECT_EQ(grid.model()->rowCount(), 1);

    read(w);
    EXPECT_TRUE(w.actSave->isEnabled());
    EXPECT_TRUE(w.actSaveAs->isEnabled());
    EXPECT_TRUE(w.actPrint->isEnabled());
    EXPECT_FALSE(w.actUnitOpts->isEnabled());
    EXPECT_TRUE(grid.isEnabled());
    ASSERT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(0, 1), "05.03.2007 12:00:00");
    EXPECT_EQ(cell(0, 2), "Превышение установок (12,5)");
    EXPECT_EQ(cell(1, 1), "06.03.2007 6:00:00 - 06.03.2007 12:00:00");
    EXPECT_NE(w.status_text().indexOf("записей: 3"), -1);

    // A hand-widened column gets its width back when the journal tab is shown again.
    w.pages()->setCurrentIndex(1);
    const int fitted = grid.columnWidth(2);
    grid.setColumnWidth(2, fitted + 200);
    w.pages()->setCurrentIndex(0);
    w.pages()->setCurrentIndex(1);
    EXPECT_EQ(grid.columnWidth(2), fitted);
    const int blank = grid.fontMetrics().horizontalAdvance(' ');
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 2; ++row)
            EXPECT_GT(grid.columnWidth(column), grid.fontMetrics().horizontalAdvance(
                                                    QString::fromStdString(cell(row, column))) +
                                                    2 * blank)
                << "cut: " << cell(row, column);
    grid.selectRow(1);
    EXPECT_EQ(grid.selected_range(), std::make_pair(2, 2));
}

TEST_F(MainWindow, OpenShowsTheNotesOfADamagedFileOnce) {
    const std::string good = saved_file("good.realtim");
    const std::string damaged = saved_file("damaged.realtim");
    std::ofstream(damaged, std::ios::binary | std::ios::app) << std::string("\x07\xff\x7f\x01", 4);

    {
        Driver driver({Driver::choose_file(QString::fromStdString(good))});
        window->actOpen->trigger();
        EXPECT_EQ(driver.seen(), std::vector<std::string>{"file dialog"});
    }
    EXPECT_EQ(window->document().FileName(), good);
    EXPECT_EQ(window->journal_grid().model()->rowCount(), 2);
    EXPECT_FALSE(window->actSave->isEnabled());

    for (int open = 0; open < 2; ++open) {
        Driver driver({Driver::answer(QMessageBox::Ok)});
        window->OpenDataFile(damaged);
        ASSERT_EQ(driver.seen().size(), 1u);
        const std::string& box = driver.seen()[0];
        EXPECT_EQ(box.find(" Сообщения при открытии файла|"), 0u) << box;
        EXPECT_NE(box.find(native::damage_message), std::string::npos);
        EXPECT_EQ(box.find(native::damage_message),
                  box.rfind(native::damage_message)); // once, not again
    }
}

TEST_F(MainWindow, TheSaveQuestionStopsACommandUnlessTheReadIsSavedOrGivenUp) {
    const std::string archive = saved_file("archive.realtim");
    const std::string archive_bytes = file_text(archive);
    window->OpenDataFile(archive);
    read(*window);
    // The read forgot the opened file: F2 asks for a name instead of overwriting the archive.
    {
        Driver driver({Driver::cancel()});
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F2);
        EXPECT_EQ(driver.seen(), std::vector<std::string>{"file dialog"});
    }
    EXPECT_EQ(file_text(archive), archive_bytes);
    const std::string question = "  ВНИМАНИЕ!|Сохранить считанные данные?";

    // Cancel: no open dialog.
    {
        Driver driver({Driver::answer(QMessageBox::Cancel)});
        window->actOpen->trigger();
        EXPECT_EQ(driver.seen(), std::vector<std::string>{question});
    }
    // Yes, then the save dialog cancelled: the command stops.
    {
        Driver driver({Driver::answer(QMessageBox::Yes), Driver::cancel()});
        window->actOpen->trigger();
        EXPECT_EQ(driver.seen(), (std::vector<std::string>{question, "file dialog"}));
    }
    // Yes, then a save under a name of no known family: refused, nothing written, stopped.
    const std::string wrong = dir.file("copy.txt");
    {
        Driver driver({Driver::answer(QMessageBox::Yes),
                       Driver::choose_file(QString::fromStdString(wrong)),
                       Driver::answer(QMessageBox::Ok)});
        window->OpenDataFile(archive);
        ASSERT_EQ(driver.seen().size(), 3u);
        EXPECT_NE(driver.seen()[2].find("Неправильное расширение записываемого файла"),
                  std::string::npos);
    }
    EXPECT_FALSE(fs::exists(wrong));
    EXPECT_FALSE(fs::exists(dir.file("copy.dat")));
    EXPECT_TRUE(window->document().IsModified());
    EXPECT_EQ(window->document().FileName(), "");
    // No: the command goes on without saving.
    {
        Driver driver({Driver::answer(QMessageBox::No), Driver::cancel()});
        window->actOpen->trigger();
        EXPECT_EQ(driver.seen(), (std::vector<std::string>{question, "file dialog"}));
    }
    // Yes and a good save: the open goes on.
    const std::string kept = dir.file("kept.realtim");
    {
        Driver driver(
            {Driver::answer(QMessageBox::Yes), Driver::choose_file(QString::fromStdString(kept))});
        window->OpenDataFile(archive);
        EXPECT_EQ(driver.seen().size(), 2u);
    }
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_EQ(window->document().FileName(), archive);
    EXPECT_FALSE(window->document().IsModified());
}

TEST_F(MainWindow, ClosingAsksOnlyForUnsavedReadDataAndStaysOpenUnlessGivenUp) {
    EXPECT_TRUE(window->close());
    window->show();
    read(*window);
    {
        Driver driver({Driver::answer(QMessageBox::Cancel)});
        EXPECT_FALSE(window->close());
    }
    {
        Driver driver({Driver::answer(QMessageBox::Yes), Driver::cancel()});
        EXPECT_FALSE(window->close());
        EXPECT_TRUE(driver.done());
    }
    EXPECT_TRUE(window->isVisible());
    {
        Driver driver({Driver::answer(QMessageBox::No)});
        EXPECT_TRUE(window->close());
    }

    // A signal closes as the close box does; a second one while it asks gives the read data up.
    window->show();
    {
        Driver driver({Driver::answer(QMessageBox::Cancel)});
        window->CloseOnSignal();
        EXPECT_EQ(driver.seen(), std::vector<std::string>{save_question});
    }
    EXPECT_TRUE(window->isVisible());
    Driver driver({[&](QWidget*) { window->CloseOnSignal(); }});
    window->CloseOnSignal();
    EXPECT_EQ(driver.seen(), std::vector<std::string>{save_question});
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindow, SettingsAreWrittenAtEveryShutDownAndReadAtCreation) {
    window.reset();
    const std::string text = file_text(ini);
    EXPECT_EQ(text.find("[HardWare]\r\nname=\"COM1\"\r\n"), 0u) << text;
    EXPECT_EQ(text.find("RecentFiles"), std::string::npos);

    std::ofstream(ini, std::ios::binary) << "[HardWare]\r\nname=\"127.0.0.1:22002\"\r\n";
    window = std::make_unique<TMainForm>(ini);
    EXPECT_EQ(window->system().link().name, "127.0.0.1:22002");
    window->system().link().name = "COM7";
    window.reset();
    EXPECT_NE(file_text(ini).find("name=\"COM7\""), std::string::npos);
}

TEST_F(MainWindow, RecentFilesKeepTheLastEightOpensNewestFirst) {
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i)
        paths.push_back(saved_file("f" + std::to_string(i) + ".realtim"));
    for (const std::string& path : paths)
        window->OpenDataFile(path);
    window->OpenDataFile(paths[3]);
    const std::vector<std::string> expected = {paths[3], paths[8], paths[7], paths[6],
                                               paths[5], paths[4], paths[2], paths[1]};
    EXPECT_EQ(window->recent_files().files(), expected);

    window.reset();
    window = std::make_unique<TMainForm>(ini);
    EXPECT_EQ(window->recent_files().files(), expected);
    QAction* first = recent_entry(paths[8]);
    ASSERT_NE(first, nullptr);
    first->trigger();
    EXPECT_EQ(window->document().FileName(), paths[8]);
    EXPECT_EQ(window->recent_files().files().front(), paths[8]);

    // A file that has gone drops out of the list after its failed open.
    fs::remove(paths[2]);
    {
        Driver driver({Driver::answer(QMessageBox::Ok)});
        window->OpenDataFile(paths[2]);
        EXPECT_EQ(driver.seen().size(), 1u);
    }
    EXPECT_EQ(window->recent_files().files().size(), 7u);

    const std::string odd = saved_file("semi;colon&amp.realtim");
    window->OpenDataFile(fs::relative(odd).string());
    ASSERT_NE(recent_entry(odd), nullptr) << "kept as an absolute path";
    EXPECT_TRUE(recent_entry(odd)->text().endsWith("/semi;colon&&amp.realtim"));
}

TEST_F(MainWindow, DropOpensADataFileAndTheExportsWriteWhatConvertWrites) {
    const std::string path = saved_file("dropped.realtim");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(window->document().FileName(), path);

    // Each dialog is titled for its export and proposes the document's name in its folder.
    const std::string folder = dir.file("exports");
    fs::create_directory(folder);
    struct Case {
        QAction* action;
        const char* title;
        const char* proposed;
        const char* target;
    };
    const Case cases[] = {
        {window->actExportLas, "Экспорт в LAS", "dropped.las", "out.LAS"},
        {window->actExportCsv, "Экспорт в CSV", "dropped.csv", "out.csv"},
        {window->actExportJournalCsv, "Экспорт журнала в CSV", "dropped_журнал.csv", "j.csv"},
    };
    for (const Case& c : cases) {
        QString title, proposed;
        Driver driver({[&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            title = dialog->windowTitle();
            proposed = dialog->selectedFiles().value(0);
            dialog->selectFile(QString::fromStdString(folder + "/" + c.target));
            static_cast<QDialog*>(dialog)->accept();
        }});
        c.action->trigger();
        EXPECT_EQ(title.toStdString(), c.title);
        EXPECT_EQ(proposed.toStdString(), dir.file(c.proposed));
        EXPECT_TRUE(driver.done() && driver.seen().size() == 1) << c.title;
    }
    // vornell-cli convert of the same file writes the same bytes, in the same conventions.
    for (const char* name : {"out.LAS", "out.csv"}) {
        const std::string converted = dir.file(std::string("convert-") + name);
        const std::string command = "LC_ALL=ru_RU.UTF-8 '" VORNELL_CLI "' convert '" + path +
                                    "' '" + converted + "' >/dev/null 2>&1 </dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << name;
        EXPECT_EQ(file_text(folder + "/" + name), file_text(converted)) << name;
    }
    const std::string journal = file_text(folder + "/j.csv");
    EXPECT_TRUE(journal.starts_with("\xEF\xBB\xBF№;Дата/Время;Ситуация\r\n"));
    const auto lines = std::count(journal.begin(), journal.end(), '\n');
    EXPECT_EQ(lines, window->document().JournalCount() + 1);

    // The document's own file is not written over.
    const std::string before = file_text(path);
    Driver driver({Driver::choose_file(QString::fromStdString(path)),
                   Driver::answer(QMessageBox::Yes), Driver::answer(QMessageBox::Ok)});
    window->actExportCsv->trigger();
    EXPECT_TRUE(driver.done());
    ASSERT_EQ(driver.seen().size(), 3u);
    EXPECT_NE(driver.seen()[2].find("файл открытого документа"), std::string::npos);
    EXPECT_EQ(file_text(path), before);
}

TEST_F(MainWindow, SizePlaceMaximisedStateAndTabComeBackAtTheNextStart) {
    const QRect kept(110, 120, 700, 450);
    window->setGeometry(kept);
    window->pages()->setCurrentIndex(1);
    restart();
    EXPECT_EQ(window->geometry(), kept);
    EXPECT_EQ(window->pages()->currentIndex(), 1);
    window->showMaximized();
    restart();
    EXPECT_TRUE(window->isMaximized());
    EXPECT_EQ(window->normalGeometry(), kept);

    // A place on a monitor that has gone.
    window.reset();
    std::ofstream(ini, std::ios::binary)
        << "[MainForm]\r\nleft=-5000\r\nwidth=700\r\nheight=450\r\n";
    window = std::make_unique<TMainForm>(ini);
    EXPECT_EQ(window->geometry().center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
}

TEST(WindowPlacement, AWindowStaysWhereItWasWhileItsTitleCanBeReached) {
    const QRect left(0, 0, 1920, 1080), right(1920, 0, 1280, 1024);
    const std::pair<QRect, QRect> cases[] = {
        {{100, 100, 800, 600}, {100, 100, 800, 600}},
        {{2000, 50, 800, 600}, {2000, 50, 800, 600}},   // on the second screen
        {{-700, 10, 800, 600}, {-700, 10, 800, 600}},   // 100 pixels of its title still shown
        {{-750, 10, 800, 600}, {560, 240, 800, 600}},   // only 50
        {{100, 1075, 800, 600}, {560, 240, 800, 600}},  // title below the screens
        {{5000, 5000, 3000, 2000}, {0, 0, 1920, 1080}}, // no larger than the screen
        {{0, 0, 0, 0}, {}},                             // none kept
    };
    for (const auto& [kept, placed] : cases)
        EXPECT_EQ(placed_window_rect(kept, {left, right}, left), placed)
            << kept.x() << "," << kept.y();
}

TEST_F(MainWindow, KeysOfOtherProgramsRunTheCommandsAndCtrlCCopiesJournalRows) {
    read(*window);
    for (const auto& [key, expected] :
         {std::pair{QKeySequence(Qt::CTRL | Qt::Key_S), "file dialog"},
          {QKeySequence(Qt::CTRL | Qt::Key_O), save_question},
          {QKeySequence(Qt::Key_F5), save_question},
          {QKeySequence(Qt::CTRL | Qt::Key_P), "dialog"}}) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        Driver driver({Driver::cancel()});
        QTest::keySequence(window.get(), key);
        EXPECT_EQ(driver.seen(), std::vector<std::string>{expected})
            << key.toString().toStdString();
    }

    JournalGrid& grid = window->journal_grid();
    window->pages()->setCurrentIndex(1);
    EXPECT_GE(grid.rowHeight(0), grid.fontMetrics().lineSpacing() + 4);
    grid.selectAll();
    QTest::keySequence(&grid, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "№\tДата/Время\tСитуация\n1\t" + cell(0, 1) + "\t" + cell(0, 2) + "\n2\t" +
                  cell(1, 1) + "\t" + cell(1, 2) + "\n");
    grid.selectionModel()->select(grid.model()->index(1, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keySequence(&grid, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 2);
}

TEST_F(MainWindow, TabKeysSwitchTabsFromTheJournalAsFromTheGraph) {
    read(*window);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTabWidget& pages = *window->pages();
    JournalGrid& grid = window->journal_grid();
    QWidget* chart = window->graph_form().Chart;
    QWidget* periods = window->activity_form().Grid;
    const struct {
        QWidget* from;
        int key;
        Qt::KeyboardModifiers modifiers;
        int page_before, page_after;
    } cases[] = {
        {&grid, Qt::Key_Tab, Qt::ControlModifier, 1, 2},
        {chart, Qt::Key_Tab, Qt::ControlModifier, 0, 1},
        {periods, Qt::Key_Tab, Qt::ControlModifier, 2, 0}, // round the end
        {&grid, Qt::Key_PageUp, Qt::ControlModifier, 1, 0},
        {&grid, Qt::Key_PageDown, Qt::ControlModifier, 1, 2},
        {chart, Qt::Key_PageDown, Qt::ControlModifier, 0, 1},
        {chart, Qt::Key_PageUp, Qt::ControlModifier, 0, 2},
        {&grid, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 1, 0},
    };
    for (const auto& c : cases) {
        pages.setCurrentIndex(c.page_before);
        c.from->setFocus();
        QTest::keyClick(c.from, static_cast<Qt::Key>(c.key), c.modifiers);
        EXPECT_EQ(pages.currentIndex(), c.page_after) << c.key << " from tab " << c.page_before;
    }
    for (QAction* action : {window->actOpen, window->actSaveAs, window->actExit})
        EXPECT_TRUE(action->text().contains('&')) << action->objectName().toStdString();
}

TEST_F(MainWindow, SaveAsAddsTheFileToTheRecentFilesAndANewReadStartsAtTheFirstRecord) {
    read(*window);
    const std::string path = dir.file("saved as.realtim");
    {
        Driver driver({Driver::choose_file(QString::fromStdString(path))});
        ASSERT_TRUE(window->actSaveAs->isEnabled());
        window->actSaveAs->trigger();
    }
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(window->recent_files().files(), std::vector<std::string>{path});
    EXPECT_NE(recent_entry(path), nullptr);
    EXPECT_TRUE(window->status_text().contains("записей: 3;"));

    const auto read_day = [this] {
        Recording day;
        day.add_series({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        for (std::uint32_t i = 0; i < 86400; i += 2)
            day.add_record(1'200'000'000u + i, 5.0f);
        window->document().Adopt(day, {}, true);
    };
    read_day();
    QScrollBar& scroll = *window->graph_form().ScrollBar;
    ASSERT_TRUE(scroll.isEnabled());
    scroll.setValue(scroll.maximum());
    EXPECT_TRUE(window->status_text().contains("записей: 43 200;"));
    read_day();
    EXPECT_EQ(scroll.value(), 0);
}

TEST(ProposedFileName, IsTheFirstRecordsDateAndTime) {
    FileStorage data;
    EXPECT_EQ(proposed_file_name(data), "");
    for (const int hour : {6, 23}) {
        FileStorageItem item;
        item.time = lib::parts_to_time(2026, 3, 2, hour, 0, 59);
        data.add_item(item);
    }
    EXPECT_EQ(proposed_file_name(data), "2026-03-02_0600.realtim");
}

TEST_F(MainWindow, TheFileDialogsStartInTheLastFolderAndSaveAsProposesTheRecordingsName) {
    const std::string archive = dir.file("archive"), other = dir.file("other");
    fs::create_directory(archive);
    fs::create_directory(other);
    window->OpenDataFile(saved_file("archive/old.realtim"));
    read(*window);
    {
        Driver driver({[](QWidget* w) {
            qobject_cast<QDialog*>(w)->accept();
            w->close(); // left open without a proposed name
        }});
        window->actSaveAs->trigger();
    }
    const std::string target = archive + "/2008-01-09_2120.realtim";
    ASSERT_TRUE(fs::exists(target));
    EXPECT_TRUE(window->status_text().contains(QString::fromStdString("сохранено в " + target)));

    window->OpenDataFile(saved_file("other/new.realtim"));
    restart();
    QString start;
    Driver driver({[&](QWidget* w) {
        start = qobject_cast<QFileDialog*>(w)->directory().absolutePath();
        qobject_cast<QDialog*>(w)->reject();
    }});
    window->actOpen->trigger();
    EXPECT_EQ(start.toStdString(), other);
}

TEST_F(MainWindow, SaveAsAsksBeforeReplacingAFileOfAnotherBesideTheNewName) {
    const std::string target = dir.file("well7.realtim"), foreign = dir.file("well7.dat");
    std::ofstream(foreign, std::ios::binary) << "foreign journal";
    read(*window);
    const std::string question = "  ВНИМАНИЕ!|Файл well7.dat уже существует. Заменить?";
    {
        Driver driver(
            {Driver::choose_file(QString::fromStdString(target)), Driver::answer(QMessageBox::No)});
        window->actSaveAs->trigger();
        EXPECT_EQ(driver.seen(), (std::vector<std::string>{"file dialog", question}));
    }
    EXPECT_FALSE(fs::exists(target));
    const std::vector<std::uint8_t> kept = get_bytes(foreign);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "foreign journal");
    EXPECT_TRUE(window->document().IsModified());
    {
        Driver driver({Driver::choose_file(QString::fromStdString(target)),
                       Driver::answer(QMessageBox::Yes)});
        window->actSaveAs->trigger();
        EXPECT_EQ(driver.seen(), (std::vector<std::string>{"file dialog", question}));
    }
    EXPECT_TRUE(fs::exists(target));
    EXPECT_FALSE(window->document().IsModified());
    Storage saved(reporter);
    ASSERT_TRUE(saved.Open(target));
    EXPECT_EQ(saved.JournalCount(), 2);
}

TEST(Application, AnExceptionOfAnEventHandlerEndsInOneBox) {
    struct Thrower : QObject {
        bool event(QEvent*) override { throw std::runtime_error("сбой обработчика"); }
    } thrower;
    Driver driver({Driver::answer(QMessageBox::Ok)});
    QEvent event(QEvent::User);
    EXPECT_FALSE(QApplication::sendEvent(&thrower, &event));
    EXPECT_EQ(driver.seen(), std::vector<std::string>{" ВНИМАНИЕ!|сбой обработчика"});
}

} // namespace
