#pragma once

#include "gui/common/Guard.h"
#include "core/base/WindowOutline.h"
#include "core/ftp/FtpTypes.h"

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QTime>
#include <QWidget>
#include <memory>

namespace Ui {
class TMyMenuForm;
}
class QListWidgetItem;
class QRubberBand;
class QTableView;
class QTimer;
class TIdAntiFreeze;
class TIdFTP;
class TIdLogEvent;
class TTable;
class TableModel;

// The main window. Declared once here; its handlers live in the subsystem folder they belong to.
class TMyMenuForm : public QWidget {
    Q_OBJECT
public:
    explicit TMyMenuForm(QWidget* parent = nullptr);
    ~TMyMenuForm() override;

    Ui::TMyMenuForm* ui() const { return m_ui.get(); }

    // Tables, named as the program knows them.
    TTable* Permissions = nullptr;
    TTable* FTPServers = nullptr;
    TTable* FTPEvents = nullptr;
    TTable* FileInfo = nullptr;

    // Frame (outline and resize drag).
    WindowOutline P{};
    int Xs = 0, Ys = 0, Xp = 0, Yp = 0;
    bool HResize = false, VResize = false;

    // State shared between handlers.
    QColor ClientColor;
    QColor ServerColor;
    bool FTPFilesDrag = false;
    bool DirectoryFirst = false;
    QStringList FilesNameList;
    bool StandByMode = false;
    QList<QPixmap> FTPImageList; // 48 x 48 icons of the remote file list, one per FileInfo record

    QTimer* CPUTimer = nullptr;
    QTimer* SleepTimer = nullptr;

    // The four FTP connections, the protocol intercepts and the one anti-freeze of the application.
    std::unique_ptr<TIdAntiFreeze> AntiFreeze;
    std::unique_ptr<TIdLogEvent> LogEvent;
    std::unique_ptr<TIdLogEvent> ConsoleEvent;
    std::unique_ptr<TIdFTP> IdFTP;
    std::unique_ptr<TIdFTP> DownloadFTP;
    std::unique_ptr<TIdFTP> UploadFTP;
    std::unique_ptr<TIdFTP> ConsoleFTP;

    // Browsing state.
    int FTPCurrentIndex = 0;
    bool FTPPreviewActive = false;
    QString FTPCurrentDirectory;
    QString FTPStandByDirectory;
    QTime SleepTime;

    // Connect and disconnect.
    void EB001Click();
    void EB002Click();
    void IdFTPConnected();
    void IdFTPDisconnected();
    void IdFTPStatus(TIdStatus status, const QString& text);
    void IdFTPWorkBegin(TWorkMode mode, qint64 count);
    void IdFTPWork(TWorkMode mode, qint64 count);
    void IdFTPWorkEnd(TWorkMode mode);
    bool connecting() const { return m_connecting; }

    // Protocol log.
    void LogEventReceived(const QString& text, const QString& data);
    void LogEventSent(const QString& text, const QString& data);
    void ICB002Click();

    // Listing refresh and navigation.
    void ListRemoteDirectory(const QString& path);
    void AddFolderEntries(const QString& path);
    void AddFileEntries(const QString& path);
    void FTPFilesListDblClick();
    void OpenGridEntry();
    void DBGridDblClick();
    void DBGridKeyPress(int key);
    void DBGridTitleClick(int column);
    void RFS009Click();

    // Stand-by.
    void RestartStandByCountdown();
    void SleepTimerTimer();
    void EnterStandBy();

    // Frame.
    void InitWindowRegion();
    void ApplyWindowRegion();
    void FormMouseDown();
    void FormMouseMove();
    void FormKeyPress();
    void ResizeOffImageMouseEnter();
    void ResizeOffImageMouseLeave();
    void ResizeOffImageMouseDown(const QPoint& globalPos);
    void ResizeOffImageMouseMove(const QPoint& globalPos);
    void ResizeOffImageMouseUp();
    void MB003Click();
    void MB004Click();
    void ProcessEditKeyPress();
    void FormCloseQuery();
    bool resizing() const { return m_resizing; }
    QRect resizeRect() const { return m_resizeRect; }

    // Start-up.
    void FormCreate();
    void FormShow();

    // Runs a user action under the error guard, then brings the connect bar in line with the browsing
    // connection: a connection the server dropped during the action shows as disconnected.
    template <class F> void handle(F&& action) {
        guarded(this, std::forward<F>(action));
        guarded(this, [this] { syncConnectionState(); });
    }
    void syncConnectionState();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createTables();
    void bindGrids();
    void bindGrid(QTableView* grid, TableModel* model);
    void connectFrame();
    void createConnections();
    void connectBrowsing();
    void connectBar();
    void stopStandByDisplay();
    // Abort, Disconnect (QUIT) and close the socket: how the window drops a connection.
    static void breakConnection(TIdFTP& ftp);
    void breakTransferConnections();
    void resetAfterDisconnect();
    void setRemoteButtonsEnabled(bool enabled);
    void setDataFlowButtonsEnabled(bool enabled);
    void addListingPass(const QString& path, bool folders, bool first);
    QStringList catalogueExtensions() const;
    void refreshAfterResize();
    void placeFrameControls();
    void closeTables();

    std::unique_ptr<Ui::TMyMenuForm> m_ui;
    TableModel* m_permissionsModel = nullptr;
    TableModel* m_eventsModel = nullptr;
    TableModel* m_serversModel = nullptr;
    TableModel* m_fileInfoModel = nullptr;

    bool m_shown = false;
    bool m_resizing = false;
    QPoint m_lastPointer;
    QRect m_resizeRect;
    QRubberBand* m_rubberBand = nullptr;
    bool m_keepingOnScreen = false;
    bool m_connecting = false;
    bool m_typingBookmark = false;
};
