// The program's start-up as main() runs it, for the signal tests of test_app: argv[1] is the
// settings file, argv[2] the file to open. Prints "box: TEXT" once a message box is open.
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

#include "app/Application.h"

int main(int argc, char** argv) {
    VornellApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&probe] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("box: %s\n", box->text().toUtf8().constData());
            std::fflush(stdout);
            probe.stop();
        }
    });
    probe.start(20);
    return run_main_window(app, argv[1], {QString::fromLocal8Bit(argv[2])});
}
