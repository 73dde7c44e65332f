// Opening what the user names as music: a drive, a disc image, an MP3 or
// WAV file. The libraries that read them open the path themselves and would
// wait for ever on a FIFO (or a terminal, or a socket's peer); these helpers
// open it without waiting and look at what it is first.
#pragma once

#include <string>

struct SDL_RWops;

namespace nuvra::linux_platform {

// True when path names a regular file (an image) or a block device (a
// drive), the only things worth handing to the disc reader.
bool IsImageOrDrive(const std::string& path);

// A regular file opened for reading as SDL's stream (closed with it), or
// null for anything else.
SDL_RWops* OpenRegularFile(const std::string& path);

}  // namespace nuvra::linux_platform
