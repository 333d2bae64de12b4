// Random rich texts for the round-trip tests. The paragraphs and runs are
// drawn here and each run's attributes by the caller, so that every test
// keeps its own sequence of draws for its seed.
#pragma once

#include "document/RichText.h"

#include <random>
#include <string>
#include <vector>

namespace qv::test {

// Fewer than `paragraphs` paragraphs of up to three runs; each run is fewer
// than `piecesPerRun` pieces of the list, then takes the attributes drawn.
template <class DrawAttributes>
RichText randomRichText(std::mt19937& random, unsigned paragraphs, unsigned piecesPerRun,
                        const std::vector<std::string>& pieces, DrawAttributes&& drawAttributes) {
    std::vector<TextParagraph> list(random() % paragraphs);
    for (TextParagraph& p : list) {
        p.alignment = static_cast<TextAlignment>(random() % 4);
        p.runs.resize(random() % 4);
        for (TextRun& run : p.runs) {
            for (int k = random() % piecesPerRun; k > 0; --k)
                run.text += pieces[random() % pieces.size()];
            run.attributes = drawAttributes(random);
        }
    }
    return RichText(list);
}

// Any family of the list, a size from 1 in half points below 1 + sizes / 2,
// any style and any opaque colour.
inline TextAttributes randomAttributes(std::mt19937& random,
                                       const std::vector<std::string>& families, unsigned sizes) {
    TextAttributes a;
    a.fontFamily = families[random() % families.size()];
    a.fontSize = 1 + random() % sizes / 2.0;
    a.bold = random() % 2;
    a.italic = random() % 2;
    a.underline = random() % 2;
    a.color = Color(random() % 256 / 255.0, random() % 256 / 255.0, random() % 256 / 255.0);
    return a;
}

} // namespace qv::test
