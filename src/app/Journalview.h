#pragma once
// The journal grid: a view over the document's event journal that asks the document for every
// header and cell text when it paints; nothing is cached.
#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <utility>
#include <vector>

class Storage;

class JournalModel : public QAbstractTableModel {
public:
    JournalModel(const Storage& document, QObject* parent);

    // One row per event when the document has data and events; otherwise one empty row.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The document changed: the view asks again for everything.
    void refresh();
    // Rows are events (not the one empty row).
    bool shows_events() const;

private:
    const Storage& document_;
};

// Cell texts with a margin of one blank on either side, centred vertically, cut with an
// ellipsis at the end when they do not fit.
class JournalCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

class JournalGrid : public QTableView {
public:
    JournalGrid(const Storage& document, QWidget* parent);

    // Rows are the line height of the grid's font plus 4 pixels, so no letter is cut; every
    // row the same, so a journal of millions of events scrolls without measuring them.
    void apply_row_height();
    // Each column as wide as its header and the texts of the rows in view, plus two blanks.
    void fit_columns();
    // The first and last selected grid rows (the header is grid row 0); {0, 0} without a
    // selection.
    std::pair<int, int> selected_range() const;
    void refresh();
    JournalModel& journal() { return *model_; }
    // The selected rows under the header row, tab-separated, one line each; what Ctrl+C copies.
    QString selected_text() const;
    // Called with the event position of a row chosen with Enter or a double-click.
    void SetOnChoose(std::function<void(int event)> choose) { on_choose_ = std::move(choose); }
    // Selects the rows of these event positions, the first one current and in view.
    void select_events(const std::vector<int>& events);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(const QModelIndex& index);

    JournalModel* model_;
    std::function<void(int)> on_choose_;
};
