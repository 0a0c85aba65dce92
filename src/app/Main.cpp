#include "app/Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/Aboutdialog.h"
#include "app/Activityview.h"
#include "app/Commandicons.h"
#include "app/Commpropsdialog.h"
#include "app/Journalview.h"
#include "app/Readdatadialog.h"
#include "formats/Formats.h"
#include "graph/Graphchart.h"
#include "graph/Graphicsform.h"
#include "library/File_error.h"
#include "library/Mytime.h"
#include "library/Numstr.h"
#include "print/Printdialog.h"
#include "print/Printgrhelper.h"
#include "widgets/Clockcursor.h"
#include "widgets/Controlworks.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr const char* notes_caption = " Сообщения при открытии файла";
constexpr const char* no_data_line = " Нет данных: откройте файл или считайте данные с датчика";
constexpr const char* loading_line = " Загрузка...";
constexpr int graph_tab = 0, journal_tab = 1;
constexpr int status_message_ms = 6000;

QString moment_text(std::uint32_t t) {
    const lib::time_parts parts = lib::time_to_parts(t);
    return QString::fromStdString(lib::format_short_date(parts) + " " +
                                  lib::format_long_time(parts));
}

// Cancels the open dialogs, innermost first; each one's own loop ends once control is back in
// it. A dialog that does not close when cancelled is left to close by itself.
void reject_modal_dialogs() {
    QList<QDialog*> asked;
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        if (asked.contains(dialog))
            return;
        asked.push_back(dialog);
        dialog->reject();
    }
}

} // namespace

namespace {

QString patterns_of(const FileFormat& format) {
    QStringList patterns;
    for (std::string_view extension : format.extensions)
        patterns << QStringLiteral("*") + QString::fromUtf8(extension.data(), extension.size());
    return patterns.join(' ');
}

} // namespace

QString file_filter(const FileFormat& format) {
    return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(format.dialog_text),
                                         patterns_of(format));
}

QStringList data_file_filters() {
    QStringList filters{QStringLiteral("Файлы реального времени (*.realtim)")};
    QStringList all;
    for (const FileFormat& format : file_formats()) {
        if (format.data_family()) {
            filters << file_filter(format);
            all << patterns_of(format);
        }
    }
    return filters << QStringLiteral("Все файлы данных (%1)").arg(all.join(' '));
}

QString proposed_file_name(const FileStorage& data) {
    if (data.item_count() == 0)
        return {};
    const lib::time_parts t = lib::time_to_parts(data.time(0));
    return QString::asprintf("%04d-%02d-%02d_%02d%02d.realtim", t.year, t.month, t.day, t.hour,
                             t.minute);
}

QString export_file_name(const Storage& document, const QString& name_end) {
    const QString name = document.FileName().empty()
                             ? proposed_file_name(document.Data())
                             : QFileInfo(QString::fromStdString(document.FileName())).fileName();
    if (name.isEmpty())
        return {};
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? name.left(dot) : name) + name_end;
}

