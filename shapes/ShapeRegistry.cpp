#include "shapes/ShapeRegistry.h"

#include "document/QVParser.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"

namespace qv {

void registerShapeClasses(QVParser& parser) {
    parser.registerElementClass<RectangleShape>();
    parser.registerElementClass<RoundRectangleShape>();
    parser.registerElementClass<OvalShape>();
    parser.registerElementClass<RegularPolygonShape>();
    parser.registerElementClass<LineShape>();
    parser.registerElementClass<ArcShape>();
    parser.registerElementClass<BezierShape>();
    parser.registerElementClass<FreehandShape>();
    parser.registerElementClass<PolylineShape>();
    parser.registerElementClass<GroupShape>();
    parser.registerElementClass<TextShape>();
}

} // namespace qv
