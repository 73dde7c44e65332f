#include "dialog/skin_pictures.h"

#include "dialog/skin_picture_files.h"

namespace nuvra::dialog {

std::span<const std::uint8_t> SkinPictureBytes(SkinPicture picture)
{
    switch (picture) {
    case SkinPicture::ButtonPressed:
        return skin_files::ButtonPressedBmp();
    case SkinPicture::ButtonReleased:
        return skin_files::ButtonReleasedBmp();
    case SkinPicture::OptionOff:
        return skin_files::OptionOffBmp();
    case SkinPicture::OptionOn:
        return skin_files::OptionOnBmp();
    case SkinPicture::CheckClear:
        return skin_files::CheckClearBmp();
    case SkinPicture::CheckTicked:
        return skin_files::CheckTickedBmp();
    case SkinPicture::HeadingBar:
        return skin_files::HeadingBarBmp();
    case SkinPicture::TextureTile:
        return skin_files::TextureTileBmp();
    }
    // A value cast from a number the enumeration does not name.
    return {};
}

}  // namespace nuvra::dialog
