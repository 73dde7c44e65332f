// The XDG base folders the program keeps its files in.
#pragma once

#include <string>

namespace nuvra::linux_platform {

// The value of an XDG variable when it holds an absolute path, otherwise
// $HOME followed by home_relative_default (empty when that is empty too).
std::string XdgFolder(const char* variable, const char* home_relative_default);

// $XDG_CONFIG_HOME/nuvra: where Nuvra.ini lives. Not created here.
std::string ConfigFolder();

// $XDG_CACHE_HOME/nuvra: where the work bitmaps live. Not created here.
std::string CacheFolder();

}  // namespace nuvra::linux_platform
