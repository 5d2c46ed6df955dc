// The preview browser on Qt WebEngine, built as a plugin (see PreviewBrowser.h). It links the web engine
// and Qt itself, nothing of the program.
#include "gui/preview/PreviewBrowser.h"

#include <QEventLoop>
#include <QObject>
#include <QOpenGLContext>
#include <QPrinter>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtWebEngineQuick>

namespace {

class WebPreviewBrowser final : public QWebEngineView, public PreviewBrowser {
public:
    explicit WebPreviewBrowser(QWidget* parent) : QWebEngineView(parent) {
        setObjectName(QStringLiteral("WB"));
        settings()->setAttribute(QWebEngineSettings::AutoLoadImages, true);
        settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        connect(this, &QWebEngineView::urlChanged, this, [this](const QUrl& address) {
            if (m_urlChanged) m_urlChanged(address);
        });
    }

    QWidget* widget() override { return this; }
    void setUrl(const QUrl& address) override { QWebEngineView::setUrl(address); }
    QUrl url() const override { return QWebEngineView::url(); }
    QString title() const override { return QWebEngineView::title(); }
    void back() override { QWebEngineView::back(); }
    void forward() override { QWebEngineView::forward(); }
    void reload() override { QWebEngineView::reload(); }
    void stop() override { QWebEngineView::stop(); }

    void print(QPrinter& printer) override {
        // The engine prints in its own time and says when it is done.
        QEventLoop loop;
        const auto done = connect(this, &QWebEngineView::printFinished, &loop, &QEventLoop::quit);
        QWebEngineView::print(&printer);
        loop.exec();
        disconnect(done);
    }

    void onUrlChanged(std::function<void(const QUrl&)> handler) override {
        m_urlChanged = std::move(handler);
    }

private:
    std::function<void(const QUrl&)> m_urlChanged;
};

} // namespace

class WebPreviewFactory : public QObject, public PreviewBrowserFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QELTO_PREVIEW_BROWSER_FACTORY_IID)
    Q_INTERFACES(PreviewBrowserFactory)
public:
    PreviewBrowser* create(QWidget* parent) override {
        // The engine draws through an OpenGL context shared with the window. A program that links the
        // engine gets one while the application starts; loaded later, the engine has to be set up here,
        // before its first view, or it fails on the missing context. Doing it now rather than at start-up
        // keeps the graphics driver out of memory until a preview opens.
        if (!QOpenGLContext::globalShareContext()) QtWebEngineQuick::initialize();
        return new WebPreviewBrowser(parent);
    }
};

#include "WebPreview.moc"
