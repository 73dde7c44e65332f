// The XDG base folders the program keeps its files in, and the private
// folder under the temporary folder it falls back on when a user has no
// usable home (a service account, a home on a lost mount).
#pragma once

#include <optional>
#include <string>

namespace nuvra::linux_platform {

// The value of an XDG variable when it holds an absolute path, otherwise
// $HOME followed by home_relative_default (empty when that is empty too).
std::string XdgFolder(const char* variable, const char* home_relative_default);

// $XDG_CONFIG_HOME/nuvra: where Nuvra.ini lives. Not created here.
std::string ConfigFolder();

// $XDG_CACHE_HOME/nuvra: where the work bitmaps live. Not created here.
std::string CacheFolder();

// $TMPDIR (else /tmp) followed by nuvra-<user id>.
std::string PrivateTempFolder();

// A folder for files of ours that may be lost (work files, locks): preferred
// when it is, or can be made, a folder we can write in; else the private
// temporary folder, made 0700 and taken only when this user owns it and it
// is a real folder, not a link. nullopt when neither can be had; why goes to
// *why when given.
std::optional<std::string> UsableFolder(const std::string& preferred, std::string* why = nullptr);

}  // namespace nuvra::linux_platform
