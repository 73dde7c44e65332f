// Path helpers shared by the settings loader, the image list, the dialog and
// the display. The separator is the platform's ('/' on Linux).
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace nuvra {

// True when the folder can be listed and yields at least one entry.
bool FolderExists(std::string_view path, platform::FileSystem& files);

// True when the file can be opened for reading; a trailing separator is
// dropped first.
bool FileExists(std::string_view path, platform::FileSystem& files);

// Trailing blanks removed, then a separator appended unless one ends it.
std::string AddBackslash(std::string_view path);

// folder, the platform's separator, name: the one way the core joins a path.
// The folder is taken as it is, so a root folder (or one ending in a
// separator) gives the doubled separator ("//name.bmp") that still names the
// file and that users have always seen in the list.
std::string JoinPath(std::string_view folder, std::string_view name);

// The text before the last separator (or up to a drive colon); see the .cpp.
std::string ParentFolder(std::string_view path);

// ParentFolder of a wildcard path followed by the separator: the folder a
// listing of the pattern reads and the folder part of the paths it yields.
std::string DirectoryPart(std::string_view pattern);

// Wildcard match of a file name as the file system does it: '*' and '?',
// letters compared without regard to ASCII case, "*.*" matching every name.
bool WildcardMatch(std::string_view name, std::string_view pattern);

}  // namespace nuvra