TMainForm::TMainForm(const std::string& settings_path, QWidget* parent)
    : QMainWindow(parent), system_(settings_path), reporter_(this), document_(reporter_) {
    UsePaper(printer_.Get());
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral(" Работа с датчиком - регистратором"));

    create_actions();
    create_menus();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(create_cool_bar());
    layout->addSpacing(design_px(this, 6));
    pages_ = new QTabWidget(central);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->setDocumentMode(true);
    pages_->addTab(create_graph_page(), QStringLiteral("Графики"));
    graph_ =
        new TGrForm(graph_host_, system_.graph_options(), document_.Data(), document_.Journal());
    graph_host_->layout()->addWidget(graph_);
    graph_->LoadOptions();
    grid_ = new JournalGrid(document_, pages_);
    grid_->setObjectName(QStringLiteral("GridVG"));
    pages_->addTab(grid_, QStringLiteral("Журнал"));
    activity_ = new TActivityForm(pages_, system_.activity(), document_);
    pages_->addTab(activity_, QStringLiteral("Операции"));
    layout->addWidget(pages_, 1);
    setCentralWidget(central);

    status_ = new QLabel(no_data_line, this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->addWidget(status_, 1);
    statusBar()->setFixedHeight(design_px(this, 27));
    statusBar()->setSizeGripEnabled(true);
    busy_ = new QProgressBar(this);
    busy_->setObjectName(QStringLiteral("LoadBusy"));
    busy_->setRange(0, 0);
    busy_->setTextVisible(false);
    busy_->setFixedWidth(design_px(this, 120));
    busy_->hide();
    statusBar()->addPermanentWidget(busy_);

    ApplyFormFonts(this);
    pages_->setCurrentIndex(graph_tab);
    grid_->apply_row_height();
    grid_->fit_columns();
    connect(pages_, &QTabWidget::currentChanged, this, &TMainForm::PageControlChange);
    grid_->SetOnChoose([this](int event) { ShowEventOnGraph(event); });
    graph_->SetOnEventsChosen([this](const std::vector<int>& events) {
        pages_->setCurrentIndex(journal_tab);
        grid_->select_events(events);
        grid_->setFocus();
    });
    graph_->SetOnPrintInterval([this] { PrintInterval(); });
    activity_->SetOnResult([this](std::shared_ptr<const analysis::Activity> activity) {
        graph_->SetActivity(std::move(activity));
    });
    activity_->SetOnChoose([this](int period) { ShowPeriodOnGraph(period); });
    // The analysis may read the recording on a worker thread: it stops before the recording
    // changes.
    document_.OnBeforeChange([this] { activity_->Stop(); });

    add_tab_keys();
    setAcceptDrops(true);
    restore_window_state();
    fill_recent_menu();
    UpdateCommandStates();
    document_.OnChange([this] { show_document(); });
}

TMainForm::~TMainForm() {
    loading_.Stop();
    activity_->Stop(); // before the document it reads goes
    if (!settings_written_)
        write_settings();
}

