#pragma once

#include <QObject>

namespace Ui {
class TMyMenuForm;
}
class ProcessorUsage;
class QTimer;
class QWidget;

// The processor load in the main window's frame, measured once a second from start-up to exit. Another
// window that shows the load in its own frame pauses this display while it is open, so that only one
// display takes samples and each covers about a second.
class ProcessorMonitor : public QObject {
    Q_OBJECT
public:
    ProcessorMonitor(Ui::TMyMenuForm& ui, ProcessorUsage& usage, QWidget* window);

    QTimer* CPUTimer;

    // One measurement onto the display; a sample that cannot be read changes nothing.
    void tick();
    void pause();
    void resume();
    ProcessorUsage& usage() const { return m_usage; }

private:
    Ui::TMyMenuForm& m_ui;
    ProcessorUsage& m_usage;
    QWidget* m_window;
};
