#pragma once

// The horizontal window of a scrolling traffic graph: 61 positions, one point per tick, moving one
// step to the right once the newest point passes its right end. Points left of the window can no longer
// be seen, so a graph keeps only those from one step before its left end on.
class GraphWindow {
public:
    static constexpr int Width = 60;

    // The x of the next point; moves the window when that point passes its right end.
    double addPoint();
    void reset();

    double left() const { return m_left; }
    double right() const { return m_left + Width; }
    // Points with a smaller x can be dropped.
    double firstKeptX() const { return m_left - 1; }
    // At most this many points are ever kept.
    static constexpr int MaxPoints = Width + 2;

private:
    double m_positionX = 0;
    double m_left = 0;
};
