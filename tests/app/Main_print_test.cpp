#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTimer>

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Modal_driver.h"
#include "Pdf_probe.h"
#include "app/Journalview.h"
#include "app/Main.h"
#include "datafile/Assembling.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"
#include "print/Logpreviewdialog.h"
#include "print/Printdialog.h"

namespace fs = std::filesystem;
using Driver = ModalDriver;

namespace {

const QDate may3(2007, 5, 3), may4(2007, 5, 4);

TPrintForm* print_form(QWidget* w) {
    auto* form = dynamic_cast<TPrintForm*>(w);
    EXPECT_NE(form, nullptr);
    return form;
}

// Clicks after the current step: a click that opens the next dialog runs that dialog's loop,
// in which the driver's timer cannot fire while its own step is still running.
void click_later(QAbstractButton* button) {
    QTimer::singleShot(0, button, &QAbstractButton::click);
}

TLogPreviewForm* preview_form(QWidget* w) {
    auto* form = dynamic_cast<TLogPreviewForm*>(w);
    EXPECT_NE(form, nullptr);
    return form;
}

class PrintCommand : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<TMainForm>(dir.file("Vornell.ini"));
        window->show();
        window->OpenDataFile(saved_run());
        window->printer().setOutputFormat(QPrinter::PdfFormat);
        window->printer().setOutputFileName(QString::fromStdString(pdf));
    }
    // Minute records from 6:00 on 3 May up to the midnight that ends it, and five events.
    std::string saved_run() {
        struct : Reporter {
            void error(const std::string&, const std::string& text) override {
                ADD_FAILURE() << text;
            }
        } reporter;
        Storage doc(reporter);
        doc.Data().add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        const std::uint32_t start = lib::parts_to_time(2007, 5, 3, 6, 0, 0);
        for (std::uint32_t t = start; t <= lib::parts_to_time(2007, 5, 4, 0, 0, 0); t += 60) {
            FileStorageItem item;
            item.time = t;
            item.values.push_back(static_cast<float>(t % 150));
            doc.Data().add_item(item);
        }
        for (int i = 0; i < 5; ++i)
            doc.Journal().Add(39205.3 + i * 0.01, 0.0, 0, 10.0f + static_cast<float>(i));
        const std::string path = dir.file("run.realtim");
        EXPECT_TRUE(doc.Save(path));
        return path;
    }
    void select_rows(int first, int last) {
        JournalGrid& grid = window->journal_grid();
        const QItemSelection rows(grid.model()->index(first, 0), grid.model()->index(last, 0));
        grid.selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
    }
    // Runs "Распечатать..." through the given steps; each must have run.
    void print(std::deque<Driver::Step> steps) {
        Driver driver(std::move(steps));
        window->actPrint->trigger();
        EXPECT_TRUE(driver.done());
    }
    // "Печать" of the whole recording, the journal through the preview: the text of the error
    // box it ends in, if any (the dialog, left open then, is cancelled).
    std::string print_chosen(bool journal, bool graph) {
        std::deque<Driver::Step> steps{[journal, graph](QWidget* w) {
            TPrintForm* f = print_form(w);
            if (!journal)
                f->chbxLog->click();
            if (!graph)
                f->chbxGraph->click();
            f->rbtnGraphAll->setChecked(true);
            click_later(f->btnOk);
        }};
        if (journal) {
            steps.push_back([](QWidget* w) { click_later(preview_form(w)->btnPrint); });
            steps.push_back([](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); });
        }
        steps.insert(steps.end(), {Driver::answer(QMessageBox::Ok), Driver::cancel()});
        Driver driver(std::move(steps));
        window->actPrint->trigger();
        const std::vector<std::string>& seen = driver.seen();
        return seen.size() > (journal ? 3u : 1u) ? seen[journal ? 3 : 1] : std::string();
    }

    ScratchDir dir;
    const std::string pdf = dir.file("printed.pdf");
    std::unique_ptr<TMainForm> window;
};

} // namespace

