#include "cli/DocumentDump.h"

#include "document/DrawDocument.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <array>

namespace qv::cli {

namespace {

Json pair(double a, double b) {
    return Json(Json::Array{Json(a), Json(b)});
}
Json point(Point p) {
    return pair(p.x, p.y);
}
Json size(Size s) {
    return pair(s.width, s.height);
}
Json rect(const Rect& r) {
    return Json(Json::Array{Json(r.x()), Json(r.y()), Json(r.width()), Json(r.height())});
}
Json color(const Color& c) {
    return Json(c.hexStringWithAlpha());
}

// Element names of the file to the class names of the model.
std::string className(const Shape& shape) {
    static constexpr std::array<std::pair<const char*, const char*>, 12> kClasses{{
        {"rectangle", "RectangleShape"},
        {"roundrectangle", "RoundRectangleShape"},
        {"oval", "OvalShape"},
        {"regularpolygon", "RegularPolygonShape"},
        {"arc", "ArcShape"},
        {"bezier", "BezierShape"},
        {"freehand", "FreehandShape"},
        {"polyline", "PolylineShape"},
        {"group", "GroupShape"},
        {"line", "LineShape"},
        {"text", "TextShape"},
        {"", "Shape"},
    }};
    const std::string element = shape.elementName().value_or("");
    for (const auto& [name, cls] : kClasses)
        if (element == name)
            return cls;
    return element;
}

Json stroke(const Stroke& s) {
    Json j = Json::object();
    j.set("style", std::int64_t(s.style()));
    j.set("width", s.width());
    j.set("color", color(s.color()));
    j.set("capStyle", s.capStyle());
    j.set("joinStyle", s.joinStyle());
    j.set("arrowStartStyle", s.arrowStartStyle());
    j.set("arrowStartSize", s.arrowStartSize());
    j.set("arrowEndStyle", s.arrowEndStyle());
    j.set("arrowEndSize", s.arrowEndSize());
    return j;
}

Json fill(const Fill& f) {
    Json j = Json::object();
    j.set("style", std::int64_t(f.style()));
    j.set("color", color(f.color()));
    j.set("gradientStyle", std::int64_t(f.gradientStyle()));
    j.set("gradientColor", color(f.gradientColor()));
    j.set("gradientStart", point(f.gradientStart()));
    j.set("gradientEnd", point(f.gradientEnd()));
    j.set("imageName", f.imageName());
    j.set("imagePlacement", std::int64_t(f.imagePlacement()));
    return j;
}

Json shadow(const Shadow& s) {
    Json j = Json::object();
    j.set("visible", s.visible());
    j.set("shadowOffset", size(s.shadowOffset()));
    j.set("shadowBlurRadius", s.shadowBlurRadius());
    j.set("shadowColor", color(s.shadowColor()));
    return j;
}

Json pathElements(const BezierPath& path) {
    Json list(Json::Array{});
    for (const PathElement& e : path.elements()) {
        Json::Array element;
        switch (e.type) {
        case PathElementType::MoveTo:
            element.emplace_back("moveto");
            break;
        case PathElementType::LineTo:
            element.emplace_back("lineto");
            break;
        case PathElementType::CurveTo:
            element.emplace_back("curveto");
            break;
        case PathElementType::ClosePath:
            element.emplace_back("closepath");
            break;
        }
        for (int k = 0; k < e.pointCount(); ++k) {
            element.emplace_back(e.points[std::size_t(k)].x);
            element.emplace_back(e.points[std::size_t(k)].y);
        }
        list.push(Json(std::move(element)));
    }
    return list;
}

} // namespace

Json dumpShape(const Shape& shape) {
    Json j = Json::object();
    j.set("class", className(shape));
    j.set("bounds", rect(shape.bounds()));
    j.set("rotation", shape.rotation());
    j.set("stroke", stroke(shape.stroke()));
    j.set("fill", fill(shape.fill()));
    j.set("shadow", shadow(shape.shadow()));
    if (const auto* round = dynamic_cast<const RoundRectangleShape*>(&shape)) {
        j.set("cornerRadius", size(round->cornerRadius()));
    } else if (const auto* polygon = dynamic_cast<const RegularPolygonShape*>(&shape)) {
        j.set("numberOfSides", polygon->numberOfSides());
        j.set("stellation", polygon->stellation());
    } else if (const auto* line = dynamic_cast<const LineShape*>(&shape)) {
        j.set("start", point(line->start()));
        j.set("end", point(line->end()));
    } else if (const auto* arc = dynamic_cast<const ArcShape*>(&shape)) {
        j.set("center", point(arc->center()));
        j.set("radius", arc->radius());
        j.set("angle1", arc->angle1());
        j.set("angle2", arc->angle2());
        j.set("clockwise", arc->clockwise());
    } else if (const auto* bezier = dynamic_cast<const BezierShape*>(&shape)) {
        j.set("path", pathElements(bezier->bezierPath()));
    } else if (const auto* group = dynamic_cast<const GroupShape*>(&shape)) {
        Json members(Json::Array{});
        for (const ShapePtr& member : group->shapes())
            if (member)
                members.push(dumpShape(*member));
        j.set("shapes", std::move(members));
    } else if (const auto* text = dynamic_cast<const TextShape*>(&shape)) {
        j.set("text", text->text() ? text->text()->richText().plainText() : std::string());
    }
    return j;
}

Json dumpDocument(const DrawDocument& document) {
    Json j = Json::object();
    j.set("version", document.version());

    const PrintInfo& printInfo = document.printInfo();
    Json info = Json::object();
    info.set("paperSize", size(printInfo.paperSize()));
    info.set("leftMargin", printInfo.leftMargin());
    info.set("rightMargin", printInfo.rightMargin());
    info.set("topMargin", printInfo.topMargin());
    info.set("bottomMargin", printInfo.bottomMargin());
    info.set("orientation",
             printInfo.orientation() == PrintOrientation::Landscape ? "landscape" : "portrait");
    j.set("printInfo", std::move(info));

    Json page = Json::object();
    page.set("color", color(document.page().color()));
    j.set("page", std::move(page));

    const Grid& grid = document.grid();
    Json g = Json::object();
    g.set("rulersVisible", grid.rulersVisible());
    g.set("visible", grid.visible());
    g.set("snap", grid.snap());
    g.set("spacing", grid.spacing());
    g.set("minorTicks", grid.minorTicks());
    j.set("grid", std::move(g));

    Json shapes(Json::Array{});
    for (const ShapePtr& shape : document.shapes())
        if (shape)
            shapes.push(dumpShape(*shape));
    j.set("shapes", std::move(shapes));
    return j;
}

} // namespace qv::cli