void TMainForm::add_tab_keys() {
    // Window-wide, so that they switch tabs from the journal grid, which takes Tab for itself,
    // as from the graph, which takes Page Up and Down.
    const auto step = [this](int by, const QList<QKeySequence>& keys) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, by] {
            pages_->setCurrentIndex((pages_->currentIndex() + by + pages_->count()) %
                                    pages_->count());
        });
        addAction(action);
    };
    step(1, {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    step(-1, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
              QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
}

void TMainForm::restore_window_state() {
    const WindowState& kept = system_.window_state();
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect placed =
        placed_window_rect(QRect(kept.left, kept.top, kept.width, kept.height), screens,
                           primary ? primary->availableGeometry() : QRect());
    if (placed.isEmpty())
        resize(design_px(this, 775), design_px(this, 509));
    else
        setGeometry(placed);
    if (kept.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (kept.page >= 0 && kept.page < pages_->count())
        pages_->setCurrentIndex(kept.page);
}

void TMainForm::write_settings() {
    WindowState& state = system_.window_state();
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    state.left = normal.left();
    state.top = normal.top();
    state.width = normal.width();
    state.height = normal.height();
    state.maximized = isMaximized() ? 1 : 0;
    state.page = pages_->currentIndex();
    graph_->SaveOptions();
    settings_written_ = true;
    const std::string problem = system_.save_settings();
    if (!problem.empty())
        show_error_box(isVisible() ? this : nullptr, file_error_caption,
                       "Настройки не записаны в файл\n'" + system_.path() + "':\n" + problem);
}

QString TMainForm::data_folder() {
    const QString folder = QString::fromStdString(system_.last_folder().path);
    return QFileInfo(folder).isDir() ? folder : QString();
}

void TMainForm::remember_folder(const std::string& data_file) {
    system_.last_folder().path =
        QFileInfo(QString::fromStdString(data_file)).absolutePath().toStdString();
}

void TMainForm::create_actions() {
    auto make = [this](QAction*& action, const char* name, const char* caption, const char* hint) {
        action = new QAction(QString::fromUtf8(caption), this);
        action->setObjectName(QString::fromLatin1(name));
        if (*hint) {
            action->setToolTip(QString::fromUtf8(hint));
            action->setStatusTip(QString::fromUtf8(hint));
        }
    };
    make(actOpen, "actOpen", "&Открыть...", "Открыть файл на диске");
    make(actSave, "actSave", "&Сохранть...", "Сохранить текущий файл");
    make(actSaveAs, "actSaveAs", "Сохранить &как...", "Сохранить файл с выбором имени");
    make(actPrint, "actPrint", "Рас&печатать...", "Распечатка данных на принтере");
    make(actPrintSetup, "actPrintSetup", "&Выбор принтера...", "Выбор принтера для печати");
    make(actConnect, "actConnect", "&Считать данные...", "Считать данные с датчика");
    make(actUnitOpts, "actUnitOpts", "&Настроить...", "Настройка датчика");
    make(actBondOpt, "actBondOpt", "Настройка с&вязи...", "Настройка связи датчика с компьютером");
    make(actExit, "actExit", "Вы&ход", "Выход из программы");
    make(actAbout, "actAbout", "&О программе...", "");
    make(actExportLas, "actExportLas", "Экспорт в &LAS...",
         "Записать замеры в файл LAS 2.0 для программ обработки каротажа");
    make(actExportCsv, "actExportCsv", "&Экспорт в CSV...",
         "Записать замеры в файл CSV для электронных таблиц");
    make(actExportJournalCsv, "actExportJournalCsv", "Экспорт &журнала в CSV...",
         "Записать журнал в файл CSV для электронных таблиц");
    make(actSavePicture, "actSavePicture", "Сохранить &рисунок...",
         "Записать видимый график в файл PNG");

    // The menus show an access letter of each item (after "&").
    // The designed keys first, then the ones people expect from other programs.
    actOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    actSave->setShortcuts({QKeySequence(Qt::Key_F2), QKeySequence(Qt::CTRL | Qt::Key_S)});
    actPrint->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_P), QKeySequence(Qt::CTRL | Qt::Key_P)});
    actConnect->setShortcut(QKeySequence(Qt::Key_F5));
    actExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    actOpen->setIcon(command_icon(CommandImage::open));
    actSave->setIcon(command_icon(CommandImage::save));
    actConnect->setIcon(command_icon(CommandImage::connect));
    actUnitOpts->setIcon(command_icon(CommandImage::unit_options));
    actBondOpt->setIcon(command_icon(CommandImage::link_options));
    actPrint->setIcon(command_icon(CommandImage::print));
    actUnitOpts->setEnabled(false);

    connect(actOpen, &QAction::triggered, this, &TMainForm::actOpenExecute);
    connect(actSave, &QAction::triggered, this, &TMainForm::actSaveExecute);
    connect(actSaveAs, &QAction::triggered, this, &TMainForm::actSaveAsExecute);
    connect(actPrint, &QAction::triggered, this, &TMainForm::actPrintExecute);
    connect(actPrintSetup, &QAction::triggered, this, &TMainForm::actPrintSetupExecute);
    connect(actConnect, &QAction::triggered, this, &TMainForm::actConnectExecute);
    connect(actBondOpt, &QAction::triggered, this, &TMainForm::actBondOptExecute);
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(actAbout, &QAction::triggered, this, &TMainForm::actAboutExecute);
    connect(actExportLas, &QAction::triggered, this, &TMainForm::actExportLasExecute);
    connect(actExportCsv, &QAction::triggered, this, &TMainForm::actExportCsvExecute);
    connect(actExportJournalCsv, &QAction::triggered, this, &TMainForm::actExportJournalCsvExecute);
    connect(actSavePicture, &QAction::triggered, this, &TMainForm::actSavePictureExecute);
    // Enabled only while a load runs, so that Esc is the graph's at other times.
    actStopLoad = new QAction(this);
    actStopLoad->setObjectName(QStringLiteral("actStopLoad"));
    actStopLoad->setShortcut(Qt::Key_Escape);
    actStopLoad->setEnabled(false);
    addAction(actStopLoad);
    connect(actStopLoad, &QAction::triggered, this, [this] {
        if (stop_load())
            statusBar()->showMessage(QStringLiteral("Загрузка остановлена"), status_message_ms);
    });
}

