#pragma once
// TPrintForm: the choice of what "Распечатать..." prints, the graph (whole or one day) and the
// journal (whole or the selected rows), and the printing itself. The day and "За сутки" chosen
// last are offered again for the rest of the run. Given an interval of the chart, the graph
// choice offers it too, chosen.
#include <QDialog>

#include <memory>

#include "print/Printdata.h"

class PrintJob;
class QPrintDialog;
class ProgramPrinter;
class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class Storage;
class TGrForm;
class TLogPreviewForm;

class TPrintForm : public QDialog {
public:
    // printer is the program's printer, which the graph and the journal are printed on.
    TPrintForm(QWidget* owner, const PrintDataIn& in, TGrForm& graph, const Storage& doc,
               ProgramPrinter& printer);
    ~TPrintForm() override;

    // Shows the dialog modally; true when it was closed by "Печать".
    bool Run();

    TLogPreviewForm& Preview() { return *preview_; }

    QCheckBox* chbxGraph;
    QLabel* imgGraph;
    QRadioButton* rbtnGraphAll;
    QRadioButton* rbtnGraphDaily;
    QRadioButton* rbtnGraphInterval; // there only with an interval
    QDateEdit* DateTimePicker;
    QCheckBox* chbxLog;
    QLabel* imgLog;
    QRadioButton* rbtnLogAll;
    QRadioButton* rbtnLogSel;
    QPushButton* btnLogPreview;
    QPushButton* btnOk;
    QPushButton* btnCancel;

private:
    void UpdateGraphControls();
    void UpdateLogControls();
    void UpdatePrintButton();
    void chbxGraphClick();
    void chbxLogClick();
    void DateTimePickerChange();
    void btnLogPreviewClick();
    void btnOkClick();
    // The journal's pages, when it is chosen and the user chose to print it in the preview; the
    // job is left open for what follows.
    std::unique_ptr<PrintJob> PrintJournal();
    void PrintGraph(PrintJob& job);
    // The events the journal choice covers.
    std::pair<int, int> JournalRange() const;

    PrintDataIn in_;
    TGrForm& graph_;
    const Storage& doc_;
    ProgramPrinter& printer_;
    TLogPreviewForm* preview_;
    bool single_ = true;
};

// The print dialog as "Выбор принтера..." shows it: it only chooses, so its button says so.
void UseAsPrinterChoice(QPrintDialog& dialog);
