#include "graph/Graphicsform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "datafile/Assembling.h"
#include "graph/Graphchart.h"
#include "library/Numstr.h"
#include "widgets/Colorpicker.h"
#include "widgets/Controlworks.h"
#include "widgets/Simplegraphics.h"
#include "widgets/Stripchart.h"

namespace {

constexpr double cm_per_inch = 0.39370078740157477;
const QColor wrong_range_color(0xFF, 0xD0, 0xD0);

// A caption over its control, as the tool panel lays them out.
QVBoxLayout* captioned(QLabel* caption, std::initializer_list<QWidget*> controls) {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(caption);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (QWidget* control : controls)
        row->addWidget(control);
    row->addStretch();
    column->addLayout(row);
    return column;
}

} // namespace

TGrForm::TGrForm(QWidget* parent, GrFormOptions& settings, const FileStorage& data,
                 const LogStorage& journal)
    : QWidget(parent), data_(data), journal_(journal), settings_(settings),
      pixels_per_cm_(logicalDpiY() * cm_per_inch), points_(data) {
    setObjectName("GrForm");
    auto* panel = new QWidget(this);
    panel->setObjectName("ToolPanel");
    panel->setFixedHeight(design_px(this, 51));
    ShadePanel(panel);

    lblName_ = new QLabel("Название кривой", panel);
    lblScale_ = new QLabel("Масштаб", panel);
    cbxName = new QComboBox(panel);
    cbxName->setObjectName("cbxName");
    // At least the designed widths; wider when the font needs it to show a whole entry.
    cbxName->setMinimumWidth(design_px(this, 191));
    cbxName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbxScale = new QComboBox(panel);
    cbxScale->setObjectName("cbxScale");
    cbxScale->setMinimumWidth(design_px(this, 131));
    cbxScale->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    edLeft = new QLineEdit(panel);
    edLeft->setObjectName("edLeft");
    edLeft->setFixedWidth(design_px(this, 66));
    edRight = new QLineEdit(panel);
    edRight->setObjectName("edRight");
    edRight->setFixedWidth(design_px(this, 71));
    clrsCurve = new ColorPicker(panel);
    clrsCurve->setObjectName("clrsCurve");
    clrsCurve->setFixedSize(design_px(this, 91), design_px(this, 25));
    // Tagged lists keep the form font; the edits take the fixed-pitch font.
    for (QComboBox* list : {cbxName, cbxScale, static_cast<QComboBox*>(clrsCurve)})
        list->setProperty("tag", 1);
    chbxEvents = new QCheckBox("События", panel);
    chbxEvents->setObjectName("chbxEvents");
    chbxEvents->setChecked(true);
    chbxEvents->setToolTip("Отметки событий журнала у правого края графика");
    chbxSlips = new QCheckBox("Клинья", panel);
    chbxSlips->setObjectName("chbxSlips");
    chbxSlips->setEnabled(false);
    chbxSlips->setToolTip("Время в клиньях и вес талевого блока");

    auto* tools = new QHBoxLayout(panel);
    tools->setContentsMargins(design_px(this, 8), design_px(this, 3), design_px(this, 8),
                              design_px(this, 3));
    tools->setSpacing(design_px(this, 12));
    tools->addLayout(captioned(lblName_, {cbxName}));
    tools->addLayout(captioned(lblScale_, {cbxScale}));
    tools->addLayout(captioned(new QLabel("Диапазоны вывода", panel), {edLeft, edRight}));
    tools->addLayout(captioned(new QLabel("Цвет кривой", panel), {clrsCurve}));
    tools->addLayout(captioned(new QLabel(panel), {chbxEvents, chbxSlips}));
    tools->addStretch();

    ScrollBar = new QScrollBar(Qt::Vertical, this);
    ScrollBar->setObjectName("ScrollBar");
    ScrollBar->setFixedWidth(design_px(this, 17));
    ScrollBar->setEnabled(false);
    Chart = new StripChartWidget(this);
    Chart->setObjectName("Chart");
    Chart->setFocusPolicy(Qt::ClickFocus);
    Chart->setMouseTracking(true); // the read-out follows the pointer
    Chart->installEventFilter(this);
    StripChart& chart = Chart->Chart();
    SetUpGraphChart(chart, logicalDpiY());
    DrawMarksAfterChart(chart, points_, events_, &measure_);
    DrawSlipsUnderChart(chart, slips_);
    events_.SetLook(EventStripLookAt(logicalDpiY()));
    measure_.SetLook(MeasureLookAt(logicalDpiY()));
    slips_.SetLook(SlipsLookAt(logicalDpiY()));
    chart.Series().SetDotRadius(design_px(this, 4));
    chart.Series().SetLabelFunction(
        [this](std::size_t k) { return GraphPointText(points_, data_, CurveIndex(), k); });

    MeasureBox = new QWidget(this);
    MeasureBox->setObjectName("MeasureBox");
    ShadePanel(MeasureBox);
    auto* measure = new QVBoxLayout(MeasureBox);
    const int gap = design_px(this, 8);
    measure->setContentsMargins(gap, gap, gap, gap);
    measure->setSpacing(gap);
    panelLines_ = new QGridLayout;
    panelLines_->setHorizontalSpacing(gap);
    panelLines_->setVerticalSpacing(design_px(this, 3));
    measure->addLayout(panelLines_);
    measure->addStretch();
    btnShowInterval = new QPushButton("Показать интервал", MeasureBox);
    btnShowInterval->setObjectName("btnShowInterval");
    btnShowInterval->setToolTip("Наименьший масштаб, при котором интервал виден целиком (Z)");
    btnPrintInterval = new QPushButton("Печать интервала...", MeasureBox);
    btnPrintInterval->setObjectName("btnPrintInterval");
    for (QPushButton* button : {btnShowInterval, btnPrintInterval}) {
        button->setFocusPolicy(Qt::TabFocus); // a click leaves the keys with the chart
        measure->addWidget(button);
    }
    MeasureBox->hide();

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(Chart, 1);
    body->addWidget(ScrollBar);
    body->addWidget(MeasureBox);
    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addWidget(panel);
    form->addLayout(body, 1);

    ApplyFormFonts(this);

    connect(ScrollBar, &QScrollBar::valueChanged, this, [this] { ScrollBarScroll(); });
    for (QLineEdit* edit : {edLeft, edRight}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { RangeChange(); });
        // Enter is done with the range: the chart takes the keys again, unless the range is
        // wrong and still to be mended.
        connect(edit, &QLineEdit::returnPressed, this, [this] {
            if (RangeChange())
                Chart->setFocus(Qt::OtherFocusReason);
        });
    }
    connect(cbxName, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
    connect(cbxScale, &QComboBox::currentIndexChanged, this, [this] {
        if (data_loaded_)
            cbxScaleChange();
    });
    clrsCurve->SetOnChange([this] { Redraw(); });
    connect(chbxEvents, &QCheckBox::toggled, this, [this](bool on) {
        events_.SetVisible(on);
        Chart->update();
    });
    connect(btnShowInterval, &QPushButton::clicked, this, [this] { ShowInterval(); });
    connect(btnPrintInterval, &QPushButton::clicked, this, [this] {
        if (on_print_interval_)
            on_print_interval_();
    });
    connect(chbxSlips, &QCheckBox::toggled, this, [this](bool on) {
        slips_.SetVisible(on);
        Chart->update();
    });
    slips_.SetVisible(false);
    highlight_timer_ = new QTimer(this);
    highlight_timer_->setSingleShot(true);
    highlight_timer_->setInterval(highlight_ms);
    connect(highlight_timer_, &QTimer::timeout, this, [this] {
        events_.SetHighlight(-1);
        slips_.SetHighlight(-1);
        Chart->update();
    });
}