void TMainForm::create_menus() {
    file_menu_ = menuBar()->addMenu(QStringLiteral("&Файл"));
    file_menu_->addActions({actOpen, actSave, actSaveAs});
    file_menu_->addSeparator();
    file_menu_->addActions({actExportLas, actExportCsv, actExportJournalCsv, actSavePicture});
    file_menu_->addSeparator();
    file_menu_->addActions({actPrint, actPrintSetup});
    recent_separator_ = file_menu_->addSeparator();
    file_menu_->addSeparator();
    file_menu_->addAction(actExit);
    QMenu* device = menuBar()->addMenu(QStringLiteral("&Датчик"));
    device->addAction(actConnect);
    device->addSeparator();
    device->addActions({actUnitOpts, actBondOpt});
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->addAction(actAbout);
    for (QMenu* menu : {file_menu_, device, help})
        menu->setToolTipsVisible(true);
}

QWidget* TMainForm::create_cool_bar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("CoolBar"));
    const std::uint32_t window = color_to_bgr(palette().color(QPalette::Window));
    QPalette shaded = bar->palette();
    shaded.setColor(QPalette::Window, color_from_bgr(ShadeColor(window, -14, 0)));
    shaded.setColor(QPalette::Button, shaded.color(QPalette::Window));
    bar->setPalette(shaded);
    bar->setAutoFillBackground(true);
    bar->setFixedHeight(design_px(this, 30));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(design_px(this, 2), 0, 0, 0);
    layout->setSpacing(design_px(this, 8));
    const QSize button(design_px(this, 27), design_px(this, 26));
    for (const auto& actions : {QList<QAction*>{actOpen, actSave, actPrint},
                                QList<QAction*>{actConnect, actUnitOpts, actBondOpt}}) {
        auto* tools = new QToolBar(bar);
        tools->setMovable(false);
        tools->setFloatable(false);
        tools->setIconSize(QSize(design_px(this, 20), design_px(this, 20)));
        tools->setStyleSheet(QStringLiteral("QToolBar { background: transparent; border: none; }"));
        for (QAction* action : actions) {
            tools->addAction(action);
            if (QWidget* w = tools->widgetForAction(action))
                w->setFixedSize(button);
        }
        layout->addWidget(tools);
    }
    layout->addStretch(1);
    return bar;
}

QWidget* TMainForm::create_graph_page() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    // The four frame lines, 1 pixel in the window-frame colour, around the graph.
    auto* frame = new QFrame(page);
    frame->setObjectName(QStringLiteral("GraphFrame"));
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    QPalette lines = frame->palette();
    lines.setColor(QPalette::WindowText, palette().color(QPalette::Shadow));
    frame->setPalette(lines);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(1, 1, 1, 1);
    inner->setSpacing(0);
    layout->addWidget(frame);
    graph_host_ = frame;
    return page;
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A window shown again writes its settings again when it next closes.
    settings_written_ = false;
    UpdateCommandStates();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // A signal that comes while the question is open cancels it and gives the read data up, so
    // the flag is read again once the question is over.
    const bool kept = !give_up_read_data_ && !may_discard_read_data();
    if (kept && !give_up_read_data_) {
        event->ignore();
        return;
    }
    event->accept();
    stop_load();
    if (!settings_written_)
        write_settings();
}

