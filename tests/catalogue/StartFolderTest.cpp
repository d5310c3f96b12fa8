#include "catalogue/StartFolder.h"
#include "tests/TempFolderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace jumelix {
namespace {

namespace fs = std::filesystem;
using Kind = SettingsSource::Value::Kind;

TEST(StartFolderTest, ParseUserDirsReadsTheDocumentsLineAsTheShellWould)
{
    const std::string set = "XDG_DOCUMENTS_DIR=";
    const std::vector<std::tuple<std::string, Kind, std::string>> cases = {
        {"XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n" + set + "\"$HOME/Documents\"\n", Kind::Text, "$HOME/Documents"},
        {"XDG_DOWNLOAD_DIR=\"/x\"\n# " + set + "\"/a\"\n  #" + set + "\"/b\"", Kind::Missing, ""},
        {"XDG_DOCUMENTS_DIRS=\"/srv\"", Kind::Missing, ""},
        {"\n \t " + set + "\"/srv/docs\"", Kind::Text, "/srv/docs"},
        {"XDG_MUSIC_DIR=\"/m\"\r\n" + set + "\"/srv/docs\"\r\n", Kind::Text, "/srv/docs"},
        {set + "\" Mes documents \"", Kind::Text, " Mes documents "},
        {set + R"("a\"b\\c\$d\`e\nf")", Kind::Text, R"(a"b\c$d`e\nf)"},
        {set + R"("abc\")", Kind::WrongType, ""},
        {set + "\"/a\"  # old", Kind::Text, "/a"},
        {set + "\"/a\"#x", Kind::WrongType, ""},
        {set + "$HOME/Documents", Kind::WrongType, ""},
        {set + " \"/a\"", Kind::WrongType, ""},  // a blank ends the assignment
        {set, Kind::WrongType, ""},
        {set + "\"/a\nb\"", Kind::WrongType, ""},
        // The last line wins, whatever the earlier ones were.
        {set + "/a\n" + set + "\"/b\"", Kind::Text, "/b"},
        {set + "\"/b\"\n" + set + "/a\n", Kind::WrongType, ""},
    };
    for (const auto& [fileText, kind, text] : cases) {
        const SettingsSource::Value value = ParseUserDirs(fileText);
        EXPECT_EQ(value.kind, kind) << fileText;
        EXPECT_EQ(value.text, text) << fileText;
    }
}

// A temporary home and configuration folder, set in the real environment and
// read through the real user-dirs file and directory test. In the texts, "@"
// stands for the temporary home.
using StartFolderTreeTest = TempFolderTest;

TEST_F(StartFolderTreeTest, ResolveDocumentsFolderFromTheUserDirsFileAndHome)
{
    struct Case {
        const char* what;
        const char* line;  // of the user-dirs file; nullptr for no file
        const char* folder;
        bool message = false;
        bool error = false;
        std::string unset = "";  // a variable left out of the environment
    };
    const std::vector<Case> cases = {
        {"an existing folder as it is", "XDG_DOCUMENTS_DIR=\"@/Mes docs\"", "@/Mes docs"},
        {"a link to a folder as it is", "XDG_DOCUMENTS_DIR=\"@/link\"", "@/link"},
        {"the home put in front, untested", "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"", "@/Documents"},
        {"only the first token replaced", "XDG_DOCUMENTS_DIR=\"X$HOMEY$HOME\"", "@XY$HOME"},
        {"no HOME: the token removed", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"", "/Docs", false, false, "HOME"},
        {"no file: the home", nullptr, "@"},
        {"the file in ~/.config by default", "XDG_DOCUMENTS_DIR=\"$HOME/Papiers\"", "@/Papiers", false, false,
         "XDG_CONFIG_HOME"},
        {"wrong type", "XDG_DOCUMENTS_DIR=/srv", "", false, true},
        {"a file, no token", "XDG_DOCUMENTS_DIR=\"@/file\"", "", true},
        {"neither folder nor exact token", "XDG_DOCUMENTS_DIR=\"/nonexistent/$home/${HOME}\"", "", true},
    };
    const fs::path root = root_;
    const std::string home = (root / "home").string();
    const auto withHome = [&home](std::string text) {
        if (const auto at = text.find('@'); at != std::string::npos)
            text.replace(at, 1, home);
        return text;
    };
    for (const char* folder : {"home/Mes docs", "home/.config", "config"})
        fs::create_directories(root / folder);
    fs::create_directory_symlink(root / "home" / "Mes docs", root / "home" / "link");
    std::ofstream(root / "home" / "file") << "x";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        if (!c.unset.empty())
            ::unsetenv(c.unset.c_str());
        const fs::path file =
            (c.unset == "XDG_CONFIG_HOME" ? root / "home" / ".config" : root / "config") / "user-dirs.dirs";
        if (c.line != nullptr)
            std::ofstream(file) << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n" << withHome(c.line) << "\n";
        const PosixEnvironment environment;
        const DocumentsResolution r =
            ResolveDocumentsFolder(environment, UserDirsSettings(environment), PosixDirectoryTest());
        EXPECT_EQ(r.UserProfile, c.unset == "HOME" ? "" : home);
        EXPECT_EQ(r.DocumentsFolder, withHome(c.folder));
        EXPECT_EQ(r.ShowDocumentsError, c.message);
        EXPECT_EQ(r.WrongTypeSetting.value_or(""), c.error ? "XDG_DOCUMENTS_DIR" : "");
        fs::remove(file);
    }
}

}  // namespace
}  // namespace jumelix
