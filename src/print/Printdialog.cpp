#include "print/Printdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

#include "datafile/Assembling.h"
#include "document/Storage.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "print/Logpreviewdialog.h"
#include "print/Printgrhelper.h"
#include "print/Printjob.h"
#include "print/Printlayout.h"
#include "widgets/Controlworks.h"
#include "widgets/Messageboxes.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr std::int64_t seconds_per_day = 86400;

// What the last completed dialog of this run chose.
struct RememberedChoice {
    bool set = false;
    QDate date;
    bool daily = false;
};

RememberedChoice& remembered() {
    static RememberedChoice choice;
    return choice;
}

QDate date_of(std::int64_t t) {
    const lib::time_parts p = lib::time_to_datetime(
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(t, 0, UINT32_MAX)));
    return QDate(p.year, p.month, p.day);
}

double datetime_of(const QDate& date) {
    lib::time_parts p;
    p.year = date.year();
    p.month = date.month();
    p.day = date.day();
    return lib::parts_to_datetime(p);
}

// The pictures beside the two choices: a curve on a strip, and journal lines.
QPixmap choice_image(bool graph, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF sheet(size * 0.12, size * 0.05, size * 0.76, size * 0.9);
    p.setPen(QPen(QColor(90, 90, 90), std::max(1.0, size / 24.0)));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    if (graph) {
        QPainterPath curve;
        curve.moveTo(sheet.center().x(), sheet.top() + 2);
        const double step = sheet.height() / 6;
        for (int i = 1; i <= 6; ++i)
            curve.lineTo(sheet.left() + sheet.width() * (i % 2 ? 0.25 : 0.75),
                         sheet.top() + i * step - 1);
        p.setPen(QPen(Qt::red, std::max(1.5, size / 14.0)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);
    } else {
        p.setPen(QPen(QColor(0, 0, 128), std::max(1.0, size / 20.0)));
        for (int i = 1; i <= 5; ++i) {
            const double y = sheet.top() + i * sheet.height() / 6;
            p.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - 3, y));
        }
    }
    return pixmap;
}

