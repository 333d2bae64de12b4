#pragma once
// A stand-in for the shape that owns a style: it records every announcement.

#include "styles/StyleOwner.h"

#include <string>
#include <vector>

namespace qv::test {

class RecordingOwner : public StyleOwner {
public:
    void willChange() override { events.push_back("willChange"); }
    void didChange() override { events.push_back("didChange"); }
    void styleWillChangeKeyPath(std::string_view p) override {
        events.push_back("will " + std::string(p));
    }
    void styleDidChangeKeyPath(std::string_view p) override {
        events.push_back("did " + std::string(p));
    }
    void clearFillCache() override { events.push_back("clearFillCache"); }

    int count(const std::string& event) const {
        int n = 0;
        for (const auto& e : events)
            n += e == event;
        return n;
    }

    std::vector<std::string> events;
};

} // namespace qv::test
