// Cut, Copy and Paste through QMimeData and the real QClipboard of the
// offscreen platform, and pictures and drawings dropped on the canvas.
#include "CanvasTestSupport.h"
#include "DocumentTestSupport.h"

#include "app/ClipboardController.h"
#include "canvas/TextEditorOverlay.h"
#include "document/ClipboardReader.h"
#include "document/Grid.h"
#include "document/Page.h"
#include "platform/qt/ClipboardMime.h"
#include "platform/qt/QtImageCodec.h"
#include "shapes/GroupShape.h"
#include "shapes/OvalShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <QBuffer>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>

#include <sys/stat.h>

namespace qv::test {
namespace {

QByteArray png(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::red);
    // 72 dpi: one pixel per point.
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A PNG header announcing a picture far beyond the codec's limit.
QByteArray hugePng() {
    QByteArray ihdr("IHDR");
    for (quint32 v : {100000u, 100000u})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr.append(char(v >> shift));
    ihdr.append("\x08\x06\0\0\0", 5);
    quint32 crc = 0xFFFFFFFFu;
    for (char c : ihdr) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12);
    png.append(ihdr);
    for (int shift = 24; shift >= 0; shift -= 8)
        png.append(char(crc >> shift));
    return png + QByteArray(64, '\0');
}

std::string xmlOf(const QMimeData& mime) {
    return mime.data(QString::fromLatin1(kPrivateClipboardType)).toStdString();
}

class ClipboardTest : public CanvasTest {
protected:
    // Pictures decode through the program's codec, as in drawapp.
    ClipboardTest() : m_PreviousCodec(ImageCodec::shared()) { ImageCodec::setShared(&m_Codec); }
    ~ClipboardTest() override { ImageCodec::setShared(m_PreviousCodec); }

