#include "StartFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>

namespace jumelix {
namespace {

namespace fs = std::filesystem;
using Kind = SettingsSource::Value::Kind;

struct ParseCase {
    const char* description;
    std::string fileText;
    Kind kind;
    std::string text;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.description; }

class ParseUserDirsTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseUserDirsTest, ReadsTheDocumentsLineAsTheShellWould)
{
    const ParseCase& c = GetParam();
    const SettingsSource::Value value = ParseUserDirs(c.fileText);
    EXPECT_EQ(value.kind, c.kind) << c.description;
    if (c.kind == Kind::Text) {
        EXPECT_EQ(value.text, c.text) << c.description;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseUserDirsTest,
    testing::Values(
        ParseCase{"as xdg-user-dirs writes it",
                  "# This file is written by xdg-user-dirs-update\n"
                  "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
                  "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                  "XDG_MUSIC_DIR=\"$HOME/Musique\"\n",
                  Kind::Text, "$HOME/Documents"},
        ParseCase{"empty file", "", Kind::Missing, ""},
        ParseCase{"other folders only", "XDG_DOWNLOAD_DIR=\"$HOME/x\"\n", Kind::Missing, ""},
        ParseCase{"commented out", "# XDG_DOCUMENTS_DIR=\"/srv\"\n  #XDG_DOCUMENTS_DIR=\"/a\"", Kind::Missing, ""},
        ParseCase{"longer name", "XDG_DOCUMENTS_DIRS=\"/srv\"\n", Kind::Missing, ""},
        ParseCase{"blank before = is no assignment", "XDG_DOCUMENTS_DIR =\"/srv\"\n", Kind::Missing, ""},
        ParseCase{"leading blanks, no final newline", "\n \t XDG_DOCUMENTS_DIR=\"/srv/docs\"", Kind::Text, "/srv/docs"},
        ParseCase{"blanks kept inside quotes", "XDG_DOCUMENTS_DIR=\"$HOME/Mes documents \"", Kind::Text,
                  "$HOME/Mes documents "},
        ParseCase{"escapes", R"(XDG_DOCUMENTS_DIR="a\"b\\c\$d\`e\nf")", Kind::Text, R"(a"b\c$d`e\nf)"},
        ParseCase{"escaped closing quote", R"(XDG_DOCUMENTS_DIR="abc\")", Kind::WrongType, ""},
        ParseCase{"empty quotes", "XDG_DOCUMENTS_DIR=\"\"", Kind::Text, ""},
        ParseCase{"trailing comment", "XDG_DOCUMENTS_DIR=\"/a\"  # old", Kind::Text, "/a"},
        ParseCase{"hash glued to the quote", "XDG_DOCUMENTS_DIR=\"/a\"#x", Kind::WrongType, ""},
        ParseCase{"text after the quotes", "XDG_DOCUMENTS_DIR=\"/a\"b", Kind::WrongType, ""},
        ParseCase{"unquoted", "XDG_DOCUMENTS_DIR=$HOME/Documents", Kind::WrongType, ""},
        ParseCase{"single quotes", "XDG_DOCUMENTS_DIR='/a'", Kind::WrongType, ""},
        ParseCase{"nothing after =", "XDG_DOCUMENTS_DIR=", Kind::WrongType, ""},
        ParseCase{"unterminated", "XDG_DOCUMENTS_DIR=\"/a\nb\"", Kind::WrongType, ""},
        ParseCase{"last text wins", "XDG_DOCUMENTS_DIR=\"/a\"\nXDG_DOCUMENTS_DIR=\"/b\"\n", Kind::Text, "/b"},
        ParseCase{"text after a wrong line wins", "XDG_DOCUMENTS_DIR=/a\nXDG_DOCUMENTS_DIR=\"/b\"", Kind::Text,
                  "/b"},
        ParseCase{"wrong line after a text wins", "XDG_DOCUMENTS_DIR=\"/b\"\nXDG_DOCUMENTS_DIR=/a\n",
                  Kind::WrongType, ""}));

class MapEnvironment final : public Environment {
public:
    std::map<std::string, std::string, std::less<>> variables;
    std::string Get(std::string_view name) const override
    {
        const auto found = variables.find(name);
        return found == variables.end() ? "" : found->second;
    }
};

// A temporary home with its own configuration folder, read through the real
// user-dirs file and the real directory test.
class ResolveDocumentsFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "jumelix-start-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        home_ = (root_ / "home").string();
        config_ = root_ / "config";
        fs::create_directories(home_);
        fs::create_directory(config_);
        environment_.variables = {{"HOME", home_}, {"XDG_CONFIG_HOME", config_.string()}};
    }
    void TearDown() override { fs::remove_all(root_); }

