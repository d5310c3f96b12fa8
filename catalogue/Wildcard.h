#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jumelix {

// The file-name filter: one case-insensitive wildcard matched against a whole
// name. "*" matches any run of characters, "?" exactly one; characters are
// UTF-8 code points (bytes where a name is not valid UTF-8). A pattern ending
// in ".*" also matches names without a dot, so "*.*" matches every name. An
// empty pattern, or one containing "/", matches nothing.
class Wildcard {
public:
    explicit Wildcard(std::string_view pattern);
    bool Matches(std::string_view name) const;

private:
    // Folded characters of the pattern, plus the two wildcard tokens.
    std::vector<char32_t> tokens_;
    bool matchesNothing_ = false;
    bool matchesAll_ = false;
    bool endsWithDotStar_ = false;
};

}  // namespace jumelix
