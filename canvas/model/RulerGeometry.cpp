#include "canvas/model/RulerGeometry.h"

#include <cmath>
#include <cstdio>

namespace qv {

RulerMarks rulerMarks(double rulerStart, double rulerEnd, double pageStart, double pageEnd,
                      std::optional<RulerSpan> selection) {
    RulerMarks marks;
    if (pageStart > rulerStart)
        marks.shaded.push_back({rulerStart, pageStart - rulerStart});
    if (rulerEnd > pageEnd)
        marks.shaded.push_back({pageEnd, rulerEnd - pageEnd});
    if (selection) {
        marks.selectionLines.push_back(selection->start + 0.5);
        marks.selectionLines.push_back(selection->start + selection->length + 0.5);
    }
    return marks;
}

double rulerLabelStep(double zoom, double minimumSpacing) {
    if (!(zoom > 0) || !std::isfinite(zoom))
        return 100;
    const double wanted = minimumSpacing / zoom;
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (int guard = 0; guard < 4; ++guard, power *= 10)
        for (double m : {1.0, 2.0, 5.0})
            if (m * power >= wanted * (1 - 1e-12))
                return m * power;
    return 10 * power;
}

std::vector<RulerTick> rulerTicks(double zero, double zoom, double start, double end) {
    std::vector<RulerTick> ticks;
    if (!(zoom > 0) || !std::isfinite(zoom) || !(end > start))
        return ticks;
    const double step = rulerLabelStep(zoom);
    // Subdivisions that keep ticks at least 4 screen points apart: tenths of
    // a 1 or 5 step and quarters of a 2 step, or halves, or none.
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    int parts = std::lround(mantissa) == 2 ? 4 : 10;
    while (parts > 1 && step / parts * zoom < 4)
        parts = parts == 10 ? 2 : parts == 4 ? 2 : 1;
    const double minor = step / parts;
    const long long first = static_cast<long long>(std::floor((start - zero) / zoom / minor));
    const long long last = static_cast<long long>(std::ceil((end - zero) / zoom / minor));
    if (last - first > 100000)
        return ticks;
    for (long long i = first; i <= last; ++i) {
        const double position = zero + static_cast<double>(i) * minor * zoom;
        if (position < start || position >= end)
            continue;
        const long long k = ((i % parts) + parts) % parts;
        const int level = k == 0 ? 0 : (parts % 2 == 0 && k == parts / 2) ? 1 : 2;
        ticks.push_back({position, level, static_cast<double>(i) * minor});
    }
    return ticks;
}

std::string rulerLabel(double value, double step) {
    int decimals = 0;
    while (decimals < 4 && std::fabs(step * std::pow(10.0, decimals) -
                                     std::round(step * std::pow(10.0, decimals))) > 1e-9)
        ++decimals;
    char text[64];
    double shown = value;
    if (std::fabs(shown) < 0.5 * std::pow(10.0, -decimals))
        shown = 0; // no "-0"
    std::snprintf(text, sizeof text, "%.*f", decimals, shown);
    return text;
}

} // namespace qv
