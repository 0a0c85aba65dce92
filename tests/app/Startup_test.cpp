#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

#include <csignal>

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

// `vornell FILE` with a file that is not there: its error box is open when the signal comes,
// and the program still ends as its close box would end it, settings written.
TEST(StartUp, ASignalWhileAStartUpBoxIsOpenEndsTheProgramWithItsSettingsWritten) {
    for (const int signal : {SIGTERM, SIGINT}) {
        ScratchDir dir;
        const QString ini = QString::fromStdString(dir.file("Vornell.ini"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(VORNELL_STARTUP_CHILD, {ini, QString::fromStdString(dir.file("gone.realtim"))});
        ASSERT_TRUE(child.waitForStarted());
        while (!child.canReadLine() && child.waitForReadyRead(15000)) {
        }
        const QString line = QString::fromUtf8(child.readLine());
        ASSERT_TRUE(line.startsWith("box: ")) << line.toStdString();
        ::kill(static_cast<pid_t>(child.processId()), signal);
        ASSERT_TRUE(child.waitForFinished(15000)) << signal;
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0);
        EXPECT_EQ(file_text(ini.toStdString()).rfind("[HardWare]\r\nname=\"COM1\"\r\n", 0), 0u);
    }
}

} // namespace
