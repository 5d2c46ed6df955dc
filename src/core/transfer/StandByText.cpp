#include "core/transfer/StandByText.h"

QString standByCountdownText(int minutes, int seconds) {
    QString text = minutes < 10 ? QStringLiteral("00:0") : QStringLiteral("00:");
    text += QString::number(minutes);
    text += seconds < 10 ? QStringLiteral(":0") : QStringLiteral(":");
    text += QString::number(seconds);
    return text;
}
