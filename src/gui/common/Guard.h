#pragma once

#include "core/base/Errors.h"

#include <QString>
#include <functional>

class QWidget;

// The one place where an error ends a user action: every window handler runs inside guarded(), which
// catches, reports the text in the "Qelto" message box and returns. Errors never unwind through Qt's
// event loop, and a handler nested inside an FTP wait catches its own errors.
namespace guard {

using Reporter = std::function<void(QWidget* parent, const QString& text)>;

// Replaces the message box (window tests record the texts instead of blocking on a modal dialog).
// Returns the previous reporter.
Reporter setReporter(Reporter reporter);

// Shows the text as an error: modal box titled "Qelto", error icon, "." appended when due.
void report(QWidget* parent, const QString& text);

} // namespace guard

template <class F> void guarded(QWidget* parent, F&& action) noexcept {
    try {
        action();
    } catch (const QeltoError& e) {
        guard::report(parent, e.text());
    } catch (const std::exception& e) {
        guard::report(parent, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        guard::report(parent, QStringLiteral("Unknown error"));
    }
}

// Runs `step`, then `always` whether the step failed or not; the step's error goes on up.
template <class Step, class Always> void runThenAlways(Step&& step, Always&& always) {
    try {
        step();
    } catch (...) {
        always();
        throw;
    }
    always();
}
