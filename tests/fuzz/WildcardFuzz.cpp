// Checks the file-name filter against a plain reference matcher written here:
// the two must agree on every pattern and name. The input is the pattern, a
// NUL byte, then the name; an input without a NUL is matched against itself.

#include "Wildcard.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

// The reference's own branches would only distract the fuzzer (and tracing
// its comparisons costs most of the time): coverage comes from the matcher.
#define REFERENCE [[clang::no_sanitize("coverage")]]

// Room for a 255-byte name and a long pattern, short enough that the
// quadratic reference stays quick: a timeout can only mean the matcher under
// test is slow. scripts/fuzz.sh passes the same bound as -max_len.
constexpr std::size_t kMaxInput = 640;

// One character of a name: a code point, or kByte + the byte for a byte that
// is not part of a valid UTF-8 sequence.
using Unit = std::uint32_t;
constexpr Unit kByte = 0x110000;

// Length of the valid UTF-8 sequence at text[at], or 0.
REFERENCE std::size_t SequenceLength(std::string_view text, std::size_t at, Unit& codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    std::size_t length = 0;
    Unit minimum = 0;
    if (lead >= 0xc0 && lead < 0xe0) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1f;
    } else if (lead >= 0xe0 && lead < 0xf0) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0f;
    } else if (lead >= 0xf0 && lead < 0xf8) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3f);
    }
    const bool surrogate = codePoint >= 0xd800 && codePoint <= 0xdfff;
    return codePoint >= minimum && codePoint <= 0x10ffff && !surrogate ? length : 0;
}

REFERENCE std::vector<Unit> Decode(std::string_view text)
{
    std::vector<Unit> units;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        Unit codePoint = 0;
        if (byte < 0x80) {
            units.push_back(byte);
            ++at;
        } else if (const std::size_t length = SequenceLength(text, at, codePoint); length > 0) {
            units.push_back(codePoint);
            at += length;
        } else {
            units.push_back(kByte + byte);
            ++at;
        }
    }
    return units;
}

// Unicode simple case folding (CaseFolding.txt, status C and S) of the blocks
// whose letter case the filter ignores: ASCII, Latin-1 Supplement, Latin
// Extended-A, Greek and Coptic, Cyrillic and its supplement. Each range folds
// every `step`-th code point from `first` to `last` by adding `delta`.
struct FoldRange {
    Unit first;
    Unit last;
    Unit step;
    int delta;
};
constexpr FoldRange kFolds[] = {
    {0x0041, 0x005A, 1, 32},   {0x00B5, 0x00B5, 1, 775},  {0x00C0, 0x00D6, 1, 32},
    {0x00D8, 0x00DE, 1, 32},   {0x0100, 0x012E, 2, 1},    {0x0132, 0x0136, 2, 1},
    {0x0139, 0x0147, 2, 1},    {0x014A, 0x0176, 2, 1},    {0x0178, 0x0178, 1, -121},
    {0x0179, 0x017D, 2, 1},    {0x017F, 0x017F, 1, -268}, {0x0370, 0x0372, 2, 1},
    {0x0376, 0x0376, 1, 1},    {0x037F, 0x037F, 1, 116},  {0x0386, 0x0386, 1, 38},
    {0x0388, 0x038A, 1, 37},   {0x038C, 0x038C, 1, 64},   {0x038E, 0x038F, 1, 63},
    {0x0391, 0x03A1, 1, 32},   {0x03A3, 0x03AB, 1, 32},   {0x03C2, 0x03C2, 1, 1},
    {0x03CF, 0x03CF, 1, 8},    {0x03D0, 0x03D0, 1, -30},  {0x03D1, 0x03D1, 1, -25},
    {0x03D5, 0x03D5, 1, -15},  {0x03D6, 0x03D6, 1, -22},  {0x03D8, 0x03EE, 2, 1},
    {0x03F0, 0x03F0, 1, -54},  {0x03F1, 0x03F1, 1, -48},  {0x03F4, 0x03F4, 1, -60},
    {0x03F5, 0x03F5, 1, -64},  {0x03F7, 0x03F7, 1, 1},    {0x03F9, 0x03F9, 1, -7},
    {0x03FA, 0x03FA, 1, 1},    {0x03FD, 0x03FF, 1, -130}, {0x0400, 0x040F, 1, 80},
    {0x0410, 0x042F, 1, 32},   {0x0460, 0x0480, 2, 1},    {0x048A, 0x04BE, 2, 1},
    {0x04C0, 0x04C0, 1, 15},   {0x04C1, 0x04CD, 2, 1},    {0x04D0, 0x052E, 2, 1},
};

REFERENCE bool Within(const FoldRange& range, Unit c)
{
    return c >= range.first && c <= range.last && (c - range.first) % range.step == 0;
}

REFERENCE Unit Fold(Unit c)
{
    for (const FoldRange& range : kFolds) {
        if (Within(range, c)) {
            return static_cast<Unit>(static_cast<int>(c) + range.delta);
        }
    }
    return c;
}

// match[i][j]: pattern[i..] matches name[j..]; filled from the end, one row kept.
REFERENCE bool PlainMatch(const std::vector<Unit>& pattern, std::size_t patternLength,
                const std::vector<Unit>& name)
{
    const std::size_t n = name.size();
    std::vector<char> below(n + 1, 0);
    std::vector<char> row(n + 1, 0);
    below[n] = 1;
    for (std::size_t i = patternLength; i-- > 0;) {
        for (std::size_t j = n + 1; j-- > 0;) {
            if (pattern[i] == '*') {
                row[j] = static_cast<char>(below[j] || (j < n && row[j + 1]));
            } else {
                row[j] = static_cast<char>(
                    j < n && (pattern[i] == '?' || Fold(pattern[i]) == Fold(name[j])) && below[j + 1]);
            }
        }
        below.swap(row);
    }
    return below[0] != 0;
}

REFERENCE bool ReferenceMatches(std::string_view pattern, std::string_view name)
{
    if (pattern.empty() || pattern.find('/') != std::string_view::npos) {
        return false;
    }
    const std::vector<Unit> p = Decode(pattern);
    const std::vector<Unit> n = Decode(name);
    if (PlainMatch(p, p.size(), n)) {
        return true;
    }
    // "rapport*.*" also matches "rapport": a trailing ".*" may match nothing
    // at all when the name has no dot.
    return pattern.ends_with(".*") && name.find('.') == std::string_view::npos &&
           PlainMatch(p, p.size() - 2, n);
}

void PrintHex(const char* label, std::string_view text)
{
    std::fprintf(stderr, "%s (%zu bytes):", label, text.size());
    for (const char c : text) {
        std::fprintf(stderr, " %02x", static_cast<unsigned char>(c));
    }
    std::fprintf(stderr, "\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInput) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view pattern = input.substr(0, split);
    const std::string_view name = split == std::string_view::npos ? input : input.substr(split + 1);
    if (name.empty()) {
        return 0;  // the file system gives no empty names
    }
    const bool expected = ReferenceMatches(pattern, name);
    if (jumelix::Wildcard(pattern).Matches(name) != expected) {
        std::fprintf(stderr, "Wildcard disagrees with the reference: expected %s\n",
                     expected ? "a match" : "no match");
        PrintHex("pattern", pattern);
        PrintHex("name", name);
        std::abort();
    }
    return 0;
}