    PasteResult paste(const QMimeData& mime, std::optional<Point> center = std::nullopt) {
        PasteResult result = pasteMimeData(mime, {document, controller, &view(), center});
        settle(); // the event's undo group closes
        document.undoManager().endEventGroup();
        return result;
    }

private:
    QtImageCodec m_Codec;
    const ImageCodec* m_PreviousCodec;
};

TEST_F(ClipboardTest, CopyThenPasteLandsOnTheCopiedShapesAsOnePasteStep) {
    auto picture = rectangleAt(10, 20, 30, 40);
    const QByteArray red = png(4, 4);
    const std::optional<std::string> name =
        imageCache().addImageData(ByteBuffer(red.begin(), red.end()), "red.png");
    ASSERT_TRUE(name);
    picture->fill().setStyle(FillStyleImage);
    picture->fill().setImageName(*name);
    install({rectangleAt(100, 100, 50, 50), picture, std::make_shared<OvalShape>()});
    controller.setSelectedObjects({controller.arrangedObjects()[0], picture});
    ASSERT_TRUE(ClipboardController::shared().copy(document, controller));

    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(offered, nullptr);
    const std::string xml = xmlOf(*offered);
    for (const char* absent : {"<printinfo", "<page", "<grid"})
        EXPECT_EQ(xml.find(absent), std::string::npos) << absent;
    EXPECT_TRUE(offered->data(QStringLiteral("application/pdf")).startsWith("%PDF"));
    // The picture of the selection at one pixel per point: the shapes' extent
    // (10, 20)–(150, 150) with its strokes and five per cent of it around.
    const QImage image = QImage::fromData(offered->data(QStringLiteral("image/png")));
    EXPECT_NEAR(image.width(), 154, 2);
    EXPECT_NEAR(image.height(), 144, 2);
    const QByteArray payload = offered->data(QString::fromLatin1(kPictureClipboardType));
    const auto pictures = decodePicturePayload(
        reinterpret_cast<const std::uint8_t*>(payload.constData()), std::size_t(payload.size()));
    ASSERT_TRUE(pictures && pictures->size() == 1u);
    EXPECT_EQ((*pictures)[0].name, *name);

    EXPECT_TRUE(ClipboardController::shared().canPaste());
    const ByteBuffer before = document.dataWithSelectionOnly(false);
    ASSERT_TRUE(paste(*offered).ok);
    ASSERT_EQ(controller.count(), 5u);
    EXPECT_EQ(controller.arrangedObjects()[3]->bounds(), Rect(100, 100, 50, 50));
    EXPECT_EQ(controller.arrangedObjects()[4]->bounds(), Rect(10, 20, 30, 40));
    EXPECT_EQ(controller.arrangedObjects()[4]->fill().imageName(), *name);
    EXPECT_EQ(controller.selectedObjects(),
              (ShapeList{controller.arrangedObjects()[3], controller.arrangedObjects()[4]}));
    EXPECT_EQ(document.undoManager().undoActionName(), "Paste");
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_EQ(document.dataWithSelectionOnly(false), before);
    EXPECT_FALSE(document.undoManager().canUndo());
}

TEST_F(ClipboardTest, PicturesAndTextLandOnTheCentreAndThePrivateTypeWins) {
    QMimeData picture;
    picture.setData(QStringLiteral("image/png"), png(101, 51));
    ASSERT_TRUE(paste(picture, Point{300, 200}).ok);
    const ShapePtr pasted = controller.arrangedObjects().back();
    EXPECT_EQ(pasted->bounds(), Rect(250, 175, 101, 51));
    EXPECT_EQ(pasted->fill().style(), FillStyleImage);
    EXPECT_EQ(pasted->stroke().style(), 0);
    EXPECT_TRUE(imageCache().imageNamed(pasted->fill().imageName()));

    for (const char* type : {"text/plain", "text/rtf"}) {
        QMimeData text;
        text.setData(QString::fromLatin1(type), std::string_view(type) == "text/plain"
                                                    ? QByteArray("Hello")
                                                    : QByteArray("{\\rtf1 {\\b Hello}}"));
        ASSERT_TRUE(paste(text, Point{300, 200}).ok) << type;
        auto* shape = dynamic_cast<TextShape*>(controller.arrangedObjects().back().get());
        ASSERT_NE(shape, nullptr);
        EXPECT_EQ(shape->bounds(), Rect(200, 180, 200, 40));
        EXPECT_EQ(shape->text()->richText().plainText(), "Hello");
    }

    // The codec's size limit holds for pasted pictures.
    QMimeData huge;
    huge.setData(QStringLiteral("image/png"), hugePng());
    const std::size_t count = controller.count();
    EXPECT_FALSE(paste(huge).ok);
    EXPECT_EQ(controller.count(), count);

    QMimeData both;
    both.setData(QString::fromLatin1(kPrivateClipboardType),
                 "<qvdrawdocument><oval><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></oval>"
                 "</qvdrawdocument>");
    both.setData(QStringLiteral("image/png"), png(10, 10));
    ASSERT_TRUE(paste(both).ok);
    EXPECT_NE(dynamic_cast<OvalShape*>(controller.arrangedObjects().back().get()), nullptr);
}

TEST_F(ClipboardTest, UndoingACutPutsTheShapesBackAtTheirIndices) {
    install({rectangleAt(0, 0, 10, 10), rectangleAt(20, 0, 10, 10), rectangleAt(40, 0, 10, 10),
             rectangleAt(60, 0, 10, 10)});
    const ShapeList all = controller.arrangedObjects();
    controller.setSelectedObjects({all[1], all[3]});
    ASSERT_TRUE(ClipboardController::shared().cut(document, controller));
    settle();
    document.undoManager().endEventGroup();
    EXPECT_EQ(controller.arrangedObjects(), (ShapeList{all[0], all[2]}));
    EXPECT_EQ(document.undoManager().undoActionName(), "Cut");
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_EQ(controller.arrangedObjects(), all);
    ASSERT_TRUE(document.undoManager().redo());
    EXPECT_EQ(controller.arrangedObjects(), (ShapeList{all[0], all[2]}));
}

TEST_F(ClipboardTest, AHostilePayloadChangesOnlyWhatAPasteMay) {
    Page page;
    page.setColor(Color(0.2, 0.4, 0.6, 1));
    document.setPage(page);
    document.setVersion(7);
    install({rectangleAt(0, 0, 10, 10)});
    const ByteBuffer pageBefore = document.dataWithSelectionOnly(false);
    const std::size_t undoBefore = document.undoManager().undoCount();

    // Nothing usable: beeps, and the drawing and its undo stack stay.
    for (const QByteArray& xml :
         {QByteArray("<qvdrawdocument><page color=\"#FF0000\"/><grid spacing=\"77\"/>"
                     "</qvdrawdocument>"),
          QByteArray("<qvdrawdocument><rectangle>"), QByteArray(5000, '<')}) {
        QMimeData mime;
        mime.setData(QString::fromLatin1(kPrivateClipboardType), xml);
        const PasteResult result = paste(mime);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.reason.isEmpty());
        EXPECT_EQ(document.dataWithSelectionOnly(false), pageBefore);
        EXPECT_EQ(document.undoManager().undoCount(), undoBefore);
    }

