#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>
#include <functional>

class QPrinter;
class QWidget;

// The preview window's web view as the window sees it. The web engine lives in a plugin of its own
// (web/), loaded when the first page is shown, so the program does not carry the engine's libraries
// until then.
class PreviewBrowser {
public:
    virtual ~PreviewBrowser() = default;

    // The view to place in the window; it owns this browser (deleting the widget deletes both).
    virtual QWidget* widget() = 0;

    virtual void setUrl(const QUrl& url) = 0;
    virtual QUrl url() const = 0;
    virtual QString title() const = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual void reload() = 0;
    virtual void stop() = 0;

    // Prints the page; returns when the engine has finished with the printer.
    virtual void print(QPrinter& printer) = 0;

    // Called with the new address whenever the page's address changes.
    virtual void onUrlChanged(std::function<void(const QUrl&)> handler) = 0;
};

// What the plugin exports: makes browsers.
class PreviewBrowserFactory {
public:
    virtual ~PreviewBrowserFactory() = default;

    // A new browser whose widget is a child of `parent`.
    virtual PreviewBrowser* create(QWidget* parent) = 0;
};

// The version in the name changes with the two classes above, so a stale plugin is refused.
#define QELTO_PREVIEW_BROWSER_FACTORY_IID "org.qelto.PreviewBrowserFactory/1"
Q_DECLARE_INTERFACE(PreviewBrowserFactory, QELTO_PREVIEW_BROWSER_FACTORY_IID)