void TMainForm::CloseOnSignal() {
    if (closing_on_signal_ || close_after_read_)
        give_up_read_data_ = true;
    if (reading_) {
        // The read stops first, leaving the document as it was before it; the window closes
        // once the reading dialog has gone (actConnectExecute).
        close_after_read_ = true;
        reject_modal_dialogs();
        return;
    }
    closing_on_signal_ = true;
    reject_modal_dialogs();
    // Within the close of the signal before, this close does nothing: that one goes on.
    close();
    closing_on_signal_ = false;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile() && is_data_file_name(url.toLocalFile().toStdString())) {
            event->acceptProposedAction();
            return;
        }
}

void TMainForm::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        const std::string path = url.toLocalFile().toStdString();
        if (url.isLocalFile() && is_data_file_name(path)) {
            event->acceptProposedAction();
            OpenDataFile(path);
            return;
        }
    }
}

void TMainForm::PageControlChange(int index) {
    if (index == journal_tab)
        grid_->fit_columns();
}

void TMainForm::UpdateCommandStates() {
    const bool modified = document_.IsModified();
    const bool has_data = document_.HasData();
    EnableControls(modified, {actSave, actSaveAs});
    EnableControls(has_data,
                   {actPrint, actExportLas, actExportCsv, actSavePicture, grid_, activity_});
    actExportJournalCsv->setEnabled(document_.JournalCount() > 0);
    graph_->UpdateControlStates(has_data);
    actUnitOpts->setEnabled(false);
    grid_->refresh();
    status_->setText(status_text());
    status_->setToolTip(
        QString::fromStdString(loading_.Running() ? loading_.Path() : document_.FileName()));
}

QString TMainForm::status_text() const {
    const FileStorage& data = document_.Data();
    if (loading_.Running())
        return loading_line;
    if (!document_.HasData())
        return no_data_line;
    QString name = QStringLiteral("не сохранено");
    if (!saved_as_.empty())
        name = QStringLiteral("сохранено в ") + QString::fromStdString(saved_as_);
    else if (!document_.FileName().empty())
        name = QFileInfo(QString::fromStdString(document_.FileName())).fileName();
    return QStringLiteral(" %1;  записей: %2;  %3 - %4")
        .arg(name)
        .arg(QString::fromStdString(lib::grouped_digits(data.item_count())))
        .arg(moment_text(data.time(0)), moment_text(data.time(data.item_count() - 1)));
}

void TMainForm::ShowPeriodOnGraph(int period) {
    pages_->setCurrentIndex(graph_tab);
    if (graph_->ShowPeriod(period))
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(QStringLiteral("Период № %1 не на графике").arg(period + 1),
                                 status_message_ms);
}

void TMainForm::ShowEventOnGraph(int index) {
    pages_->setCurrentIndex(graph_tab);
    if (graph_->ShowEvent(index))
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(
            QStringLiteral("Событие № %1 не на графике: его время вне записи").arg(index + 1),
            status_message_ms);
}

