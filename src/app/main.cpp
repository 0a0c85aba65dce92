// vornell: the desktop program. `vornell FILE` opens FILE at start.
#include "app/Main.h"
#include "app/Application.h"

int main(int argc, char** argv) {
    VornellApplication app(argc, argv);
    TMainForm window(default_settings_path());
    app.close_on_quit_signals(&window);
    window.show();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        window.OpenDataFile(args.at(1).toStdString());
    return app.exec();
}
