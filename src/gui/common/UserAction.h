#pragma once

#include "gui/common/Guard.h"

#include <QObject>

// Announces the end of every user action, so a concern can bring its display in line with what the
// action changed underneath it (a connection the server dropped meanwhile, say).
class UserActions : public QObject {
    Q_OBJECT
public:
    static UserActions& instance();

signals:
    void finished();
};

// Runs a user action (a click, a key, a timer tick) under the error guard, then announces its end.
template <class F> void userAction(QWidget* parent, F&& action) {
    guarded(parent, std::forward<F>(action));
    emit UserActions::instance().finished();
}
