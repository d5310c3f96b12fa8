#include "Wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace jumelix {
namespace {

struct WildcardCase {
    const char* pattern;
    std::string name;
    bool matches;
};

class WildcardCases : public testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardCases, MatchesWholeNameIgnoringCase)
{
    const WildcardCase& c = GetParam();
    EXPECT_EQ(Wildcard(c.pattern).Matches(c.name), c.matches)
        << "pattern \"" << c.pattern << "\" name \"" << c.name << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Filters, WildcardCases,
    testing::Values(
        // Stars, question marks and the whole-name rule.
        WildcardCase{"*.txt", "notes.txt", true}, WildcardCase{"*.txt", "notes.txt.bak", false},
        WildcardCase{"*.tx?", "a.txt", true}, WildcardCase{"?.txt", "ab.txt", false},
        WildcardCase{"a*b*c", "abbbc", true}, WildcardCase{"a*b*c", "acb", false},
        WildcardCase{"**", "x", true}, WildcardCase{"[ab]", "[ab]", true},
        WildcardCase{"a;b", "a;b", true}, WildcardCase{"*.txt;*.jpg", "a.jpg", false},
        // A trailing ".*" also takes names without a dot.
        WildcardCase{"*.*", "rapport", true}, WildcardCase{"*.*", "a.b.c", true},
        WildcardCase{"rapport*.*", "rapport", true},
        WildcardCase{"rapport*.*", "rapport-2024.pdf", true},
        WildcardCase{"rapport*.*", "rappor", false}, WildcardCase{"a?.*", "ab", true},
        WildcardCase{"a.*", "b", false}, WildcardCase{".*", "name", false},
        WildcardCase{"*.pdf.*", "x.pdf", false},
        // Letter case, ASCII and beyond, counted by code points.
        WildcardCase{"*.JPG", "été.jpg", true}, WildcardCase{"ÉTÉ*", "été.txt", true},
        WildcardCase{"?t?.txt", "ÉtÉ.TXT", true}, WildcardCase{"??.txt", "é.txt", false},
        WildcardCase{"ŁÓDŹ.*", "łódź", true}, WildcardCase{"ΣΟΦΊΑ", "σοφία", true},
        WildcardCase{"ΟΔΟΣ", "οδος", true}, WildcardCase{"οδοσ", "οδος", true},
        WildcardCase{"ЯБЛОКО*", "яблоко.doc", true}, WildcardCase{"ЁЖ", "ёж", true},
        WildcardCase{"ϐ*", "βeta", true}, WildcardCase{"ϴ?", "θΘ", true},
        WildcardCase{"straße", "STRASSE", false}, WildcardCase{"é", "e", false},
        // Names that are not UTF-8: each stray byte is one character, kept as is.
        WildcardCase{"caf?.txt", "caf\xe9.txt", true}, WildcardCase{"CAF\xe9*", "caf\xe9.txt", true},
        WildcardCase{"caf\xc9*", "caf\xe9.txt", false}, WildcardCase{"??", "\xc3", false},
        WildcardCase{"?", "\xc3", true}, WildcardCase{"*\xff", "a\xfe\xff", true},
        // Patterns that match nothing.
        WildcardCase{"", "", false}, WildcardCase{"", "a", false},
        WildcardCase{"a/b", "a/b", false}, WildcardCase{"*/*", "x", false},
        WildcardCase{"/", "x", false}));

TEST(WildcardTest, ManyStarsOnALongNameFinishPromptly)
{
    const std::string longName(200'000, 'a');
    EXPECT_FALSE(Wildcard("*a*a*a*a*a*a*a*a*b").Matches(longName));
    EXPECT_TRUE(Wildcard("*a*a*a*a*a*a*a*a*a").Matches(longName));
    EXPECT_TRUE(Wildcard("*a*a*a*a*b").Matches(longName + "b"));
}

}  // namespace
}  // namespace jumelix
