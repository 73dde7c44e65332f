// The titles of the program's two top-level windows. The single-instance
// guard looks for them, so a second copy of the show or the dialog finds the
// first by its title.
#pragma once

namespace nuvra {

inline constexpr const char* kDisplayWindowTitle = "Nuvra_Main";
inline constexpr const char* kDialogWindowTitle = "Nuvraの設定";

}  // namespace nuvra
