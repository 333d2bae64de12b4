// Lists of test inputs written as one string with "|" between the pieces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

inline std::vector<std::string> split(std::string_view list) {
    std::vector<std::string> pieces;
    for (std::size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = list.find('|', start);
        pieces.emplace_back(list.substr(start, end == std::string_view::npos ? end : end - start));
    }
    return pieces;
}

} // namespace qv::test
