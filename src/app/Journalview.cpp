#include "app/Journalview.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "document/Storage.h"
#include "widgets/Controlworks.h"

namespace {

constexpr int column_count = 3;

} // namespace

JournalModel::JournalModel(const Storage& document, QObject* parent)
    : QAbstractTableModel(parent), document_(document) {}

bool JournalModel::shows_events() const {
    return document_.HasData() && document_.JournalCount() > 0;
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return shows_events() ? document_.JournalCount() : 1;
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : column_count;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || !shows_events())
        return {};
    return QString::fromStdString(document_.JournalCellText(index.column(), index.row()));
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(Storage::JournalColumnTitle(section));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

void JournalModel::refresh() {
    beginResetModel();
    endResetModel();
}

void JournalCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const int blank = opt.fontMetrics.horizontalAdvance(QLatin1Char(' '));
    const QRect box = opt.rect.adjusted(blank, 0, -blank, 0);
    if (text.isEmpty() || box.width() <= 0)
        return;
    const QString shown = opt.fontMetrics.elidedText(text, Qt::ElideRight, box.width());
    const QPalette::ColorGroup group =
        opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QPalette::ColorRole role =
        opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setPen(opt.palette.color(group, role));
    painter->setFont(opt.font);
    painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter->restore();
}

JournalGrid::JournalGrid(const Storage& document, QWidget* parent)
    : QTableView(parent), model_(new JournalModel(document, this)) {
    setModel(model_);
    setItemDelegate(new JournalCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    apply_row_height();
    connect(this, &QAbstractItemView::doubleClicked, this, &JournalGrid::choose);
}

void JournalGrid::choose(const QModelIndex& index) {
    if (index.isValid() && model_->shows_events() && on_choose_)
        on_choose_(index.row());
}

void JournalGrid::select_events(const std::vector<int>& events) {
    if (events.empty() || !model_->shows_events())
        return;
    QItemSelection rows;
    for (int event : events)
        if (event >= 0 && event < model_->rowCount())
            rows.select(model_->index(event, 0), model_->index(event, model_->columnCount() - 1));
    const QModelIndex first = model_->index(events.front(), 0);
    if (!first.isValid())
        return;
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    scrollTo(first);
}

void JournalGrid::apply_row_height() {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 4);
}

void JournalGrid::fit_columns() {
    // Fractional advances, rounded up: a text one pixel fraction too wide gets an ellipsis.
    const QFontMetricsF metrics(font());
    const QFontMetricsF header_metrics(horizontalHeader()->font());
    const int blank = fontMetrics().horizontalAdvance(QLatin1Char(' '));
    const int rows = model_->rowCount();
    // A grid on a tab that is just being shown has not got its size yet; its page has.
    const int height =
        std::max(viewport()->height(), parentWidget() ? parentWidget()->height() : 0);
    const int first = std::max(0, rowAt(0));
    const int last = std::min(rows - 1, first + height / std::max(1, rowHeight(first)) + 1);
    // The grid line at the cell's right edge takes a pixel of its own.
    const int grid_line = showGrid() ? 1 : 0;
    for (int column = 0; column < model_->columnCount(); ++column) {
        qreal widest = header_metrics.horizontalAdvance(
            model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        for (int row = first; row <= last; ++row)
            widest = std::max(
                widest, metrics.horizontalAdvance(model_->index(row, column).data().toString()));
        const int text = static_cast<int>(std::ceil(widest));
        setColumnWidth(column, std::max(text, 2 * blank) + 2 * blank + grid_line);
    }
}

std::pair<int, int> JournalGrid::selected_range() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return {0, 0};
    int first = rows.front().row(), last = first;
    for (const QModelIndex& index : rows) {
        first = std::min(first, index.row());
        last = std::max(last, index.row());
    }
    return {first + 1, last + 1};
}

QString JournalGrid::selected_text() const {
    const auto [first, last] = selected_range();
    if (first == 0)
        return {};
    auto line = [this](auto text_of) {
        QStringList cells;
        for (int column = 0; column < model_->columnCount(); ++column)
            cells.push_back(text_of(column).simplified());
        return cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    QString text = line([this](int column) {
        return model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    });
    for (int row = first - 1; row < last; ++row)
        text +=
            line([this, row](int column) { return model_->index(row, column).data().toString(); });
    return text;
}

void JournalGrid::keyPressEvent(QKeyEvent* event) {
    if (!GridRowKey(
            event, [this] { return selected_text(); }, [this] { choose(currentIndex()); }))
        QTableView::keyPressEvent(event);
}

void JournalGrid::refresh() {
    model_->refresh();
    viewport()->update();
}
