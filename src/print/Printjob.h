#pragma once
// The program's printer and one job on it. Qt leaves a printer whose job could not begin marked
// as printing: it then ignores every new setting and refuses every later job. So a job that
// cannot begin is refused before the printer is touched where that can be seen (no printer set
// up), and a printer left in any state but idle is replaced by a fresh one with its settings.
#include <QPainter>

#include <memory>
#include <stdexcept>
#include <string>

#include "print/Replace_device.h"

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;

namespace lib::io {
class file_replacing;
}

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
// the first one over). A job into a PDF file writes it as vornell-cli print does: into a
// temporary file beside it that takes its place only when the job ends complete; a job that
// fails or goes unfinished leaves the old file as it was. A job never goes into a file of the
// open document (document_file, one of Storage::Files).
class PrintJob {
public:
    explicit PrintJob(QPrinter& printer, std::string document_file = {});
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // The printer's settings and measures; the pages go to Device().
    QPrinter& Printer() { return printer_; }
    // What the pages are drawn on: the printer, or the PDF file's writer once the job began.
    QPagedPaintDevice& Device();
    // True when the job goes into a PDF file rather than to a printer.
    bool IntoFile() const;
    // The painter on the next page: the first call begins the job, each later one starts a new
    // page. Raises an error naming the printer, or saying that none is set up, when it cannot.
    QPainter& NextPage();
    // Ends the job; raises an error naming the printer or the file when the job failed, and
    // why when that is known.
    void End();
    // What a new page the printer could not start means to the user.
    std::runtime_error PageFailure() const;

private:
    // "на принтере 'name'" or "в файл 'path'".
    std::string Where() const;
    // Begins the painter on a PDF writer over a replace of the printer's file.
    void BeginFile();

    QPrinter& printer_;
    std::string document_file_;
    // Made in this order and gone in the reverse: the painter ends before its writer goes.
    std::unique_ptr<lib::io::file_replacing> file_;
    ReplaceDevice device_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
};
