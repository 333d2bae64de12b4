#pragma once
// Registers the shape classes with a reader, each under its element name, in
// the order the document format lists them.

namespace qv {

class QVParser;

// "rectangle", "roundrectangle", "oval", "regularpolygon", then the other
// shape kinds as they are available.
void registerShapeClasses(QVParser& parser);

} // namespace qv
