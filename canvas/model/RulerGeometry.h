#pragma once
// What a ruler draws along its own axis, in the ruler's coordinates (the
// viewport's pixels along that axis): the ticks and labels in points, zero at
// the page's corner; the shaded strips beyond the page; the two lines that
// mark the selection's edges. One function serves both orientations.

#include <optional>
#include <string>
#include <vector>

namespace qv {

struct RulerSpan {
    double start = 0;
    double length = 0;
    friend bool operator==(const RulerSpan&, const RulerSpan&) = default;
};

struct RulerMarks {
    // Shaded strips (50 % grey at 50 % opacity) where the ruler runs past the
    // page: before the page when it starts after the ruler's start, after it
    // when the ruler ends beyond it.
    std::vector<RulerSpan> shaded;
    // The selection's edges + 0.5 (centred on a pixel), when there is one.
    std::vector<double> selectionLines;
};

// The ruler covers [rulerStart, rulerEnd); the page and the selection are
// given in ruler coordinates too.
RulerMarks rulerMarks(double rulerStart, double rulerEnd, double pageStart, double pageEnd,
                      std::optional<RulerSpan> selection);

struct RulerTick {
    double position = 0; // ruler coordinate
    // 0: a labelled major tick, 1: a half-way tick, 2: a minor tick.
    int level = 0;
    double value = 0; // points from the page's corner
};

// Points between labels at a zoom: the smallest of 1, 2 or 5 times a power of
// ten that puts labels at least `minimumSpacing` screen points apart.
double rulerLabelStep(double zoom, double minimumSpacing = 50);

// The ticks of the ruler range [start, end), where `zero` is the ruler
// coordinate of the page's corner and `zoom` the screen points per point.
std::vector<RulerTick> rulerTicks(double zero, double zoom, double start, double end);

// The label of a tick value: whole points without decimals ("-72", "144"),
// smaller steps with as many decimals as the step needs.
std::string rulerLabel(double value, double step);

} // namespace qv
