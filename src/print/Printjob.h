#pragma once
// The program's printer and one job on it. Qt leaves a printer whose job could not begin marked
// as printing: it then ignores every new setting and refuses every later job. So a job that
// cannot begin is refused before the printer is touched where that can be seen (no printer set
// up), and a printer left in any state but idle is replaced by a fresh one with its settings.
#include <QPainter>

#include <memory>
#include <stdexcept>
#include <string>

class QPrinter;

class ProgramPrinter {
public:
    ProgramPrinter();
    ~ProgramPrinter();
    ProgramPrinter(const ProgramPrinter&) = delete;
    ProgramPrinter& operator=(const ProgramPrinter&) = delete;

    // The printer, idle and ready for a dialog or a job. The reference holds until the next call.
    QPrinter& Get();

private:
    std::unique_ptr<QPrinter> printer_;
};

// Raises the error a job on printer would raise at its start when no printer (nor a PDF file)
// is set up, so that it can come before anything else is asked.
void CheckPrinterSetUp(const QPrinter& printer);

// One job on a printer. Its pages follow each other, whichever part of the program draws them,
// so the journal and the graph can share one job (into one PDF file a second job would write
// the first one over). An unfinished job is ended when it goes.
class PrintJob {
public:
    explicit PrintJob(QPrinter& printer);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    QPrinter& Printer() { return printer_; }
    // True when the job goes into a PDF file rather than to a printer.
    bool IntoFile() const;
    // The painter on the next page: the first call begins the job, each later one starts a new
    // page. Raises an error naming the printer, or saying that none is set up, when it cannot.
    QPainter& NextPage();
    // Ends the job; raises an error naming the printer when the printer reports a failure.
    void End();
    // What a new page the printer could not start means to the user.
    std::runtime_error PageFailure() const;

private:
    // "на принтере 'name'" or "в файл 'path'".
    std::string Where() const;

    QPrinter& printer_;
    QPainter painter_;
};
