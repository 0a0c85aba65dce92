#pragma once
// TPrintForm: the choice of what "Распечатать..." prints, the graph (whole or one day) and the
// journal (whole or the selected rows), and the printing itself. The day and "За сутки" chosen
// last are offered again for the rest of the run.
#include <QDialog>

#include "print/Printdata.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;
class Storage;
class TGrForm;
class TLogPreviewForm;

class TPrintForm : public QDialog {
public:
    // printer is the program's printer, which the graph and the journal are printed on.
    TPrintForm(QWidget* owner, const PrintDataIn& in, TGrForm& graph, const Storage& doc,
               QPrinter& printer);
    ~TPrintForm() override;

    // Shows the dialog modally; true when it was closed by "Печать".
    bool Run();

    TLogPreviewForm& Preview() { return *preview_; }

    QCheckBox* chbxGraph;
    QLabel* imgGraph;
    QRadioButton* rbtnGraphAll;
    QRadioButton* rbtnGraphDaily;
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
    void PrintGraph();
    // The events the journal choice covers.
    std::pair<int, int> JournalRange() const;

    PrintDataIn in_;
    TGrForm& graph_;
    const Storage& doc_;
    QPrinter& printer_;
    TLogPreviewForm* preview_;
    bool single_ = true;
};
