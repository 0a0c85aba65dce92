#pragma once
// TLogPreviewForm: the journal report as the print preview shows it, chosen for printing there
// through the print dialog or saved as an HTML page. The displayed report lives in a private
// temporary folder that goes with the window.
#include <QDialog>
#include <QTemporaryDir>

class PrintJob;
class ProgramPrinter;
class QPushButton;
class QTextBrowser;
class Storage;

class TLogPreviewForm : public QDialog {
public:
    enum class Mode { view, print };

    TLogPreviewForm(QWidget* owner, const Storage& doc, ProgramPrinter& printer);

    // Shows the events first to last (positions from 0; last = first - 1 for none) modally;
    // "Печать" is enabled in print mode only. True when the user chose to print them: "Печать"
    // and then the printer in the print dialog. A report that cannot be written raises its
    // error and shows nothing.
    bool ShowJournal(Mode mode, int first, int last);
    // Prints the displayed report as the job's next pages in type of at least 9 points, each
    // under a header line: the journal, the file, the events' period, "Лист K из N".
    void PrintReport(PrintJob& job);
    // The displayed report file; empty before the first one was written.
    const QString& ReportPath() const { return report_path_; }
    // The folder of the displayed report.
    QString ReportFolder() const { return folder_.path(); }

    QPushButton* btnPrint;
    QPushButton* btnExit;
    QPushButton* btnSave;
    QTextBrowser* Web;

private:
    void GenerateAndDisplay();
    void btnPrintClick();
    void btnSaveClick();

    const Storage& doc_;
    ProgramPrinter& printer_;
    QTemporaryDir folder_;
    QString report_path_;
    int first_ = 0;
    int last_ = -1;
    bool print_chosen_ = false;
};
