#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jumelix {

// The process environment, read only.
class Environment {
public:
    virtual ~Environment() = default;
    // The variable's value; empty when it is unset or empty.
    virtual std::string Get(std::string_view name) const = 0;
};

// Where the per-user documents setting comes from.
class SettingsSource {
public:
    virtual ~SettingsSource() = default;
    struct Value {
        enum class Kind { Missing, Text, WrongType } kind = Kind::Missing;
        std::string text;  // for Text
    };
    virtual Value ReadDocumentsSetting() const = 0;
    // The setting's name, as the wrong-type error names it.
    virtual std::string SettingName() const = 0;
};

// Whether a text names an existing directory.
class DirectoryTest {
public:
    virtual ~DirectoryTest() = default;
    virtual bool IsDirectory(std::string_view path) const = 0;
};

struct DocumentsResolution {
    std::string UserProfile;
    std::string DocumentsFolder;      // empty when resolution failed
    bool ShowDocumentsError = false;  // no documents folder could be worked out
    // The name of the setting that held a value of another type than text:
    // reading it failed, and nothing else was done.
    std::optional<std::string> WrongTypeSetting;
};

DocumentsResolution ResolveDocumentsFolder(const Environment& environment,
                                           const SettingsSource& settings,
                                           const DirectoryTest& directories);

// Reads XDG_DOCUMENTS_DIR from the text of a user-dirs file: Missing when no
// line sets it, Text (still holding any "$HOME") for a double-quoted value,
// WrongType for any other value.
SettingsSource::Value ParseUserDirs(std::string_view fileText);

// The POSIX stand-ins: the process environment, XDG_DOCUMENTS_DIR of the
// user-dirs file, and stat().
class PosixEnvironment final : public Environment {
public:
    std::string Get(std::string_view name) const override;
};

class UserDirsSettings final : public SettingsSource {
public:
    explicit UserDirsSettings(const Environment& environment);
    Value ReadDocumentsSetting() const override;
    std::string SettingName() const override { return "XDG_DOCUMENTS_DIR"; }

private:
    const Environment& environment_;
};

class PosixDirectoryTest final : public DirectoryTest {
public:
    bool IsDirectory(std::string_view path) const override;
};

}  // namespace jumelix
