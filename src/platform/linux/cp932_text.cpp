#include "platform/linux/cp932_text.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace nuvra::linux_platform {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(m_handle);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_handle; }

private:
    iconv_t m_handle;
};

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    IconvHandle converter("UTF-8", "CP932");
    if (!converter.valid()) {
        // No converter installed: keep what is plain ASCII readable.
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80)
                text += c;
            else
                text += kReplacementCharacter;
        }
        return text;
    }
    // iconv never writes through its input pointer; the cast only meets its
    // old C signature.
    char* input = const_cast<char*>(bytes.data());
    std::size_t input_left = bytes.size();
    std::array<char, 16384> chunk;
    while (input_left > 0) {
        char* output = chunk.data();
        std::size_t output_left = chunk.size();
        const std::size_t result = iconv(converter.get(), &input, &input_left, &output, &output_left);
        text.append(chunk.data(), chunk.size() - output_left);
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // A byte CP932 does not know (or a lead byte cut off by the end of
        // the file): replace just that byte, so that a stray lead byte does
        // not swallow the line break after it.
        text += kReplacementCharacter;
        ++input;
        --input_left;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return text;
}

}  // namespace nuvra::linux_platform
