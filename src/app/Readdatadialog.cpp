#include "app/Readdatadialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>

#include "app/Readdatathread.h"
#include "device/Hardware.h"
#include "device/Port_name.h"
#include "document/Reporter.h"
#include "document/Storage.h"
#include "widgets/Busyindicator.h"
#include "widgets/Controlworks.h"
#include "widgets/Messageboxes.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr int poll_ms = 100;
constexpr const char* notes_caption = " Сообщения при считывании данных";

std::string read_notes_text(const std::vector<std::string>& notes) {
    std::string text = "Данные считаны с замечаниями:\n";
    for (const std::string& note : notes)
        text += "\n" + note;
    return text;
}

QPushButton* make_button(QWidget* parent, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setMinimumSize(design_px(parent, 100), design_px(parent, 30));
    return button;
}

} // namespace

TReadDataForm::TReadDataForm(QWidget* owner, Storage& document, device::HardWare& hardware)
    : QDialog(owner), document_(document), hardware_(hardware) {
    setWindowTitle(" Считывание информации с датчика-регистратора");
    // No close box, as designed: "Отмена" is the way out, also of a running read.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinMaxButtonsHint);

    lblPort = new QLabel(this);
    lblPort->setObjectName("lblPort");

    make_progress_panel();

    btnReadData = make_button(this, "Считать!");
    btnReadData->setObjectName("btnReadData");
    btnCancel = make_button(this, "Отмена");
    btnCancel->setObjectName("btnCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnReadData);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    const int margin = design_px(this, 12);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(design_px(this, 10));
    layout->addWidget(lblPort);
    layout->addWidget(pnlProgress);
    layout->addLayout(buttons);

    ApplyFormFonts(this);
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() + 1);
    lblWhatHappen->setFont(larger);
    // Long enough for a record line such as "22 сентября 2026г. 23:59, знач. = -1234,56".
    lblWhatHappen->setMinimumWidth(
        QFontMetrics(larger).horizontalAdvance("22 сентября 2026г. 23:59, знач. = -12345,678"));
    pnlProgress->setMinimumWidth(design_px(this, 400));
    // The dialog keeps its width while the counts grow.
    lblStatistics->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(
        QString::fromStdString(device::read_statistics_text(10'000'000, 35'999'000))));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer.setInterval(poll_ms);
    connect(&Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    connect(btnReadData, &QPushButton::clicked, this, [this] { btnReadDataClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

// The thread's destructor stops a read still running and waits for it.
TReadDataForm::~TReadDataForm() = default;

void TReadDataForm::make_progress_panel() {
    pnlProgress = new QFrame(this);
    pnlProgress->setObjectName("pnlProgress");
    pnlProgress->setFrameShape(QFrame::StyledPanel);
    aniProgress = new BusyIndicator(pnlProgress);
    aniProgress->setObjectName("aniProgress");
    lblWhatHappen = new QLabel(pnlProgress);
    lblWhatHappen->setObjectName("lblWhatHappen");
    progrBar = new QProgressBar(pnlProgress);
    progrBar->setObjectName("progrBar");
    progrBar->setRange(0, 100);
    progrBar->setValue(0);
    lblStatistics = new QLabel(pnlProgress);
    lblStatistics->setObjectName("lblStatistics");
    auto* panel_layout = new QVBoxLayout(pnlProgress);
    panel_layout->addWidget(aniProgress);
    panel_layout->addWidget(lblWhatHappen);
    panel_layout->addWidget(progrBar);
    panel_layout->addWidget(lblStatistics);
    // The dialog keeps its size whether the panel shows or not.
    QSizePolicy keep = pnlProgress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    pnlProgress->setSizePolicy(keep);
    pnlProgress->hide();
}

void TReadDataForm::showEvent(QShowEvent* event) {
    // A name the settings hold that cannot be read is shown with the reason, never replaced.
    const std::string& name = hardware_.PortName();
    const device::PortNameFault fault = device::stored_port_name_fault(name);
    std::string text = "Порт: " + device::port_text(name);
    if (fault != device::PortNameFault::none)
        text = "Считать нельзя. " + device::port_name_fault_text(fault, name) +
               "\n\nИсправьте имя порта: \"Датчик\" > \"Настройка связи...\".";
    if (hardware_.LogState() != device::HardWare::LogProblem::none)
        text += "\n" + hardware_.LogProblemText();
    lblPort->setText(QString::fromStdString(text));
    btnReadData->setEnabled(fault == device::PortNameFault::none);
    QDialog::showEvent(event);
    CenterOnScreen(this);
}

void TReadDataForm::reject() {
    btnCancelClick();
}

void TReadDataForm::btnCancelClick() {
    if (!reading()) {
        QDialog::reject();
        return;
    }
    // The dialog closes once the thread has ended; the document has not been touched.
    thread_->cancel();
    btnCancel->setEnabled(false);
}

void TReadDataForm::closeEvent(QCloseEvent* event) {
    if (reading()) {
        btnCancelClick();
        event->ignore();
    } else {
        QDialog::closeEvent(event);
    }
}

void TReadDataForm::btnReadDataClick() {
    if (reading())
        return;
    btnReadData->setEnabled(false);
    lblWhatHappen->clear();
    lblStatistics->clear();
    // The logger never tells its memory's size: a busy bar until a fraction comes.
    progrBar->setRange(0, 0);
    pnlProgress->show();
    aniProgress->start();
    thread_ = std::make_unique<TReadDataThread>(hardware_);
    // finished is emitted on the reading thread; the queued connection runs the handler here.
    connect(
        thread_.get(), &QThread::finished, this, [this] { ThreadFinished(); },
        Qt::QueuedConnection);
    Timer.start();
    clock_.start();
    thread_->start_read();
}

void TReadDataForm::TimerTimer() {
    if (!reading())
        return;
    const device::ReadProgress progress = thread_->progress();
    lblWhatHappen->setText(
        QString::fromStdString(device::progress_text(progress, std::chrono::steady_clock::now())));
    if (progress.fraction > 0.0) {
        progrBar->setRange(0, 100);
        progrBar->setValue(static_cast<int>(progrBar->maximum() * progress.fraction + 0.5));
    }
    lblStatistics->setText(
        QString::fromStdString(device::read_statistics_text(progress.records, clock_.elapsed())));
}

void TReadDataForm::ThreadFinished() {
    thread_->wait();
    const device::ReadOutcome outcome = thread_->outcome();
    // Here, on the window's thread with the reading thread gone, the read becomes the document:
    // what a failed read got is unsaved read data as much as a whole read is.
    const bool adopted = outcome.replaces_document();
    const int records = thread_->recording().data.item_count();
    if (adopted)
        document_.Adopt(thread_->recording(), {}, true);
    thread_.reset();
    set_idle();
    if (adopted && !document_.Data().messages().empty())
        show_information_box(this, notes_caption, read_notes_text(document_.Data().messages()));
    if (!outcome.failure) {
        accept();
        return;
    }
    if (outcome.failure->kind == device::ReadErrorKind::cancelled) {
        QDialog::reject();
        return;
    }
    const std::string log = hardware_.Logging() ? hardware_.LogPath() : std::string();
    const std::size_t kept = adopted ? static_cast<std::size_t>(records) : 0;
    QMessageBox box(
        QMessageBox::Critical, error_caption,
        QString::fromStdString(device::read_error_box_text(*outcome.failure, log, kept)),
        QMessageBox::Ok, this);
    box.exec();
}

void TReadDataForm::set_idle() {
    Timer.stop();
    aniProgress->stop();
    pnlProgress->hide();
    progrBar->setRange(0, 100);
    progrBar->setValue(0);
    btnReadData->setEnabled(true);
    btnCancel->setEnabled(true);
}
