// The PNG and WebP decoders, and photos turned upright by their EXIF
// orientation, against public test suites' reference renderings, where those suites are at hand: NUVRA_PICTURE_CORPUS, or a
// "shared/corpus" folder beside the source tree (the files are not ours to
// commit). A reference is an RGBA rendering; both it and the file go through
// our decoder, which composes over black, and must agree. Every other file
// of the suites, damaged ones included, must decode or be refused with a
// reason, never crash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "picture_test_helpers.h"
#include "pictures/exif_orientation.h"

namespace nuvra {
namespace {

namespace fs = std::filesystem;
using pictures::DecodeLimits;

std::optional<fs::path> Corpus()
{
    if (const char* named = std::getenv("NUVRA_PICTURE_CORPUS"))
        return fs::path(named);
    const fs::path beside = fs::path(NUVRA_SOURCE_DIR).parent_path() / "shared" / "corpus";
    if (fs::is_directory(beside / "png-ref"))
        return beside;
    return std::nullopt;
}

std::vector<std::uint8_t> Bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

test::TestImage Decoded(const fs::path& path)
{
    const platform::PictureResult result = pictures::DecodePicture(Bytes(path), DecodeLimits{}, nullptr);
    EXPECT_TRUE(result.picture) << path << ": " << result.error;
    return result.picture ? test::ToImage(*result.picture) : test::TestImage{};
}

struct Difference {
    int largest = 0;
    double mean = 0;
};

// How far apart two pictures are, channel by channel; the largest is -1 when
// their sizes differ.
Difference Compare(const test::TestImage& a, const test::TestImage& b)
{
    if (a.width != b.width || a.height != b.height)
        return {-1, 0};
    Difference difference;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            const int apart =
                std::abs(static_cast<int>(a.rgb[i] >> shift & 0xFF) - static_cast<int>(b.rgb[i] >> shift & 0xFF));
            difference.largest = std::max(difference.largest, apart);
            difference.mean += apart;
        }
    }
    difference.mean /= 3.0 * static_cast<double>(std::max<std::size_t>(1, a.rgb.size()));
    return difference;
}

TEST(PictureReferences, PngAndWebpFilesLookAsTheirSuitesSay)
{
    const std::optional<fs::path> corpus = Corpus();
    if (!corpus)
        GTEST_SKIP() << "no picture corpus beside the source tree or in NUVRA_PICTURE_CORPUS";
    struct Pair {
        fs::path file, reference;
    };
    std::vector<Pair> pairs;
    for (const auto& entry : fs::directory_iterator(*corpus / "png-ref"))
        pairs.push_back({*corpus / "png" / ("pngsuite-" + entry.path().filename().string()), entry.path()});
    for (const auto& entry : fs::directory_iterator(*corpus / "webp-ref")) {
        const std::string name = entry.path().filename().string();
        // YCbCr renderings from another decoder, later animation frames, an
        // encoder's input (compared below) and the PPM files (below).
        if (name.find("ycbcr") != std::string::npos || name.ends_with("-2.png") || name.ends_with("-3.png") ||
            name.ends_with("-4.png") || name.ends_with(".ppm") || name == "pillow-transparent.png")
            continue;
        std::string stem = name.substr(0, name.size() - 4);
        if (stem.ends_with("-1"))
            stem = stem.substr(0, stem.size() - 2);
        fs::path file = *corpus / "webp" / (stem.ends_with(".webp") ? stem : stem + ".webp");
        if (!fs::exists(file))
            file = *corpus / "webp" / (stem + ".lossless.webp");
        pairs.push_back({file, entry.path()});
    }
    ASSERT_GE(pairs.size(), 100u);
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.file.filename().string());
        ASSERT_TRUE(fs::exists(pair.file));
        EXPECT_EQ(Compare(Decoded(pair.file), Decoded(pair.reference)).largest, 0);
    }
    auto ppm = [&](const char* name) { return test::ReadPpm((*corpus / "webp-ref" / name).string()); };
    EXPECT_EQ(Compare(Decoded(*corpus / "webp" / "pillow-hopper.webp"), ppm("pillow-hopper_webp_bits.ppm")).largest, 0);
    EXPECT_LE(Compare(Decoded(*corpus / "webp" / "libwebp-test.webp"), ppm("libwebp-test_ref.ppm")).largest, 1);
    // Lossy with alpha, against what went into the encoder.
    const Difference lossy = Compare(Decoded(*corpus / "webp" / "pillow-transparent.webp"),
                                     Decoded(*corpus / "webp-ref" / "pillow-transparent.png"));
    EXPECT_GE(lossy.largest, 0);
    EXPECT_LE(lossy.mean, 20.0);

    int decoded = 0, refused = 0;
    for (const char* folder : {"png", "webp"}) {
        for (const auto& entry : fs::directory_iterator(*corpus / folder)) {
            const platform::PictureResult result = pictures::DecodePicture(Bytes(entry.path()), DecodeLimits{}, nullptr);
            (result.picture ? decoded : refused) += 1;
            if (!result.picture) {
                EXPECT_FALSE(result.error.empty()) << entry.path();
                std::cout << "refused " << entry.path().filename().string() << ": " << result.error << "\n";
            }
        }
    }
    std::cout << decoded << " files decoded, " << refused << " refused\n";
}