TGrForm::~TGrForm() = default;

void TGrForm::LoadOptions() {
    options_ = settings_;
    if (!GrFormOptions::IsValidRange(options_.left, options_.right)) {
        const GrFormOptions defaults;
        options_.left = defaults.left;
        options_.right = defaults.right;
    }
    range_left_ = options_.left;
    range_right_ = options_.right;
    edLeft->setText(QString::fromStdString(lib::number_to_text(options_.left)));
    edRight->setText(QString::fromStdString(lib::number_to_text(options_.right)));
    if (cbxScale->count() == 0)
        FillScaleList(true);
    // A scale outside the list leaves nothing selected.
    cbxScale->setCurrentIndex(
        options_.scale >= 0 && options_.scale < GraphPoints::scale_count ? options_.scale : -1);
    clrsCurve->SetColor(options_.color);
    chbxEvents->setChecked(options_.events != 0);
}

int TGrForm::FillScaleList(bool fill) {
    if (fill) {
        const QSignalBlocker batch(cbxScale);
        cbxScale->clear();
        for (const char* text : GraphPoints::scale_texts)
            cbxScale->addItem(QString::fromUtf8(text));
        cbxScale->setCurrentIndex(-1);
    }
    if (cbxScale->currentIndex() < 0)
        cbxScale->setCurrentIndex(GraphPoints::default_scale);
    return MinutesPerCm();
}

