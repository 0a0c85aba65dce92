#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/Application.h"
#include "library/Scratch_dir.h"

namespace {

TEST(Application, QtsOwnButtonsAndDialogsSpeakRussian) {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ru.qm"))
        GTEST_SKIP() << "qt6-translations-l10n is not installed";
    EXPECT_TRUE(static_cast<VornellApplication*>(qApp)->qt_texts_translated());
    QMessageBox box(QMessageBox::Question, "", "",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QStringList texts;
    for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
        texts.push_back(box.button(button)->text().remove('&'));
    EXPECT_EQ(texts, (QStringList{"Да", "Нет", "Отмена"}));
}

// `vornell FILE` with a file that is not there, so that its error box is open at start-up; with
// a folder in the settings' place, the close opens a box of its own.
struct StartUpChild {
    ScratchDir dir;
    std::string ini = dir.file("Vornell.ini");
    QProcess process;

    explicit StartUpChild(bool settings_folder) {
        if (settings_folder)
            std::filesystem::create_directory(ini);
        process.start(VORNELL_STARTUP_CHILD, {"-platform", "offscreen", QString::fromStdString(ini),
                                              QString::fromStdString(dir.file("gone.realtim"))});
        EXPECT_TRUE(process.waitForStarted());
    }
    // The text of the next box the program opens ("box: TEXT").
    std::string next_box() {
        while (!process.canReadLine() && process.waitForReadyRead(15000)) {
        }
        return QString::fromUtf8(process.readLine()).trimmed().mid(5).toStdString();
    }
    void signal(int number) { ::kill(static_cast<pid_t>(process.processId()), number); }
};

TEST(StartUp, ASignalEndsEachStartUpBoxAndThenTheProgramWithItsSettingsWritten) {
    for (const auto& [number, folder] :
         {std::pair{SIGTERM, false}, {SIGINT, false}, {SIGTERM, true}}) {
        SCOPED_TRACE(std::string(strsignal(number)) + (folder ? ", settings folder" : ""));
        StartUpChild child(folder);
        EXPECT_NE(child.next_box().find("gone.realtim"), std::string::npos);
        child.signal(number);
        if (folder) {
            EXPECT_NE(child.next_box().find("Vornell.ini': на месте файла папка"),
                      std::string::npos);
            child.signal(number);
        }
        ASSERT_TRUE(child.process.waitForFinished(15000));
        EXPECT_EQ(child.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.process.exitCode(), 0);
        EXPECT_TRUE(folder ||
                    file_text(child.ini).rfind("[HardWare]\r\nname=\"COM1\"\r\n", 0) == 0);
    }
}

} // namespace
