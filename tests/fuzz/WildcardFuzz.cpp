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

// Long enough for any real name, short enough that the quadratic reference
// stays quick: a timeout can only mean the matcher under test is slow.
constexpr std::size_t kMaxInput = 2048;

// One character of a name: a code point, or kByte + the byte for a byte that
// is not part of a valid UTF-8 sequence.
using Unit = std::uint32_t;
constexpr Unit kByte = 0x110000;

// Length of the valid UTF-8 sequence at text[at], or 0.
std::size_t SequenceLength(std::string_view text, std::size_t at, Unit& codePoint)
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

std::vector<Unit> Decode(std::string_view text)
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

// Lower case of the letters whose case the filter ignores.
Unit Fold(Unit c)
{
    if (c >= 'A' && c <= 'Z') {
        return c + 32;
    }
    if (c >= 0xc0 && c <= 0xde && c != 0xd7) {
        return c + 32;
    }
    return c;
}

// match[i][j]: pattern[i..] matches name[j..]; filled from the end, one row kept.
bool PlainMatch(const std::vector<Unit>& pattern, std::size_t patternLength,
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

bool ReferenceMatches(std::string_view pattern, std::string_view name)
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
