#include "document/PrintInfo.h"

#include "framework/foundation/Base64.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace qv {

namespace {

constexpr std::string_view kHeader = "QVPrintInfo";

// Shortest text that reads back as exactly the same double.
void appendNumber(std::string& out, double v) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, result.ptr);
}

std::optional<double> readNumber(std::string_view text) {
    double v = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// Numbers separated by single spaces, exactly `count` of them.
std::optional<std::vector<double>> readNumbers(std::string_view text, std::size_t count) {
    std::vector<double> values;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(' ', start);
        auto v = readNumber(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (!v || values.size() == count)
            return std::nullopt;
        values.push_back(*v);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    if (values.size() != count)
        return std::nullopt;
    return values;
}

bool isSane(const PrintInfo& info) {
    const Size paper = info.paperSize();
    if (!(paper.width > 0 && paper.width <= PrintInfo::kMaximumPaperSide && paper.height > 0 &&
          paper.height <= PrintInfo::kMaximumPaperSide))
        return false;
    const double margins[] = {info.leftMargin(), info.rightMargin(), info.topMargin(),
                              info.bottomMargin()};
    for (double m : margins) {
        if (!(m >= 0))
            return false;
    }
    // The page must keep some area.
    if (!(info.leftMargin() + info.rightMargin() < paper.width &&
          info.topMargin() + info.bottomMargin() < paper.height))
        return false;
    if (info.hasPrinterImageableBounds()) {
        const Rect r = info.imageablePageBounds();
        if (!(r.x() >= 0 && r.y() >= 0 && r.width() > 0 && r.height() > 0 &&
              r.x() + r.width() <= paper.width && r.y() + r.height() <= paper.height))
            return false;
    }
    return true;
}

} // namespace

bool operator==(const PrintInfo& a, const PrintInfo& b) {
    return a.m_PaperSize == b.m_PaperSize && a.m_LeftMargin == b.m_LeftMargin &&
           a.m_RightMargin == b.m_RightMargin && a.m_TopMargin == b.m_TopMargin &&
           a.m_BottomMargin == b.m_BottomMargin && a.m_Orientation == b.m_Orientation &&
           a.m_ImageableBounds == b.m_ImageableBounds;
}

void PrintInfo::setOrientation(PrintOrientation orientation) {
    if (orientation == m_Orientation)
        return;
    m_Orientation = orientation;
    m_PaperSize = Size(m_PaperSize.height, m_PaperSize.width);
    // A printer's area was measured on the paper as it stood.
    m_ImageableBounds.reset();
}

Rect PrintInfo::imageablePageBounds() const {
    if (m_ImageableBounds)
        return *m_ImageableBounds;
    return Rect(m_LeftMargin, m_BottomMargin, m_PaperSize.width - m_LeftMargin - m_RightMargin,
                m_PaperSize.height - m_TopMargin - m_BottomMargin);
}

Size PrintInfo::pageSize() const {
    return Size(m_PaperSize.width - m_LeftMargin - m_RightMargin,
                m_PaperSize.height - m_TopMargin - m_BottomMargin);
}

std::string PrintInfo::serializedText() const {
    std::string out;
    out.append(kHeader).append(" ").append(std::to_string(kSerializationVersion)).append("\n");
    out.append("paper=");
    appendNumber(out, m_PaperSize.width);
    out.append(" ");
    appendNumber(out, m_PaperSize.height);
    out.append("\nmargins=");
    appendNumber(out, m_LeftMargin);
    out.append(" ");
    appendNumber(out, m_RightMargin);
    out.append(" ");
    appendNumber(out, m_TopMargin);
    out.append(" ");
    appendNumber(out, m_BottomMargin);
    out.append("\norientation=")
        .append(m_Orientation == PrintOrientation::Landscape ? "landscape" : "portrait")
        .append("\n");
    if (m_ImageableBounds) {
        out.append("imageable=");
        appendNumber(out, m_ImageableBounds->x());
        out.append(" ");
        appendNumber(out, m_ImageableBounds->y());
        out.append(" ");
        appendNumber(out, m_ImageableBounds->width());
        out.append(" ");
        appendNumber(out, m_ImageableBounds->height());
        out.append("\n");
    }
    return out;
}

std::string PrintInfo::base64Encoded() const {
    const std::string text = serializedText();
    return base64Encoding(ByteBuffer(text.begin(), text.end()), 72);
}

std::optional<PrintInfo> PrintInfo::fromSerializedText(std::string_view text) {
    // Records are tiny; anything large is not one of ours.
    if (text.size() > 4096)
        return std::nullopt;
    std::vector<std::string_view> lines;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = std::min(text.find('\n', i), text.size());
        lines.push_back(text.substr(i, end - i));
        i = end + 1;
    }
    if (lines.empty())
        return std::nullopt;
    const std::string_view header = lines.front();
    if (header.substr(0, kHeader.size()) != kHeader || header.size() <= kHeader.size() + 1 ||
        header[kHeader.size()] != ' ')
        return std::nullopt;
    int version = 0;
    const std::string_view versionText = header.substr(kHeader.size() + 1);
    const auto vr =
        std::from_chars(versionText.data(), versionText.data() + versionText.size(), version);
    if (vr.ec != std::errc() || vr.ptr != versionText.data() + versionText.size() || version < 1)
        return std::nullopt;

    PrintInfo info;
    bool havePaper = false, haveMargins = false;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (line.empty())
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "paper") {
            auto v = readNumbers(value, 2);
            if (!v)
                return std::nullopt;
            info.m_PaperSize = Size((*v)[0], (*v)[1]);
            havePaper = true;
        } else if (key == "margins") {
            auto v = readNumbers(value, 4);
            if (!v)
                return std::nullopt;
            info.m_LeftMargin = (*v)[0];
            info.m_RightMargin = (*v)[1];
            info.m_TopMargin = (*v)[2];
            info.m_BottomMargin = (*v)[3];
            haveMargins = true;
        } else if (key == "orientation") {
            if (value == "portrait")
                info.m_Orientation = PrintOrientation::Portrait;
            else if (value == "landscape")
                info.m_Orientation = PrintOrientation::Landscape;
            else
                return std::nullopt;
        } else if (key == "imageable") {
            auto v = readNumbers(value, 4);
            if (!v)
                return std::nullopt;
            info.m_ImageableBounds = Rect((*v)[0], (*v)[1], (*v)[2], (*v)[3]);
        }
        // Keys of later versions are skipped: what this version knows still reads.
    }
    if (!havePaper || !haveMargins || !isSane(info))
        return std::nullopt;
    return info;
}