QMessageBox::StandardButton TMainForm::QuerySaveReadData() {
    if (!document_.IsModified())
        return QMessageBox::No;
    QMessageBox box(QMessageBox::Question, question_caption,
                    QStringLiteral("Сохранить считанные данные?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (answer == QMessageBox::Yes)
        actSaveAsExecute();
    return answer == QMessageBox::Yes || answer == QMessageBox::No ? answer : QMessageBox::Cancel;
}

bool TMainForm::may_discard_read_data() {
    switch (QuerySaveReadData()) {
    case QMessageBox::No:
        return true;
    case QMessageBox::Yes:
        // A cancelled or failed save keeps the read data, so the command stops.
        return !document_.IsModified();
    default:
        return false;
    }
}

void TMainForm::actOpenExecute() {
    if (!may_discard_read_data())
        return;
    const QString path =
        ask_file_name(this, QFileDialog::AcceptOpen, data_file_filters(), QStringLiteral("realtim"),
                      QString::fromStdString(document_.FileName()), data_folder());
    if (!path.isEmpty())
        open_file(path.toStdString());
}

void TMainForm::OpenDataFile(const std::string& path) {
    if (may_discard_read_data())
        open_file(path);
}

void TMainForm::LoadDataFile(const std::string& path) {
    if (may_discard_read_data())
        load_file(path);
}

void TMainForm::load_file(const std::string& path) {
    loading_.Start(path, [this](const std::string& file, Recording& loaded,
                                const std::exception_ptr& failure) {
        show_loading(false);
        file_opened(file, document_.Opened(file, loaded, failure));
    });
    show_loading(true);
}

bool TMainForm::stop_load() {
    if (!loading_.Stop())
        return false;
    show_loading(false);
    return true;
}

void TMainForm::show_loading(bool loading) {
    busy_->setVisible(loading);
    actStopLoad->setEnabled(loading);
    if (loading)
        statusBar()->clearMessage();
    UpdateCommandStates();
}

void TMainForm::open_file(const std::string& path) {
    stop_load();
    qint64 bytes = 0;
    for (const std::string& file : data_files_of(path))
        bytes += QFileInfo(QString::fromStdString(file)).size();
    if (bytes > background_open_bytes_) {
        load_file(path);
        return;
    }
    bool opened = false;
    {
        ClockCursor cursor;
        cursor.Show();
        opened = document_.Open(path);
    }
    file_opened(path, opened);
}

void TMainForm::file_opened(const std::string& path, bool opened) {
    if (opened) {
        system_.recent_files().add(path);
        remember_folder(path);
    } else {
        system_.recent_files().remove(path);
    }
    fill_recent_menu();
    const std::vector<std::string>& notes = document_.Data().messages();
    if (opened && !notes.empty()) {
        std::string text = "Файл\n'" + path + "'\nоткрыт с замечаниями:\n";
        for (const std::string& note : notes)
            text += "\n" + note;
        show_information_box(this, notes_caption, text);
    }
}

void TMainForm::show_document() {
    // New content, from an open or a read, is saved nowhere yet.
    saved_as_.clear();
    graph_->ReloadData();
    // A new recording's activity: none until the analysis has it.
    graph_->SetActivity(nullptr);
    activity_->Analyse();
    UpdateCommandStates();
    grid_->fit_columns();
}

bool TMainForm::save_document(const std::string& path) {
    for (const std::string& file : document_.ForeignCompanions(path)) {
        const QString name = QFileInfo(QString::fromStdString(file)).fileName();
        QMessageBox box(QMessageBox::Question, question_caption,
                        QStringLiteral("Файл %1 уже существует. Заменить?").arg(name),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return false;
    }
    if (!document_.Save(path))
        return false;
    for (const std::string& note : document_.SaveNotes())
        statusBar()->showMessage(QString::fromStdString(note), status_message_ms);
    return true;
}

void TMainForm::actSaveExecute() {
    // A read that was never saved has no file of its own to go to.
    if (document_.FileName().empty())
        actSaveAsExecute();
    else if (save_document(document_.FileName()))
        remember_folder(document_.FileName());
}

bool TMainForm::actSaveAsExecute() {
    // A read has no file yet: it is named after its recording, in the folder last used.
    const QString preset = document_.FileName().empty()
                               ? proposed_file_name(document_.Data())
                               : QString::fromStdString(document_.FileName());
    const QString path = ask_file_name(this, QFileDialog::AcceptSave, data_file_filters(),
                                       QStringLiteral("realtim"), preset, data_folder());
    if (path.isEmpty() || !save_document(path.toStdString()))
        return false;
    saved_as_ = path.toStdString();
    remember_folder(saved_as_);
    system_.recent_files().add(saved_as_);
    fill_recent_menu();
    status_->setText(status_text());
    return true;
}

void TMainForm::actConnectExecute() {
    if (!may_discard_read_data())
        return;
    stop_load();
    hardware_.SetPortName(system_.link().name);
    {
        // A read that ends puts what it read into the document, which tells the views.
        TReadDataForm dialog(this, document_, hardware_);
        reading_ = true;
        dialog.exec();
        reading_ = false;
    }
    if (close_after_read_) {
        close_after_read_ = false;
        CloseOnSignal();
    }
}

void TMainForm::actBondOptExecute() {
    TCommPropsForm dialog(this, system_.link());
    dialog.exec();
}

void TMainForm::PrintInterval() {
    std::uint32_t from = 0, to = 0;
    if (!graph_->IntervalTimes(from, to))
        return;
    print_graph(true, from, to);
}

void TMainForm::actPrintExecute() {
    print_graph(false, 0, 0);
}

void TMainForm::print_graph(bool interval, std::uint32_t from, std::uint32_t to) {
    PrintDataIn in;
    in.interval = interval;
    in.interval_from = from;
    in.interval_to = to;
    // The grid's rows count the header as row 0.
    const auto [first, last] = grid_->selected_range();
    in.first_row = first - 1;
    in.last_row = last - 1;
    in.curve = graph_->CurveIndex();
    in.minutes_per_cm = graph_->MinutesPerCm();
    in.color = graph_->CurveColor();
    if (graph_->chbxSlips->isChecked())
        in.activity = graph_->Slips().Activity();
    TPrintForm dialog(this, in, *graph_, document_, printer_);
    if (dialog.Run())
        graph_->DrawVisibleWindow();
}

void TMainForm::actPrintSetupExecute() {
    QPrintDialog dialog(&printer_.Get(), this);
    UseAsPrinterChoice(dialog);
    dialog.exec();
}

void TMainForm::actAboutExecute() {
    TAboutForm dialog(this);
    dialog.exec();
}

void TMainForm::export_file(const QString& title, const QString& filter, const QString& name_end,
                            const std::function<void(const std::string&)>& write) {
    const QString path =
        ask_file_name(this, QFileDialog::AcceptSave, {filter}, name_end.section('.', -1),
                      export_file_name(document_, name_end), data_folder(), title);
    if (!path.isEmpty())
        write(path.toStdString());
}

void TMainForm::export_as(const QString& title, const FileFormat& format, const QString& name_end) {
    export_file(title, file_filter(format), name_end,
                [this, &format](const std::string& path) { document_.Export(path, format); });
}

void TMainForm::actExportLasExecute() {
    export_as(QStringLiteral("Экспорт в LAS"), *format_of(".las"), QStringLiteral(".las"));
}

void TMainForm::actExportCsvExecute() {
    export_as(QStringLiteral("Экспорт в CSV"), *format_of(".csv"), QStringLiteral(".csv"));
}

void TMainForm::actExportJournalCsvExecute() {
    export_as(QStringLiteral("Экспорт журнала в CSV"), journal_csv_format(),
              QStringLiteral("_журнал.csv"));
}

void TMainForm::actSavePictureExecute() {
    export_file(QStringLiteral("Сохранить рисунок"), QStringLiteral("Рисунки PNG (*.png)"),
                QStringLiteral(".png"), [this](const std::string& path) {
                    try {
                        save_png(graph_->GraphImage(), path);
                    } catch (const std::exception& e) {
                        show_error_box(this, file_error_caption,
                                       "Невозможно записать файл '" + path +
                                           "': " + lib::io::error_message(e));
                    }
                });
}

void TMainForm::fill_recent_menu() {
    for (QAction* action : recent_actions_)
        delete action;
    recent_actions_.clear();
    int number = 1;
    QAction* before =
        file_menu_->actions().at(file_menu_->actions().indexOf(recent_separator_) + 1);
    for (const std::string& path : system_.recent_files().files()) {
        // A "&" of the name is shown, not taken for an accelerator.
        QString shown = QString::fromStdString(path);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(number++).arg(shown), this);
        action->setData(QString::fromStdString(path));
        connect(action, &QAction::triggered, this, [this, path] { OpenDataFile(path); });
        file_menu_->insertAction(before, action);
        recent_actions_.push_back(action);
    }
    recent_separator_->setVisible(!recent_actions_.isEmpty());
}
