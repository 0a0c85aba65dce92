#pragma once
// The main window: it owns the document for the program's lifetime, shows it on the "Графики"
// and "Журнал" tabs and carries the commands of the menu and tool bars.
#include <QMainWindow>
#include <QMessageBox>

#include <memory>
#include <string>

#include "widgets/Messageboxes.h"
#include "app/Recentfiles.h"
#include "document/Storage.h"
#include "print/Printjob.h"

class JournalGrid;
class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QTabWidget;
class TGrForm;

class TMainForm : public QMainWindow {
public:
    // Reads the settings at settings_path now and writes them there when the window goes.
    explicit TMainForm(const std::string& settings_path, QWidget* parent = nullptr);
    ~TMainForm() override;

    Storage& document() { return document_; }
    // The program's printer, ready for the next job.
    QPrinter& printer() { return printer_.Get(); }
    JournalGrid& journal_grid() { return *grid_; }
    // The "Графики" tab's area inside its frame lines; it has a layout without margins.
    QWidget* graph_host() { return graph_host_; }
    TGrForm& graph_form() { return *graph_; }
    QTabWidget* pages() { return pages_; }
    const std::string& settings_path() const { return settings_path_; }
    const RecentFiles& recent_files() const { return recent_; }

    void UpdateCommandStates();
    // The save question; with unsaved read data: Yes runs "Сохранить как...".
    QMessageBox::StandardButton QuerySaveReadData();
    // Opens path as "Открыть..." does after its file dialog (the save question is asked first).
    void OpenDataFile(const std::string& path);
    // The status bar line.
    QString status_text() const;

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
    QAction* actExportCsv;
    QAction* actSavePicture;

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

    void actOpenExecute();
    void actSaveExecute();
    bool actSaveAsExecute();
    void actPrintExecute();
    void actPrintSetupExecute();
    void actConnectExecute();
    void actBondOptExecute();
    void actAboutExecute();
    void actExportCsvExecute();
    void actSavePictureExecute();

    // False when the user chose Cancel, or Yes and the read data are still unsaved.
    bool may_discard_read_data();
    void open_file(const std::string& path);
    void refresh_views();
    void fill_recent_menu();

    std::string settings_path_;
    BoxReporter reporter_;
    Storage document_;
    ProgramPrinter printer_;
    RecentFiles recent_;
    QTabWidget* pages_ = nullptr;
    QWidget* graph_host_ = nullptr;
    TGrForm* graph_ = nullptr;
    JournalGrid* grid_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* file_menu_ = nullptr;
    QAction* recent_separator_ = nullptr;
    QList<QAction*> recent_actions_;
};

// The filters of the open and save dialogs: every family the program reads and writes, the
// native ".realtim" first.
QStringList data_file_filters();
