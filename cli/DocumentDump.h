#pragma once
// The document model as JSON, for scripts and tests: version, print settings,
// page, grid and every shape with its styles and its kind's own properties.
// Colours are "#RRGGBBAA", points and sizes two-number lists, rectangles
// [x, y, w, h], and numbers read back exactly.

#include "cli/Json.h"

namespace qv {
class DrawDocument;
class Shape;
} // namespace qv

namespace qv::cli {

Json dumpDocument(const DrawDocument& document);
Json dumpShape(const Shape& shape);

} // namespace qv::cli
