// Feeds arbitrary text to the user-dirs reader: it must not crash, and what it
// returns must hold together.

#include "StartFolder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using jumelix::ParseUserDirs;
using Value = jumelix::SettingsSource::Value;
using Kind = Value::Kind;

[[noreturn]] void Fail(const char* what, std::string_view text)
{
    std::fprintf(stderr, "ParseUserDirs: %s\ninput (%zu bytes): %.*s\n", what, text.size(),
                 static_cast<int>(text.size()), text.data());
    std::abort();
}

bool Same(const Value& a, const Value& b)
{
    return a.kind == b.kind && a.text == b.text;
}

// A text as the user-dirs file writes it: double quotes, with a backslash
// before the characters that are special inside them.
std::string Quoted(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (std::string_view("\"\\$`").find(c) != std::string_view::npos) {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

std::size_t Count(std::string_view text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Value value = ParseUserDirs(text);

    if (value.kind != Kind::Text && !value.text.empty()) {
        Fail("a text comes with a result that is not a text", text);
    }
    if (value.kind != Kind::Missing && text.find("XDG_DOCUMENTS_DIR") == std::string_view::npos) {
        Fail("a value found in a text that never names XDG_DOCUMENTS_DIR", text);
    }
    if (value.kind == Kind::Text) {
        // Every quote of the text was escaped in the file, and the text
        // written back the file's way reads back the same.
        if (Count(value.text, "\"") > Count(text, "\\\"")) {
            Fail("a text holds a quote that was not escaped", text);
        }
        if (!Same(ParseUserDirs("XDG_DOCUMENTS_DIR=" + Quoted(value.text) + "\n"), value)) {
            Fail("a text written back with its quotes reads back differently", text);
        }
    }
    // Lines about other settings, before or after, change nothing.
    const std::string other = "XDG_MUSIC_DIR=\"$HOME/Musique\"\n# XDG_DOCUMENTS_DIR=\"/x\"\n";
    if (!Same(ParseUserDirs(other + std::string(text)), value)) {
        Fail("a line about another setting, put before, changed the result", text);
    }
    if (!Same(ParseUserDirs(std::string(text) + "\n" + other), value)) {
        Fail("a line about another setting, put after, changed the result", text);
    }
    return 0;
}
