#include "widgets/Messageboxes.h"

#include <QMessageBox>

#include "document/Reporter.h"
#include "library/File_error.h"

namespace {

void show_box(QWidget* owner, QMessageBox::Icon icon, const std::string& caption,
              const std::string& text) {
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

} // namespace

void show_error_box(QWidget* owner, const std::string& caption, const std::string& text) {
    show_box(owner, QMessageBox::Critical, caption, text);
}

void show_information_box(QWidget* owner, const std::string& caption, const std::string& text) {
    show_box(owner, QMessageBox::Information, caption, text);
}

void show_exception_box(QWidget* owner, const std::exception* error) {
    show_error_box(owner, error_caption,
                   error ? lib::io::error_message(*error) : "Неизвестная ошибка!!!");
}

void run_guarded(QWidget* owner, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        show_exception_box(owner, &e);
    } catch (...) {
        show_exception_box(owner, nullptr);
    }
}
