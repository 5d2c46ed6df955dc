#pragma once

#include "core/base/WindowOutline.h"

#include <QDialog>
#include <QRect>
#include <QStringList>

class PreviewBrowser;
class ProcessorUsage;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRubberBand;
class QTimer;
class QToolButton;
class SkinImage;

// The preview window: a skinned, borderless window with a web view, an address box and a few browser
// buttons, modal for the main window while it is open. The web view is a plugin, loaded when the first
// page is shown, not before. While the window is open its own timer shows the processor load in its frame.
class TPreviewForm : public QDialog {
    Q_OBJECT
public:
    TPreviewForm(ProcessorUsage& usage, QWidget* parent);
    ~TPreviewForm() override;

    QLineEdit* ProcessEdit;
    QToolButton* MB003;
    QToolButton* MB004;
    QToolButton* BackBtn;
    QToolButton* ForwardButton;
    QComboBox* URLEdit;
    QToolButton* RzBmpButton3;
    QToolButton* HEB003;
    QToolButton* HEB004;
    QToolButton* HEB008;
    QLabel* TimeLabel;
    SkinImage* FTPOnImage;
    QLabel* CPULabel;
    QProgressBar* CPUProgress;
    SkinImage* CPUI001;
    SkinImage* CPUI002;
    SkinImage* Resize;
    SkinImage* ResizeOnImage;
    SkinImage* MoveFormOffImage;
    QTimer* ControlTimer;

    // The web view; null until the first page is shown.
    PreviewBrowser* browserView() const { return WB; }

    // The web view's plugin file and the folders searched for it, in order: beside the program
    // (plugins/), the installed one, this build's plugins folder.
    static QString pluginFileName();
    static QStringList defaultPluginFolders();
    void setPluginFolders(const QStringList& folders) { m_pluginFolders = folders; }

    // Shows the window for an entry: its caption in the status field, the address in the address box,
    // and the page in the web view. Fails, with the window left closed, when the web view cannot be
    // loaded.
    void showPage(const QString& caption, const QString& address);
    void navigate(const QString& address);
    void printPreview();

    // The frame.
    void placeControls();
    void beginResize(const QPoint& globalPos);
    void dragResize(const QPoint& globalPos);
    void endResize();
    QRect resizeRect() const { return m_resizeRect; }

signals:
    // The window closed, by any way.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    // Loads the web view on first use.
    PreviewBrowser* browser();
    void tickProcessorLoad();
    void startMove();

    ProcessorUsage& m_usage;
    PreviewBrowser* WB = nullptr; // its widget is a child of m_browserHost, which deletes it
    QStringList m_pluginFolders;
    QFrame* m_topBar;
    QFrame* m_bottomBar;
    QFrame* m_rightBorder;
    QWidget* m_browserHost;
    bool m_resizing = false;
    QPoint m_lastPointer;
    QRect m_resizeRect;
    QRubberBand* m_rubberBand = nullptr;
};