TEST_F(PrintCommand, JournalChoiceFollowsTheGridSelectionAndPrintingNeedsAChoice) {
    select_rows(2, 2);
    print({[](QWidget* w) {
        TPrintForm* f = print_form(w);
        EXPECT_EQ(f->windowTitle(), "  Распечатка данных");
        EXPECT_TRUE(f->rbtnLogAll->isChecked());
        EXPECT_FALSE(f->rbtnLogSel->isEnabled());
        EXPECT_TRUE(f->chbxGraph->isChecked() && f->rbtnGraphAll->isChecked());
        f->chbxGraph->click();
        EXPECT_FALSE(f->DateTimePicker->isEnabled());
        EXPECT_TRUE(f->btnOk->isEnabled());
        f->chbxLog->click();
        EXPECT_FALSE(f->btnOk->isEnabled());
        EXPECT_FALSE(f->btnLogPreview->isEnabled());
        f->chbxLog->click();
        EXPECT_TRUE(f->btnOk->isEnabled());
        EXPECT_FALSE(f->rbtnLogSel->isEnabled()) << "a single row stays a single row";
        f->btnCancel->click();
    }});

    select_rows(1, 3);
    print({[](QWidget* w) {
        TPrintForm* f = print_form(w);
        EXPECT_TRUE(f->rbtnLogSel->isChecked() && f->rbtnLogSel->isEnabled());
        f->chbxLog->click();
        EXPECT_FALSE(f->rbtnLogSel->isEnabled());
        f->btnCancel->click();
    }});
    EXPECT_FALSE(fs::exists(pdf)) << "a cancelled dialog prints nothing";

    // A document without records offers the journal alone.
    struct : Reporter {
        void error(const std::string&, const std::string&) override {}
    } quiet;
    Storage empty(quiet);
    ProgramPrinter printer;
    TPrintForm dialog(window.get(), PrintDataIn{}, window->graph_form(), empty, printer);
    Driver driver({[](QWidget* w) {
        TPrintForm* f = print_form(w);
        EXPECT_FALSE(f->chbxGraph->isChecked());
        EXPECT_FALSE(f->chbxGraph->isEnabled());
        EXPECT_FALSE(f->rbtnGraphDaily->isEnabled());
        EXPECT_TRUE(f->btnOk->isEnabled());
        f->btnCancel->click();
    }});
    EXPECT_FALSE(dialog.Run());
}

TEST_F(PrintCommand, JournalPrintOpensThePreviewFromAPrivateFolderAndTheDayIsKeptForTheRun) {
    select_rows(1, 2);
    QString folder;
    print({[](QWidget* w) {
               TPrintForm* f = print_form(w);
               // Before any completed print the picker shows the first record's day, within a
               // day of the recording.
               EXPECT_EQ(f->DateTimePicker->date(), may3);
               EXPECT_EQ(f->DateTimePicker->minimumDate(), QDate(2007, 5, 2));
               EXPECT_EQ(f->DateTimePicker->maximumDate(), QDate(2007, 5, 5));
               EXPECT_TRUE(f->rbtnGraphAll->isChecked());
               f->DateTimePicker->setDate(may4);
               EXPECT_TRUE(f->rbtnGraphDaily->isChecked());
               f->chbxGraph->click();
               click_later(f->btnOk);
           },
           [&folder](QWidget* w) {
               TLogPreviewForm* p = preview_form(w);
               EXPECT_TRUE(p->btnPrint->isEnabled()) << "print mode";
               const QString text = p->Web->toPlainText();
               EXPECT_TRUE(text.contains("Дата/Время"));
               EXPECT_EQ(text.count("Превышение"), 2) << text.toStdString();
               folder = p->ReportFolder();
               const auto perms = fs::status(folder.toStdString()).permissions();
               EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
               EXPECT_TRUE(fs::exists(p->ReportPath().toStdString()));
               p->btnExit->click();
           }});
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_FALSE(fs::exists(folder.toStdString())) << "the report goes with the dialog";
    EXPECT_FALSE(fs::exists(pdf)) << "the preview prints only on its own Печать";

    print({[](QWidget* w) {
        TPrintForm* f = print_form(w);
        EXPECT_EQ(f->DateTimePicker->date(), may4);
        EXPECT_TRUE(f->rbtnGraphDaily->isChecked());
        f->btnCancel->click();
    }});
}

TEST_F(PrintCommand, PreviewSavesAFreshReportAndPrintsItsPage) {
    const std::string saved = dir.file("journal.html");
    std::string shown;
    print({[](QWidget* w) { click_later(print_form(w)->btnLogPreview); },
           [](QWidget* w) {
               TLogPreviewForm* p = preview_form(w);
               EXPECT_FALSE(p->btnPrint->isEnabled()) << "view mode";
               click_later(p->btnSave);
           },
           Driver::choose_file(QString::fromStdString(saved)),
           [&](QWidget* w) {
               TLogPreviewForm* p = preview_form(w);
               shown = file_text(p->ReportPath().toStdString());
               p->btnExit->click();
           },
           [](QWidget* w) {
               TPrintForm* f = print_form(w);
               f->chbxGraph->click();
               click_later(f->btnOk);
           },
           [](QWidget* w) { click_later(preview_form(w)->btnPrint); },
           [this](QWidget* w) {
               auto* dialog = qobject_cast<QPrintDialog*>(w);
               ASSERT_NE(dialog, nullptr);
               EXPECT_EQ(dialog->printer(), &window->printer());
               dialog->accept();
           }});
    EXPECT_FALSE(shown.empty());
    EXPECT_EQ(file_text(saved), shown);
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(file_text(pdf).substr(0, 5), "%PDF-");
}

