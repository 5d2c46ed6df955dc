#pragma once

#include <QObject>

namespace Ui {
class TMyMenuForm;
}
class ProcessorUsage;
class TLocalForm;
class QWidget;

// The "History" page's own commands: switching the transcript between read-only and editable, the edit
// buttons, and saving the transcript as an RTF file through the local folder picker.
class History : public QObject {
    Q_OBJECT
public:
    History(Ui::TMyMenuForm& ui, ProcessorUsage& usage, QWidget* window);

    TLocalForm& picker() const { return *m_picker; }

    void switchEditing();
    // Opens the picker over the window; its Save writes the transcript as it is then.
    void openPicker();
    // The transcript as RTF, with its colours.
    QByteArray transcriptRtf() const;

signals:
    // The picker shows the processor load in its own frame while it is open.
    void pickerOpened();
    void pickerClosed();

private:
    Ui::TMyMenuForm& m_ui;
    QWidget* m_window;
    TLocalForm* m_picker;
};
