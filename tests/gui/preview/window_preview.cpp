#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "gui/cpumonitor/ProcessorMonitor.h"
#include "gui/preview/Preview.h"
#include "gui/preview/PreviewBrowser.h"
#include "gui/preview/PreviewForm.h"
#include "support/BrowseFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <unistd.h>

using testsupport::waitUntil;
using namespace std::chrono_literals;

namespace {

const QString pageTitle = QStringLiteral("Qelto preview page");

// `python3 -m http.server` serving a folder; it ends with the test process, also when that crashed.
class HttpServer {
public:
    HttpServer(const QString& root, const QString& host, quint16 port) {
        const QString script =
            QStringLiteral("import ctypes, runpy, signal\n"
                           "ctypes.CDLL('libc.so.6').prctl(1, signal.SIGTERM)\n"
                           "runpy.run_module('http.server', run_name='__main__', alter_sys=True)\n");
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-u"), QStringLiteral("-c"), script, QString::number(port),
                         QStringLiteral("--bind"), host, QStringLiteral("--directory"), root});
        static const QRegularExpression serving(QStringLiteral("Serving HTTP on \\S+ port (\\d+)"));
        QByteArray output;
        waitUntil(
            [&] {
                m_process.waitForReadyRead(20);
                output += m_process.readAllStandardOutput();
                const auto match = serving.match(QString::fromUtf8(output));
                if (match.hasMatch()) m_port = quint16(match.captured(1).toUInt());
                return m_port != 0 || m_process.state() == QProcess::NotRunning;
            },
            20s);
        if (m_port == 0) m_error = QString::fromUtf8(output + m_process.readAllStandardError());
    }
    ~HttpServer() {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    quint16 port() const { return m_port; }
    QString error() const { return m_error; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

// A loopback address whose port 80 no other test holds.
QString freeLoopbackAddressForPort80() {
    for (int n = 130; n < 250; ++n) {
        const QString address = QStringLiteral("127.0.0.%1").arg(n);
        QTcpServer probe;
        if (probe.listen(QHostAddress(address), 80)) return address;
    }
    return {};
}

} // namespace

class PreviewTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        writeFile(
            QStringLiteral("site/index.html"),
            "<!DOCTYPE html><html><head><title>Qelto preview page</title></head><body>Hello</body></html>");
    }

    // Connects to the FTP server at `host` and opens the preview of site/index.html.
    void previewIndexPage(const QString& host) {
        selectIndexPage(host);
        window->ui()->RFS003->click();
    }

    // Connects to the FTP server at `host` and selects site/index.html in the remote list.
    void selectIndexPage(const QString& host) {
        TMyMenuForm& w = window ? *window : openWindow();
        if (!server) startServer({QStringLiteral("--host"), host});
        w.ui()->FTPE001->setText(host);
        w.ui()->FTPE002->setText(QStringLiteral("demo"));
        w.ui()->FTPE003->setText(QStringLiteral("demo"));
        w.ui()->FTPE004->setText(QString::number(server->port()));
        w.ui()->EB001->click();
        ASSERT_TRUE(waitUntil([&] { return listItem(QStringLiteral("site")) != nullptr; }));
        doubleClickItem(QStringLiteral("site"));
        ASSERT_TRUE(waitUntil([&] { return listItem(QStringLiteral("index.html")) != nullptr; }));
        w.ui()->FTPFilesList->setCurrentItem(listItem(QStringLiteral("index.html")));
    }

    TPreviewForm& form() const { return window->preview().form(); }
    QTimer* mainTimer() const { return window->processorMonitor().CPUTimer; }

    bool showsTitle() const { return form().browserView() && form().browserView()->title() == pageTitle; }
    std::string shownTitle() const {
        return form().browserView() ? form().browserView()->title().toStdString() : "no web view";
    }

    // The preview is open, modal for the main window, and has taken over the processor display.
    void expectOpen() const {
        EXPECT_TRUE(form().isVisible());
        EXPECT_TRUE(form().isModal());
        EXPECT_FALSE(mainTimer()->isActive());
        EXPECT_TRUE(form().ControlTimer->isActive());
    }

    void expectClosed() const {
        EXPECT_FALSE(form().isVisible());
        EXPECT_TRUE(mainTimer()->isActive());
        EXPECT_FALSE(form().ControlTimer->isActive());
    }
};