TEST_F(PrintCommand, ADayWithRecordsPrintsAndADayWithoutStartsNoJob) {
    const auto print_day = [this](QDate day) {
        print({[day](QWidget* w) {
            TPrintForm* f = print_form(w);
            f->chbxLog->click();
            f->DateTimePicker->setDate(day);
            click_later(f->btnOk);
        }});
    };
    print_day(QDate(2007, 5, 2));
    EXPECT_FALSE(fs::exists(pdf));
    print_day(may4); // its only record is the one at midnight
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(file_text(pdf).substr(0, 5), "%PDF-");
}

TEST_F(PrintCommand, PrinterChoiceWorksOnTheProgramsPrinter) {
    Driver driver({[this](QWidget* w) {
        auto* dialog = qobject_cast<QPrintDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->printer(), &window->printer());
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text(), "Выбрать") << "it only chooses";
        dialog->reject();
    }});
    window->actPrintSetup->trigger();
    EXPECT_TRUE(driver.done());
    const QMarginsF margins = window->printer().pageLayout().margins(QPageLayout::Millimeter);
    EXPECT_EQ(margins, QMarginsF(10, 10, 10, 10));
}

TEST_F(PrintCommand, AReportThatCannotBeWrittenStopsThePrintWithItsError) {
    std::string folder;
    Driver driver({[&folder](QWidget* w) {
                       // The report's folder has gone and a file stands in its place.
                       TPrintForm* f = print_form(w);
                       folder = f->Preview().ReportFolder().toStdString();
                       fs::remove_all(folder);
                       std::ofstream(folder) << "in the way";
                       click_later(f->btnOk);
                   },
                   Driver::answer(QMessageBox::Ok), Driver::cancel()});
    window->actPrint->trigger();
    EXPECT_TRUE(driver.done());
    fs::remove(folder);
    ASSERT_EQ(driver.seen().size(), 3u);
    EXPECT_EQ(driver.seen()[1].rfind(" ВНИМАНИЕ!|", 0), 0u) << driver.seen()[1];
    EXPECT_EQ(driver.seen()[2], "dialog") << "the print dialog stays open";
    EXPECT_FALSE(fs::exists(pdf)) << "the graph is not printed after the journal failed";
}

TEST_F(PrintCommand, AFailedPrintSaysWhyAndTheNextPrintStartsAfresh) {
    window->printer().setOutputFileName(QString()); // as on a system without a printer
    EXPECT_NE(print_chosen(false, true).find("Нет принтера для печати"), std::string::npos);
    {
        // Said before the journal's preview, not after it.
        Driver driver({[](QWidget* w) { click_later(print_form(w)->btnOk); },
                       Driver::answer(QMessageBox::Ok), Driver::cancel()});
        window->actPrint->trigger();
        ASSERT_EQ(driver.seen().size(), 3u);
        EXPECT_NE(driver.seen()[1].find("Нет принтера для печати"), std::string::npos);
        EXPECT_EQ(driver.seen()[2], "dialog");
    }

    const std::string nowhere = dir.file("gone/printed.pdf");
    window->printer().setOutputFileName(QString::fromStdString(nowhere));
    EXPECT_NE(print_chosen(false, true).find(nowhere), std::string::npos);
    EXPECT_EQ(window->printer().outputFileName().toStdString(), nowhere) << "nothing changed";

    // A job Qt could not begin leaves its printer marked as printing, deaf to new settings.
    window->printer().setOutputFileName(QString());
    QPainter failed;
    EXPECT_FALSE(failed.begin(&window->printer()));

    window->printer().setOutputFileName(QString::fromStdString(pdf));
    EXPECT_EQ(print_chosen(false, true), "");
    EXPECT_GT(pdf_probe::pages(pdf), 1);
    EXPECT_EQ(print_chosen(true, false), "");
    EXPECT_EQ(pdf_probe::pages(pdf), 1) << "the journal prints too";
    const QMarginsF margins = window->printer().pageLayout().margins(QPageLayout::Millimeter);
    EXPECT_EQ(margins, QMarginsF(10, 10, 10, 10)) << "a fresh printer keeps the settings";
}