void TGrForm::FillCurveNames() {
    const QSignalBlocker batch(cbxName);
    cbxName->clear();
    for (int i = 0; i < data_.param_count(); ++i)
        cbxName->addItem(QString::fromStdString(data_.param(i)->name));
}

void TGrForm::ReloadData() {
    {
        // The lists are set up here; their changes must not redraw half-loaded data.
        const QSignalBlocker quiet_scale(cbxScale);
        const QSignalBlocker quiet_name(cbxName);
        if (cbxScale->count() == 0)
            FillScaleList(true);
        FillCurveNames();
        if (cbxName->count() > 0)
            cbxName->setCurrentIndex(0);
        ApplyScale();
    }
    {
        // New content is shown from its first record, not where the last one was left.
        const QSignalBlocker quiet(ScrollBar);
        ScrollBar->setValue(0);
    }
    // Other records: the marks of the last ones mean nothing in them.
    measure_.Marks() = ChartMarks();
    measure_.SetReadout(-1);
    MarksChanged();
    UpdateScrollBar();
    UpdateControlStates(data_.item_count() > 0);
    Redraw();
    data_loaded_ = true;
}

void TGrForm::ApplyScale() {
    points_.SetScale(FillScaleList(false) * 60.0, pixels_per_cm_);
    events_.Place(journal_, data_, points_);
    slips_.Place(points_);
}

int TGrForm::PlotHeight() const {
    return Chart->PlotRect().Height();
}

void TGrForm::UpdateScrollBar() {
    const int span = points_.PointCount() > 0 ? points_.TotalHeight() - PlotHeight() : 0;
    if (span <= 0) {
        // Back to the start too, so that a short recording after a long one is seen.
        ScrollBar->setRange(0, 0);
        ScrollBar->setEnabled(false);
        return;
    }
    const QSignalBlocker quiet(ScrollBar); // the caller draws the window
    ScrollBar->setRange(0, span);          // keeps the position, limited to the range
    ScrollBar->setEnabled(true);
    ScrollBar->setPageStep(PlotHeight());
    ScrollBar->setSingleStep(static_cast<int>(pixels_per_cm_ * 0.25));
}

void TGrForm::UpdateControlStates(bool has_data) {
    EnableControls(has_data, {lblName_, cbxName, lblScale_, cbxScale});
}

void TGrForm::DrawVisibleWindow() {
    ShowGraphWindow(points_, events_, Chart->Chart(), ScrollBar->value(), CurveIndex(),
                    CurveColor(), pixels_per_cm_);
    slips_.ShowWindow(ScrollBar->value(), ScrollBar->value() + PlotHeight(), CurveIndex());
}

void TGrForm::Redraw() {
    DrawVisibleWindow();
    if (measure_.Curve() != CurveIndex()) {
        measure_.SetCurve(CurveIndex());
        MarksChanged();
    }
    Chart->update();
}

