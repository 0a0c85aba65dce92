// The window's print of the graph into a PDF file, in a process of its own for the tests that
// kill it: argv[1] is the data file, argv[2] the PDF. Exits 0 once the job has ended complete.
#include <QApplication>
#include <QPrinter>

#include <cstdio>

#include "document/Storage.h"
#include "print/Printgrhelper.h"
#include "print/Printjob.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    struct : Reporter {
        void error(const std::string&, const std::string& text) override {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
    } reporter;
    Storage doc(reporter);
    if (!doc.Open(argv[1]))
        return 1;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(argv[2]));
    UsePaper(printer);
    GrPrintDataIn in;
    in.minutes_per_cm = 1;
    TPrintGrForm form(in, doc, 96);
    try {
        PrintJob job(printer, argv[1]);
        if (!form.Print(job, nullptr))
            return 1;
        job.End();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
