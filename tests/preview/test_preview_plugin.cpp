// The preview plug-in as a host sees it: loaded with dlopen, instances from
// its factory, its interface, and the previews and thumbnails it makes.

#include "preview/QuickLookHost.h"
#include "preview/host/PreviewHost.h"

#include "PreviewFixtures.h"

#include <gtest/gtest.h>

#include <QColor>

#include <thread>

namespace qv {
namespace {

using testing::PackageDir;

constexpr QLUUIDBytes kGeneratorType = kQLGeneratorTypeIDBytes;
constexpr QLUUIDBytes kCallbacks = kQLGeneratorCallbacksInterfaceIDBytes;

PreviewPlugIn& plugIn() {
    static std::unique_ptr<PreviewPlugIn> loaded = [] {
        std::string error;
        auto p = PreviewPlugIn::loadInstalled(&error);
        EXPECT_TRUE(p) << error;
        return p;
    }();
    if (!loaded)
        throw std::runtime_error("the preview plug-in did not load");
    return *loaded;
}

QLUUIDBytes factory() {
    const std::optional<QLUUIDBytes> id = plugIn().factoryUUID();
    EXPECT_TRUE(id);
    return id.value_or(QLUUIDBytes{});
}

QLGeneratorInterfaceStruct* table(void* instance) {
    return *static_cast<QLGeneratorInstanceRef>(instance);
}

std::unique_ptr<PreviewGenerator> generator() {
    std::string error;
    auto g = PreviewGenerator::create(plugIn(), &error);
    EXPECT_TRUE(g) << error;
    return g;
}

QByteArray preview(const std::string& url, QLStatus* status = nullptr) {
    QLPreviewRequest request;
    const QLStatus s = generator()->generatePreview(url, request);
    if (status)
        *status = s;
    EXPECT_EQ(request.representations, 1);
    EXPECT_EQ(request.contentType, kQLTypePDF);
    if (!request.data)
        return {};
    return QByteArray(reinterpret_cast<const char*>(request.data->data()),
                      qsizetype(request.data->size()));
}

// ---------------------------------------------------------------------------
// Lifecycle

TEST(PreviewPlugInLifecycle, DescriptionNamesTheGeneratorTypeAndOurDocuments) {
    const QLPlugInInfo& info = plugIn().info();
    EXPECT_STREQ(info.typeUUID, "5E2D9680-5022-40FA-B806-43349622E5B9");
    EXPECT_STREQ(info.factoryFunctionName, "QuickLookGeneratorPluginFactory");
    ASSERT_TRUE(info.contentTypes && info.contentTypes[0]);
    EXPECT_STREQ(info.contentTypes[0], "application/x-qvdraw");
    // The factory's own identifier is neither of the well-known ones.
    EXPECT_FALSE(QLUUIDBytesEqual(factory(), kGeneratorType));
    EXPECT_FALSE(QLUUIDBytesEqual(factory(), kCallbacks));
}

TEST(PreviewPlugInLifecycle, GeneratorsForTheGeneratorTypeOnlyWithTheirInterfaceAndReferences) {
    const PreviewHostInstanceCounts before = previewHostInstanceCounts(factory());
    EXPECT_EQ(plugIn().createInstance(kCallbacks), nullptr);
    EXPECT_EQ(plugIn().createInstance(QLUUIDBytes{}), nullptr);
    EXPECT_EQ(previewHostInstanceCounts(factory()).added, before.added);

    void* a = plugIn().createInstance(kGeneratorType);
    void* b = plugIn().createInstance(kGeneratorType);
    ASSERT_TRUE(a && b);
    PreviewHostInstanceCounts now = previewHostInstanceCounts(factory());
    EXPECT_EQ(now.added, before.added + 2);
    EXPECT_EQ(now.live, before.live + 2);
    // Until the interface is asked for, only the first four slots are set.
    QLGeneratorInterfaceStruct* t = table(a);
    EXPECT_EQ(t->_reserved, nullptr);
    EXPECT_TRUE(t->QueryInterface && t->AddRef && t->Release);
    EXPECT_EQ(t->GenerateThumbnailForURL, nullptr);
    EXPECT_EQ(t->GeneratePreviewForURL, nullptr);
    void* result = &result;
    EXPECT_EQ(t->QueryInterface(a, kCallbacks, &result), kQLStatusOK);
    EXPECT_EQ(result, a);
    EXPECT_TRUE(t->GenerateThumbnailForURL && t->CancelThumbnailGeneration &&
                t->GeneratePreviewForURL && t->CancelPreviewGeneration);
    for (const QLUUIDBytes other : {kGeneratorType, factory(), QLUUIDBytes{}}) {
        result = &result;
        EXPECT_EQ(t->QueryInterface(a, other, &result), QLStatus(0x80000004));
        EXPECT_EQ(result, nullptr);
    }
    // The cancels do nothing, and say so by not crashing on a null request.
    t->CancelPreviewGeneration(a, nullptr);
    t->CancelThumbnailGeneration(a, nullptr);

    // One from the factory, one from the query: the next AddRef makes three.
    // Released to zero, an instance unregisters exactly once.
    EXPECT_EQ(t->AddRef(a), 3u);
    for (unsigned left : {2u, 1u}) {
        EXPECT_EQ(t->Release(a), left);
        EXPECT_EQ(previewHostInstanceCounts(factory()).removed, before.removed);
    }
    EXPECT_EQ(t->Release(a), 0u);
    now = previewHostInstanceCounts(factory());
    EXPECT_EQ(now.removed, before.removed + 1);
    EXPECT_EQ(now.live, before.live + 1);
    EXPECT_EQ(table(b)->Release(b), 0u);
    // The generator object gives its reference back too.
    generator().reset();
    now = previewHostInstanceCounts(factory());
    EXPECT_EQ(now.added, before.added + 3);
    EXPECT_EQ(now.removed, before.removed + 3);
    EXPECT_EQ(now.live, before.live);
}

TEST(PreviewPlugInLifecycle, AllocAndDeallocAnnounceUnderTheGivenFactory) {
    using Alloc = void* (*)(QLUUIDRef);
    using Dealloc = void (*)(void*);
    auto alloc = reinterpret_cast<Alloc>(plugIn().symbol("AllocQuickLookGeneratorPluginType"));
    auto dealloc =
        reinterpret_cast<Dealloc>(plugIn().symbol("DeallocQuickLookGeneratorPluginType"));
    ASSERT_TRUE(alloc && dealloc);

    const QLUUIDBytes mine = QL_UUID_BYTES(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    QLUUIDRef id = QLUUIDCreateWithBytes(mine);
    void* instance = alloc(id);
    ASSERT_NE(instance, nullptr);
    // The instance holds its own reference to the identifier.
    EXPECT_EQ(id->refCount, 2);
    EXPECT_EQ(previewHostInstanceCounts(mine).live, 1);
    dealloc(instance);
    EXPECT_EQ(id->refCount, 1);
    EXPECT_EQ(previewHostInstanceCounts(mine).removed, 1);
    EXPECT_EQ(previewHostInstanceCounts(mine).live, 0);
    QLUUIDRelease(id);

    // Without a factory identifier nothing is announced either way.
    const PreviewHostInstanceCounts before = previewHostInstanceCounts(factory());
    instance = alloc(nullptr);
    ASSERT_NE(instance, nullptr);
    dealloc(instance);
    EXPECT_EQ(previewHostInstanceCounts(factory()).added, before.added);
    EXPECT_EQ(previewHostInstanceCounts(factory()).removed, before.removed);
}

// ---------------------------------------------------------------------------
// Previews

// Unreadable files preview as a blank default page; a readable one as exactly
// its page (from its print settings) in its colour, with shapes outside clipped.
TEST(PreviewGeneration, PreviewIsThePageInItsColourAndABlankDefaultPageForUnreadableFiles) {
    PackageDir dir;
    using Colours = std::vector<std::array<double, 3>>;
    const double grey = 128 / 255.0;
    const QByteArray outside = testing::rectangleElement(-100, -100, 80, 80) +
                               testing::rectangleElement(500, 680, 200, 200) +
                               testing::rectangleElement(2000, 50, 10, 10);
    const struct {
        std::string url;
        std::array<double, 4> box;
        Colours colours;
    } cases[] = {
        {fileURLForPath(dir.path("missing.qvdraw")), {0, 0, 540, 720}, {{1, 1, 1}}},
        {fileURLForPath(dir.packageWithout("empty", "Picture.png")), {0, 0, 540, 720}, {{1, 1, 1}}},
        {fileURLForPath(dir.package("broken", "<qvdrawdocument><rectangle><bounds x=")),
         {0, 0, 540, 720},
         {{1, 1, 1}}},
        {fileURLForPath(dir.package("notxml", "\x01\x02 plainly not XML")),
         {0, 0, 540, 720},
         {{1, 1, 1}}},
        {"http://example.invalid/remote.qvdraw", {0, 0, 540, 720}, {{1, 1, 1}}},
        {"", {0, 0, 540, 720}, {{1, 1, 1}}},
        {fileURLForPath(dir.package("outside", testing::documentXML(outside, "#808080"))),
         {0, 0, 540, 720},
         {{grey, grey, grey}, {1, 0, 0}}},
        // Paper less the left and right, and the top and bottom margins.
        {fileURLForPath(dir.package("landscape", testing::documentXML(testing::printInfoElement(
                                                     "800 600", "10 20 30 40")))),
         {0, 0, 770, 530},
         {{1, 1, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        QLStatus status = -1;
        const QByteArray pdf = preview(c.url, &status);
        EXPECT_EQ(status, kQLStatusOK);
        EXPECT_TRUE(pdf.startsWith("%PDF-"));
        EXPECT_EQ(testing::pageCount(pdf), 1);
        EXPECT_EQ(testing::mediaBox(pdf), c.box);
        const Colours colours = testing::fillColors(testing::inflatedStreams(pdf));
        // Only the page is filled on a blank page; else the page first, then the shapes.
        ASSERT_GE(colours.size(), c.colours.size());
        EXPECT_TRUE(c.colours.size() > 1 || colours.size() == 1);
        for (std::size_t i = 0; i < c.colours.size(); ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(colours[i][k], c.colours[i][k], 1e-3);
    }
}

TEST(PreviewGeneration, RequestsFromManyThreadsAreServedOneAtATime) {
    PackageDir dir;
    QByteArray shapes;
    for (int i = 0; i < 50; ++i)
        shapes += testing::rectangleElement(i * 10, i * 12, 30, 20);
    const std::string url = fileURLForPath(dir.package("busy", testing::documentXML(shapes)));
    auto g = generator();
    std::vector<QByteArray> results(4);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] {
            QLPreviewRequest request;
            g->generatePreview(url, request);
            if (request.data)
                results[t] = QByteArray(reinterpret_cast<const char*>(request.data->data()),
                                        qsizetype(request.data->size()));
        });
    for (std::thread& t : threads)
        t.join();
    const QByteArray first = testing::inflatedStreams(results[0]);
    EXPECT_EQ(testing::fillColors(first).size(), 51u);
    for (const QByteArray& pdf : results)
        EXPECT_EQ(testing::inflatedStreams(pdf), first);
}

// ---------------------------------------------------------------------------
// Thumbnails

TEST(ThumbnailGeneration, ContextIsThePageSizeWhateverTheMaximumOrTheFile) {
    PackageDir dir;
    // A readable empty drawing and a missing one both show a white default page.
    for (const std::string& url : {fileURLForPath(dir.package("plain", testing::documentXML(""))),
                                   fileURLForPath(dir.path("gone.qvdraw"))}) {
        for (const auto& [max, size] : std::vector<std::pair<QLSize, QSize>>{
                 {{256, 256}, {192, 256}}, {{16, 1000}, {}}, {{4000, 4000}, {}}}) {
            SCOPED_TRACE(url + " " + std::to_string(max.width));
            QLThumbnailRequest request;
            request.maxSize = max;
            EXPECT_EQ(generator()->generateThumbnail(url, request), kQLStatusOK);
            ASSERT_TRUE(request.requestedSize);
            EXPECT_EQ(request.requestedSize->width, 540);
            EXPECT_EQ(request.requestedSize->height, 720);
            EXPECT_FALSE(request.requestedBitmap);
            EXPECT_EQ(request.contextsCreated, 1);
            EXPECT_EQ(request.flushes, 1);
            EXPECT_EQ(request.contextsReleased, 1);
            if (size.isEmpty())
                continue;
            ASSERT_EQ(request.image.size(), size);
            for (const QPoint p : {QPoint(0, 0), QPoint(96, 128), QPoint(191, 255)})
                EXPECT_EQ(request.image.pixelColor(p), QColor(255, 255, 255));
        }
    }
    // Red across the top quarter of a grey page: fitted right side up, never
    // transparent; without a context nothing is drawn.
    const std::string url = fileURLForPath(dir.package(
        "top", testing::documentXML(testing::rectangleElement(0, 0, 540, 180), "#808080")));
    QLThumbnailRequest request;
    request.maxSize = {128, 128};
    generator()->generateThumbnail(url, request);
    ASSERT_EQ(request.image.size(), QSize(96, 128));
    EXPECT_EQ(request.image.pixelColor(48, 10), QColor(255, 0, 0));
    EXPECT_EQ(request.image.pixelColor(48, 100), QColor(128, 128, 128));
    for (const QPoint p : {QPoint(0, 127), QPoint(95, 127), QPoint(95, 60)})
        EXPECT_EQ(request.image.pixelColor(p).alpha(), 255);
    QLThumbnailRequest none;
    none.maxSize = {128, 128};
    none.provideContext = false;
    EXPECT_EQ(generator()->generateThumbnail(url, none), kQLStatusOK);
    EXPECT_TRUE(none.requestedSize);
    EXPECT_EQ(none.flushes, 0);
    EXPECT_TRUE(none.image.isNull());
}

TEST(PreviewHostPaths, FileURLsAreAbsoluteAndEscapedAndThePlugInIsLookedForBesideTheProgram) {
    EXPECT_EQ(fileURLForPath("/tmp/Plan 1.qvdraw"), "file:///tmp/Plan%201.qvdraw");
    const std::string relative = fileURLForPath("Plan.qvdraw");
    EXPECT_EQ(relative.rfind("file:///", 0), 0u);
    EXPECT_EQ(relative.substr(relative.size() - 12), "/Plan.qvdraw");
    const std::vector<std::string> paths = PreviewPlugIn::candidatePaths();
    ASSERT_GE(paths.size(), 2u);
    for (const std::string& p : paths)
        EXPECT_EQ(p.substr(p.size() - 14), "drawpreview.so");
    EXPECT_EQ(PreviewPlugIn::load("/nonexistent/drawpreview.so", nullptr), nullptr);
}

} // namespace
} // namespace qv
