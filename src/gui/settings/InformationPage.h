#pragma once

#include <QObject>

namespace Ui {
class TMyMenuForm;
}
class TTable;
class QWidget;

// The "Information" page: the raw FTP command reference behind its switch, and the file-type catalogue
// with the picture and text of the current type.
class InformationPage : public QObject {
    Q_OBJECT
public:
    InformationPage(Ui::TMyMenuForm& ui, TTable& fileTypes, QWidget* window, QObject* parent);

    void showCommandReference(bool show);
    // Shows the current catalogue row's picture and text.
    void showCurrentType();

private:
    Ui::TMyMenuForm& m_ui;
    TTable& m_fileTypes;
    QWidget* m_window;
};
