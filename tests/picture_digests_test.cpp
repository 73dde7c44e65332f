// Every build decodes a picture to the same bytes: the Windows build makes
// its own picture libraries, and a different build of them (no SIMD,
// another version) changes what some JPEGs decode to. Each BMP, GIF, JPEG,
// PNG and WebP file of the fuzz corpus, photos with an orientation included,
// is decoded and its result digested; the digests are stored in
// tests/data/picture_digests.txt and every build must give them.
// NUVRA_WRITE_DIGESTS=1 writes the file afresh instead (after a deliberate
// change of the decoders, from the Linux build).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pictures/picture_decoding.h"

namespace nuvra {
namespace {

namespace fs = std::filesystem;

// 64-bit FNV-1a.
class Digest {
public:
    void Add(const std::uint8_t* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            m_value = (m_value ^ data[i]) * 0x100000001B3ull;
    }
    void Add(std::int64_t number)
    {
        for (int shift = 0; shift < 64; shift += 8) {
            const auto byte = static_cast<std::uint8_t>(number >> shift);
            Add(&byte, 1);
        }
    }
    std::string Text() const
    {
        std::ostringstream text;
        text << std::hex << m_value;
        return text.str();
    }

private:
    std::uint64_t m_value = 0xCBF29CE484222325ull;
};

// The result as one word: "failed" (the reasons are the libraries' own
// texts, which may differ in wording), else a digest of the size, layout,
// colour table and pixels.
std::string ResultDigest(const platform::PictureResult& result)
{
    if (!result.picture)
        return "failed";
    const platform::Picture& picture = *result.picture;
    Digest digest;
    digest.Add(picture.width);
    digest.Add(picture.height);
    digest.Add(picture.bits_per_pixel);
    digest.Add(picture.stride);
    for (std::uint32_t colour : picture.palette)
        digest.Add(colour);
    digest.Add(picture.pixels.data(), picture.pixels.size());
    return digest.Text();
}

std::map<std::string, std::string> DecodeCorpus(const fs::path& corpus)
{
    pictures::DecodeLimits limits;
    limits.max_side = 4096;
    limits.max_pixels = 1 << 22;
    limits.max_memory = 64u << 20;
    std::map<std::string, std::string> digests;
    for (const char* format : {"bmp", "exif", "gif", "jpeg", "png", "webp"}) {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(corpus / format))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                                  std::istreambuf_iterator<char>());
            const platform::PictureResult result = pictures::DecodePicture(bytes, limits, nullptr);
            digests[std::string(format) + "/" + file.filename().string()] = ResultDigest(result);
        }
    }
    return digests;
}

TEST(PictureDigests, EveryBuildDecodesTheCorpusToTheStoredBytes)
{
    const fs::path source(NUVRA_SOURCE_DIR);
    const fs::path stored_file = source / "tests" / "data" / "picture_digests.txt";
    const std::map<std::string, std::string> decoded = DecodeCorpus(source / "fuzz" / "corpus");
    ASSERT_GE(decoded.size(), 30u);

    const char* write = std::getenv("NUVRA_WRITE_DIGESTS");
    if (write != nullptr && std::string(write) == "1") {
        std::ofstream out(stored_file, std::ios::binary);
        for (const auto& [name, digest] : decoded)
            out << name << ' ' << digest << '\n';
        GTEST_SKIP() << "wrote " << stored_file.string();
    }

    std::map<std::string, std::string> stored;
    std::ifstream in(stored_file, std::ios::binary);
    std::string name, digest;
    while (in >> name >> digest)
        stored[name] = digest;
    ASSERT_FALSE(stored.empty()) << "no digests in " << stored_file.string();
    for (const auto& [file, expected] : stored) {
        const auto found = decoded.find(file);
        if (found == decoded.end())
            ADD_FAILURE() << file << " is stored but not in the corpus";
        else
            EXPECT_EQ(found->second, expected) << file;
    }
    for (const auto& [file, got] : decoded)
        EXPECT_TRUE(stored.count(file) == 1) << file << " has no stored digest";
}

}  // namespace
}  // namespace nuvra
