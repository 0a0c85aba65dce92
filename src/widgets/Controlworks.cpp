#include "widgets/Controlworks.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBrowser>
#include <QTextEdit>

#include <optional>

#include "widgets/Simplegraphics.h"

namespace {

constexpr int edit_font_points = 9;

// The first installed family of `wanted`, ignoring case; looked up once per process because
// the font database is slow to walk.
std::optional<QString> installed_family(std::initializer_list<const char*> wanted) {
    const QStringList families = QFontDatabase::families();
    for (const char* name : wanted)
        for (const QString& family : families)
            if (family.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return family;
    return std::nullopt;
}

const std::optional<QString>& interface_family() {
    static const std::optional<QString> family = installed_family({"tahoma", "arial"});
    return family;
}

QFont edit_font() {
    static const std::optional<QString> family = installed_family({"Lucida Console"});
    QFont font = family ? QFont(*family) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(edit_font_points);
    return font;
}

int tag_of(const QObject* object) {
    return object->property("tag").toInt();
}

// Edit boxes, combo boxes and memos. A line edit inside a combo box or a spin box (the date
// pickers) belongs to that control, and a text browser shows pages, not typed text.
bool is_edit_control(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    if (qobject_cast<const QLineEdit*>(w))
        return !qobject_cast<const QComboBox*>(parent) &&
               !qobject_cast<const QAbstractSpinBox*>(parent);
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           (qobject_cast<const QTextEdit*>(w) && !qobject_cast<const QTextBrowser*>(w));
}

void style_label(QLabel* label) {
    constexpr std::uint32_t green = 0x008000, red = 0x0000FF, navy = 0x800000;
    const int tag = tag_of(label);
    if (tag == 1 || tag == 2 || tag == 3 || tag == 5) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color_from_bgr(tag == 2   ? red
                                                              : tag == 3 ? navy
                                                                         : green));
        label->setPalette(palette);
    }
    if (tag == 4 || tag == 5) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
}

// Blanks and control characters count as padding at both ends, as in the stored port names.
QString trimmed_lower(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first].unicode() <= u' ')
        ++first;
    while (last > first && text[last - 1].unicode() <= u' ')
        --last;
    return text.mid(first, last - first).toLower();
}

} // namespace

void ApplyFormFonts(QWidget* form) {
    if (const auto& family = interface_family()) {
        QFont font = form->font();
        font.setFamily(*family);
        form->setFont(font);
    }
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (is_edit_control(child) && tag_of(child) == 0)
            child->setFont(edit_font());
        else if (auto* label = qobject_cast<QLabel*>(child))
            style_label(label);
    }
}

void EnableControls(bool value, std::initializer_list<QObject*> controls) {
    for (QObject* control : controls) {
        if (!control)
            continue;
        const QMetaObject* meta = control->metaObject();
        if (meta->indexOfProperty("enabled") >= 0)
            control->setProperty("enabled", value);
        else if (meta->indexOfProperty("enable") >= 0)
            control->setProperty("enable", value);
    }
}

void SelectComboText(QComboBox* combo, const QString& text) {
    const QString wanted = trimmed_lower(text);
    for (int i = 0; i < combo->count(); ++i) {
        if (trimmed_lower(combo->itemText(i)) == wanted) {
            combo->setCurrentIndex(i);
            return;
        }
    }
    combo->insertItem(0, text);
    combo->setCurrentIndex(0);
}

bool GridRowKey(QKeyEvent* event, const std::function<QString()>& selected_text,
                const std::function<void()>& choose) {
    if (event->matches(QKeySequence::Copy)) {
        if (const QString text = selected_text(); !text.isEmpty())
            QApplication::clipboard()->setText(text);
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose();
        return true;
    }
    return false;
}

void CenterOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

QString ask_file_name(QWidget* owner, QFileDialog::AcceptMode mode, const QStringList& filters,
                      const QString& suffix, const QString& preset, const QString& folder,
                      const QString& title) {
    QFileDialog dialog(owner);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (!preset.isEmpty())
        dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}
