// Settings the file stores as 16-bit numbers and the program reads as named
// options (the order, the placement, the picture kinds, the music).
//
// Each option type is an enum over std::int16_t, so it holds every number
// the file can store, named or not. A number no option names loads as it is,
// means what it always has wherever the program decides on it (each decision
// says what the unnamed numbers do), and is saved back exactly as read.
#pragma once

#include <concepts>
#include <cstdint>
#include <type_traits>

namespace nuvra {

template <typename Option>
concept StoredOption = std::is_enum_v<Option> && std::same_as<std::underlying_type_t<Option>, std::int16_t>;

// The number the settings file stores for an option.
template <StoredOption Option>
constexpr std::int16_t StoredNumber(Option option)
{
    return static_cast<std::int16_t>(option);
}

}  // namespace nuvra
