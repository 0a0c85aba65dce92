#include "app/Activityview.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "analysis/Activity_text.h"
#include "app/Activityoptions.h"
#include "document/Storage.h"
#include "library/Numstr.h"
#include "widgets/Controlworks.h"
#include "widgets/Simplegraphics.h"

int ActivityModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !activity_ ? 0 : activity_->count();
}

int ActivityModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : analysis::period_columns;
}

QVariant ActivityModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !activity_)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(
            analysis::period_cell(*activity_, index.row(), index.column()));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(
            (index.column() == 0 || index.column() >= 3 ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignVCenter));
    return {};
}

QVariant ActivityModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return QString::fromUtf8(analysis::period_column_title(section));
}

void ActivityModel::Show(std::shared_ptr<const analysis::Activity> activity) {
    beginResetModel();
    activity_ = std::move(activity);
    endResetModel();
}

PeriodsGrid::PeriodsGrid(QWidget* parent) : QTableView(parent), model_(new ActivityModel(this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    connect(this, &QAbstractItemView::doubleClicked, this, &PeriodsGrid::choose);
}

void PeriodsGrid::choose(const QModelIndex& index) {
    if (index.isValid() && on_choose_)
        on_choose_(index.row());
}

QString PeriodsGrid::selected_text() const {
    if (!model_->Activity())
        return {};
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    return QString::fromStdString(analysis::periods_text(*model_->Activity(), std::move(rows)));
}

void PeriodsGrid::keyPressEvent(QKeyEvent* event) {
    if (!GridRowKey(
            event, [this] { return selected_text(); }, [this] { choose(currentIndex()); }))
        QTableView::keyPressEvent(event);
}

namespace {

// A caption beside its field.
QLineEdit* add_field(QWidget* panel, QHBoxLayout* row, const char* caption, const char* name,
                     const char* tip) {
    auto* label = new QLabel(QString::fromUtf8(caption), panel);
    auto* edit = new QLineEdit(panel);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(design_px(panel, 66));
    edit->setToolTip(QString::fromUtf8(tip));
    label->setBuddy(edit);
    row->addWidget(label);
    row->addWidget(edit);
    row->addSpacing(design_px(panel, 12));
    return edit;
}

} // namespace

TActivityForm::TActivityForm(QWidget* parent, ActivityOptions& settings, const Storage& document)
    : QWidget(parent), settings_(settings), document_(document) {
    setObjectName("ActivityForm");
    auto* panel = new QWidget(this);
    panel->setObjectName("ActivityPanel");
    ShadePanel(panel);
    auto* fields = new QHBoxLayout(panel);
    fields->setContentsMargins(design_px(this, 8), design_px(this, 6), design_px(this, 8),
                               design_px(this, 6));
    fields->setSpacing(design_px(this, 4));
    edBlockWeight = add_field(panel, fields, "&Вес талевого блока, т", "edBlockWeight",
                              "Пусто: оценка по записи");
    edBlockWeight->setPlaceholderText("оценка");
    edMargin = add_field(panel, fields, "&Запас, т", "edMargin",
                         "В клиньях: нагрузка не выше веса блока и запаса");
    edMinSeconds = add_field(panel, fields, "&Не короче, с", "edMinSeconds",
                             "Самое короткое время в клиньях, секунды");
    fields->addStretch();

    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSummary->setWordWrap(true); // a narrow window keeps the whole line
    lblSummary->setContentsMargins(design_px(this, 8), design_px(this, 6), design_px(this, 8),
                                   design_px(this, 6));
    Grid = new PeriodsGrid(this);
    Grid->setObjectName("PeriodsGrid");

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addWidget(panel);
    form->addWidget(lblSummary);
    form->addWidget(Grid, 1);
    ApplyFormFonts(this);

    for (QLineEdit* edit : {edBlockWeight, edMargin, edMinSeconds})
        connect(edit, &QLineEdit::editingFinished, this, &TActivityForm::FieldEdited);
    LoadOptions();
    lblSummary->setText(QStringLiteral("Нет данных"));
}

void TActivityForm::LoadOptions() {
    const analysis::ActivitySettings s = settings_.Settings();
    edBlockWeight->setText(
        s.block_weight ? QString::fromStdString(lib::number_to_text(*s.block_weight)) : QString());
    edMargin->setText(QString::fromStdString(lib::number_to_text(s.margin)));
    edMinSeconds->setText(QString::number(s.min_seconds));
}

void TActivityForm::FieldEdited() {
    const std::string weight = edBlockWeight->text().trimmed().toStdString();
    const std::optional<double> block = field_number(weight, ActivityOptions::lowest_block_weight,
                                                     ActivityOptions::highest_block_weight);
    const std::optional<double> margin =
        field_number(edMargin->text().toStdString(), 0, ActivityOptions::highest_margin);
    const std::optional<double> seconds =
        field_number(edMinSeconds->text().toStdString(), 1, ActivityOptions::highest_min_seconds);
    const analysis::ActivitySettings before = settings_.Settings();
    if (weight.empty() || block)
        settings_.block_weight = block.value_or(0);
    if (margin)
        settings_.margin = *margin;
    if (seconds && *seconds == std::floor(*seconds))
        settings_.min_seconds = static_cast<std::int32_t>(*seconds);
    LoadOptions();
    const analysis::ActivitySettings after = settings_.Settings();
    if (after.block_weight != before.block_weight || after.margin != before.margin ||
        after.min_seconds != before.min_seconds)
        Analyse();
}

void TActivityForm::Analyse() {
    runner_.Stop();
    result_.reset();
    Grid->periods().Show(nullptr);
    if (!document_.HasData()) {
        lblSummary->setText(QStringLiteral("Нет данных"));
        if (on_result_)
            on_result_(nullptr);
        return;
    }
    lblSummary->setText(QString::fromUtf8(busy_text));
    const FileStorage& data = document_.Data();
    runner_.Run(
        data, analysis::activity_curve(data), settings_.Settings(),
        [this](std::shared_ptr<const analysis::Activity> result) { Show(std::move(result)); });
}

void TActivityForm::Show(std::shared_ptr<const analysis::Activity> result) {
    result_ = std::move(result);
    Grid->periods().Show(result_);
    lblSummary->setText(result_ ? QString::fromStdString(analysis::activity_summary(*result_))
                                : QStringLiteral("Анализ не удался: не хватило памяти"));
    if (on_result_)
        on_result_(result_);
}
