// Feeds arbitrary text to the user-dirs reader: it must not crash, and what it
// returns must hold together.

#include "catalogue/StartFolder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using jumelix::ParseUserDirs;
using Value = jumelix::SettingsSource::Value;

bool Same(const Value& a, const Value& b) { return a.kind == b.kind && a.text == b.text; }

// A text as the user-dirs file writes it: double quotes, with a backslash
// before the characters that are special inside them.
std::string Quoted(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (std::string_view("\"\\$`").find(c) != std::string_view::npos)
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Value value = ParseUserDirs(text);
    const std::string other = "XDG_MUSIC_DIR=\"$HOME/Musique\"\n# XDG_DOCUMENTS_DIR=\"/x\"\n";
    const char* fault = nullptr;
    if (value.kind != Value::Kind::Text && !value.text.empty())
        fault = "a text comes with a result that is not a text";
    else if (value.kind != Value::Kind::Missing && text.find("XDG_DOCUMENTS_DIR") == std::string::npos)
        fault = "a value found in a text that never names XDG_DOCUMENTS_DIR";
    else if (value.kind == Value::Kind::Text &&
             !Same(ParseUserDirs("XDG_DOCUMENTS_DIR=" + Quoted(value.text) + "\n"), value))
        fault = "a text written back with its quotes reads back differently";
    else if (!Same(ParseUserDirs(other + text), value) || !Same(ParseUserDirs(text + "\n" + other), value))
        fault = "lines about other settings, put before or after, changed the result";
    if (fault != nullptr) {
        std::fprintf(stderr, "ParseUserDirs: %s\ninput (%zu bytes): %s\n", fault, size, text.c_str());
        std::abort();
    }
    return 0;
}