    void WriteUserDirs(const fs::path& folder, const std::string& documentsLine)
    {
        std::ofstream(folder / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n" << documentsLine << "\n";
    }

    DocumentsResolution Resolve() const
    {
        const UserDirsSettings settings(environment_);
        return ResolveDocumentsFolder(environment_, settings, PosixDirectoryTest());
    }

    fs::path root_;
    std::string home_;
    fs::path config_;
    MapEnvironment environment_;
};

TEST_F(ResolveDocumentsFolderTest, UsesAnExistingFolderAsItIs)
{
    const std::string docs = (root_ / "Mes docs").string();
    fs::create_directory(docs);
    WriteUserDirs(config_, "XDG_DOCUMENTS_DIR=\"" + docs + "\"");
    const DocumentsResolution r = Resolve();
    EXPECT_EQ(r.UserProfile, home_);
    EXPECT_EQ(r.DocumentsFolder, docs);
    EXPECT_FALSE(r.ShowDocumentsError);
    EXPECT_FALSE(r.Error);
}

TEST_F(ResolveDocumentsFolderTest, CompletesTheHomeTokenWithoutTestingTheResult)
{
    WriteUserDirs(config_, "XDG_DOCUMENTS_DIR=\"$HOME/Mes documents\"");
    const DocumentsResolution r = Resolve();
    EXPECT_FALSE(fs::exists(home_ + "/Mes documents"));
    EXPECT_EQ(r.DocumentsFolder, home_ + "/Mes documents");
    EXPECT_FALSE(r.ShowDocumentsError);
    EXPECT_FALSE(r.Error);
}

TEST_F(ResolveDocumentsFolderTest, PutsTheHomeInFrontWhereverTheTokenStands)
{
    WriteUserDirs(config_, "XDG_DOCUMENTS_DIR=\"X$HOMEY$HOME\"");
    EXPECT_EQ(Resolve().DocumentsFolder, home_ + "XY$HOME");
}

TEST_F(ResolveDocumentsFolderTest, TokenIsExactAndCaseSensitive)
{
    WriteUserDirs(config_, "XDG_DOCUMENTS_DIR=\"$home/Documents ${HOME}/x\"");
    const DocumentsResolution r = Resolve();
    EXPECT_TRUE(r.ShowDocumentsError);
    EXPECT_EQ(r.DocumentsFolder, "");
}

TEST_F(ResolveDocumentsFolderTest, MissingHomeLeavesTheTokenRemoved)
{
    environment_.variables.erase("HOME");
    WriteUserDirs(config_, "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"");
    const DocumentsResolution r = Resolve();
    EXPECT_EQ(r.UserProfile, "");
    EXPECT_EQ(r.DocumentsFolder, "/Documents");
}

TEST_F(ResolveDocumentsFolderTest, MissingFileOrLineStartsInTheHomeWithoutWriting)
{
    EXPECT_EQ(Resolve().DocumentsFolder, home_);
    EXPECT_FALSE(fs::exists(config_ / "user-dirs.dirs"));

    WriteUserDirs(config_, "# no documents line");
    const DocumentsResolution r = Resolve();
    EXPECT_EQ(r.DocumentsFolder, home_);
    EXPECT_FALSE(r.ShowDocumentsError);
    EXPECT_FALSE(r.Error);
}

TEST_F(ResolveDocumentsFolderTest, ConfigHomeDefaultsToDotConfig)
{
    environment_.variables["XDG_CONFIG_HOME"] = "";
    const fs::path dotConfig = fs::path(home_) / ".config";
    fs::create_directory(dotConfig);
    WriteUserDirs(dotConfig, "XDG_DOCUMENTS_DIR=\"$HOME/Papiers\"");
    EXPECT_EQ(Resolve().DocumentsFolder, home_ + "/Papiers");
}

TEST_F(ResolveDocumentsFolderTest, WrongTypeIsAnErrorWithoutFolderOrMessage)
{
    WriteUserDirs(config_, "XDG_DOCUMENTS_DIR=" + home_);
    const DocumentsResolution r = Resolve();
    ASSERT_TRUE(r.Error);
    EXPECT_EQ(*r.Error, "Type de données incorrect pour 'XDG_DOCUMENTS_DIR'");
    EXPECT_EQ(r.DocumentsFolder, "");
    EXPECT_FALSE(r.ShowDocumentsError);
}

TEST_F(ResolveDocumentsFolderTest, NeitherFolderNorTokenAsksForTheMessage)
{
    for (const char* value : {"/nonexistent/jumelix", ""}) {
        WriteUserDirs(config_, "XDG_DOCUMENTS_DIR=\"" + std::string(value) + "\"");
        const DocumentsResolution r = Resolve();
        EXPECT_TRUE(r.ShowDocumentsError) << value;
        EXPECT_EQ(r.DocumentsFolder, "") << value;
        EXPECT_FALSE(r.Error) << value;
    }
}

TEST_F(ResolveDocumentsFolderTest, DirectoryTestFollowsLinksAndRejectsFiles)
{
    const PosixDirectoryTest directories;
    const fs::path file = root_ / "file";
    std::ofstream(file) << "x";
    fs::create_directory_symlink(home_, root_ / "link");
    EXPECT_TRUE(directories.IsDirectory(home_));
    EXPECT_TRUE(directories.IsDirectory((root_ / "link").string()));
    EXPECT_FALSE(directories.IsDirectory(file.string()));
    EXPECT_FALSE(directories.IsDirectory((root_ / "none").string()));
    EXPECT_FALSE(directories.IsDirectory(""));
}

TEST(PosixEnvironmentTest, ReadsTheProcessEnvironment)
{
    ::setenv("JUMELIX_TEST_VARIABLE", "/x y", 1);
    EXPECT_EQ(PosixEnvironment().Get("JUMELIX_TEST_VARIABLE"), "/x y");
    ::unsetenv("JUMELIX_TEST_VARIABLE");
    EXPECT_EQ(PosixEnvironment().Get("JUMELIX_TEST_VARIABLE"), "");
}

}  // namespace
}  // namespace jumelix
