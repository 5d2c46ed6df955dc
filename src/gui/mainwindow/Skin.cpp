// The window's skin: title, icon, font, colours of the frame bars and the button artwork.
#include "gui/mainwindow/MyMenu.h"

#include "gui/mainwindow/Skin.h"
#include "ui_MyMenu.h"

#include <QFontDatabase>
#include <QIcon>

// The skin lives in the static window library; its resources must be registered by hand.
static void initSkinResources() {
    Q_INIT_RESOURCE(skin);
}

void registerSkinResources() {
    initSkinResources();
}

namespace {

QFont windowFont() {
    QFont font(QFontDatabase::hasFamily(QStringLiteral("Tahoma"))
                   ? QStringLiteral("Tahoma")
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    font.setPointSize(8);
    return font;
}

} // namespace

void TMyMenuForm::applySkin() {
    setObjectName(QStringLiteral("TMyMenuForm"));
    setWindowTitle(QStringLiteral("Qelto"));
    setWindowIcon(QIcon(QStringLiteral(":/skin/qelto.svg")));
    setFont(windowFont());
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);

    m_ui->ProcessEdit->setStyleSheet(
        QStringLiteral("QLineEdit { background: black; color: grey; border: none; }"));
    // The frame bars are dark behind their images; their texts light.
    setStyleSheet(QStringLiteral(
        "QFrame#TopPanel, QFrame#BottomPanel, QFrame#LeftPanel, QFrame#RightPanel { background: #23292f; }"
        "QLabel#TimeLabel, QLabel#CPULabel { color: #c9d1d9; }"
        "QProgressBar#CPUProgress { background: #1d2227; border: 1px solid #3b444d; }"
        "QProgressBar#CPUProgress::chunk { background: #2fb3a6; }"));
    m_ui->MB003->setIcon(QIcon(QStringLiteral(":/skin/minimize.svg")));
    m_ui->MB004->setIcon(QIcon(QStringLiteral(":/skin/close.svg")));
    m_ui->EB001->setIcon(QIcon(QStringLiteral(":/skin/connect.svg")));
    m_ui->EB002->setIcon(QIcon(QStringLiteral(":/skin/disconnect.svg")));
    const std::pair<QToolButton*, const char*> icons[] = {
        {m_ui->RFS001, "new_folder"}, {m_ui->RFS002, "rename"}, {m_ui->RFS003, "preview"},
        {m_ui->RFS004, "cut"},        {m_ui->RFS005, "copy"},   {m_ui->RFS006, "paste"},
        {m_ui->RFS007, "delete"},     {m_ui->RFS008, "upload"}, {m_ui->RFS009, "folder_up"},
        {m_ui->LFB008, "download"}};
    for (const auto& [button, icon] : icons) {
        button->setIcon(QIcon(QStringLiteral(":/skin/") + QLatin1String(icon) + QStringLiteral(".svg")));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(QSize(20, 20));
        button->setAutoRaise(true);
    }
    for (QToolButton* b : {m_ui->MB003, m_ui->MB004}) {
        b->setAutoRaise(true);
        b->setIconSize(QSize(24, 22));
    }
}
