#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

#include <csignal>
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

struct StartUpChild {
    ScratchDir dir;
    QString ini = QString::fromStdString(dir.file("Vornell.ini"));
    QProcess process;

    void start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(VORNELL_STARTUP_CHILD,
                      {ini, QString::fromStdString(dir.file("gone.realtim"))});
        ASSERT_TRUE(process.waitForStarted());
    }
    // The text of the next box the program opens.
    std::string next_box() {
        while (!process.canReadLine() && process.waitForReadyRead(15000)) {
        }
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        EXPECT_TRUE(line.startsWith("box: ")) << line.toStdString();
        return line.mid(5).toStdString();
    }
    void signal(int number) { ::kill(static_cast<pid_t>(process.processId()), number); }
    void expect_clean_end() {
        ASSERT_TRUE(process.waitForFinished(15000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }
};

// `vornell FILE` with a file that is not there: its error box is open when the signal comes,
// and the program still ends as its close box would end it, settings written.
TEST(StartUp, ASignalWhileAStartUpBoxIsOpenEndsTheProgramWithItsSettingsWritten) {
    for (const int number : {SIGTERM, SIGINT}) {
        StartUpChild child;
        child.start();
        EXPECT_NE(child.next_box().find("gone.realtim"), std::string::npos);
        child.signal(number);
        child.expect_clean_end();
        EXPECT_EQ(file_text(child.ini.toStdString()).rfind("[HardWare]\r\nname=\"COM1\"\r\n", 0),
                  0u);
    }
}

// A box that the signal's own close opens (here: the settings cannot be written, a folder
// stands in their place) is ended by the next signal.
TEST(StartUp, ASecondSignalEndsTheBoxTheFirstOnesCloseOpened) {
    StartUpChild child;
    std::filesystem::create_directory(child.ini.toStdString());
    child.start();
    child.next_box();
    child.signal(SIGTERM);
    EXPECT_NE(child.next_box().find("Vornell.ini"), std::string::npos);
    child.signal(SIGTERM);
    child.expect_clean_end();
}

} // namespace
