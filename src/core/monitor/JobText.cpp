#include "core/monitor/JobText.h"

#include <cmath>

namespace {

constexpr qint64 RateWindowMs = 5000; // the rate follows the last five seconds
constexpr qint64 FirstRateMs = 1000;  // and is not told before a second has passed

QString counted(qint64 n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

} // namespace

QString jobByteText(qint64 bytes) {
    static const char* const units[] = {" KByte", " MByte", " GByte"};
    if (bytes < 1024) return QString::number(std::max<qint64>(bytes, 0)) + QStringLiteral(" Byte");
    double value = double(bytes);
    int unit = -1;
    while (unit < 2 && value >= 1024.0) {
        value /= 1024.0;
        ++unit;
    }
    QString digits = QString::number(value, 'f', value < 9.95 ? 1 : 0);
    if (digits.endsWith(QLatin1String(".0"))) digits.chop(2);
    return digits + QLatin1String(units[unit]);
}

QString durationText(qint64 ms) {
    const qint64 s = (std::max<qint64>(ms, 0) + 500) / 1000;
    if (s < 60) return QString::number(s) + QStringLiteral(" s");
    auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (s < 3600) return QString::number(s / 60) + u':' + two(s % 60) + QStringLiteral(" min");
    return QString::number(s / 3600) + u':' + two(s / 60 % 60) + u':' + two(s % 60) + QStringLiteral(" h");
}

void JobMeter::start(qint64 total, qint64 nowMs) {
    m_total = total;
    m_start = nowMs;
    m_samples = {{nowMs, 0}};
}

void JobMeter::moved(qint64 bytes, qint64 nowMs) {
    if (m_samples.isEmpty()) start(0, nowMs);
    if (nowMs == m_samples.last().first)
        m_samples.last().second = bytes;
    else
        m_samples.append({nowMs, bytes});
    // One sample older than the window stays as the rate's starting point.
    while (m_samples.size() > 2 && nowMs - m_samples.at(1).first >= RateWindowMs)
        m_samples.removeFirst();
}

double JobMeter::rate() const {
    if (m_samples.size() < 2) return 0;
    const auto& [lastMs, lastBytes] = m_samples.last();
    if (lastMs - m_start < FirstRateMs) return 0;
    const auto& [firstMs, firstBytes] = m_samples.first();
    if (lastMs <= firstMs || lastBytes <= firstBytes) return 0;
    return double(lastBytes - firstBytes) * 1000.0 / double(lastMs - firstMs);
}

QString JobMeter::text() const {
    const double perSecond = rate();
    if (perSecond <= 0) return QString();
    QString text = jobByteText(qint64(std::llround(perSecond))) + QStringLiteral("/s");
    const qint64 left = m_total - bytes();
    if (m_total > 0 && left > 0)
        text += QStringLiteral(", ") + durationText(qint64(std::ceil(double(left) / perSecond)) * 1000) +
                QStringLiteral(" left");
    return text;
}

QString jobFinishedText(JobTextKind kind, int files, int folders, qint64 bytes, qint64 ms) {
    const QString took = durationText(ms);
    switch (kind) {
    case JobTextKind::Move:
        return QStringLiteral("Move finished: ") + counted(files, "file", "files") + QStringLiteral(" in ") + took;
    case JobTextKind::Delete:
        return QStringLiteral("Delete finished: ") + counted(files, "file", "files") + QStringLiteral(", ") +
               counted(folders, "folder", "folders") + QStringLiteral(" in ") + took;
    default:
        break;
    }
    const char* what = kind == JobTextKind::Download ? "Download" : kind == JobTextKind::Upload ? "Upload" : "Copy";
    const qint64 perSecond = std::llround(double(std::max<qint64>(bytes, 0)) * 1000.0 / double(std::max<qint64>(ms, 1)));
    return QLatin1String(what) + QStringLiteral(" finished: ") + counted(files, "file", "files") +
           QStringLiteral(", ") + jobByteText(bytes) + QStringLiteral(" in ") + took + QStringLiteral(" (") +
           jobByteText(perSecond) + QStringLiteral("/s)");
}

bool notifyJobEnd(qint64 ms, bool windowActive) {
    return ms > 10000 && !windowActive;
}
