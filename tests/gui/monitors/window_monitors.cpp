#include "core/monitor/GraphWindow.h"
#include "core/monitor/ProcessorTimes.h"
#include "gui/cpumonitor/ProcessorMonitor.h"
#include "gui/netmonitor/NetMonitor.h"
#include "gui/netmonitor/TrafficGraph.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QDirIterator>
#include <QFile>
#include <QLineSeries>
#include <QTimer>
#include <QValueAxis>

namespace {

QString fixture(const QString& relative) {
    return QStringLiteral(QELTO_FIXTURES_DIR "/monitor/") + relative;
}

// A writable copy of a recorded tree.
void copyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QDir(from).relativeFilePath(file).prepend(u'/');
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
    }
}

void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(text);
}

} // namespace

class NetMonitorTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        copyTree(fixture(QStringLiteral("net-a")), sys.path());
        openWindow();
        monitor().setInterfaceFolder(sys.path());
    }

    NetMonitor& monitor() { return window->netMonitor(); }
    Ui::TMyMenuForm& ui() { return *window->ui(); }

    void select(const QString& name) {
        const int index = ui().NetInterface->findData(name);
        ASSERT_GE(index, 0) << name.toStdString();
        ui().NetInterface->setCurrentIndex(index);
    }

    void setCounters(const QString& name, quint64 received, quint64 sent) {
        writeText(sys.filePath(name + QStringLiteral("/statistics/rx_bytes")), QByteArray::number(received));
        writeText(sys.filePath(name + QStringLiteral("/statistics/tx_bytes")), QByteArray::number(sent));
    }

    QTemporaryDir sys;
};