void TGrForm::ScrollBarScroll() {
    Redraw();
}

void TGrForm::cbxScaleChange() {
    ApplyScale();
    UpdateScrollBar();
    Redraw();
    if (ScrollBar->isEnabled())
        ScrollBar->setFocus();
}

bool TGrForm::RangeChange() {
    const QString left_text = edLeft->text().trimmed(), right_text = edRight->text().trimmed();
    const double left = lib::text_to_number(left_text.toStdString());
    const double right = lib::text_to_number(right_text.toStdString());
    // An empty or reversed range would draw nothing useful: the boxes say so and the last valid
    // one stays, on the chart, on paper and in the settings.
    const bool valid =
        !left_text.isEmpty() && !right_text.isEmpty() && GrFormOptions::IsValidRange(left, right);
    for (QLineEdit* edit : {edLeft, edRight}) {
        QPalette look = edit->palette();
        look.setColor(QPalette::Base, valid ? palette().color(QPalette::Base) : wrong_range_color);
        edit->setPalette(look);
        edit->setToolTip(valid ? QString()
                               : QStringLiteral("Левая граница должна быть меньше правой"));
    }
    range_wrong_ = !valid;
    if (!valid)
        return false;
    range_left_ = left;
    range_right_ = right;
    Chart->Chart().BottomAxis().SetRange(left, right);
    Chart->update();
    return true;
}

GrFormOptions TGrForm::Options() const {
    GrFormOptions options;
    options.left = range_left_;
    options.right = range_right_;
    options.scale = cbxScale->currentIndex();
    options.color = CurveColor();
    options.events = chbxEvents->isChecked() ? 1 : 0;
    return options;
}

void TGrForm::SaveOptions() {
    options_ = Options();
    settings_ = options_;
}

int TGrForm::CurveIndex() const {
    return cbxName->currentIndex();
}

int TGrForm::MinutesPerCm() const {
    const int index = cbxScale->currentIndex();
    return GraphPoints::scale_minutes[index >= 0 && index < GraphPoints::scale_count
                                          ? index
                                          : GraphPoints::default_scale];
}

std::uint32_t TGrForm::CurveColor() const {
    return clrsCurve->Color();
}

QImage TGrForm::GraphImage() const {
    QImage image(Chart->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    Chart->Chart().Paint(painter, image.rect());
    return image;
}

bool TGrForm::eventFilter(QObject* watched, QEvent* e) {
    // The chart's own size is what matters: the tool panel may change height after the form
    // was laid out.
    if (watched == Chart && e->type() == QEvent::Resize) {
        UpdateScrollBar();
        Redraw();
    }
    if (watched == Chart && (EventsAtPointer(e) || MeasureAtPointer(e)))
        return true;
    return QWidget::eventFilter(watched, e);
}

bool TGrForm::EventsAtPointer(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(e);
        const std::vector<int> events = events_.At(Chart->Chart(), help->pos());
        if (events.empty())
            return false; // the curve's own tip
        QToolTip::showText(help->globalPos(), EventsText(journal_, events), Chart);
        return true;
    }
    if (e->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(e);
        const std::vector<int> events = events_.At(Chart->Chart(), mouse->position());
        if (events.empty() || mouse->button() != Qt::LeftButton || !on_events_chosen_)
            return false;
        on_events_chosen_(events);
        return true;
    }
    return false;
}

bool TGrForm::ShowEvent(int index) {
    const analysis::EventRow* event = events_.Placed().Find(index);
    events_.SetHighlight(event ? index : -1);
    if (!event) {
        Chart->update();
        return false;
    }
    highlight_timer_->start();
    // The scroll bar keeps the position within its range: near either end the event is as
    // near the middle as the recording lets it be.
    ScrollBar->setValue(event->row - PlotHeight() / 2);
    Redraw();
    return true;
}

void TGrForm::SetActivity(std::shared_ptr<const analysis::Activity> activity) {
    const bool level = activity && activity->block_weight;
    slips_.SetActivity(std::move(activity));
    slips_.Place(points_);
    chbxSlips->setEnabled(level);
    // A level found anew shows; the user's choice holds while it stays.
    if (level != had_level_)
        chbxSlips->setChecked(level);
    had_level_ = level;
    Redraw();
}

