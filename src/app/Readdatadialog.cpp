#include "app/Readdatadialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Readdatathread.h"
#include "device/Hardware.h"
#include "document/Reporter.h"
#include "document/Storage.h"
#include "widgets/Busyindicator.h"
#include "widgets/Controlworks.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr int poll_ms = 100;

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
        QString::fromStdString(read_statistics_text(10'000'000, 35'999'000))));
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
    lblPort->setText(QString::fromStdString("Порт: " + device::port_text(hardware_.PortName())));
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
    const ReadProgressData progress = thread_->progress();
    lblWhatHappen->setText(QString::fromStdString(progress.text));
    if (progress.fraction > 0.0) {
        progrBar->setRange(0, 100);
        progrBar->setValue(static_cast<int>(progrBar->maximum() * progress.fraction + 0.5));
    }
    lblStatistics->setText(
        QString::fromStdString(read_statistics_text(progress.records, clock_.elapsed())));
}

void TReadDataForm::ThreadFinished() {
    thread_->wait();
    const device::ReadOutcome outcome = thread_->outcome();
    // Here, on the window's thread with the reading thread gone, the read becomes the document.
    if (outcome.replaces_document())
        document_.Adopt(thread_->recording(), {}, outcome.records_complete);
    thread_.reset();
    set_idle();
    if (!outcome.failure) {
        accept();
        return;
    }
    if (outcome.failure->kind == device::ReadErrorKind::cancelled) {
        QDialog::reject();
        return;
    }
    const std::string log = hardware_.Logging() ? hardware_.LogPath() : std::string();
    QMessageBox box(QMessageBox::Critical, error_caption,
                    QString::fromStdString(device::read_error_box_text(*outcome.failure, log)),
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
