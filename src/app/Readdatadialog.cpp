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

TReadDataForm::TReadDataForm(QWidget* owner, Storage& document, HardWare& hardware)
    : QDialog(owner), document_(document), hardware_(hardware) {
    setWindowTitle(" Считывание информации с датчика-регистратора");
    // No close box: a running read cannot be interrupted.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinMaxButtonsHint);

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
    auto* panel_layout = new QVBoxLayout(pnlProgress);
    panel_layout->addWidget(aniProgress);
    panel_layout->addWidget(lblWhatHappen);
    panel_layout->addWidget(progrBar);
    // The dialog keeps its size whether the panel shows or not.
    QSizePolicy keep = pnlProgress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    pnlProgress->setSizePolicy(keep);
    pnlProgress->hide();

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
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer.setInterval(poll_ms);
    connect(&Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    connect(btnReadData, &QPushButton::clicked, this, [this] { btnReadDataClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
}

// The thread's destructor waits for a read still running.
TReadDataForm::~TReadDataForm() = default;

void TReadDataForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOnScreen(this);
}

void TReadDataForm::reject() {
    if (!reading())
        QDialog::reject();
}

void TReadDataForm::closeEvent(QCloseEvent* event) {
    if (reading())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TReadDataForm::btnReadDataClick() {
    if (reading())
        return;
    btnReadData->setEnabled(false);
    lblWhatHappen->clear();
    progrBar->setValue(0);
    pnlProgress->show();
    aniProgress->start();
    thread_ = std::make_unique<TReadDataThread>(document_, hardware_);
    // finished is emitted on the reading thread; the queued connection runs the handler here.
    connect(
        thread_.get(), &QThread::finished, this, [this] { ThreadFinished(); },
        Qt::QueuedConnection);
    Timer.start();
    thread_->start_read();
}

void TReadDataForm::TimerTimer() {
    if (!reading())
        return;
    const ReadProgressData progress = thread_->progress();
    lblWhatHappen->setText(QString::fromStdString(progress.text));
    progrBar->setValue(static_cast<int>(progrBar->maximum() * progress.fraction + 0.5));
}

void TReadDataForm::ThreadFinished() {
    thread_->wait();
    const std::string error = thread_->error_text();
    thread_.reset();
    set_idle();
    if (error.empty()) {
        accept();
        return;
    }
    QMessageBox box(QMessageBox::Critical, error_caption, QString::fromStdString(error),
                    QMessageBox::Ok, this);
    box.exec();
}

void TReadDataForm::set_idle() {
    Timer.stop();
    aniProgress->stop();
    pnlProgress->hide();
    btnReadData->setEnabled(true);
}
