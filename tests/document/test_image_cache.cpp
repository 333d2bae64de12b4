// The picture store: names by content, unsafe names, decoding with the shared
// codec, and the picture files of a save.
#include "document/ImageCache.h"
#include "tests/document/FakeImageCodec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qv {
namespace {

using test::bytesOf;
using test::FakeImage;
using test::FakeImageCodec;
using test::pictureBytes;

TEST(ImageCache, IdenticalBytesShareANameOthersTakeTheFirstFreeNumber) {
    FakeImageCodec codec;
    ImageCache cache;
    // Only the name asked for is compared by content: "photo 1.jpg" holds the
    // same bytes as the third, yet a new entry is made. Stem and extension
    // split at the last point.
    const std::tuple<const char*, const char*, const char*> adds[] = {
        {"a", "photo.jpg", "photo.jpg"},
        {"a", "photo.jpg", "photo.jpg"},
        {"b", "photo.jpg", "photo 1.jpg"},
        {"b", "photo.jpg", "photo 2.jpg"},
        {"a", "archive.tar.gz", "archive.tar.gz"},
        {"b", "archive.tar.gz", "archive.tar 1.gz"},
        {"a", "photo", "photo"},
        {"b", "photo", "photo 1."}};
    for (const auto& [bytes, asked, stored] : adds) {
        EXPECT_EQ(cache.addImageData(bytesOf(bytes), asked), stored);
        EXPECT_EQ(cache.entryNamed(stored)->data, bytesOf(bytes));
    }
    EXPECT_EQ(cache.count(), 7u);
    // Pasted pictures are stored as TIFF named "QVImage.tiff", by content too.
    EXPECT_EQ(cache.addImage(FakeImage({10, 20})), "QVImage.tiff");
    EXPECT_EQ(cache.addImage(FakeImage({10, 20})), "QVImage.tiff");
    EXPECT_EQ(cache.addImage(FakeImage({30, 20})), "QVImage 1.tiff");
    EXPECT_EQ(cache.entryNamed("QVImage 1.tiff")->data, bytesOf("TIFF 30x20"));

    // A file is stored under its last path component.
    const auto dir =
        std::filesystem::temp_directory_path() / ("qvcache" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "picture.png", std::ios::binary) << "IMG 4x5";
    EXPECT_EQ(cache.addImageWithContentsOfFile((dir / "picture.png").string()), "picture.png");
    EXPECT_EQ(cache.entryNamed("picture.png")->data, bytesOf("IMG 4x5"));
    EXPECT_EQ(cache.addImageWithContentsOfFile((dir / "missing.png").string()), std::nullopt);
    // A directory has no file bytes; a path ending in ".." names no plain file.
    EXPECT_EQ(cache.addImageWithContentsOfFile(dir.string() + "/.."), std::nullopt);
    std::filesystem::remove_all(dir);
}

TEST(ImageCache, EmptyAndUnsafeNamesAreNeverStoredFoundOrSaved) {
    ImageCache cache;
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("../x.png"),
          std::string("a/b.png"), std::string("/etc/passwd"), std::string("a\0b", 3)}) {
        EXPECT_FALSE(isSafePictureName(name)) << name;
        EXPECT_EQ(cache.addImageData(bytesOf("a"), name), std::nullopt) << name;
        EXPECT_EQ(cache.entryNamed(name), nullptr) << name;
        EXPECT_EQ(cache.imageNamed(name), nullptr) << name;
        FileWrapperMap files;
        const auto error = cache.addFileWrapperTo(files, name);
        ASSERT_TRUE(error.has_value()) << name;
        EXPECT_EQ(error->name, "ImageCacheException");
        EXPECT_NE(error->reason.find(name.empty() ? "Could not find image named "
                                                  : "not a plain file name"),
                  std::string::npos)
            << error->reason;
        EXPECT_TRUE(files.empty());
    }
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_TRUE(isSafePictureName("photo 1.jpg"));
    EXPECT_TRUE(isSafePictureName("...jpg"));
}

TEST(ImageCache, DecodesOnceWithTheCodecOfTheMomentAndKeepsBytesThatDoNotDecode) {
    const ImageCodec* previous = ImageCodec::shared();
    ImageCodec::setShared(nullptr);
    ImageCache cache;
    EXPECT_EQ(cache.addImage(FakeImage({10, 20})), std::nullopt) << "no codec, no TIFF";
    cache.addImageData(pictureBytes(200, 100), "p.png");
    EXPECT_EQ(cache.addImageData(bytesOf("not a picture"), "bad.png"), "bad.png");
    EXPECT_EQ(cache.imageNamed("p.png"), nullptr);
    {
        FakeImageCodec codec; // registered later, still used
        const ImagePtr first = cache.imageNamed("p.png");
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->size(), Size(200, 100));
        EXPECT_EQ(cache.imageNamed("p.png"), first);
        EXPECT_EQ(cache.unflippedImageNamed("p.png"), first);
        EXPECT_EQ(cache.imageNamed("bad.png"), nullptr);
        EXPECT_EQ(cache.imageNamed("bad.png"), nullptr);
        EXPECT_EQ(cache.imageNamed("unknown.png"), nullptr);
        EXPECT_EQ(codec.decodeCount, 2);
    }
    ImageCodec::setShared(previous);
    // Bytes that do not decode are still saved.
    FileWrapperMap files;
    EXPECT_EQ(cache.addFileWrapperTo(files, "bad.png"), std::nullopt);
    EXPECT_EQ(files.at("bad.png"), bytesOf("not a picture"));
}

// A stand-in for a shape that saves one picture name (or none).
struct PictureUser : PackageFileSource {
    explicit PictureUser(std::optional<std::string> name) : name(std::move(name)) {}
    std::optional<ImageCacheError> addFileWrapperTo(FileWrapperMap& files,
                                                    const ImageCache& cache) const override {
        return name ? cache.addFileWrapperTo(files, *name) : std::nullopt;
    }
    std::optional<std::string> name;
};

TEST(ImageCache, AMissingPictureFailsTheSaveWithNoFiles) {
    ImageCache cache;
    cache.addImageData(bytesOf("a"), "a.png");
    std::vector<std::shared_ptr<PictureUser>> shapes = {std::make_shared<PictureUser>("a.png"),
                                                        std::make_shared<PictureUser>(std::nullopt),
                                                        std::make_shared<PictureUser>("gone.png")};
    const FileWrappersResult result = cache.fileWrappersForShapes(shapes);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(*result.error,
              (ImageCacheError{"ImageCacheException", "Could not find image named gone.png"}));
    EXPECT_TRUE(result.files.empty());
}

} // namespace
} // namespace qv
