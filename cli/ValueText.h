#pragma once
// The VALUE of "set:KEYPATH=VALUE": an integer ("3"), a real ("0.5", "1e3"),
// a colour ("#RRGGBB" or "#RRGGBBAA"), yes/no or true/false, a pair of
// numbers "x,y" (a point, or a size for keys that take one), four numbers
// "x,y,w,h" (a rectangle), or text; text in double quotes is always text.

#include "framework/foundation/Value.h"

#include <string_view>
#include <vector>

namespace qv::cli {

// The readings of the text, most likely first: a key that refuses one may
// take the next (a pair is tried as a point, then as a size).
std::vector<Value> valuesForText(std::string_view text);

} // namespace qv::cli