TEST_F(PrintCommand, JournalAndGraphIntoOnePdfFileFollowEachOtherInIt) {
    for (int i = 0; i < 150; ++i) // a journal of several pages
        window->document().Journal().Add(39205.4 + i * 0.001, 0.0, 0, 20.0f);
    ASSERT_EQ(print_chosen(false, true), "");
    const int graph_pages = pdf_probe::pages(pdf);
    ASSERT_EQ(print_chosen(true, false), "");
    const int journal_pages = pdf_probe::pages(pdf);
    ASSERT_GT(journal_pages, 1);

    ASSERT_EQ(print_chosen(true, true), "");
    ASSERT_EQ(pdf_probe::pages(pdf), journal_pages + graph_pages);
    QString journal;
    for (int page = 1; page <= journal_pages; ++page)
        journal += QString::fromStdString(pdf_probe::page_text(pdf, page));
    EXPECT_EQ(journal.count("Превышение"), window->document().JournalCount())
        << "no row is lost at a page break";
    EXPECT_NE(pdf_probe::page_text(pdf, journal_pages + 1).find("Вес на крюке, т"),
              std::string::npos);
}

TEST_F(PrintCommand, JournalPagesHaveTheHeaderLineAndTypeOfNinePoints) {
    for (int i = 0; i < 150; ++i) // pages enough for a second sheet
        window->document().Journal().Add(39205.4 + i * 0.001, 0.0, 0, 20.0f);
    ASSERT_EQ(print_chosen(true, false), "");
    const int pages = pdf_probe::pages(pdf);
    ASSERT_GT(pages, 1);
    const std::string of = " из " + std::to_string(pages);
    for (int page = 1; page <= pages; ++page) {
        const std::string text = pdf_probe::page_text(pdf, page);
        EXPECT_NE(text.find("Журнал событий — run.realtim"), std::string::npos) << text;
        EXPECT_NE(text.find("03.05.2007 7:12 – 03.05.2007 13:10"), std::string::npos) << text;
        EXPECT_NE(text.find("Лист " + std::to_string(page) + of), std::string::npos) << text;
    }
    // A 9-point line of type is over 9 points high; 7 points were about 8.
    int rows = 0;
    const auto words = pdf_probe::words(pdf);
    ASSERT_FALSE(words.empty());
    for (const pdf_probe::Word& word : words[0])
        if (word.text == "Превышение") {
            ++rows;
            EXPECT_GT(word.bottom - word.top, 9.0);
        }
    EXPECT_GT(rows, 10);
}

// A print or an export onto a file of the open document is refused before anything is written,
// however the name is spelt.
TEST_F(PrintCommand, NoPdfOrExportGoesOverAFileOfTheOpenDocument) {
    const std::string data = window->document().FileName();
    const std::string journal = dir.file("run.dat");
    const std::string linked = dir.file("linked.realtim");
    fs::create_hard_link(data, linked);
    const std::string before = file_text(data) + file_text(journal);
    for (const std::string& target : {data, dir.file("./run.dat"), linked}) {
        SCOPED_TRACE(target);
        window->printer().setOutputFileName(QString::fromStdString(target));
        EXPECT_NE(print_chosen(false, true).find("файл открытого документа"), std::string::npos);
        EXPECT_NE(print_chosen(true, false).find("файл открытого документа"), std::string::npos);

        Driver driver({Driver::choose_file(QString::fromStdString(target)),
                       Driver::answer(QMessageBox::Yes), Driver::answer(QMessageBox::Ok)});
        window->actExportCsv->trigger();
        ASSERT_EQ(driver.seen().size(), 3u);
        EXPECT_NE(driver.seen()[2].find("файл открытого документа"), std::string::npos);
        EXPECT_EQ(file_text(data) + file_text(journal), before);
    }
}

// Qt's PDF writer does not see a full disk; the job's own device does.
TEST_F(PrintCommand, APdfOntoAFullDiskSaysWhyAndTheOldFileStays) {
    const std::string small = dir.file("small");
    fs::create_directory(small);
    if (::geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=16k tmpfs " + small + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "needs root to mount a tiny tmpfs";
    const std::string target = small + "/printed.pdf";
    const std::string old(3000, 'o');
    std::ofstream(target, std::ios::binary) << old;
    window->printer().setOutputFileName(QString::fromStdString(target));
    const std::string box = print_chosen(false, true);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(small))
        left.push_back(entry.path().filename().string());
    const std::string kept = file_text(target);
    std::system(("umount " + small).c_str());
    EXPECT_NE(box.find("нет места"), std::string::npos) << box;
    EXPECT_EQ(kept, old);
    EXPECT_EQ(left, std::vector<std::string>{"printed.pdf"}) << "no temporary file stays";
}
