#include "Wildcard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

namespace jumelix {
namespace {

struct WildcardCase {
    std::string pattern;
    std::string name;
    bool matches;
};

// Shows each byte outside printable ASCII as "\xNN", and only the start of a long name.
void PrintTo(const WildcardCase& c, std::ostream* os)
{
    char hex[5];
    for (const unsigned char b : c.pattern + " on " + c.name.substr(0, 20)) {
        std::snprintf(hex, sizeof hex, "\\x%02x", b);
        *os << (b >= 0x20 && b < 0x7f ? std::string(1, static_cast<char>(b)) : std::string(hex));
    }
}

class WildcardTest : public testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardTest, MatchesWholeNameIgnoringCase)
{
    const WildcardCase& c = GetParam();
    EXPECT_EQ(Wildcard(c.pattern).Matches(c.name), c.matches);
}

const std::string kLongName(200'000, 'a');

INSTANTIATE_TEST_SUITE_P(
    Filters, WildcardTest,
    testing::Values(
        // Stars, question marks and the whole-name rule; no special meaning for ";" or "[".
        WildcardCase{"*.txt", "notes.txt", true}, WildcardCase{"*.txt", "notes.txt.bak", false},
        WildcardCase{"*.tx?", "a.txt", true}, WildcardCase{"?.txt", "ab.txt", false},
        WildcardCase{"a*b*c", "abbbc", true}, WildcardCase{"a*b*c", "acb", false},
        WildcardCase{"[ab]", "[ab]", true}, WildcardCase{"*.txt;*.jpg", "a.jpg", false},
        // A trailing ".*" also takes names without a dot.
        WildcardCase{"*.*", "rapport", true}, WildcardCase{"*.*", "a.b.c", true},
        WildcardCase{"rapport*.*", "rapport", true}, WildcardCase{"rapport*.*", "rapport-2.pdf", true},
        WildcardCase{"rapport*.*", "rappor", false}, WildcardCase{"a.*", "b", false},
        WildcardCase{"*.pdf.*", "x.pdf", false},
        // Letter case beyond ASCII, counted in code points.
        WildcardCase{"*.JPG", "été.jpg", true}, WildcardCase{"ÉTÉ*", "été.txt", true},
        WildcardCase{"??.txt", "é.txt", false}, WildcardCase{"ŁÓDŹ.*", "łódź", true},
        WildcardCase{"ΣΟΦΊΑ", "σοφία", true}, WildcardCase{"οδοσ", "οδος", true},
        WildcardCase{"ϐ*", "βeta", true}, WildcardCase{"ЯБЛОКО*", "яблоко.doc", true},
        WildcardCase{"straße", "STRASSE", false}, WildcardCase{"é", "e", false},
        // Names that are not UTF-8: each stray byte is one character, kept as is.
        WildcardCase{"caf?.txt", "caf\xe9.txt", true}, WildcardCase{"CAF\xe9*", "caf\xe9.txt", true},
        WildcardCase{"caf\xc9*", "caf\xe9.txt", false}, WildcardCase{"??", "\xc3", false},
        // Patterns that match nothing.
        WildcardCase{"", "", false}, WildcardCase{"", "a", false}, WildcardCase{"a/b", "a/b", false},
        WildcardCase{"/", "x", false}, WildcardCase{"*/*", "x", false},
        // Many stars on a long name must not backtrack without end (the test has a time limit).
        WildcardCase{"*a*a*a*a*b", kLongName, false}, WildcardCase{"*a*a*a*a*b", kLongName + "b", true}));

}  // namespace
}  // namespace jumelix
