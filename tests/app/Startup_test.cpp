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
TEST(StartUp, ASignalEndsEachStartUpBoxAndThenTheProgramWithItsSettingsWritten) {
    for (const auto& [number, folder] :
         {std::pair{SIGTERM, false}, {SIGINT, false}, {SIGTERM, true}}) {
        SCOPED_TRACE(std::string(strsignal(number)) + (folder ? ", settings folder" : ""));
        ScratchDir dir;
        const std::string ini = dir.file("Vornell.ini");
        if (folder)
            std::filesystem::create_directory(ini);
        QProcess child;
        child.start(VORNELL_STARTUP_CHILD, {"-platform", "offscreen", QString::fromStdString(ini),
                                            QString::fromStdString(dir.file("gone.realtim"))});
        // The text of the next box the program opens, printed as "box: TEXT".
        const auto next_box = [&child] {
            while (!child.canReadLine() && child.waitForReadyRead(15000)) {
            }
            return QString::fromUtf8(child.readLine()).trimmed().mid(5).toStdString();
        };
        EXPECT_NE(next_box().find("gone.realtim"), std::string::npos);
        ::kill(static_cast<pid_t>(child.processId()), number);
        if (folder) {
            EXPECT_NE(next_box().find("Vornell.ini': на месте файла папка"), std::string::npos);
            ::kill(static_cast<pid_t>(child.processId()), number);
        }
        ASSERT_TRUE(child.waitForFinished(15000));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0);
        EXPECT_TRUE(folder || file_text(ini).rfind("[HardWare]\r\nname=\"COM1\"\r\n", 0) == 0);
    }
}

} // namespace
