#include "app/Messageboxes.h"

#include <QMessageBox>

namespace {

void show_box(QWidget* owner, QMessageBox::Icon icon, const std::string& caption,
              const std::string& text) {
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

} // namespace

void BoxReporter::error(const std::string& caption, const std::string& text) {
    show_error_box(owner_, caption, text);
}

void show_error_box(QWidget* owner, const std::string& caption, const std::string& text) {
    show_box(owner, QMessageBox::Critical, caption, text);
}

void show_information_box(QWidget* owner, const std::string& caption, const std::string& text) {
    show_box(owner, QMessageBox::Information, caption, text);
}
