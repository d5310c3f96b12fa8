// The texts the program shows, at their own layer.
#include "ui/Texts.h"

#include "files/FileComparison.h"
#include "search/ContentSearch.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace jumelix {
namespace {

// The error box's full stop, added above the code of "."; lengths in French figures; file URLs
// in which any byte of a name that is not UTF-8 survives, "/" and the unreserved ones as they are.
TEST(TextsTest, ErrorBoxLengthsAndFileUrls)
{
    for (const auto& [error, shown] : std::vector<std::pair<QString, QString>>{
             {"Panne", "Panne."}, {"fin.", "fin."}, {"trait-", "trait-"}, {"chemin/", "chemin/."}, {"'nom'", "'nom'"},
             {"", "."}, {"é", "é."}})
        EXPECT_EQ(ErrorBoxText(error).toStdString(), shown.toStdString());
    for (const auto& [rows, text] : std::vector<std::pair<std::uint64_t, QString>>{
             {0, "0 ligne"}, {1, "1 ligne"}, {2, "2 lignes"}, {8'997'000, "8\u202f997\u202f000 lignes"}})
        EXPECT_EQ(LengthText(rows).toStdString(), text.toStdString());
    EXPECT_EQ(FileUrl("/tmp/caf\xe9 (1)/~a-b_c.d").toStdString(), "file:///tmp/caf%E9%20%281%29/~a-b_c.d");
}

// Every verdict of a comparison of "/a" with "/b", with the sentence of each link.
TEST(TextsTest, ComparisonVerdicts)
{
    using enum ComparisonVerdict;
    using enum UnreadableReason;
    const auto result = [](ComparisonVerdict verdict, int file = 0, UnreadableReason reason = None) {
        return ComparisonResult{verdict, file, reason, 5000, 4096, 1234567, 0, {}};
    };
    ComparisonResult linked = result(Identical);
    linked.LinkTargets = {"/x/a", "/x/b"};
    const std::vector<std::pair<ComparisonResult, QString>> cases = {
        {result(Unreadable, 1, AccessDenied), "« /b » ne peut pas être lu : accès refusé."},
        {result(Unreadable, 0, NotARegularFile), "« /a » n'est pas un fichier ordinaire."},
        {result(Changed, 1), "« /b » a changé depuis le parcours (4 096 octets au lieu de 5 000)."},
        {result(Different), "Contenus différents : « /a » et « /b » diffèrent à partir de l'octet 1 234 567."},
        {linked, "Contenus identiques : « /a » et « /b ». « /a » est un lien symbolique vers "
                 "« /x/a ». « /b » est un lien symbolique vers « /x/b »."},
    };
    for (const auto& [compared, text] : cases)
        EXPECT_EQ(ComparisonText(compared, "/a", "/b").toStdString(), text.toStdString());
}

// What a search by contents found, then what it left out, a sentence each and only when there
// is something to say, in the singular below 2.
TEST(TextsTest, ContentSearchSummaries)
{
    const auto summary = [](std::uint64_t files, std::uint64_t bytes, std::uint64_t unreadable, std::uint64_t links,
                            std::uint64_t empty) {
        ContentSummary s;
        s.DuplicateFiles = files;
        s.DuplicateBytes = bytes;
        s.Unreadable = unreadable;
        s.Links = links;
        s.Empty = empty;
        return ContentSearchText(s).toStdString();
    };
    EXPECT_EQ(summary(0, 0, 0, 0, 0), "Aucun fichier n'a de double au contenu identique.");
    EXPECT_EQ(summary(1234, 56'789'012, 3, 2, 5),
              "1\u202f234 fichiers ont un double au contenu identique. 56\u202f789\u202f012 octets sont en double. "
              "3 fichiers n'ont pas pu être lus ou ont changé depuis le parcours. 2 chemins mènent à un fichier déjà "
              "compté (liens). 5 fichiers vides ne sont pas comparés.");
    EXPECT_EQ(summary(2, 1, 1, 1, 1),
              "2 fichiers ont un double au contenu identique. 1 octet est en double. 1 fichier n'a pas pu être lu ou "
              "a changé depuis le parcours. 1 chemin mène à un fichier déjà compté (lien). 1 fichier vide n'est pas "
              "comparé.");
    EXPECT_EQ(summary(2, 10, 0, 1, 0), "2 fichiers ont un double au contenu identique. 10 octets sont en double. 1 chemin "
                                       "mène à un fichier déjà compté (lien).");
}

}  // namespace
}  // namespace jumelix
