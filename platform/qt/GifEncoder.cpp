#include "platform/qt/GifEncoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <unordered_map>

namespace qv {

namespace {

struct ColorCount {
    std::uint32_t rgb;
    std::uint64_t count;
};

int channel(std::uint32_t rgb, int c) {
    return int((rgb >> (16 - 8 * c)) & 0xFF);
}

// A box of colours [begin, end) of the histogram, with its widest channel.
struct Box {
    std::size_t begin, end;
    int widestChannel = 0;
    int range = 0;
};

void measure(Box& box, const std::vector<ColorCount>& colors) {
    std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], channel(colors[i].rgb, c));
            hi[c] = std::max(hi[c], channel(colors[i].rgb, c));
        }
    box.range = -1;
    for (int c = 0; c < 3; ++c)
        if (hi[c] - lo[c] > box.range) {
            box.range = hi[c] - lo[c];
            box.widestChannel = c;
        }
}

// Median cut: split the box with the widest spread at the median of its
// pixels along that channel until there are `target` boxes; each palette
// entry is the pixel-weighted mean of its box.
std::vector<std::uint32_t> medianCut(std::vector<ColorCount>& colors, std::size_t target) {
    std::vector<Box> boxes{{0, colors.size()}};
    measure(boxes[0], colors);
    while (boxes.size() < target) {
        auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
            const bool aSplits = a.end - a.begin > 1, bSplits = b.end - b.begin > 1;
            if (aSplits != bSplits)
                return bSplits;
            return a.range < b.range;
        });
        if (widest->end - widest->begin < 2)
            break;
        Box box = *widest;
        const int c = box.widestChannel;
        std::sort(colors.begin() + std::ptrdiff_t(box.begin),
                  colors.begin() + std::ptrdiff_t(box.end),
                  [c](const ColorCount& a, const ColorCount& b) {
                      return channel(a.rgb, c) < channel(b.rgb, c);
                  });
        std::uint64_t total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            total += colors[i].count;
        std::uint64_t running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            running += colors[i].count;
            split = i + 1;
            if (running * 2 >= total)
                break;
        }
        Box left{box.begin, split}, right{split, box.end};
        measure(left, colors);
        measure(right, colors);
        *widest = left;
        boxes.push_back(right);
    }
    std::vector<std::uint32_t> palette;
    for (const Box& box : boxes) {
        std::array<std::uint64_t, 3> sum{};
        std::uint64_t n = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (int c = 0; c < 3; ++c)
                sum[c] += std::uint64_t(channel(colors[i].rgb, c)) * colors[i].count;
            n += colors[i].count;
        }
        std::uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c)
            rgb = (rgb << 8) | std::uint32_t((sum[c] + n / 2) / std::max<std::uint64_t>(n, 1));
        palette.push_back(rgb);
    }
    return palette;
}

std::uint8_t nearest(std::uint32_t rgb, const std::vector<std::uint32_t>& palette, int skip) {
    int best = 0;
    long bestDistance = LONG_MAX;
    for (int i = 0; i < int(palette.size()); ++i) {
        if (i == skip)
            continue;
        long d = 0;
        for (int c = 0; c < 3; ++c) {
            const long delta = channel(rgb, c) - channel(palette[std::size_t(i)], c);
            d += delta * delta;
        }
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return std::uint8_t(best);
}

int writeToBuffer(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<ByteBuffer*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

} // namespace

GifPalette gifPaletteForImage(const QImage& source) {
    GifPalette result;
    if (source.isNull())
        return result;
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    constexpr std::uint32_t kTransparent = 0xFFFFFFFFu; // never an RGB value

    // The colour of every pixel, and how often each occurs.
    std::vector<std::uint32_t> pixels(std::size_t(w) * std::size_t(h));
    std::unordered_map<std::uint32_t, std::uint64_t> histogram;
    bool anyTransparent = false;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = line[x];
            std::uint32_t rgb = kTransparent;
            if (qAlpha(p) >= 128)
                rgb = p & 0xFFFFFFu;
            else
                anyTransparent = true;
            pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] = rgb;
            if (rgb != kTransparent)
                ++histogram[rgb];
        }
    }

    const std::size_t room = anyTransparent ? 255 : 256;
    std::vector<std::uint32_t> palette;
    std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
    if (histogram.size() <= room) {
        std::vector<std::uint32_t> sorted;
        for (const auto& [rgb, n] : histogram)
            sorted.push_back(rgb);
        std::sort(sorted.begin(), sorted.end());
        for (std::uint32_t rgb : sorted) {
            indexOf.emplace(rgb, std::uint8_t(palette.size()));
            palette.push_back(rgb);
        }
    } else {
        result.exact = false;
        std::vector<ColorCount> colors;
        colors.reserve(histogram.size());
        for (const auto& [rgb, n] : histogram)
            colors.push_back({rgb, n});
        palette = medianCut(colors, room);
        for (const ColorCount& c : colors)
            indexOf.emplace(c.rgb, nearest(c.rgb, palette, -1));
    }
    if (anyTransparent) {
        result.transparentIndex = int(palette.size());
        palette.push_back(0xFFFFFF);
    }
    if (palette.empty())
        palette.push_back(0);
    result.colors = std::move(palette);

    result.indices.resize(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        result.indices[i] = pixels[i] == kTransparent ? std::uint8_t(result.transparentIndex)
                                                      : indexOf.at(pixels[i]);
    return result;
}

std::optional<ByteBuffer> encodeGif(const QImage& image) {
    if (image.isNull() || image.width() > 0xFFFF || image.height() > 0xFFFF)
        return std::nullopt;
    const GifPalette palette = gifPaletteForImage(image);
    const int w = image.width(), h = image.height();

    // The colour table's size must be a power of two.
    int tableSize = 2;
    while (tableSize < int(palette.colors.size()))
        tableSize *= 2;
    ColorMapObject* map = GifMakeMapObject(tableSize, nullptr);
    if (!map)
        return std::nullopt;
    for (int i = 0; i < tableSize; ++i) {
        const std::uint32_t rgb =
            i < int(palette.colors.size()) ? palette.colors[std::size_t(i)] : 0;
        map->Colors[i] =
            GifColorType{GifByteType(rgb >> 16), GifByteType(rgb >> 8), GifByteType(rgb)};
    }

    ByteBuffer out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeToBuffer, &error);
    if (!gif) {
        GifFreeMapObject(map);
        return std::nullopt;
    }
    EGifSetGifVersion(gif, true);
    const int background = palette.transparentIndex >= 0 ? palette.transparentIndex : 0;
    bool ok = EGifPutScreenDesc(gif, w, h, 8, background, map) == GIF_OK;
    if (ok && palette.transparentIndex >= 0) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.UserInputFlag = false;
        gcb.DelayTime = 0;
        gcb.TransparentColor = palette.transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        std::memcpy(line.data(), palette.indices.data() + std::size_t(y) * std::size_t(w),
                    std::size_t(w));
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
    }
    // Closing writes the trailer and frees the file with its own copy of the map.
    if (EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    GifFreeMapObject(map);
    if (!ok)
        return std::nullopt;
    return out;
}

} // namespace qv