bool TGrForm::ShowPeriod(int period) {
    const SlipsRows* rows = slips_.Find(period);
    slips_.SetHighlight(rows ? period : -1);
    if (!rows) {
        Chart->update();
        return false;
    }
    highlight_timer_->start();
    const int height = PlotHeight();
    const int span = rows->end_row - rows->row;
    ScrollBar->setValue(span < height * 3 / 4 ? (rows->row + rows->end_row - height) / 2
                                              : rows->row - height / 8);
    Redraw();
    return true;
}

void TGrForm::wheelEvent(QWheelEvent* e) {
    const int delta = e->angleDelta().y();
    if (e->modifiers() & Qt::ControlModifier) {
        if (delta != 0)
            StepScale(delta > 0 ? -1 : 1, Chart->mapFrom(this, e->position()).y());
    } else {
        // Integer arithmetic, truncated towards zero, as one notch has always moved.
        const int move = delta * ScrollBar->singleStep() / logicalDpiY();
        ScrollBar->setValue(ScrollBar->value() - move);
    }
    e->ignore();
}

void TGrForm::StepScale(int step, double pointer_y) {
    const int index = cbxScale->currentIndex();
    const int next = std::clamp(index + step, 0, GraphPoints::scale_count - 1);
    if (index < 0 || next == index || points_.PointCount() == 0)
        return;
    const StripChart& chart = Chart->Chart();
    const double row =
        std::clamp(pointer_y, double(chart.PlotRect().top), double(chart.PlotRect().bottom)) -
        chart.PlotRect().top;
    const int point =
        std::min(points_.FirstPointFrom(ScrollBar->value() + row), points_.PointCount() - 1);
    const int record = points_.Points()[point].index;
    cbxScale->setCurrentIndex(next); // runs cbxScaleChange: there are points, so data are loaded
    const int moved = points_.PointOfRecord(record);
    if (moved < points_.PointCount())
        ScrollBar->setValue(points_.Points()[moved].offset - static_cast<int>(std::lround(row)));
}