TEST_F(NetMonitorTest, ShowsTheChosenInterface) {
    QStringList texts;
    for (int i = 0; i < ui().NetInterface->count(); ++i)
        texts << ui().NetInterface->itemText(i);
    EXPECT_EQ(texts, (QStringList{QStringLiteral("lo (Loopback)"), QStringLiteral("eth0 (e1000e)"),
                                  QStringLiteral("wlan0 (Office Wi-Fi)"), QStringLiteral("tun0")}));
    EXPECT_EQ(ui().NetInterface->currentIndex(), 0);
    EXPECT_EQ(ui().MTULabel->text(), u"65536");
    EXPECT_EQ(ui().SpeedLabel->text(), u"N/A");
    EXPECT_NE(ui().IPLabel->text(), u"-");
    EXPECT_EQ(ui().DownloadLabel->text(), u"N/A"); // until the first tick

    select(QStringLiteral("eth0"));
    EXPECT_EQ(ui().SpeedLabel->text(), u"1E3 MBit/s");
    EXPECT_EQ(ui().MTULabel->text(), u"1500");
    EXPECT_EQ(ui().MACLabel->text(), u"00-1A-2B-3C-4D-5E");
    EXPECT_EQ(ui().ReseivedLabel->text(), u"4 GByte/s");
    EXPECT_EQ(ui().SendLabel->text(), u"118 MByte/s");

    // The entry stays paired with its interface: tun0 has index 7, fourth in the list.
    QDir(sys.filePath(QStringLiteral("wlan0"))).removeRecursively();
    select(QStringLiteral("tun0"));
    EXPECT_EQ(ui().MTULabel->text(), u"1420");
    EXPECT_EQ(ui().MACLabel->text(), u"N/A");
    // An interface that went away shows nothing stale.
    select(QStringLiteral("wlan0"));
    EXPECT_EQ(ui().MTULabel->text(), u"N/A");
    EXPECT_EQ(ui().MACLabel->text(), u"N/A");
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(NetMonitorTest, TrafficControlShowsRatesPerSecond) {
    select(QStringLiteral("eth0"));
    EXPECT_EQ(ui().TraficControl->text(), u"Trafic Control OFF");
    ui().RzBmpButton25->click();
    EXPECT_TRUE(monitor().NetTimer->isActive());
    EXPECT_EQ(monitor().NetTimer->interval(), 300);
    EXPECT_EQ(ui().TraficControl->text(), u"Control ON");

    setCounters(QStringLiteral("eth0"), 200, 123458325); // received wrapped at 2^32: 496 bytes; sent 1536
    monitor().measure(300);
    EXPECT_EQ(ui().DownloadLabel->text(), u"1.61 KByte/s"); // 496 bytes in 0.3 s
    EXPECT_EQ(ui().UploadLabel->text(), u"5 KByte/s");
    ASSERT_EQ(monitor().downloadGraph().series()->count(), 1);
    EXPECT_NEAR(monitor().downloadGraph().series()->at(0).y(), 1653.3, 0.1);

    setCounters(QStringLiteral("eth0"), 200 + 3000, 123458325); // a late tick: 3000 bytes in 0.6 s
    monitor().measure(600);
    EXPECT_EQ(ui().DownloadLabel->text(), u"4.88 KByte/s");
    EXPECT_EQ(ui().UploadLabel->text(), u"0 Byte/s");
    // The totals on the settings page are shown when the interface is chosen, not per tick.
    EXPECT_EQ(ui().ReseivedLabel->text(), u"4 GByte/s");

    ui().RzBmpButton25->click();
    EXPECT_FALSE(monitor().NetTimer->isActive());
    EXPECT_EQ(ui().TraficControl->text(), u"Control OFF");
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(NetMonitorTest, GraphsScrollAndStayBoundedOverALongWatch) {
    select(QStringLiteral("eth0"));
    TrafficGraph& graph = monitor().downloadGraph();
    for (int tick = 0; tick < 61; ++tick)
        monitor().measure(300);
    EXPECT_EQ(graph.horizontalAxis()->min(), 1);
    EXPECT_EQ(graph.horizontalAxis()->max(), 61);
    // Twenty minutes of ticks: the series keeps only what can be seen.
    for (int tick = 0; tick < 4000; ++tick)
        monitor().measure(300);
    EXPECT_LE(graph.series()->count(), GraphWindow::MaxPoints);
    EXPECT_LE(monitor().uploadGraph().series()->count(), GraphWindow::MaxPoints);
    EXPECT_EQ(graph.series()->at(graph.series()->count() - 1).x(), 4060);
    // Another interface starts the graphs afresh.
    select(QStringLiteral("lo"));
    EXPECT_EQ(graph.series()->count(), 0);
    EXPECT_EQ(graph.horizontalAxis()->min(), 0);
    EXPECT_EQ(graph.horizontalAxis()->max(), 60);
}

class ProcessorMonitorTest : public WindowTest {
protected:
    // Shows the load between two recordings of a machine.
    void measureRecording(const QString& machine) {
        writeText(stat(), readFile(fixture(machine + QStringLiteral("/a/stat"))));
        window->processorMonitor().usage().setSource(stat());
        writeText(stat(), readFile(fixture(machine + QStringLiteral("/b/stat"))));
        window->processorMonitor().tick();
    }

    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString stat() const { return proc.filePath(QStringLiteral("stat")); }

    QTemporaryDir proc;
};

TEST_F(ProcessorMonitorTest, ShowsTheLoadOfAllProcessorsAndLightsForTheBusiest) {
    const Ui::TMyMenuForm& ui = *openWindow().ui();
    EXPECT_TRUE(window->processorMonitor().CPUTimer->isActive());
    EXPECT_EQ(window->processorMonitor().CPUTimer->interval(), 1000);
    struct Case {
        const char* machine;
        const char* text;
        bool over50, over80;
    } cases[] = {
        {"proc-4cpu", "35%", true, true}, // 90, 10, 0 and 40 percent
        {"proc-1cpu", "2%", false, false},
        {"proc-64cpu", "1%", true, true}, // one of 64 at 85 percent
    };
    for (const Case& c : cases) {
        measureRecording(QLatin1String(c.machine));
        EXPECT_EQ(ui.CPULabel->text(), QLatin1String(c.text)) << c.machine;
        EXPECT_EQ(QString::number(ui.CPUProgress->value()) + u'%', QLatin1String(c.text)) << c.machine;
        EXPECT_EQ(!ui.CPUI001->isHidden(), c.over50) << c.machine;
        EXPECT_EQ(!ui.CPUI002->isHidden(), c.over80) << c.machine;
    }
    // A sample that cannot be read changes nothing on screen.
    QFile::remove(stat());
    window->processorMonitor().tick();
    EXPECT_EQ(ui.CPULabel->text(), u"1%");
    EXPECT_FALSE(ui.CPUI002->isHidden());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}
