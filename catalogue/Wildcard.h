#pragma once

#include <string>
#include <string_view>

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
    // implementation's choice
};

}  // namespace jumelix
