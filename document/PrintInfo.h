#pragma once
// The print settings a document keeps and saves: paper size, the four margins
// and the orientation, plus the printable area of the printer when a printer
// told us one. The page a drawing is laid out on is the paper less the
// margins.
//
// Saved as a short versioned text record, Base64-encoded in the "printinfo"
// element. Anything that does not read back as a sensible record (wrong
// header, missing or absurd numbers) gives the default settings instead.

#include "framework/foundation/ByteBuffer.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/KeyValueCoding.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

enum class PrintOrientation { Portrait = 0, Landscape = 1 };

class PrintInfo : public KeyValueCoding {
public:
    // US Letter, 36-point margins, portrait: a page of 540 × 720 points.
    static constexpr Size kDefaultPaperSize{612, 792};
    static constexpr double kDefaultMargin = 36;
    // Larger papers or margins are not believed when read.
    static constexpr double kMaximumPaperSide = 1e6;
    static constexpr int kSerializationVersion = 1;

    PrintInfo() = default;
    static PrintInfo defaultPrintInfo() { return {}; }

    // The paper as laid out, so already turned for landscape.
    Size paperSize() const { return m_PaperSize; }
    void setPaperSize(Size size) { m_PaperSize = size; }
    double leftMargin() const { return m_LeftMargin; }
    void setLeftMargin(double m) { m_LeftMargin = m; }
    double rightMargin() const { return m_RightMargin; }
    void setRightMargin(double m) { m_RightMargin = m; }
    double topMargin() const { return m_TopMargin; }
    void setTopMargin(double m) { m_TopMargin = m; }
    double bottomMargin() const { return m_BottomMargin; }
    void setBottomMargin(double m) { m_BottomMargin = m; }
    PrintOrientation orientation() const { return m_Orientation; }
    // Turning the paper swaps its width and height, as a page setup does.
    void setOrientation(PrintOrientation orientation);

    // The printable area in paper coordinates with y growing upwards (origin
    // at the bottom-left corner of the paper): the printer's own when one was
    // set, else the paper less the margins.
    Rect imageablePageBounds() const;
    bool hasPrinterImageableBounds() const { return m_ImageableBounds.has_value(); }
    void setPrinterImageableBounds(std::optional<Rect> bounds) { m_ImageableBounds = bounds; }

    // Paper less margins: the size of the page the canvas shows.
    Size pageSize() const;

    // The record as text and as the element's Base64 (72-character lines).
    std::string serializedText() const;
    std::string base64Encoded() const;
    // Nothing when the text is not a readable record of a sane setting.
    static std::optional<PrintInfo> fromSerializedText(std::string_view text);
    // The decoded record, or the default settings when it does not read.
    static PrintInfo fromBase64(std::string_view base64);

    // Key-value coding: "paperSize", "leftMargin", "rightMargin", "topMargin",
    // "bottomMargin", "orientation" (0 portrait, 1 landscape), and the
    // read-only "imageablePageBounds" and "pageSize".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    friend bool operator==(const PrintInfo& a, const PrintInfo& b);

private:
    Size m_PaperSize = kDefaultPaperSize;
    double m_LeftMargin = kDefaultMargin;
    double m_RightMargin = kDefaultMargin;
    double m_TopMargin = kDefaultMargin;
    double m_BottomMargin = kDefaultMargin;
    PrintOrientation m_Orientation = PrintOrientation::Portrait;
    std::optional<Rect> m_ImageableBounds;
};

} // namespace qv