    QMimeData mime;
    mime.setData(QString::fromLatin1(kPrivateClipboardType),
                 "<qvdrawdocument version=\"99\"><printinfo>UVZQcmludEluZm8gMQpwYXBlcj0xMCAxMApt"
                 "YXJnaW5zPTAgMCAwIDAK</printinfo><page color=\"#FF0000\"/><grid spacing=\"77\" "
                 "visible=\"0\"/><rectangle><bounds x=\"1\" y=\"1\" w=\"5\" h=\"5\"/>"
                 "<fill image=\"../../etc/passwd\"/></rectangle></qvdrawdocument>");
    mime.setData(QString::fromLatin1(kPictureClipboardType),
                 QByteArray::fromStdString(
                     std::string("QVPICT01\0\0\0\1\0\x10../../etc/passwd\0\0\0\1P", 35)));
    ASSERT_TRUE(paste(mime).ok);
    EXPECT_EQ(document.page().color(), Color(0.2, 0.4, 0.6, 1));
    EXPECT_EQ(document.grid().spacing(), Grid().spacing());
    EXPECT_EQ(document.printInfo().paperSize(), PrintInfo().paperSize());
    EXPECT_EQ(document.version(), 7);
    EXPECT_EQ(controller.arrangedObjects().back()->fill().style(), FillStyleNone);
    EXPECT_FALSE(imageCache().containsName("../../etc/passwd"));
}

TEST_F(ClipboardTest, PasteFollowsTheClipboardAskingOncePerChangeAndNeverWaitsOnFiles) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString picture = dir.filePath(QStringLiteral("small.png"));
    {
        QFile file(picture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(png(3, 2));
    }
    ClipboardController& clipboard = ClipboardController::shared();
    auto offer = [](QMimeData* mime) {
        QGuiApplication::clipboard()->setMimeData(mime);
        settle();
    };
    struct Case {
        const char* what;
        QList<QUrl> urls;
        bool pasteable;
    };
    for (const Case& c :
         {Case{"a FIFO", {QUrl::fromLocalFile(fifo)}, false},
          Case{"a device", {QUrl::fromLocalFile(QStringLiteral("/dev/zero"))}, false},
          Case{"a folder", {QUrl::fromLocalFile(dir.path())}, false},
          Case{"a remote file", {QUrl(QStringLiteral("https://example.org/a.png"))}, false},
          Case{
              "a picture file", {QUrl::fromLocalFile(fifo), QUrl::fromLocalFile(picture)}, true}}) {
        auto* mime = new QMimeData;
        mime->setUrls(c.urls);
        offer(mime);
        const int checks = clipboard.availabilityChecks();
        EXPECT_EQ(clipboard.canPaste(), c.pasteable) << c.what;
        EXPECT_EQ(clipboard.canPaste(), c.pasteable) << c.what;
        EXPECT_EQ(clipboard.availabilityChecks(), checks + 1) << c.what;
    }
    // The listed picture file pastes under its own name.
    ASSERT_TRUE(paste(*QGuiApplication::clipboard()->mimeData(), Point{0, 0}).ok);
    EXPECT_EQ(controller.arrangedObjects().back()->bounds(), Rect(-2, -1, 3, 2));
    EXPECT_EQ(controller.arrangedObjects().back()->fill().imageName().rfind("small", 0), 0u);

    offer(new QMimeData);
    EXPECT_FALSE(clipboard.canPaste());
    const PasteResult empty = paste(*QGuiApplication::clipboard()->mimeData());
    EXPECT_FALSE(empty.ok);
}

