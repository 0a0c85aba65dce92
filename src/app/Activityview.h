#pragma once
// The "Операции" tab: the rig activity of the document's hook load. A summary line, the block
// weight, margin and shortest period as fields (kept in the settings' [Activity] section), and
// the table of the in-slips periods. Enter or a double-click on a row hands the period to the
// window; Ctrl+C copies the selected rows with the header, tab-separated.
#include <QAbstractTableModel>
#include <QTableView>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "analysis/Activity.h"
#include "app/Activityrunner.h"

class ActivityOptions;
class QLabel;
class QLineEdit;
class Storage;

class ActivityModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Shows activity's periods; none shows an empty table.
    void Show(std::shared_ptr<const analysis::Activity> activity);
    const analysis::Activity* Activity() const { return activity_.get(); }

private:
    std::shared_ptr<const analysis::Activity> activity_;
};

class PeriodsGrid : public QTableView {
public:
    explicit PeriodsGrid(QWidget* parent);
    ActivityModel& periods() { return *model_; }
    // The selected rows under the header line, tab-separated; what Ctrl+C copies.
    QString selected_text() const;
    // Called with the period of a row chosen with Enter or a double-click.
    void SetOnChoose(std::function<void(int period)> choose) { on_choose_ = std::move(choose); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(const QModelIndex& index);

    ActivityModel* model_;
    std::function<void(int)> on_choose_;
};

class TActivityForm : public QWidget {
public:
    static constexpr const char* busy_text = "Анализ...";

    TActivityForm(QWidget* parent, ActivityOptions& settings, const Storage& document);

    // Analyses the document anew with the fields' settings; the summary says "Анализ..." until
    // a large recording's result is in.
    void Analyse();
    // Stops an analysis that runs: the document is about to change.
    void Stop() { runner_.Stop(); }
    ActivityRunner& Runner() { return runner_; }
    // The result shown; none while an analysis runs.
    const std::shared_ptr<const analysis::Activity>& Result() const { return result_; }
    // Called with every new result; none: no data, or the analysis failed.
    void SetOnResult(std::function<void(std::shared_ptr<const analysis::Activity>)> on_result) {
        on_result_ = std::move(on_result);
    }
    void SetOnChoose(std::function<void(int period)> choose) {
        Grid->SetOnChoose(std::move(choose));
    }
    // The fields as the settings hold them.
    void LoadOptions();

    QLabel* lblSummary = nullptr;
    QLineEdit* edBlockWeight = nullptr;
    QLineEdit* edMargin = nullptr;
    QLineEdit* edMinSeconds = nullptr;
    PeriodsGrid* Grid = nullptr;

private:
    // A field whose text is a valid setting stores it and analyses again; any other text gives
    // way to the setting kept.
    void FieldEdited();
    void Show(std::shared_ptr<const analysis::Activity> result);

    ActivityOptions& settings_;
    const Storage& document_;
    ActivityRunner runner_;
    std::shared_ptr<const analysis::Activity> result_;
    std::function<void(std::shared_ptr<const analysis::Activity>)> on_result_;
};
