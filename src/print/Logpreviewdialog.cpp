#include "print/Logpreviewdialog.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>

#include <memory>
#include <stdexcept>

#include "document/Storage.h"
#include "library/Codepage.h"
#include "print/Journalreport.h"
#include "print/Printgrhelper.h"
#include "print/Printjob.h"
#include "widgets/Controlworks.h"
#include "widgets/Messageboxes.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr int tool_panel_height = 42;
constexpr int printed_points = 9;
constexpr int header_points = 12; // as the graph's pages have it

} // namespace

TLogPreviewForm::TLogPreviewForm(QWidget* owner, const Storage& doc, ProgramPrinter& printer)
    : QDialog(owner), doc_(doc), printer_(printer),
      folder_(QDir::temp().filePath(QStringLiteral("vornell-report-XXXXXX"))) {
    setWindowTitle(" Предварительный просмотр распечатки");
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    setSizeGripEnabled(true);

    auto* panel = new QWidget(this);
    panel->setFixedHeight(design_px(this, tool_panel_height));
    btnPrint = new QPushButton("Печать", panel);
    btnExit = new QPushButton("Выход", panel);
    btnSave = new QPushButton("Сохранить...", panel);
    btnPrint->setObjectName("btnPrint");
    btnExit->setObjectName("btnExit");
    btnSave->setObjectName("btnSave");
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(design_px(this, 6), 0, design_px(this, 6), 0);
    buttons->setSpacing(design_px(this, 8));
    for (QPushButton* button : {btnPrint, btnExit, btnSave}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(design_px(this, 100));
        buttons->addWidget(button);
    }
    buttons->addStretch();

    Web = new QTextBrowser(this);
    Web->setObjectName("Web");
    Web->setOpenLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(Web, 1);

    connect(btnPrint, &QPushButton::clicked, this, &TLogPreviewForm::btnPrintClick);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnSave, &QPushButton::clicked, this, &TLogPreviewForm::btnSaveClick);
    ApplyFormFonts(this);
}

bool TLogPreviewForm::ShowJournal(Mode mode, int first, int last) {
    first_ = first;
    last_ = last;
    print_chosen_ = false;
    btnPrint->setEnabled(mode == Mode::print);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen->availableGeometry();
    resize(desktop.width() * 19 / 20, desktop.height() * 18 / 20);
    move(desktop.center() - rect().center());
    GenerateAndDisplay();
    exec();
    return print_chosen_;
}

void TLogPreviewForm::GenerateAndDisplay() {
    if (!folder_.isValid())
        throw std::runtime_error("Невозможно создать временную папку для распечатки: " +
                                 folder_.errorString().toStdString());
    report_path_ = folder_.filePath(QStringLiteral("journal.html"));
    SaveJournalReport(doc_, first_, last_, report_path_.toStdString());
    // The page is shown from the bytes just written, so the preview is what a save gives.
    QFile file(report_path_);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Невозможно открыть файл '" + report_path_.toStdString() + "'");
    const QByteArray bytes = file.readAll();
    Web->setHtml(QString::fromStdString(
        lib::from_cp1251(std::string_view(bytes.constData(), bytes.size()))));
    FitNumberColumn(*Web->document());
}

void TLogPreviewForm::btnPrintClick() {
    run_guarded(this, [this] {
        GenerateAndDisplay();
        repaint();
        QPrintDialog dialog(&printer_.Get(), this);
        print_chosen_ = dialog.exec() == QDialog::Accepted;
        accept();
    });
}

void TLogPreviewForm::PrintReport(PrintJob& job) {
    QPrinter& printer = job.Printer();
    const std::unique_ptr<QTextDocument> pages(Web->document()->clone());
    pages->documentLayout()->setPaintDevice(&printer);
    // The page's own type is for the screen; paper takes at least printed_points.
    QTextCursor all(pages.get());
    all.select(QTextCursor::Document);
    QTextCharFormat type;
    type.setFontPointSize(printed_points);
    all.mergeCharFormat(type);
    FitNumberColumn(*pages);
    // Every page starts with its header line, as the graph's pages do.
    QFont header_font(QStringLiteral("Arial"));
    header_font.setPointSize(header_points);
    const double header = 1.5 * QFontMetricsF(header_font, &printer).height();
    const QSizeF body(printer.width(), printer.height() - header);
    pages->setPageSize(body);
    const int count = pages->pageCount();
    const std::string period = JournalPeriod(doc_.Journal(), first_, last_);
    const std::string name =
        QFileInfo(QString::fromStdString(doc_.FileName())).fileName().toStdString();
    const QPageRanges chosen = printer.pageRanges();
    for (int page = 1; page <= count; ++page) {
        if (!chosen.isEmpty() && !chosen.contains(page))
            continue;
        QPainter& p = job.NextPage();
        p.save();
        p.resetTransform();
        DrawPageHeader(p, QRectF(0, 0, body.width(), header), header_font,
                       QFontMetricsF(header_font, &printer).height(),
                       JournalPageHeader(name, period, page - 1, count));
        const QRectF slice(0, (page - 1) * body.height(), body.width(), body.height());
        p.translate(0, header - slice.top());
        p.setClipRect(slice);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = slice;
        context.palette.setColor(QPalette::Text, Qt::black);
        pages->documentLayout()->draw(&p, context);
        p.restore();
    }
}

void TLogPreviewForm::btnSaveClick() {
    const QString path =
        ask_file_name(this, QFileDialog::AcceptSave, {QStringLiteral("HTML-страница (*.html)")},
                      QStringLiteral("html"));
    if (!path.isEmpty())
        run_guarded(this, [&] { SaveJournalReport(doc_, first_, last_, path.toStdString()); });
}
