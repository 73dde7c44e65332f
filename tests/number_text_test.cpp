#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace nuvra {
namespace {

struct TextCase {
    const char* text;
    std::optional<std::int16_t> expected;
};

std::string Show(std::optional<std::int16_t> value)
{
    return value ? std::to_string(*value) : "no value";
}

TEST(NumberText, FloorRuleRoundsDownAndRejectsWhatDoesNotFit)
{
    const TextCase cases[] = {
        {"3", 3},          {"3.9", 3},         {"-0.5", -1},     {"-3.1", -4},   {" 7 ", 7},
        {"\t12\t", 12},    {"+4", 4},          {"1e1", 10},      {"1.5E+1", 15}, {"2d2", 200},
        {".5", 0},         {"5.", 5},          {"&H10", 16},     {"&o17", 15},   {"&HFFFF", {}},
        {"32767", 32767},  {"32767.9", 32767}, {"32768", {}},    {"-32768", -32768},
        {"-32768.5", {}},  {"40000", {}},      {"1e400", {}},    {"1e-400", 0},
        {"abc", {}},       {"", {}},           {" ", {}},        {"1 2", {}},    {"1,000", {}},
        {"12abc", {}},     {"--1", {}},        {"1e", {}},       {"e1", {}},     {".", {}},
        {"&H", {}},        {"&HG", {}},        {"\xEF\xBC\x91", {}},
    };
    for (const TextCase& c : cases) {
        // &H numbers are 32-bit, so &HFFFF is 65535 and fits no 16-bit field.
        std::optional<std::int16_t> got = ConvertFloorInt16(c.text);
        EXPECT_EQ(got, c.expected) << "text \"" << c.text << "\": expected " << Show(c.expected) << ", got "
                                   << Show(got);
    }
}

TEST(NumberText, RoundRuleRoundsHalfToEven)
{
    const TextCase cases[] = {
        {"12.5", 12}, {"13.5", 14}, {"10.6", 11}, {"10.4", 10}, {"-2.5", -2}, {"-3.5", -4},
        {"0.5", 0},   {"1.5", 2},   {"20", 20},   {"32767.5", {}}, {"32767.49", 32767},
        {"-32768.5", -32768},       {"-32768.51", {}},          {"abc", {}},  {"", {}},
    };
    for (const TextCase& c : cases) {
        std::optional<std::int16_t> got = ConvertRoundInt16(c.text);
        EXPECT_EQ(got, c.expected) << "text \"" << c.text << "\": expected " << Show(c.expected) << ", got "
                                   << Show(got);
    }
}

TEST(NumberText, PrefixReadingSkipsBlanksAndStopsAtTheFirstStranger)
{
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"1234", 1234},  {" 1234", 1234},   {"1234abc", 1234}, {"12 34", 1234}, {"1\t2", 12},
        {"", 0},         {"abc", 0},        {":1234", 0},      {"-5", -5},      {"1.5e2x", 150},
        {"1e", 1},       {"1e+", 1},        {"&H1F", 31},      {"&H", 0},       {"3.2.1", 3.2},
    };
    for (const Case& c : cases) {
        double got = ReadNumberPrefix(c.text);
        EXPECT_DOUBLE_EQ(got, c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(NumberText, Int32RoundingBoundaries)
{
    EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(RoundToInt32(2147483647.5), std::nullopt);
    EXPECT_EQ(RoundToInt32(-2147483648.5), -2147483647 - 1);
    EXPECT_EQ(RoundToInt32(std::nan("")), std::nullopt);
    EXPECT_EQ(RoundToInt32(1234.5), 1234);
}

}  // namespace
}  // namespace nuvra
