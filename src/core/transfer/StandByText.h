#pragma once

#include <QString>

// The stand-by count-down text for an interval of m minutes and s seconds: "00:0m" or "00:mm", then
// ":0s" or ":ss".
QString standByCountdownText(int minutes, int seconds);
