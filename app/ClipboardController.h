#pragma once
// Cut, Copy and Paste of the document windows over the system clipboard.
//
// Copy puts the selected shapes on the clipboard in the drawing's own form
// and as PDF and PNG for other programs (ClipboardMime). Paste takes, in
// this order, the drawing's own form, a picture (picture data or a listed
// local picture file) and text; a paste that finds nothing usable beeps and
// changes nothing. Whether Paste is possible is worked out once per change
// of the clipboard and kept.

#include "document/RichText.h"
#include "framework/foundation/Geometry.h"

#include <QObject>
#include <QString>

#include <optional>

class QMimeData;

namespace qv {

class DrawDocument;
class DrawView;
class ShapesController;

// What a paste acts on: the document, its controller and, when the window
// has one, its canvas (for the visible area's centre and the text font).
struct PasteTarget {
    DrawDocument& document;
    ShapesController& controller;
    DrawView* view = nullptr;
    // Where pictures and text are centred; the centre of the canvas's
    // visible area when not given (or of the page without a canvas).
    std::optional<Point> center = std::nullopt;
};

struct PasteResult {
    bool ok = false;
    // Why nothing was pasted, for the status bar.
    QString reason;
};

// The paste itself, from any data (the clipboard's, a test's).
PasteResult pasteMimeData(const QMimeData& mime, PasteTarget target);

class ClipboardController : public QObject {
    Q_OBJECT

public:
    // The application's, made on first use (a QGuiApplication must exist).
    static ClipboardController& shared();

    // Whether the clipboard holds something Paste can use; worked out on the
    // first question after each change of the clipboard.
    bool canPaste();
    // How many times the answer was worked out (for tests).
    int availabilityChecks() const { return m_Checks; }

    // Each beeps through the view (when there is one) and answers false when
    // it cannot act.
    bool copy(DrawDocument& document, ShapesController& controller);
    bool cut(DrawDocument& document, ShapesController& controller);
    PasteResult paste(PasteTarget target);

private:
    ClipboardController();
    void clipboardChanged();

    bool m_Known = false;
    bool m_CanPaste = false;
    int m_Checks = 0;
};

// Whether the data holds something Paste can use. Decodes nothing; listed
// files are looked at only when they are local regular files.
bool canPasteMimeData(const QMimeData& mime);

} // namespace qv
