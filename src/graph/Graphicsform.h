#pragma once
// The graph view of the "Графики" tab: one parameter of the data model against time running
// down the screen at a chosen number of minutes per centimetre, with a scroll bar through the
// recording and a tool panel for the curve, the time scale, the value range, the colour and the
// journal's events. A double-click on an event's marker hands its events to the window.
// The chart measures too: a read-out line follows the pointer (or the arrow keys, record by
// record), a click sets marker A, Shift+click or a second click marker B, a drag selects an
// interval, Esc clears them; a panel beside the chart shows their differences and the
// interval's statistics.
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "graph/Graphevents.h"
#include "graph/Graphmeasure.h"
#include "graph/Graphpoints.h"
#include "graph/Graphslips.h"
#include "params/Grformoptions.h"

class ColorPicker;
class FileStorage;
class LogStorage;
class QCheckBox;
class QComboBox;
class QLabel;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class StripChartWidget;

class TGrForm : public QWidget {
public:
    static constexpr int highlight_ms = 1500; // an event found from the journal stands out

    // `settings` is the graph's section of the settings file: LoadOptions shows it, SaveOptions
    // puts the controls back into it.
    TGrForm(QWidget* parent, GrFormOptions& settings, const FileStorage& data,
            const LogStorage& journal);
    ~TGrForm() override;

    void LoadOptions();
    void ReloadData();
    void UpdateControlStates(bool has_data);
    void SaveOptions();
    void DrawVisibleWindow();
    // Minutes per centimetre of the selected scale; with none selected, selects entry 4.
    int FillScaleList(bool fill);

    int CurveIndex() const;
    int MinutesPerCm() const;
    std::uint32_t CurveColor() const;
    // The options as the controls show them now; the range is the last valid one typed.
    GrFormOptions Options() const;
    // The range boxes show that what they hold is not a range (left not below right).
    bool RangeIsWrong() const { return range_wrong_; }
    void CopyOptionsTo(GrFormOptions& out) const { out = Options(); }
    double PixelsPerCm() const { return pixels_per_cm_; }
    int PlotHeight() const;
    // The chart as it is shown now.
    QImage GraphImage() const;

    // Scrolls the event of journal position index to the middle of the plot and highlights it
    // for a moment. False when it is not on the chart (its moment is outside the recording).
    bool ShowEvent(int index);
    const ChartEvents& Events() const { return events_; }
    // The rig activity drawn over the chart; none (during an analysis) draws nothing. "Клинья"
    // is on by default when it has a level and off without one.
    void SetActivity(std::shared_ptr<const analysis::Activity> activity);
    // Scrolls the activity's period to the middle of the plot (its start, when it is taller)
    // and highlights it for a moment. False when it is not on the chart.
    bool ShowPeriod(int period);
    const ChartSlips& Slips() const { return slips_; }
    // Called with the journal positions of a marker double-clicked on the chart.
    void SetOnEventsChosen(std::function<void(const std::vector<int>&)> chosen) {
        on_events_chosen_ = std::move(chosen);
    }

    QComboBox* cbxName = nullptr;
    QComboBox* cbxScale = nullptr;
    QLineEdit* edLeft = nullptr;
    QLineEdit* edRight = nullptr;
    ColorPicker* clrsCurve = nullptr;
    QCheckBox* chbxEvents = nullptr;
    QCheckBox* chbxSlips = nullptr;
    QScrollBar* ScrollBar = nullptr;
    StripChartWidget* Chart = nullptr;
    QWidget* MeasureBox = nullptr; // shown while there is a marker or a selection
    QPushButton* btnShowInterval = nullptr;
    QPushButton* btnPrintInterval = nullptr;

    const ChartMeasure& Measure() const { return measure_; }
    // The panel line of key (see MeasurePanel) as shown; empty when it is not there.
    QString PanelText(const char* key) const;
    // The finest scale that shows the interval (the selection, else A to B) whole, scrolled to
    // its middle; false without an interval.
    bool ShowInterval();
    // The times of the interval's ends, the earlier first; false without an interval.
    bool IntervalTimes(std::uint32_t& from, std::uint32_t& to) const;
    // Called by "Печать интервала...".
    void SetOnPrintInterval(std::function<void()> print) { on_print_interval_ = std::move(print); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void FillCurveNames();
    void ApplyScale();
    void UpdateScrollBar();
    void ScrollBarScroll();
    void cbxScaleChange();
    // Applies the typed range; false, and the boxes marked, when it is not a valid one.
    bool RangeChange();
    // Moves to the next finer (step -1) or coarser (+1) scale, keeping the record at the
    // pointer's row where it is.
    void StepScale(int step, double pointer_y);
    void Redraw();
    // The tool tip and the double-click of the events under the pointer; false when there are
    // none there.
    bool EventsAtPointer(QEvent* e);
    // The read-out, the markers and the selection driven by the pointer and the keys; false
    // for events they leave alone.
    bool MeasureAtPointer(QEvent* e);
    // The record on the chart's row y; -1 off the plot or without points.
    int RecordAtY(double y) const;
    // Moves the read-out step records on, scrolling it into the plot.
    void StepReadout(int step);
    void MarksChanged();

    const FileStorage& data_;
    const LogStorage& journal_;
    GrFormOptions& settings_;
    const double pixels_per_cm_;
    GrFormOptions options_;
    double range_left_ = 0, range_right_ = 0; // applied to the chart
    bool range_wrong_ = false;
    GraphPoints points_;
    ChartEvents events_;
    ChartMeasure measure_{data_, points_};
    QGridLayout* panelLines_ = nullptr;
    std::function<void()> on_print_interval_;
    // A left-button press on the plot: its record and row, and whether it has become a drag.
    int press_record_ = -1;
    double press_y_ = 0;
    bool dragging_ = false;
    ChartSlips slips_;
    bool had_level_ = false; // the last activity had a level
    QTimer* highlight_timer_ = nullptr;
    std::function<void(const std::vector<int>&)> on_events_chosen_;
    QLabel* lblName_ = nullptr;
    QLabel* lblScale_ = nullptr;
    // Until the first ReloadData a chosen scale only waits for the data.
    bool data_loaded_ = false;
};
