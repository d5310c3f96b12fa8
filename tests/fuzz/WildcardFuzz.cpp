// Checks the file-name filter's star, question-mark and ".*" handling against
// a plain quadratic matcher written here. Characters are split and compared
// with the filter itself on one character at a time ("?" for the split, the
// character as a pattern for the comparison), so letter case is left to the
// unit tests. The input is the pattern, a NUL byte, then the name; an input
// without a NUL is matched against itself.

#include "catalogue/Wildcard.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using jumelix::Wildcard;

// The longest run of at most four bytes that "?" takes as one character.
std::vector<std::string_view> Characters(std::string_view text)
{
    static const Wildcard one("?");
    std::vector<std::string_view> characters;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = std::min<std::size_t>(4, text.size() - at);
        while (length > 1 && !one.Matches(text.substr(at, length)))
            --length;
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

// match[j]: the pattern's characters from i on match the name's from j on,
// filled from the end of the pattern.
bool PlainMatch(const std::vector<std::string_view>& pattern, std::size_t length,
                const std::vector<std::string_view>& name)
{
    const std::size_t n = name.size();
    std::vector<char> match(n + 1, 0);
    match[n] = 1;
    for (std::size_t i = length; i-- > 0;) {
        const Wildcard same(pattern[i]);
        std::vector<char> row(n + 1, 0);
        for (std::size_t j = n + 1; j-- > 0;) {
            if (pattern[i] == "*")
                row[j] = static_cast<char>(match[j] || (j < n && row[j + 1]));
            else
                row[j] = static_cast<char>(j < n && match[j + 1] &&
                                           (pattern[i] == "?" || same.Matches(name[j])));
        }
        match.swap(row);
    }
    return match[0] != 0;
}

bool ReferenceMatches(std::string_view pattern, std::string_view name)
{
    if (pattern.empty() || pattern.find('/') != std::string_view::npos)
        return false;
    const auto p = Characters(pattern);
    const auto n = Characters(name);
    // A trailing ".*" may also match nothing at all when the name has no dot.
    return PlainMatch(p, p.size(), n) ||
           (pattern.ends_with(".*") && name.find('.') == std::string_view::npos &&
            PlainMatch(p, p.size() - 2, n));
}

}  // namespace

// scripts/fuzz.sh bounds the input, which keeps the quadratic matcher quick.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view pattern = input.substr(0, split);
    const std::string_view name = split == std::string_view::npos ? input : input.substr(split + 1);
    if (name.empty())
        return 0;  // the file system gives no empty names
    const bool expected = ReferenceMatches(pattern, name);
    if (Wildcard(pattern).Matches(name) != expected) {
        std::fprintf(stderr, "the filter %s \"%.*s\" on \"%.*s\"\n", expected ? "misses" : "wrongly matches",
                     static_cast<int>(pattern.size()), pattern.data(), static_cast<int>(name.size()),
                     name.data());
        std::abort();
    }
    return 0;
}
