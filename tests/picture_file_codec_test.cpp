#include "pictures/picture_file_codec.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "pictures/bmp_writer.h"

namespace nuvra {
namespace {

// The files a backend without a metafile renderer would read.
std::map<std::string, std::vector<std::uint8_t>>& Files()
{
    static std::map<std::string, std::vector<std::uint8_t>> files;
    return files;
}

pictures::FileBytes ReadFromMemory(std::string_view path, std::uint64_t)
{
    pictures::FileBytes result;
    const auto found = Files().find(std::string(path));
    if (found == Files().end())
        result.error = "no such file";
    else
        result.bytes = found->second;
    return result;
}

bool RefuseToWrite(std::string_view, std::span<const std::uint8_t>)
{
    return false;
}

TEST(PictureFileCodec, ABackendWithoutAMetafileRendererLoadsEverythingElse)
{
    platform::Picture dot = pictures::MakePicture(1, 1, 24);
    dot.pixels[2] = 0xFF;
    Files()["dot.bmp"] = *pictures::EncodeBmp(dot);
    // A plain metafile header (in memory, nine words) and its end record.
    Files()["empty.wmf"] = {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
    pictures::PictureFileCodec codec({ReadFromMemory, RefuseToWrite, nullptr});

    const platform::PictureResult bitmap = codec.LoadPicture("dot.bmp");
    ASSERT_TRUE(bitmap.picture) << bitmap.error;
    EXPECT_EQ(bitmap.picture->pixels, dot.pixels);
    const platform::PictureResult metafile = codec.LoadPicture("empty.wmf");
    EXPECT_FALSE(metafile.picture);
    EXPECT_EQ(metafile.error, "WMF: no metafile renderer on this system");
}

}  // namespace
}  // namespace nuvra
