// The program's start-up as main() runs it, for the signal tests of test_app: argv[1] is the
// settings file, argv[2] the file to open. Prints "box: TEXT" for each message box that opens.
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdio>

#include "app/Application.h"

int main(int argc, char** argv) {
    VornellApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QTimer probe;
    QPointer<QMessageBox> told;
    QObject::connect(&probe, &QTimer::timeout, [&told] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box != told) {
            told = box;
            std::printf("box: %s\n", box->text().simplified().toUtf8().constData());
            std::fflush(stdout);
        }
    });
    probe.start(20);
    return run_main_window(app, argv[1], {QString::fromLocal8Bit(argv[2])});
}
