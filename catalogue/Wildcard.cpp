#include "catalogue/Wildcard.h"

#include <algorithm>

namespace jumelix {
namespace {

// Characters are code points; a byte that does not start a valid UTF-8
// sequence stands for itself, above the code point range.
constexpr char32_t kRawByte = 0x110000;
constexpr char32_t kAnyChar = 0xFFFFFFFE;
constexpr char32_t kAnyRun = 0xFFFFFFFF;

char32_t DecodeNext(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    }
    if (length == 0 || text.size() - pos < length) {
        ++pos;
        return kRawByte + lead;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kRawByte + lead;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kRawByte + lead;
    }
    pos += length;
    return value;
}

// Pairs where the capital has the even code point and the small letter follows.
bool InEvenCapitalPairs(char32_t c)
{
    return (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) ||
           (c >= 0x370 && c <= 0x373) || c == 0x376 || (c >= 0x3D8 && c <= 0x3EF) ||
           (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) ||
           (c >= 0x4D0 && c <= 0x52F);
}

bool InOddCapitalPairs(char32_t c)
{
    return (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) ||
           (c >= 0x4C1 && c <= 0x4CE);
}

// Simple case folding for the scripts file names here use: Latin (ASCII,
// Latin-1 Supplement, Latin Extended-A), Greek and Cyrillic. It never depends
// on the process locale.
char32_t Fold(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (InEvenCapitalPairs(c))
        return c == 0x130 ? c : c | 1;  // dotted capital I has no one-letter small form
    if (InOddCapitalPairs(c))
        return c % 2 == 1 ? c + 1 : c;
    if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    switch (c) {
    case 0xB5: return 0x3BC;   // micro sign, Greek mu
    case 0x178: return 0xFF;   // Y with diaeresis
    case 0x17F: return 's';    // long s
    case 0x386: return 0x3AC;
    case 0x388: case 0x389: case 0x38A: return c + 0x25;
    case 0x38C: return 0x3CC;
    case 0x38E: case 0x38F: return c + 0x3F;
    case 0x37F: return 0x3F3;
    case 0x3C2: return 0x3C3;  // final sigma
    case 0x3CF: return 0x3D7;
    // Greek symbol forms fold to the letters they stand for.
    case 0x3D0: return 0x3B2;
    case 0x3D1: case 0x3F4: return 0x3B8;
    case 0x3D5: return 0x3C6;
    case 0x3D6: return 0x3C0;
    case 0x3F0: return 0x3BA;
    case 0x3F1: return 0x3C1;
    case 0x3F5: return 0x3B5;
    case 0x3F7: case 0x3FA: return c + 1;
    case 0x3F9: return 0x3F2;
    case 0x3FD: case 0x3FE: case 0x3FF: return c - 0x82;
    case 0x4C0: return 0x4CF;
    default: return c;
    }
}

// Greedy matching with one backtrack point, the last "*" seen: a later "*"
// supersedes it, so the work stays near linear whatever the pattern.
bool MatchTokens(std::span<const char32_t> tokens, std::string_view name)
{
    std::size_t t = 0;
    std::size_t n = 0;
    std::size_t starToken = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (t < tokens.size() && tokens[t] == kAnyRun) {
            starToken = ++t;
            starName = n;
            continue;
        }
        std::size_t after = n;
        const char32_t c = Fold(DecodeNext(name, after));
        if (t < tokens.size() && (tokens[t] == kAnyChar || tokens[t] == c)) {
            ++t;
            n = after;
            continue;
        }
        if (starToken == std::string_view::npos)
            return false;
        t = starToken;
        DecodeNext(name, starName);
        n = starName;
    }
    while (t < tokens.size() && tokens[t] == kAnyRun)
        ++t;
    return t == tokens.size();
}

}  // namespace

Wildcard::Wildcard(std::string_view pattern)
{
    matchesNothing_ = pattern.empty() || pattern.find('/') != std::string_view::npos;
    endsWithDotStar_ = pattern.ends_with(".*");
    for (std::size_t pos = 0; pos < pattern.size();) {
        const char c = pattern[pos];
        if (c == '*' || c == '?') {
            tokens_.push_back(c == '*' ? kAnyRun : kAnyChar);
            ++pos;
        } else {
            tokens_.push_back(Fold(DecodeNext(pattern, pos)));
        }
    }
    const auto stem = std::span(tokens_).first(tokens_.size() - (endsWithDotStar_ ? 2 : 0));
    matchesAll_ = !matchesNothing_ && !stem.empty() &&
                  std::all_of(stem.begin(), stem.end(), [](char32_t t) { return t == kAnyRun; });
}

bool Wildcard::Matches(std::string_view name) const
{
    if (matchesNothing_)
        return false;
    if (matchesAll_)
        return true;
    if (MatchTokens(tokens_, name))
        return true;
    return endsWithDotStar_ && name.find('.') == std::string_view::npos &&
           MatchTokens(std::span(tokens_).first(tokens_.size() - 2), name);
}

}  // namespace jumelix
