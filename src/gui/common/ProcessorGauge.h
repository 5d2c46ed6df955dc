#pragma once

class QLabel;
class QProgressBar;
class QWidget;
struct ProcessorLoad;

// The processor load display of a skinned window's frame: the text ("35%"), the bar, and the two
// lights that show when the busiest processor passed 50 and 80 percent.
struct ProcessorGauge {
    QLabel* text;
    QProgressBar* bar;
    QWidget* over50;
    QWidget* over80;

    void show(const ProcessorLoad& load) const;
};