TEST_F(DocumentTest, WhileATextIsEditedTheMenuCommandsAreTheEditors) {
    DocumentWindowController* doc = documents->newDocument();
    auto text = std::make_shared<TextShape>();
    text->setBounds({50, 50, 200, 40});
    text->setRichText(RichText::fromPlainText("Hello"));
    doc->shapesController().addObject(text);
    settle();
    doc->view()->beginEditingShape(text, false);
    ASSERT_TRUE(doc->view()->textEditor()->isVisible());
    documents->performMenuCommand("copy");
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    EXPECT_FALSE(copied->hasFormat(QString::fromLatin1(kPrivateClipboardType)));
    EXPECT_EQ(copied->text(), QStringLiteral("Hello"));
    EXPECT_EQ(doc->view()->editingShape(), text.get());
    documents->performMenuCommand("cut");
    doc->view()->commitEditing();
    settle();
    // The emptied text went with the edit; pasting the words makes a text box.
    ASSERT_EQ(doc->shapesController().count(), 0u);
    documents->performMenuCommand("paste");
    settle();
    ASSERT_EQ(doc->shapesController().count(), 1u);
    auto* pasted = dynamic_cast<TextShape*>(doc->shapesController().arrangedObjects()[0].get());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->text()->richText().plainText(), "Hello");
    EXPECT_EQ(doc->document().undoManager().undoActionName(), "Paste");
}

// Drops: the drag's events as the window system sends them.
class DropTest : public ClipboardTest {
protected:
    bool drag(QEvent::Type type, const QMimeData& mime, Point at) {
        const QPoint pos = view().viewportPointForDrawingPoint(at).toPoint();
        std::unique_ptr<QEvent> event;
        if (type == QEvent::DragLeave)
            event = std::make_unique<QDragLeaveEvent>();
        else if (type == QEvent::Drop)
            event = std::make_unique<QDropEvent>(pos, Qt::CopyAction, &mime, Qt::LeftButton,
                                                 Qt::NoModifier);
        else if (type == QEvent::DragEnter)
            event = std::make_unique<QDragEnterEvent>(pos, Qt::CopyAction, &mime, Qt::LeftButton,
                                                      Qt::NoModifier);
        else
            event = std::make_unique<QDragMoveEvent>(pos, Qt::CopyAction, &mime, Qt::LeftButton,
                                                     Qt::NoModifier);
        QApplication::sendEvent(&view(), event.get());
        return event->isAccepted();
    }
};

TEST_F(DropTest, PicturesFillTheShapeUnderThePointerOrStandAloneAndOthersAreRefused) {
    auto target = rectangleAt(100, 100, 100, 100);
    install({target});
    QMimeData picture;
    picture.setData(QStringLiteral("image/png"), png(20, 10));

    ASSERT_TRUE(drag(QEvent::DragEnter, picture, {300, 300}));
    EXPECT_EQ(view().dragTargetShape(), nullptr);
    drag(QEvent::DragMove, picture, {150, 150});
    EXPECT_EQ(view().dragTargetShape(), target);
    drag(QEvent::DragLeave, picture, {});
    EXPECT_EQ(view().dragTargetShape(), nullptr);

    drag(QEvent::DragEnter, picture, {150, 150});
    ASSERT_TRUE(drag(QEvent::Drop, picture, {150, 150}));
    EXPECT_EQ(target->fill().style(), FillStyleImage);
    EXPECT_EQ(controller.count(), 1u);
    EXPECT_EQ(view().dragTargetShape(), nullptr);

    drag(QEvent::DragEnter, picture, {400.25, 300});
    ASSERT_TRUE(drag(QEvent::Drop, picture, {400.25, 300}));
    ASSERT_EQ(controller.count(), 2u);
    EXPECT_EQ(controller.arrangedObjects()[1]->bounds(), Rect(390, 295, 20, 10));

    // Text is no picture; bytes that claim to be PNG but are not never land.
    QMimeData text;
    text.setText(QStringLiteral("words"));
    EXPECT_FALSE(drag(QEvent::DragEnter, text, {400, 300}));
    EXPECT_FALSE(drag(QEvent::Drop, text, {400, 300}));
    QMimeData broken;
    broken.setData(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\nbroken"));
    drag(QEvent::DragEnter, broken, {400, 300});
    EXPECT_FALSE(drag(QEvent::Drop, broken, {400, 300}));
    EXPECT_EQ(controller.count(), 2u);
}

TEST_F(DropTest, ADroppedDrawingIsOpened) {
    QTemporaryDir dir;
    const QString package = copyExample(dir, QStringLiteral("Plan.qvdraw"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(package)});
    QSignalSpy opened(&view(), &DrawView::openDrawingRequested);
    ASSERT_TRUE(drag(QEvent::DragEnter, files, {10, 10}));
    ASSERT_TRUE(drag(QEvent::Drop, files, {10, 10}));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0][0].toString(), QFileInfo(package).absoluteFilePath());
    EXPECT_EQ(controller.count(), 0u);
}

} // namespace
} // namespace qv::test
