#pragma once
// The main window: it owns the document for the program's lifetime, shows it on the "Графики",
// "Журнал" and "Операции" tabs and carries the commands of the menu and tool bars.
#include <QMainWindow>
#include <QMessageBox>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/Backgroundopen.h"
#include "app/Boxreporter.h"
#include "app/System.h"
#include "device/Hardware.h"
#include "document/Storage.h"
#include "print/Printjob.h"
#include "widgets/Messageboxes.h"

class JournalGrid;
class TActivityForm;
class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QProgressBar;
class QTabWidget;
class TGrForm;
struct FileFormat;

class TMainForm : public QMainWindow {
public:
    // Reads the settings at settings_path now and writes them there when the window closes (or
    // goes without having been closed).
    explicit TMainForm(const std::string& settings_path, QWidget* parent = nullptr);
    ~TMainForm() override;

    Storage& document() { return document_; }
    // The program's printer, ready for the next job.
    QPrinter& printer() { return printer_.Get(); }
    JournalGrid& journal_grid() { return *grid_; }
    // The "Графики" tab's area inside its frame lines; it has a layout without margins.
    QWidget* graph_host() { return graph_host_; }
    TGrForm& graph_form() { return *graph_; }
    TActivityForm& activity_form() { return *activity_; }
    QTabWidget* pages() { return pages_; }
    detailed::RegSystem& system() { return system_; }
    // The logger's protocol object, given the link's settings for each read.
    device::HardWare& hardware() { return hardware_; }
    const RecentFiles& recent_files() { return system_.recent_files(); }

    void UpdateCommandStates();
    // The save question; with unsaved read data: Yes runs "Сохранить как...".
    QMessageBox::StandardButton QuerySaveReadData();
    // Opens path as "Открыть..." does after its file dialog (the save question is asked first):
    // before it returns, or for data files over background_open_bytes as LoadDataFile does.
    void OpenDataFile(const std::string& path);
    // Opens path as OpenDataFile does, with its files read on a worker thread while the window
    // goes on: the status bar says "Загрузка..." beside a busy bar until the document holds the
    // file. Esc stops it, and so do the next open, a read and the window's close; the document
    // stays as it was then.
    void LoadDataFile(const std::string& path);
    bool Loading() const { return loading_.Running(); }
    // About 1.3 million records, a few tens of milliseconds of loading: a file this large or
    // smaller opens at once, a larger one is loaded on a worker thread. Tests lower it.
    static constexpr qint64 background_open_bytes = 32 << 20;
    void SetBackgroundOpenBytes(qint64 bytes) { background_open_bytes_ = bytes; }
    // The status bar line.
    QString status_text() const;
    // The graph tab scrolled to the event of journal position index, or the status bar saying
    // that it is not on the chart.
    void ShowEventOnGraph(int index);
    // The graph tab scrolled to the in-slips period (from 0) of the "Операции" tab, or the
    // status bar saying that it is not on the chart.
    void ShowPeriodOnGraph(int period);
    // SIGINT or SIGTERM: every open dialog is cancelled and the window closes as its close box
    // does. A second signal while that close still asks about unsaved read data gives them up.
    // A read under way is stopped first, and the window closes once it has ended.
    void CloseOnSignal();

    QAction* actOpen;
    QAction* actSave;
    QAction* actSaveAs;
    QAction* actPrint;
    QAction* actPrintSetup;
    QAction* actConnect;
    QAction* actUnitOpts;
    QAction* actBondOpt;
    QAction* actExit;
    QAction* actAbout;
    QAction* actExportLas;
    QAction* actExportCsv;
    QAction* actExportJournalCsv;
    QAction* actSavePicture;
    QAction* actStopLoad; // Esc, while a load runs

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void create_actions();
    void create_menus();
    QWidget* create_cool_bar();
    QWidget* create_graph_page();
    void PageControlChange(int index);
    // Ctrl+Tab, Ctrl+Page Down: the next tab; Ctrl+Shift+Tab, Ctrl+Page Up: the one before.
    void add_tab_keys();

    void actOpenExecute();
    void actSaveExecute();
    bool actSaveAsExecute();
    void actPrintExecute();
    // The print dialog with the graph's interval offered as its range.
    void PrintInterval();
    // The print dialog, with the interval from..to when interval is set.
    void print_graph(bool interval, std::uint32_t from, std::uint32_t to);
    void actPrintSetupExecute();
    void actConnectExecute();
    void actBondOptExecute();
    void actAboutExecute();
    void actExportLasExecute();
    void actExportCsvExecute();
    void actExportJournalCsvExecute();
    void actSavePictureExecute();
    // Asks for the name of an export in a dialog titled title (the document's name ending in
    // name_end is proposed, in the last folder) and hands it to write, which reports its own
    // failure.
    void export_file(const QString& title, const QString& filter, const QString& name_end,
                     const std::function<void(const std::string&)>& write);
    // export_file of a format the document writes.
    void export_as(const QString& title, const FileFormat& format, const QString& name_end);

    // False when the user chose Cancel, or Yes and the read data are still unsaved.
    bool may_discard_read_data();
    // Saves the document to path, after asking about each file beside it of another file that
    // the save would replace; the save's notes go to the status bar. False when not saved.
    bool save_document(const std::string& path);
    void open_file(const std::string& path);
    // LoadDataFile without the save question.
    void load_file(const std::string& path);
    // What follows an open of path that did or did not open it: the recent files, the folder,
    // the open's notes.
    void file_opened(const std::string& path, bool opened);
    // Stops a load under way (LoadDataFile) without a word; false when none ran.
    bool stop_load();
    // The status bar and Esc while a load runs, or as they are without one.
    void show_loading(bool loading);
    // The views after a change of the document's content, which the document tells once.
    void show_document();
    void fill_recent_menu();
    void restore_window_state();
    void write_settings();
    // The folder the file dialogs start in; empty when none is known or it has gone.
    QString data_folder();
    void remember_folder(const std::string& data_file);

    detailed::RegSystem system_;
    device::HardWare hardware_; // its communication log opens with the window, for good
    BoxReporter reporter_;
    Storage document_;
    BackgroundOpen loading_;
    ProgramPrinter printer_;
    QTabWidget* pages_ = nullptr;
    QWidget* graph_host_ = nullptr;
    TGrForm* graph_ = nullptr;
    JournalGrid* grid_ = nullptr;
    TActivityForm* activity_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* busy_ = nullptr;
    QMenu* file_menu_ = nullptr;
    QAction* recent_separator_ = nullptr;
    QList<QAction*> recent_actions_;
    // Where the last "Сохранить как..." since the last open or read wrote the document.
    std::string saved_as_;
    bool settings_written_ = false;
    bool closing_on_signal_ = false;
    bool give_up_read_data_ = false;
    bool reading_ = false;          // the reading dialog is open
    bool close_after_read_ = false; // a signal came while it was
    qint64 background_open_bytes_ = background_open_bytes;
};

// The filters of the open and save dialogs: every family the program reads and writes, the
// native ".realtim" first.
QStringList data_file_filters();
// "Файлы CSV (*.csv)": the dialog filter of one format.
QString file_filter(const FileFormat& format);
// The name "Сохранить как..." proposes for a recording: its first record's date and time
// ("2026-03-02_0600.realtim"); empty without records.
QString proposed_file_name(const FileStorage& data);
// The name an export proposes: the document's file name, or for a read the one "Сохранить
// как..." proposes, with its extension replaced by name_end (".las", "_журнал.csv").
QString export_file_name(const Storage& document, const QString& name_end);
