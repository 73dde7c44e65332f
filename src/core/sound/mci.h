// The MCI command channel of the music module. Every command of the CD and
// MP3 code goes out through here as one command string; the replies land in
// the module's fixed buffers. Nothing is ever shown: a failure ends as a
// nonzero code the caller may ignore, or as an error text in MCI_Result.
// Called on the user-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "sound/sound_state.h"

namespace nuvra {

// The result text of an empty command (no command string was given).
inline constexpr std::string_view kNoCommandText = "コマンド文字列が指定されていません";
// The result text of a failure the platform cannot describe.
inline constexpr std::string_view kNoErrorText = "Error (文字列が取れません)";

// Sends command with MCI_ReturnBuf as its reply buffer. On success
// result_text becomes the reply and the result is 0; on failure result_text
// becomes the error description (or kNoErrorText) and the result is the
// code. An empty command sends nothing and gives -1 with kNoCommandText.
std::int32_t MCI_SendCommand(Sound01& sound, platform::Platform& platform, std::string_view command,
                             std::string& result_text);

// The reply of command, or "Error:" and the code when it fails; the
// description of a failure is left in MCI_Result.
std::string MCI_Query(Sound01& sound, platform::Platform& platform, std::string_view command);

// Sends "play <device>" with " from <from_position>" and " to <to_position>"
// for each position that is not empty, untrimmed and unchecked.
std::int32_t MCI_Play(Sound01& sound, platform::Platform& platform, std::string_view device,
                      std::string_view from_position, std::string_view to_position);

// A command sent with no reply buffer. Most callers ignore the code.
std::int32_t SendPlainCommand(platform::Platform& platform, std::string_view command);

// Sends a mode query with one of the module's own mode buffers and tells
// whether the buffer's first seven characters are word. The code is not
// looked at and the NUL cut is not applied, so a failed query leaves the
// previous word in force, and a shorter reply leaves the old tail behind.
bool ModeWordIs(platform::Platform& platform, std::string_view command, std::string& buffer,
                std::size_t reply_length, std::string_view word);

}  // namespace nuvra