QFrame* group_frame(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

TPrintForm::TPrintForm(QWidget* owner, const PrintDataIn& in, TGrForm& graph, const Storage& doc,
                       ProgramPrinter& printer)
    : QDialog(owner), in_(in), graph_(graph), doc_(doc), printer_(printer),
      preview_(new TLogPreviewForm(this, doc, printer)) {
    setWindowTitle("  Распечатка данных");
    const int image_size = design_px(this, 40);

    QFrame* graph_group = group_frame(this);
    chbxGraph = new QCheckBox("График", graph_group);
    imgGraph = new QLabel(graph_group);
    rbtnGraphAll = new QRadioButton("Целиком", graph_group);
    rbtnGraphDaily = new QRadioButton("За сутки", graph_group);
    rbtnGraphInterval = new QRadioButton(
        QString::fromStdString("Интервал " + IntervalText(in.interval_from, in.interval_to)),
        graph_group);
    rbtnGraphInterval->setObjectName("rbtnGraphInterval");
    rbtnGraphInterval->setVisible(in.interval);
    DateTimePicker = new QDateEdit(graph_group);
    DateTimePicker->setCalendarPopup(true);
    DateTimePicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    auto* graph_choice = new QButtonGroup(graph_group);
    graph_choice->addButton(rbtnGraphAll);
    graph_choice->addButton(rbtnGraphDaily);
    graph_choice->addButton(rbtnGraphInterval);

    QFrame* log_group = group_frame(this);
    chbxLog = new QCheckBox("Журнал", log_group);
    imgLog = new QLabel(log_group);
    rbtnLogAll = new QRadioButton("Целиком", log_group);
    rbtnLogSel = new QRadioButton("Выделенный участок", log_group);
    btnLogPreview = new QPushButton("Просмотр...", log_group);
    auto* log_choice = new QButtonGroup(log_group);
    log_choice->addButton(rbtnLogAll);
    log_choice->addButton(rbtnLogSel);

    btnOk = new QPushButton("Печать", this);
    btnCancel = new QPushButton("Отмена", this);
    btnOk->setDefault(true);
    btnCancel->setAutoDefault(false);
    btnLogPreview->setAutoDefault(false);

    imgGraph->setPixmap(choice_image(true, image_size));
    imgLog->setPixmap(choice_image(false, image_size));
    chbxGraph->setChecked(true);
    rbtnGraphAll->setChecked(true);
    chbxLog->setChecked(true);
    rbtnLogAll->setChecked(true);
    imgGraph->setObjectName("imgGraph");
    imgLog->setObjectName("imgLog");
    chbxGraph->setObjectName("chbxGraph");
    rbtnGraphAll->setObjectName("rbtnGraphAll");
    rbtnGraphDaily->setObjectName("rbtnGraphDaily");
    DateTimePicker->setObjectName("DateTimePicker");
    chbxLog->setObjectName("chbxLog");
    rbtnLogAll->setObjectName("rbtnLogAll");
    rbtnLogSel->setObjectName("rbtnLogSel");
    btnLogPreview->setObjectName("btnLogPreview");
    btnOk->setObjectName("btnOk");
    btnCancel->setObjectName("btnCancel");

    const int margin = design_px(this, 10), spacing = design_px(this, 8);
    const auto lay_out_group = [&](QFrame* frame, QCheckBox* check, QLabel* image,
                                   QRadioButton* all, QRadioButton* part, QWidget* beside) {
        auto* grid = new QGridLayout(frame);
        grid->setContentsMargins(margin, margin, margin, margin);
        grid->setHorizontalSpacing(spacing);
        grid->addWidget(image, 0, 0, 3, 1, Qt::AlignTop);
        grid->addWidget(check, 0, 1, 1, 2);
        grid->addWidget(all, 1, 1);
        grid->addWidget(part, 2, 1);
        grid->addWidget(beside, 2, 2);
        grid->setColumnStretch(3, 1);
    };
    lay_out_group(graph_group, chbxGraph, imgGraph, rbtnGraphAll, rbtnGraphDaily, DateTimePicker);
    if (in.interval)
        static_cast<QGridLayout*>(graph_group->layout())->addWidget(rbtnGraphInterval, 3, 1, 1, 3);
    lay_out_group(log_group, chbxLog, imgLog, rbtnLogAll, rbtnLogSel, btnLogPreview);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(spacing);
    buttons->addStretch();
    for (QPushButton* button : {btnOk, btnCancel}) {
        button->setMinimumSize(design_px(this, 100), design_px(this, 30));
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    layout->addWidget(graph_group);
    layout->addWidget(log_group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(chbxGraph, &QCheckBox::clicked, this, &TPrintForm::chbxGraphClick);
    connect(chbxLog, &QCheckBox::clicked, this, &TPrintForm::chbxLogClick);
    connect(DateTimePicker, &QDateEdit::dateChanged, this, &TPrintForm::DateTimePickerChange);
    connect(btnLogPreview, &QPushButton::clicked, this, &TPrintForm::btnLogPreviewClick);
    connect(btnOk, &QPushButton::clicked, this, &TPrintForm::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    ApplyFormFonts(this);
}

TPrintForm::~TPrintForm() = default;

bool TPrintForm::Run() {
    const RememberedChoice& choice = remembered();
    const FileStorage& data = doc_.Data();
    const bool has_records = data.item_count() > 0;
    if (choice.set) {
        DateTimePicker->setDate(choice.date);
        (choice.daily ? rbtnGraphDaily : rbtnGraphAll)->setChecked(true);
    } else if (has_records) {
        DateTimePicker->setDate(date_of(data.time(0)));
    }
    if (in_.interval)
        rbtnGraphInterval->setChecked(true);

    single_ = in_.first_row == in_.last_row;
    (single_ ? rbtnLogAll : rbtnLogSel)->setChecked(true);
    UpdateLogControls();

    if (has_records) {
        // From the day before the first record to the day after the last.
        DateTimePicker->setDateRange(
            date_of(std::int64_t(data.time(0)) - seconds_per_day),
            date_of(std::int64_t(data.time(data.item_count() - 1)) + seconds_per_day));
    } else {
        chbxGraph->setChecked(false);
        chbxGraph->setEnabled(false);
    }
    UpdateGraphControls();
    UpdatePrintButton();

    CenterOnScreen(this);
    if (exec() != QDialog::Accepted)
        return false;
    RememberedChoice& kept = remembered();
    // The interval is this print's alone: the choice kept is the one without it.
    kept = {true, DateTimePicker->date(),
            rbtnGraphDaily->isChecked() || (rbtnGraphInterval->isChecked() && kept.daily)};
    return true;
}

void TPrintForm::UpdateGraphControls() {
    EnableControls(chbxGraph->isChecked(),
                   {imgGraph, rbtnGraphAll, rbtnGraphDaily, rbtnGraphInterval, DateTimePicker});
}

void TPrintForm::UpdateLogControls() {
    const bool on = chbxLog->isChecked();
    EnableControls(on, {imgLog, btnLogPreview, rbtnLogAll});
    rbtnLogSel->setEnabled(on && !single_);
}

void TPrintForm::UpdatePrintButton() {
    btnOk->setEnabled(chbxGraph->isChecked() || chbxLog->isChecked());
}

void TPrintForm::chbxGraphClick() {
    if (!isVisible())
        return;
    UpdateGraphControls();
    UpdatePrintButton();
}

void TPrintForm::chbxLogClick() {
    if (!isVisible())
        return;
    UpdateLogControls();
    UpdatePrintButton();
}

void TPrintForm::DateTimePickerChange() {
    if (isVisible())
        rbtnGraphDaily->setChecked(true);
}

std::pair<int, int> TPrintForm::JournalRange() const {
    if (rbtnLogSel->isChecked())
        return {in_.first_row, in_.last_row};
    return {0, doc_.JournalCount() - 1};
}

void TPrintForm::btnLogPreviewClick() {
    if (!isVisible())
        return;
    run_guarded(this, [this] {
        const auto [first, last] = JournalRange();
        preview_->ShowJournal(TLogPreviewForm::Mode::view, first, last);
    });
}

void TPrintForm::btnOkClick() {
    if (!isVisible())
        return;
    run_guarded(this, [this] {
        // Before the journal's preview, which would be shown for nothing.
        CheckPrinterSetUp(printer_.Get());
        std::unique_ptr<PrintJob> job = PrintJournal();
        if (chbxGraph->isChecked()) {
            // On paper the journal and the graph are two jobs, as ever; into one PDF file the
            // graph follows the journal in its job, since a job of its own would write it over.
            if (job && !job->IntoFile()) {
                job->End();
                job.reset();
            }
            if (!job)
                job = std::make_unique<PrintJob>(printer_.Get(), doc_.FileName());
            PrintGraph(*job);
        }
        if (job)
            job->End();
        accept();
    });
}

std::unique_ptr<PrintJob> TPrintForm::PrintJournal() {
    if (!chbxLog->isChecked())
        return nullptr;
    const auto [first, last] = JournalRange();
    if (!preview_->ShowJournal(TLogPreviewForm::Mode::print, first, last))
        return nullptr;
    auto job = std::make_unique<PrintJob>(printer_.Get(), doc_.FileName());
    preview_->PrintReport(*job);
    return job;
}

void TPrintForm::PrintGraph(PrintJob& job) {
    GrPrintDataIn print_in = in_;
    print_in.daily = rbtnGraphDaily->isChecked();
    print_in.interval = in_.interval && rbtnGraphInterval->isChecked();
    if (print_in.daily)
        DayWindow(datetime_of(DateTimePicker->date()), print_in.day_start, print_in.day_end);
    graph_.CopyOptionsTo(print_in.options);
    TPrintGrForm form(print_in, doc_, graph_.logicalDpiY());
    form.Print(job, [this](int pages) {
        return QMessageBox::question(
                   this, QString::fromUtf8(error_caption),
                   QStringLiteral("Распечатка займёт %1 страниц. Продолжить?").arg(pages),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    });
}

void UseAsPrinterChoice(QPrintDialog& dialog) {
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("Выбрать"));
}