TEST_F(PreviewTest, LoadsThePageFromTheServersOwnAddressOnPort80) {
    if (geteuid() != 0) GTEST_SKIP() << "the page is served on port 80, and binding port 80 needs root";
    const QString host = freeLoopbackAddressForPort80();
    ASSERT_FALSE(host.isEmpty()) << "no loopback address with a free port 80";
    HttpServer http(root.path(), host, 80);
    ASSERT_EQ(http.port(), 80) << http.error().toStdString();

    previewIndexPage(host);
    expectOpen();
    EXPECT_EQ(form().URLEdit->currentText(),
              QStringLiteral("http://") + host + QStringLiteral("/site/index.html"));
    EXPECT_EQ(form().ProcessEdit->text(), u"Preview file: index.html");
    EXPECT_TRUE(waitUntil([&] { return showsTitle(); }, 60s)) << shownTitle();
    form().MB004->click();
    expectClosed();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(PreviewTest, PreviewAddressSettingEveryWayOfClosingAndARunningTransfer) {
    HttpServer http(root.path(), QStringLiteral("127.0.0.1"), 0);
    ASSERT_NE(http.port(), 0) << http.error().toStdString();
    const QString site = QStringLiteral("http://127.0.0.1:%1").arg(http.port());
    openWindow();
    // The web engine is loaded by the first preview, not at start-up.
    EXPECT_EQ(form().browserView(), nullptr);
    window->ui()->PreviewAddressEdit->setText(site + u'/');
    previewIndexPage(QStringLiteral("127.0.0.1"));
    expectOpen();
    EXPECT_EQ(form().URLEdit->currentText(), site + QStringLiteral("/site/index.html"));
    ASSERT_TRUE(waitUntil([&] { return showsTitle(); }, 60s)) << shownTitle();

    // A transfer on a worker thread runs to its end while the preview is open.
    writeFile(QStringLiteral("big.bin"), QByteArray(32 << 20, 'x'));
    QTemporaryDir local;
    std::atomic<qint64> bytes{0};
    QString failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            TIdFTP ftp;
            ftp.setHost(QStringLiteral("127.0.0.1"));
            ftp.setPort(server->port());
            ftp.setUsername(QStringLiteral("demo"));
            ftp.setPassword(QStringLiteral("demo"));
            ftp.setPassive(true);
            ftp.OnWork = [&](TWorkMode, qint64 count) { bytes = count; };
            ftp.Connect();
            ftp.Get(QStringLiteral("/big.bin"), local.filePath(QStringLiteral("big.bin")), true);
            ftp.Disconnect();
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }));
    bool done = false;
    QObject::connect(worker.get(), &QThread::finished, [&] { done = true; }); // delivered on this thread
    worker->start();
    EXPECT_TRUE(waitUntil([&] { return done; }, 60s));
    worker->wait();
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_EQ(QFileInfo(local.filePath(QStringLiteral("big.bin"))).size(), 32 << 20);
    EXPECT_EQ(bytes.load(), 32 << 20);
    expectOpen();

    // Enter in the address box goes there and keeps the address in the box's list.
    form().URLEdit->setEditText(site + QStringLiteral("/a.txt"));
    QTest::keyClick(form().URLEdit->lineEdit(), Qt::Key_Return);
    EXPECT_GE(form().URLEdit->findText(site + QStringLiteral("/a.txt")), 0);
    EXPECT_TRUE(waitUntil([&] { return form().browserView()->url().toString().endsWith(u"/a.txt"); }, 30s));

    // The close button, Esc and the window manager all give the processor display back.
    form().MB004->click();
    expectClosed();
    window->ui()->RFS003->click();
    expectOpen();
    QTest::keyClick(&form(), Qt::Key_Escape);
    expectClosed();
    window->ui()->RFS003->click();
    expectOpen();
    form().close();
    expectClosed();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(PreviewTest, NothingSelectedOpensNothingAndALostConnectionIsReportedBeforeTheWindowOpens) {
    openWindow();
    window->ui()->RFS003->setEnabled(true);
    window->ui()->RFS003->click(); // no entry selected
    EXPECT_FALSE(form().isVisible());
    EXPECT_TRUE(errors.isEmpty());

    // Not connected: asking the server for its folder fails, and the window stays closed.
    window->ui()->FTPFilesList->addItem(QStringLiteral("index.html"));
    window->ui()->FTPFilesList->setCurrentRow(0);
    window->ui()->RFS003->click();
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(mainTimer()->isActive());
}

TEST_F(PreviewTest, AWebViewThatCannotBeLoadedIsReportedAndLeavesTheMainWindowAsItWas) {
    QTemporaryDir empty, broken;
    // Not a library at all, under the plugin's own name.
    const QString fake = broken.filePath(TPreviewForm::pluginFileName());
    QFile junk(fake);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a plugin");
    junk.close();
    const struct {
        QString folder;
        QString reason;
    } cases[] = {
        {empty.path(), QStringLiteral(" was not found in ") + empty.path()},
        {broken.path(), fake},
    };
    selectIndexPage(QStringLiteral("127.0.0.1"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        errors.clear();
        form().setPluginFolders({c.folder});
        window->ui()->RFS003->click();
        ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
        EXPECT_TRUE(errors[0].startsWith(u"The web preview could not be loaded: "))
            << errors[0].toStdString();
        EXPECT_TRUE(errors[0].contains(c.reason)) << errors[0].toStdString();
        EXPECT_EQ(form().browserView(), nullptr);
        expectClosed();
    }

    // Found again, the same click opens the preview.
    errors.clear();
    form().setPluginFolders(TPreviewForm::defaultPluginFolders());
    window->ui()->RFS003->click();
    expectOpen();
    EXPECT_NE(form().browserView(), nullptr);
    form().MB004->click();
    expectClosed();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(PreviewTest, FrameResizesOnlyFromTheBottomRightGrip) {
    openWindow();
    TPreviewForm& f = form();
    f.show();
    EXPECT_EQ(f.size(), QSize(800, 500));
    EXPECT_TRUE(f.mask().contains(QPoint(400, 250)));
    EXPECT_FALSE(f.mask().contains(QPoint(0, 0)));     // the cut top-left corner
    EXPECT_FALSE(f.mask().contains(QPoint(799, 499))); // and the bottom-right one
    const QPoint start = f.geometry().bottomRight();
    f.beginResize(start);
    f.dragResize(start + QPoint(100, 50));
    f.endResize();
    EXPECT_EQ(f.size(), QSize(900, 550));
    EXPECT_TRUE(f.mask().contains(QPoint(880, 400)));
    EXPECT_EQ(f.MB004->x(), 900 - 42);
    EXPECT_EQ(f.CPULabel->x(), 900 - 88);
    // Never down to 800 wide or 500 high.
    f.beginResize(f.geometry().bottomRight());
    f.dragResize(f.geometry().bottomRight() - QPoint(100, 50));
    f.endResize();
    EXPECT_EQ(f.size(), QSize(900, 550));
    f.close();
}
