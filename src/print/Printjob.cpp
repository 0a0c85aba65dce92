#include "print/Printjob.h"

#include <QPdfWriter>
#include <QPrinter>

#include "document/Storage.h"
#include "library/File_error.h"
#include "library/Fileworks.h"

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

PrintJob::PrintJob(QPrinter& printer, std::string document_file)
    : printer_(printer), document_file_(std::move(document_file)) {}

PrintJob::~PrintJob() {
    // Unfinished, a file job's temporary file goes and the old file stays.
    if (painter_.isActive())
        painter_.end();
}

QPagedPaintDevice& PrintJob::Device() {
    if (writer_)
        return *writer_;
    return printer_;
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
        if (!Device().newPage())
            throw PageFailure();
        return painter_;
    }
    CheckPrinterSetUp(printer_);
    if (IntoFile())
        BeginFile();
    else if (!painter_.begin(&printer_))
        throw std::runtime_error("Невозможно начать печать " + Where());
    return painter_;
}

void PrintJob::BeginFile() {
    const std::string path = printer_.outputFileName().toStdString();
    if (!document_file_.empty())
        if (const std::string own = Storage::OwnFile(document_file_, path); !own.empty())
            throw std::runtime_error(Storage::OwnFileRefusal(path, own));
    try {
        file_ = std::make_unique<lib::io::file_replacing>(path);
    } catch (const std::exception& e) {
        throw std::runtime_error("Невозможно начать печать " + Where() + ": " +
                                 lib::io::error_message(e));
    }
    device_.Attach(file_->out());
    // The printer's page, resolution and names, as its own PDF would have them.
    writer_ = std::make_unique<QPdfWriter>(&device_);
    writer_->setPageLayout(printer_.pageLayout());
    writer_->setResolution(printer_.resolution());
    writer_->setPageRanges(printer_.pageRanges());
    writer_->setTitle(printer_.docName());
    writer_->setCreator(printer_.creator());
    if (!painter_.begin(writer_.get()))
        throw std::runtime_error("Невозможно начать печать " + Where());
}

std::runtime_error PrintJob::PageFailure() const {
    return std::runtime_error("Невозможно начать новую страницу печати " + Where());
}

void PrintJob::End() {
    if (!painter_.isActive())
        return;
    const bool ended = painter_.end();
    if (file_) {
        try {
            device_.RaiseFailure();
            if (ended)
                file_->commit();
        } catch (const std::exception& e) {
            throw std::runtime_error("Печать " + Where() +
                                     " не завершена: " + lib::io::error_message(e));
        }
        if (!ended)
            throw std::runtime_error("Печать " + Where() + " не завершена");
        return;
    }
    const QPrinter::PrinterState state = printer_.printerState();
    if (!ended || state == QPrinter::Error || state == QPrinter::Aborted)
        throw std::runtime_error("Печать " + Where() + " не завершена");
}
