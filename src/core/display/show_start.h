// Who started the show, which decides how it may end.
#pragma once

namespace nuvra {

enum class ShowStart {
    // The system, with its "S" switch: the pointer is hidden and the
    // system's running flag raised; the password is asked at the end where
    // the program owns it.
    System,
    // A person, with no switch at all: the pointer stays, and moving it does
    // not end the show.
    User,
    // A screen-saver daemon, in a window of its own (DisplayForm::HostIn):
    // the daemon owns input and the end.
    Daemon,
};

}  // namespace nuvra
