#include "document/ImageCache.h"
#include "tests/document/FakeImageCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>
#include <vector>

namespace qv {
namespace {

using test::bytesOf;
using test::FakeImage;
using test::FakeImageCodec;
using test::pictureBytes;

TEST(ImageCacheNaming, IdenticalBytesShareANameOthersTakeTheFirstFreeNumber) {
    ImageCache cache;
    EXPECT_EQ(cache.addImageData(bytesOf("a"), "photo.jpg"), "photo.jpg");
    EXPECT_EQ(cache.addImageData(bytesOf("a"), "photo.jpg"), "photo.jpg");
    EXPECT_EQ(cache.count(), 1u);
    // Different bytes take the first free numbered name.
    EXPECT_EQ(cache.addImageData(bytesOf("b"), "photo.jpg"), "photo 1.jpg");
    // Only the name asked for is compared by content: photo 1.jpg holds the
    // same bytes, yet a new entry is made.
    EXPECT_EQ(cache.addImageData(bytesOf("b"), "photo.jpg"), "photo 2.jpg");
    EXPECT_EQ(cache.entryNamed("photo 2.jpg")->data, bytesOf("b"));
    EXPECT_EQ(cache.entryNamed("photo.jpg")->data, bytesOf("a"));
    EXPECT_EQ(cache.count(), 3u);
    // Stem and extension split at the last point.
    cache.addImageData(bytesOf("a"), "archive.tar.gz");
    EXPECT_EQ(cache.addImageData(bytesOf("b"), "archive.tar.gz"), "archive.tar 1.gz");
    cache.addImageData(bytesOf("a"), "photo");
    EXPECT_EQ(cache.addImageData(bytesOf("b"), "photo"), "photo 1.");
}

TEST(ImageCacheNaming, EmptyAndUnsafeNamesAreNeverStoredOrFound) {
    ImageCache cache;
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("../x.png"),
          std::string("a/b.png"), std::string("/etc/passwd"), std::string("a\0b", 3)}) {
        EXPECT_FALSE(isSafePictureName(name)) << name;
        EXPECT_EQ(cache.addImageData(bytesOf("a"), name), std::nullopt) << name;
        EXPECT_EQ(cache.entryNamed(name), nullptr) << name;
        EXPECT_EQ(cache.imageNamed(name), nullptr) << name;
    }
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_TRUE(isSafePictureName("photo 1.jpg"));
    EXPECT_TRUE(isSafePictureName("...jpg"));
}

TEST(ImageCacheNaming, PastedPicturesAreNamedQVImageTiff) {
    FakeImageCodec codec;
    ImageCache cache;
    EXPECT_EQ(cache.addImage(FakeImage({10, 20})), "QVImage.tiff");
    EXPECT_EQ(cache.addImage(FakeImage({10, 20})), "QVImage.tiff"); // same TIFF bytes
    EXPECT_EQ(cache.addImage(FakeImage({30, 20})), "QVImage 1.tiff");
    EXPECT_EQ(cache.entryNamed("QVImage 1.tiff")->data, bytesOf("TIFF 30x20"));
}

TEST(ImageCacheNaming, AddImageWithoutCodecStoresNothing) {
    const ImageCodec* previous = ImageCodec::shared();
    ImageCodec::setShared(nullptr);
    ImageCache cache;
    EXPECT_EQ(cache.addImage(FakeImage({10, 20})), std::nullopt);
    EXPECT_EQ(cache.count(), 0u);
    ImageCodec::setShared(previous);
}

TEST(ImageCacheFiles, FileIsStoredUnderItsLastPathComponent) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("qv_image_cache_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "picture.png";
    {
        std::ofstream out(file, std::ios::binary);
        out << "IMG 4x5";
    }
    ImageCache cache;
    EXPECT_EQ(cache.addImageWithContentsOfFile(file.string()), "picture.png");
    EXPECT_EQ(cache.entryNamed("picture.png")->data, bytesOf("IMG 4x5"));
    EXPECT_EQ(cache.addImageWithContentsOfFile((dir / "missing.png").string()), std::nullopt);
    // A directory has no file bytes; a path ending in ".." names no plain file.
    EXPECT_EQ(cache.addImageWithContentsOfFile(dir.string() + "/.."), std::nullopt);
    std::filesystem::remove_all(dir);
}

TEST(ImageCacheDecoding, DecodesOnceAndServesBothForms) {
    FakeImageCodec codec;
    ImageCache cache;
    cache.addImageData(pictureBytes(200, 100), "p.png");
    EXPECT_EQ(cache.imageNamed("unknown.png"), nullptr);
    const ImagePtr first = cache.imageNamed("p.png");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->size(), Size(200, 100));
    EXPECT_EQ(cache.imageNamed("p.png"), first);
    EXPECT_EQ(cache.unflippedImageNamed("p.png"), first);
    EXPECT_EQ(codec.decodeCount, 1);
}

TEST(ImageCacheDecoding, BytesThatDoNotDecodeAreKeptAndDrawNothing) {
    FakeImageCodec codec;
    ImageCache cache;
    EXPECT_EQ(cache.addImageData(bytesOf("not a picture"), "bad.png"), "bad.png");
    EXPECT_EQ(cache.imageNamed("bad.png"), nullptr);
    EXPECT_EQ(cache.imageNamed("bad.png"), nullptr);
    EXPECT_EQ(codec.decodeCount, 1);
    FileWrapperMap files;
    EXPECT_EQ(cache.addFileWrapperTo(files, "bad.png"), std::nullopt);
    EXPECT_EQ(files.at("bad.png"), bytesOf("not a picture"));
}

TEST(ImageCacheDecoding, ACodecRegisteredLaterStillDecodes) {
    const ImageCodec* previous = ImageCodec::shared();
    ImageCodec::setShared(nullptr);
    ImageCache cache;
    cache.addImageData(pictureBytes(3, 4), "p.png");
    EXPECT_EQ(cache.imageNamed("p.png"), nullptr);
    {
        FakeImageCodec codec;
        EXPECT_NE(cache.imageNamed("p.png"), nullptr);
    }
    ImageCodec::setShared(previous);
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

TEST(ImageCacheWrappers, MissingPictureFailsTheSave) {
    ImageCache cache;
    cache.addImageData(bytesOf("a"), "a.png");
    std::vector<std::shared_ptr<PictureUser>> shapes = {std::make_shared<PictureUser>("a.png"),
                                                        std::make_shared<PictureUser>("gone.png")};
    const FileWrappersResult result = cache.fileWrappersForShapes(shapes);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error->name, "ImageCacheException");
    EXPECT_EQ(result.error->reason, "Could not find image named gone.png");
    EXPECT_TRUE(result.files.empty());
}

TEST(ImageCacheWrappers, UnsafeNamesAreRefusedWithAClearMessage) {
    ImageCache cache;
    for (const std::string& name : {std::string(".."), std::string("../../evil.png"),
                                    std::string("sub/x.png"), std::string("a\0b", 3)}) {
        FileWrapperMap files;
        const auto error = cache.addFileWrapperTo(files, name);
        ASSERT_TRUE(error.has_value()) << name;
        EXPECT_EQ(error->name, "ImageCacheException");
        EXPECT_NE(error->reason.find("not a plain file name"), std::string::npos) << error->reason;
        EXPECT_TRUE(files.empty());
    }
    FileWrapperMap files;
    EXPECT_EQ(cache.addFileWrapperTo(files, "")->reason, "Could not find image named ");
}

} // namespace
} // namespace qv
