#include "print/Printjob.h"

#include <QPrinter>

namespace {

const char* const no_printer_text =
    "Нет принтера для печати. Выберите принтер или печать в файл (PDF) командой "
    "\"Выбор принтера...\"";

// With no printer installed Qt offers PDF output without a file; a job there cannot begin.
bool nothing_set_up(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().isEmpty()
                                                         : printer.printerName().isEmpty();
}

// A new printer with the settings a print dialog chooses.
std::unique_ptr<QPrinter> fresh_copy(const QPrinter& old) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(old.outputFormat());
    if (old.outputFormat() == QPrinter::NativeFormat)
        printer->setPrinterName(old.printerName());
    // An empty name would switch the output back to the printer.
    if (!old.outputFileName().isEmpty())
        printer->setOutputFileName(old.outputFileName());
    printer->setResolution(old.resolution());
    printer->setFullPage(old.fullPage());
    printer->setPageLayout(old.pageLayout());
    printer->setPrintRange(old.printRange());
    printer->setPageRanges(old.pageRanges());
    printer->setCopyCount(old.copyCount());
    printer->setCollateCopies(old.collateCopies());
    printer->setColorMode(old.colorMode());
    printer->setDuplex(old.duplex());
    printer->setPageOrder(old.pageOrder());
    printer->setDocName(old.docName());
    printer->setCreator(old.creator());
    return printer;
}

} // namespace

void CheckPrinterSetUp(const QPrinter& printer) {
    if (nothing_set_up(printer))
        throw std::runtime_error(no_printer_text);
}

ProgramPrinter::ProgramPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

ProgramPrinter::~ProgramPrinter() = default;

QPrinter& ProgramPrinter::Get() {
    if (printer_->printerState() != QPrinter::Idle)
        printer_ = fresh_copy(*printer_);
    return *printer_;
}

PrintJob::PrintJob(QPrinter& printer) : printer_(printer) {}

PrintJob::~PrintJob() {
    if (painter_.isActive())
        painter_.end();
}

bool PrintJob::IntoFile() const {
    return printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty();
}

std::string PrintJob::Where() const {
    if (printer_.outputFormat() == QPrinter::PdfFormat)
        return "в файл '" + printer_.outputFileName().toStdString() + "'";
    return "на принтере '" + printer_.printerName().toStdString() + "'";
}

QPainter& PrintJob::NextPage() {
    if (painter_.isActive()) {
        if (!printer_.newPage())
            throw PageFailure();
        return painter_;
    }
    CheckPrinterSetUp(printer_);
    if (!painter_.begin(&printer_))
        throw std::runtime_error("Невозможно начать печать " + Where());
    return painter_;
}

std::runtime_error PrintJob::PageFailure() const {
    return std::runtime_error("Невозможно начать новую страницу печати " + Where());
}

void PrintJob::End() {
    if (!painter_.isActive())
        return;
    const bool ended = painter_.end();
    const QPrinter::PrinterState state = printer_.printerState();
    if (!ended || state == QPrinter::Error || state == QPrinter::Aborted)
        throw std::runtime_error("Печать " + Where() + " не завершена");
}
