// Tests spell their paths with '/'; the core joins paths with the platform's
// separator. NativePath gives a test's path in the platform's spelling, so
// one expectation holds on every platform (on Linux it is the path itself).
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace nuvra::test {

inline std::string NativePath(std::string_view path)
{
    std::string native(path);
    std::replace(native.begin(), native.end(), '/', platform::kPathSeparator);
    return native;
}

inline std::vector<std::string> NativePaths(std::vector<std::string> paths)
{
    for (std::string& path : paths)
        path = NativePath(path);
    return paths;
}

}  // namespace nuvra::test
