// The window's skin: title, icon, font, colours of the frame bars and the button artwork.
#include "gui/mainwindow/MyMenu.h"

#include "gui/mainwindow/Skin.h"
#include "ui_MyMenu.h"

#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>

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
    // The frame bars are dark behind their images; their texts light. Palettes, not a style sheet on the
    // window: a window-wide sheet makes every one of its hundreds of widgets carry computed style rules.
    for (QFrame* bar : {m_ui->TopPanel, m_ui->BottomPanel, m_ui->LeftPanel, m_ui->RightPanel}) {
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Window, QColor(0x23, 0x29, 0x2f));
        bar->setPalette(palette);
        bar->setAutoFillBackground(true);
    }
    for (QLabel* label : {m_ui->TimeLabel, m_ui->CPULabel}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(0xc9, 0xd1, 0xd9));
        label->setPalette(palette);
    }
    QPalette gauge = m_ui->CPUProgress->palette();
    gauge.setColor(QPalette::Base, QColor(0x1d, 0x22, 0x27));
    gauge.setColor(QPalette::Window, QColor(0x1d, 0x22, 0x27));
    gauge.setColor(QPalette::Highlight, QColor(0x2f, 0xb3, 0xa6));
    m_ui->CPUProgress->setPalette(gauge);
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