void TGrForm::keyPressEvent(QKeyEvent* e) {
    const std::pair<int, QAbstractSlider::SliderAction> keys[] = {
        {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub},
        {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
        {Qt::Key_Up, QAbstractSlider::SliderSingleStepSub},
        {Qt::Key_Down, QAbstractSlider::SliderSingleStepAdd},
        {Qt::Key_Home, QAbstractSlider::SliderToMinimum},
        {Qt::Key_End, QAbstractSlider::SliderToMaximum}};
    if (e->key() == Qt::Key_Z && e->modifiers() == Qt::NoModifier && ShowInterval())
        return;
    if (e->key() == Qt::Key_Escape && !measure_.Marks().Empty()) {
        measure_.Marks() = ChartMarks();
        MarksChanged();
        return;
    }
    for (const auto& [key, action] : keys) {
        if (e->key() == key && ScrollBar->isEnabled()) {
            ScrollBar->triggerAction(action);
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

int TGrForm::RecordAtY(double y) const {
    const StripChart& chart = Chart->Chart();
    const StripChart::Plot& plot = chart.PlotRect();
    if (y < plot.top || y > plot.bottom)
        return -1;
    return RecordAtRow(points_, chart.YToLeftAxis(y));
}

bool TGrForm::MeasureAtPointer(QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(e);
        const int record = RecordAtY(mouse->position().y());
        measure_.SetReadout(record);
        if (press_record_ >= 0 && (mouse->buttons() & Qt::LeftButton) && record >= 0 &&
            (dragging_ ||
             std::abs(mouse->position().y() - press_y_) >= QApplication::startDragDistance())) {
            dragging_ = true;
            measure_.Marks().select_from = press_record_;
            measure_.Marks().select_to = record;
            MarksChanged();
        }
        Chart->update();
        return false; // the chart's own tip of the curve
    }
    case QEvent::Leave:
        measure_.SetReadout(-1);
        Chart->update();
        return false;
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(e);
        if (mouse->button() != Qt::LeftButton ||
            !events_.At(Chart->Chart(), mouse->position()).empty())
            return false;
        press_record_ = RecordAtY(mouse->position().y());
        press_y_ = mouse->position().y();
        dragging_ = false;
        return false; // the chart takes the focus
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(e);
        if (mouse->button() != Qt::LeftButton || press_record_ < 0)
            return false;
        ChartMarks& marks = measure_.Marks();
        if (!dragging_) {
            // A click: B after A, or with Shift; otherwise a new A alone.
            if ((mouse->modifiers() & Qt::ShiftModifier) || (marks.a >= 0 && marks.b < 0)) {
                marks.b = press_record_;
            } else {
                marks = ChartMarks();
                marks.a = press_record_;
            }
            MarksChanged();
        }
        press_record_ = -1;
        dragging_ = false;
        return true;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down)
            return false;
        StepReadout(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    }
    default:
        return false;
    }
}

void TGrForm::StepReadout(int step) {
    const int top = ScrollBar->value(), height = PlotHeight();
    int record = measure_.Readout();
    // The first step starts from the plot's top row.
    record = record < 0 ? RecordAtRow(points_, top) : StepRecord(points_, record, step);
    if (record < 0)
        return;
    measure_.SetReadout(record);
    const int row = RowOfRecord(points_, record);
    if (row < top)
        ScrollBar->setValue(row);
    else if (row > top + height)
        ScrollBar->setValue(row - height);
    Chart->update();
}

void TGrForm::MarksChanged() {
    while (QLayoutItem* item = panelLines_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const std::vector<PanelLine> lines = ::MeasurePanel(data_, CurveIndex(), measure_.Marks());
    int row = 0;
    for (const PanelLine& line : lines) {
        auto* label = new QLabel(QString::fromStdString(line.label), MeasureBox);
        if (line.key == "title") {
            // A gap above the statistics' heading.
            label->setContentsMargins(0, design_px(this, 8), 0, 0);
            label->setProperty("tag", 4);
            panelLines_->addWidget(label, row++, 0, 1, 2);
            continue;
        }
        auto* value = new QLabel(QString::fromStdString(line.value), MeasureBox);
        value->setObjectName(QString::fromStdString("measure_" + line.key));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        panelLines_->addWidget(label, row, 0);
        panelLines_->addWidget(value, row++, 1);
    }
    ApplyFormFonts(MeasureBox);
    int first = 0, last = 0;
    const bool interval = measure_.Marks().Interval(first, last);
    btnShowInterval->setEnabled(interval);
    btnPrintInterval->setEnabled(interval);
    MeasureBox->setVisible(!measure_.Marks().Empty());
    Chart->update();
}

QString TGrForm::PanelText(const char* key) const {
    const auto* value = MeasureBox->findChild<QLabel*>(QString("measure_") + key);
    return value ? value->text() : QString();
}

bool TGrForm::IntervalTimes(std::uint32_t& from, std::uint32_t& to) const {
    int first = 0, last = 0;
    if (!measure_.Marks().Interval(first, last) || !data_.item(first) || !data_.item(last))
        return false;
    from = std::min(data_.time(first), data_.time(last));
    to = std::max(data_.time(first), data_.time(last));
    return true;
}

bool TGrForm::ShowInterval() {
    int first = 0, last = 0;
    if (!measure_.Marks().Interval(first, last) || points_.PointCount() == 0)
        return false;
    const bool keys_here = Chart->hasFocus();
    const int scale = FitScale(data_, first, last, PlotHeight(), pixels_per_cm_);
    cbxScale->setCurrentIndex(scale); // a change rescales and redraws
    const int top = RowOfRecord(points_, first), bottom = RowOfRecord(points_, last);
    ScrollBar->setValue((top + bottom) / 2 - PlotHeight() / 2);
    Redraw();
    if (keys_here)
        Chart->setFocus();
    return true;
}
