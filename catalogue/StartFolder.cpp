#include "catalogue/StartFolder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace jumelix {
namespace {

constexpr std::string_view kHomeToken = "$HOME";
constexpr std::string_view kDocumentsAssignment = "XDG_DOCUMENTS_DIR=";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return text.substr(i);
}

// What the shell makes of a value that is one double-quoted word, optionally
// followed by blanks and a comment: inside the quotes a backslash only escapes
// the characters that are special there, and "$HOME" stays as written since
// the caller completes it. Anything else is not a text value.
SettingsSource::Value ParseValue(std::string_view value)
{
    SettingsSource::Value wrongType{SettingsSource::Value::Kind::WrongType, {}};
    if (value.empty() || value.front() != '"') {
        return wrongType;
    }
    std::string text;
    std::size_t i = 1;
    for (; i < value.size() && value[i] != '"'; ++i) {
        const bool escaped = value[i] == '\\' && i + 1 < value.size() &&
                             std::string_view("\"\\$`").find(value[i + 1]) != std::string_view::npos;
        if (escaped) {
            ++i;
        }
        text += value[i];
    }
    if (i == value.size()) {
        return wrongType;  // no closing quote
    }
    const std::string_view rest = value.substr(i + 1);
    const std::string_view afterBlanks = SkipBlanks(rest);
    const bool endsHere = afterBlanks.empty() || (afterBlanks.size() < rest.size() && afterBlanks.front() == '#');
    if (!endsHere) {
        return wrongType;
    }
    return {SettingsSource::Value::Kind::Text, std::move(text)};
}

}  // namespace

SettingsSource::Value ParseUserDirs(std::string_view fileText)
{
    SettingsSource::Value result;
    while (!fileText.empty()) {
        const std::size_t end = fileText.find('\n');
        std::string_view line = SkipBlanks(fileText.substr(0, end));
        if (line.ends_with('\r'))
            line.remove_suffix(1);  // a file saved with CRLF line ends
        fileText = end == std::string_view::npos ? std::string_view() : fileText.substr(end + 1);
        if (line.starts_with(kDocumentsAssignment)) {
            result = ParseValue(line.substr(kDocumentsAssignment.size()));
        }
    }
    return result;
}

DocumentsResolution ResolveDocumentsFolder(const Environment& environment,
                                           const SettingsSource& settings,
                                           const DirectoryTest& directories)
{
    DocumentsResolution resolution;
    resolution.UserProfile = environment.Get("HOME");
    const SettingsSource::Value setting = settings.ReadDocumentsSetting();
    if (setting.kind == SettingsSource::Value::Kind::WrongType) {
        resolution.WrongTypeSetting = settings.SettingName();
        return resolution;
    }
    std::string value = setting.text;
    if (directories.IsDirectory(value)) {
        resolution.DocumentsFolder = std::move(value);
        return resolution;
    }
    const std::size_t token = value.find(kHomeToken);
    if (token == std::string::npos) {
        resolution.ShowDocumentsError = true;
        return resolution;
    }
    value.erase(token, kHomeToken.size());
    resolution.DocumentsFolder = resolution.UserProfile + value;
    return resolution;
}

std::string PosixEnvironment::Get(std::string_view name) const
{
    const char* value = std::getenv(std::string(name).c_str());
    return value ? value : "";
}

UserDirsSettings::UserDirsSettings(const Environment& environment) : environment_(environment) {}

SettingsSource::Value UserDirsSettings::ReadDocumentsSetting() const
{
    std::string configHome = environment_.Get("XDG_CONFIG_HOME");
    if (configHome.empty()) {
        configHome = environment_.Get("HOME") + "/.config";
    }
    std::ifstream file(configHome + "/user-dirs.dirs", std::ios::in | std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    Value value = ParseUserDirs(text);
    if (value.kind == Value::Kind::Missing) {
        // The fallback the user-dirs convention documents: the home folder.
        value = {Value::Kind::Text, std::string(kHomeToken)};
    }
    return value;
}

bool PosixDirectoryTest::IsDirectory(std::string_view path) const
{
    struct stat status {};
    return ::stat(std::string(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace jumelix
