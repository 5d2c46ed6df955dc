#include "gui/common/Guard.h"

#include "core/base/TextFormat.h"

#include <QMessageBox>

namespace guard {
namespace {

void showMessageBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Qelto"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // server texts and file names are shown as they are
    box.exec();
}

Reporter& currentReporter() {
    static Reporter reporter = showMessageBox;
    return reporter;
}

} // namespace

Reporter setReporter(Reporter reporter) {
    Reporter previous = std::move(currentReporter());
    currentReporter() = reporter ? std::move(reporter) : Reporter(showMessageBox);
    return previous;
}

void report(QWidget* parent, const QString& text) {
    // A reporter that itself fails must not take the window down.
    try {
        currentReporter()(parent, errorDisplayText(text));
    } catch (...) {
    }
}

} // namespace guard
