#include "catalogue/Wildcard.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace jumelix {
namespace {

TEST(WildcardTest, MatchesWholeNameIgnoringCase)
{
    const std::string longName(200'000, 'a');
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        // Stars, question marks and the whole-name rule; no special meaning for ";" or "[".
        {"*.txt", "notes.txt", true}, {"*.txt", "notes.txt.bak", false}, {"*.tx?", "a.txt", true},
        {"?.txt", "ab.txt", false}, {"a*b*c", "abbbc", true}, {"a*b*c", "acb", false},
        {"[ab]", "[ab]", true}, {"*.txt;*.jpg", "a.jpg", false},
        // A trailing ".*" also takes names without a dot; ".*" alone only names with a leading dot.
        {"*.*", "rapport", true}, {"rapport*.*", "rapport", true}, {"rapport*.*", "rapport-2.pdf", true},
        {"rapport*.*", "rappor", false}, {"a.*", "b", false}, {"*.pdf.*", "x.pdf", false},
        {".*", ".profile", true}, {".*", "rapport", false},
        // Letter case beyond ASCII, counted in code points.
        {"*.JPG", "été.jpg", true}, {"ÉTÉ*", "été.txt", true}, {"??.txt", "é.txt", false},
        {"ŁÓDŹ.*", "łódź", true}, {"ΣΟΦΊΑ", "σοφία", true}, {"οδοσ", "οδος", true}, {"ϐµ*", "βμeta", true},
        {"ЁЖИК*", "ёжик.doc", true}, {"straße", "STRASSE", false}, {"é", "e", false}, {"×", "÷", false},
        {"ÞORN", "þorn", true}, {"ß", "ÿ", false}, {"Ÿ*", "ÿ.txt", true},  // the top of Latin-1
        // Names that are not UTF-8: each stray byte is one character, kept as is; so are the
        // bytes of an overlong form and of a surrogate.
        {"caf?.txt", "caf\xe9.txt", true}, {"CAF\xe9*", "caf\xe9.txt", true}, {"caf\xc9*", "caf\xe9.txt", false},
        {"??", "\xc3", false}, {"??????", "\xe0\x80\xaf\xed\xb0\x80", true},
        // Patterns that match nothing.
        {"", "a", false}, {"a/b", "a/b", false}, {"*/*", "x", false},
        // Many stars on a long name must not backtrack without end (the test has a time limit).
        {"*a*a*a*a*b", longName, false}, {"*a*a*a*a*b", longName + "b", true}};
    for (const auto& [pattern, name, matches] : cases)
        EXPECT_EQ(Wildcard(pattern).Matches(name), matches) << pattern << " on " << name.substr(0, 20);
}

}  // namespace
}  // namespace jumelix