PrintInfo PrintInfo::fromBase64(std::string_view base64) {
    const ByteBuffer bytes = dataWithBase64EncodedString(base64);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (auto info = fromSerializedText(text))
        return *info;
    return defaultPrintInfo();
}

Value PrintInfo::valueForKey(std::string_view key) const {
    if (key == "paperSize")
        return m_PaperSize;
    if (key == "leftMargin")
        return m_LeftMargin;
    if (key == "rightMargin")
        return m_RightMargin;
    if (key == "topMargin")
        return m_TopMargin;
    if (key == "bottomMargin")
        return m_BottomMargin;
    if (key == "orientation")
        return static_cast<std::int64_t>(m_Orientation);
    if (key == "imageablePageBounds")
        return imageablePageBounds();
    if (key == "pageSize")
        return pageSize();
    return {};
}

bool PrintInfo::setValueForKey(const Value& value, std::string_view key) {
    if (key == "paperSize" && value.kind() == Value::Kind::Size) {
        setPaperSize(value.toSize());
        return true;
    }
    if (value.isNumber()) {
        const double d = value.toDouble();
        if (key == "leftMargin") {
            setLeftMargin(d);
            return true;
        }
        if (key == "rightMargin") {
            setRightMargin(d);
            return true;
        }
        if (key == "topMargin") {
            setTopMargin(d);
            return true;
        }
        if (key == "bottomMargin") {
            setBottomMargin(d);
            return true;
        }
        if (key == "orientation") {
            setOrientation(value.toInt() == 1 ? PrintOrientation::Landscape
                                              : PrintOrientation::Portrait);
            return true;
        }
    }
    return false;
}

} // namespace qv
