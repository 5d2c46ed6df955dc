#include "gui/settings/Settings.h"

#include "core/ftp/ConnectBarText.h"
#include "core/settings/SettingsText.h"
#include "gui/common/UserAction.h"
#include "gui/settings/InformationPage.h"
#include "ui_MyMenu.h"

#include <QAbstractSpinBox>
#include <QIntValidator>
#include <QScrollArea>

namespace {

// The wheel turns a list or spinner of the scrolling page only once the user has clicked or tabbed into
// it; otherwise it scrolls the page, so scrolling past a control never changes it.
class WheelNeedsFocus : public QObject {
public:
    WheelNeedsFocus(QScrollArea* page, QObject* parent) : QObject(parent), m_page(page) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel || static_cast<QWidget*>(watched)->hasFocus()) return false;
        QCoreApplication::sendEvent(m_page->viewport(), event);
        return true;
    }

private:
    QScrollArea* m_page;
};

} // namespace

Settings::Settings(Ui::TMyMenuForm& ui, TTable& fileTypes, QWidget* window)
    : QObject(window), m_ui(ui), m_window(window),
      m_information(new InformationPage(ui, fileTypes, window, this)) {
    // What the drop-down lists read is the text shown: an item or what the user typed.
    for (QComboBox* box : {m_ui.TransferEdit, m_ui.PasiveEdit, m_ui.RzComboBox5})
        box->setEditable(true);
    m_ui.ProxyEdit004->addItems(proxyTypeItems());
    m_ui.ProxyEdit004->setCurrentIndex(0);
    m_ui.RzComboBox8->setEditable(false);
    m_ui.RzComboBox8->setEnabled(true);
    m_ui.RzComboBox8->setToolTip(QString());
    m_ui.WhenFileExists->addItems(whenFileExistsItems());
    m_ui.WhenFileExists->setCurrentIndex(0);
    bindSystemSettings();
    guardAgainstWheel();

    auto onClick = [this](QAbstractButton* button, auto handler) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler](bool checked) { userAction(m_window, [&] { (this->*handler)(checked); }); });
    };
    onClick(m_ui.ICB001, &Settings::showConnectBar);
    onClick(m_ui.ICB003, &Settings::showJobGrid);
    connect(m_ui.ApplayProxy, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { applyProxy(); }); });
    for (QToolButton* b : {m_ui.RzBmpButton4, m_ui.RzBmpButton8, m_ui.RzBmpButton7})
        connect(b, &QToolButton::clicked, this, [this] { emit trafficSwitchRequested(); });

    readSystemSettings();
}

void Settings::bindSystemSettings() {
    constexpr int maxTimeout = 24 * 60 * 60 * 1000;
    const std::pair<QLineEdit*, int> numbers[] = {{m_ui.RzEdit7, 65535},      {m_ui.RzEdit5, 65535},
                                                  {m_ui.RzEdit6, 65535},      {m_ui.RzEdit8, maxTimeout},
                                                  {m_ui.RzEdit9, maxTimeout}, {m_ui.RzEdit10, maxTimeout}};
    // Only numbers can be typed, so a finished edit always reads.
    for (const auto& [edit, max] : numbers) {
        edit->setValidator(new QIntValidator(0, max, edit));
        connect(edit, &QLineEdit::editingFinished, this,
                [this] { userAction(m_window, [this] { readSystemSettings(); }); });
    }
    for (QCheckBox* box : {m_ui.AutoIssueFEAT, m_ui.RzCheckBox7, m_ui.RzCheckBox3, m_ui.RzCheckBox5,
                           m_ui.RzCheckBox6, m_ui.KeepTransferConnection})
        connect(box, &QCheckBox::toggled, this,
                [this] { userAction(m_window, [this] { readSystemSettings(); }); });
    connect(m_ui.SimultaneousTransfers, &QSpinBox::valueChanged, this,
            [this] { userAction(m_window, [this] { readSystemSettings(); }); });
    connect(m_ui.RzComboBox5, &QComboBox::currentTextChanged, this,
            [this] { userAction(m_window, [this] { readSystemSettings(); }); });
    connect(m_ui.WhenFileExists, &QComboBox::currentIndexChanged, this,
            [this] { userAction(m_window, [this] { readSystemSettings(); }); });
    connect(m_ui.RzComboBox8, &QComboBox::currentIndexChanged, this,
            [this] { userAction(m_window, [this] { readSystemSettings(); }); });
}

void Settings::guardAgainstWheel() {
    auto* filter = new WheelNeedsFocus(m_ui.SettingsScroll, this);
    QWidget* page = m_ui.SettingsScroll->widget();
    QList<QWidget*> controls;
    for (QComboBox* box : page->findChildren<QComboBox*>())
        controls << box;
    for (QAbstractSpinBox* spinner : page->findChildren<QAbstractSpinBox*>())
        controls << spinner;
    for (QWidget* control : controls) {
        // A wheel turn alone gives no focus.
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(filter);
    }
}

void Settings::publish() {
    emit connectionSettingsChanged(m_settings);
}

void Settings::readSystemSettings() {
    SystemSettingsTexts texts;
    texts.readTimeout = m_ui.RzEdit9->text();
    texts.listenTimeout = m_ui.RzEdit8->text();
    texts.transferTimeout = m_ui.RzEdit10->text();
    texts.dataPort = m_ui.RzEdit7->text();
    texts.dataPortMin = m_ui.RzEdit6->text();
    texts.dataPortMax = m_ui.RzEdit5->text();
    texts.ipVersion = m_ui.RzComboBox5->currentText();
    texts.useExtensionDataPort = m_ui.RzCheckBox7->isChecked();
    texts.useHOST = m_ui.RzCheckBox5->isChecked();
    texts.useMLIS = m_ui.RzCheckBox6->isChecked();
    texts.autoIssueFEAT = m_ui.AutoIssueFEAT->isChecked();
    texts.tryNATFastTrack = m_ui.RzCheckBox3->isChecked();
    texts.keepTransferConnectionOpen = m_ui.KeepTransferConnection->isChecked();
    texts.simultaneousTransfers = m_ui.SimultaneousTransfers->value();
    texts.whenFileExists = m_ui.WhenFileExists->currentIndex();
    applySystemSettings(texts, m_settings);
    m_settings.tls = tlsModeAt(m_ui.RzComboBox8->currentIndex());
    publish();
}

void Settings::applyProxy() {
    emit trafficSwitchRequested();
    TIdFtpProxySettings& proxy = m_settings.proxy;
    proxy.Host = m_ui.ProxyEdit001->text();
    proxy.UserName = m_ui.ProxyEdit002->text();
    proxy.Password = m_ui.ProxyEdit003->text();
    proxy.ProxyType = proxyMethodAt(m_ui.ProxyEdit004->currentIndex());
    publish();
    proxy.Port = quint16(settingsNumber(m_ui.ProxyEdit005->text(), 0, 65535));
    publish();
}

void Settings::showConnectBar(bool show) {
    m_ui.SelectPanel->setVisible(show);
}

void Settings::showJobGrid(bool show) {
    m_ui.FTPEventsTable->setVisible(show);
}
