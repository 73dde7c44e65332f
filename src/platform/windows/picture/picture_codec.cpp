#include "platform/windows/picture/picture_codec.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/picture/gdi_wmf_renderer.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_file.h"

namespace nuvra::windows_platform {

namespace {

pictures::FileBytes ReadFailure(std::string reason)
{
    pictures::FileBytes result;
    result.error = std::move(reason);
    return result;
}

bool ReplaceWorkFile(std::string_view path, std::span<const std::uint8_t> bytes)
{
    const std::optional<std::wstring> target = WideFromUtf8(path);
    return target && ReplaceFileAtomically(*target, bytes, Durability::kCached) == ERROR_SUCCESS;
}

constexpr pictures::PictureBackend kWindowsPictures{ReadPictureFile, ReplaceWorkFile, RenderWmfWithGdi};

}  // namespace

pictures::FileBytes ReadPictureFile(std::string_view path, std::uint64_t max_bytes)
{
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide)
        return ReadFailure("the name is not valid UTF-8");
    FileHandle file(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        return ReadFailure(SystemReason(GetLastError()));
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        return ReadFailure("not a file on a disk");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        return ReadFailure(SystemReason(GetLastError()));
    if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > max_bytes)
        return ReadFailure("the file is larger than any picture that could be shown");

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr))
            return ReadFailure(SystemReason(GetLastError()));
        if (got == 0)
            break;  // the file shrank while we read it: what is there is all there is
        done += got;
    }
    bytes.resize(done);
    pictures::FileBytes result;
    result.bytes = std::move(bytes);
    return result;
}

WindowsPictureCodec::WindowsPictureCodec(const pictures::DecodeLimits& limits)
    : PictureFileCodec(kWindowsPictures, limits)
{
}

}  // namespace nuvra::windows_platform
