// CP932 (Shift-JIS as Windows writes it) read as UTF-8 through iconv: how the
// Linux profile file reads a settings file copied from Windows.
#pragma once

#include <string>
#include <string_view>

namespace nuvra::linux_platform {

// Never fails: a byte CP932 does not know becomes U+FFFD, and with no
// converter installed at all every byte past ASCII does.
std::string Cp932ToUtf8(std::string_view bytes);

}  // namespace nuvra::linux_platform