// Each photo of the orientation suites, turned as its tag says, looks like
// the suite's upright original: the same size, and the same picture to
// within the re-coding of a lossy file (the landscape and portrait photos
// also differ from their original by the digit each shows).
TEST(PictureReferences, PhotosWithAnOrientationAreShownUpright)
{
    const std::optional<fs::path> corpus = Corpus();
    if (!corpus)
        GTEST_SKIP() << "no picture corpus beside the source tree or in NUVRA_PICTURE_CORPUS";
    const fs::path exif = *corpus / "exif";
    struct Photo {
        fs::path file, original;
        double mean;
    };
    std::vector<Photo> photos;
    for (int value = 0; value <= 8; ++value) {
        const std::string n = std::to_string(value);
        photos.push_back({exif / ("eoe-Landscape_" + n + ".jpg"), exif / "eoe-Landscape_1.jpg", 6.0});
        photos.push_back({exif / ("eoe-Portrait_" + n + ".jpg"), exif / "eoe-Portrait_1.jpg", 6.0});
        if (value >= 2) {
            const std::string stem = "pillow-hopper_orientation_" + n;
            photos.push_back({exif / (stem + ".jpg"), exif / "pillow-hopper.jpg", 17.0});
            photos.push_back({exif / (stem + ".webp"), *corpus / "webp" / "pillow-hopper.webp", 17.0});
        }
    }
    for (const Photo& photo : photos) {
        SCOPED_TRACE(photo.file.filename().string());
        const Difference difference = Compare(Decoded(photo.file), Decoded(photo.original));
        EXPECT_GE(difference.largest, 0) << "the sizes differ";
        EXPECT_LE(difference.mean, photo.mean);
    }
    const test::TestImage rectangle = Decoded(exif / "pillow-orientation_rectangle.jpg");
    EXPECT_EQ(rectangle.width, 1);
    EXPECT_EQ(rectangle.height, 2);

    // An eXIf chunk before the palette and the data is read; orientation 1
    // and an orientation kept only in XMP leave the stored pixels.
    for (const auto& [name, orientation] : {std::pair{"imagepng-F-exif-chunk-early.png", pictures::Orientation::RightTop},
                                            std::pair{"pillow-exif.png", pictures::Orientation::TopLeft},
                                            std::pair{"pillow-xmp_tags_orientation_exiftool.png",
                                                      pictures::Orientation::TopLeft}}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = Bytes(exif / name);
        const platform::PictureResult stored = pictures::DecodePng(bytes, DecodeLimits{}, nullptr);
        ASSERT_TRUE(stored.picture) << stored.error;
        EXPECT_EQ(pictures::ReadOrientation(bytes, pictures::PictureFormat::Png), orientation);
        EXPECT_EQ(Compare(Decoded(exif / name), test::ToImage(pictures::TurnUpright(*stored.picture, orientation))).largest,
                  0);
    }
}

#if defined(NUVRA_HEIF_PHOTOS)
// HEIF and AVIF photos: the same picture in both codings looks like the
// reference rendering, a turned and mirrored one comes out upright (its
// size shows it; the picture was looked at), an orientation kept only in
// XMP turns nothing, and alpha is composed over black.
TEST(PictureReferences, HeifAndAvifPhotosLookAsTheirReferenceSays)
{
    const std::optional<fs::path> corpus = Corpus();
    if (!corpus)
        GTEST_SKIP() << "no picture corpus beside the source tree or in NUVRA_PICTURE_CORPUS";
    const fs::path heif = *corpus / "heif";
    const test::TestImage reference = Decoded(*corpus / "heif-ref" / "pillow-hopper_avif_write.png");
    for (const char* name : {"pillow-hopper.avif", "pillow-hopper.heif"}) {
        SCOPED_TRACE(name);
        const Difference difference = Compare(Decoded(heif / name), reference);
        EXPECT_GE(difference.largest, 0) << "the sizes differ";
        EXPECT_LE(difference.mean, 8.0);
    }
    const test::TestImage turned = Decoded(heif / "pillow-rot1mir0.avif");
    EXPECT_EQ(std::pair(turned.width, turned.height), std::pair(640, 427));
    const test::TestImage xmp = Decoded(heif / "pillow-xmp_tags_orientation.avif");
    EXPECT_EQ(std::pair(xmp.width, xmp.height), std::pair(326, 268));
    // Alpha over black: the transparent middle is black.
    const test::TestImage transparency = Decoded(heif / "pillow-transparency.avif");
    ASSERT_EQ(transparency.width, 64);
    EXPECT_EQ(transparency.at(32, 32), 0u);
    // Every file decodes, the image sequence as its still picture.
    for (const auto& entry : fs::directory_iterator(heif))
        EXPECT_TRUE(pictures::DecodePicture(Bytes(entry.path()), DecodeLimits{}, nullptr).picture) << entry.path();
}
#endif

}  // namespace
}  // namespace nuvra
