// The texts the program shows, at their own layer.
#include "Texts.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace jumelix {
namespace {

TEST(TextsTest, ErrorBoxAddsAFullStopAboveTheCodeOfTheFullStop)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"Panne", "Panne."}, {"fin.", "fin."}, {"trait-", "trait-"}, {"chemin/", "chemin/."},
        {"'nom'", "'nom'"}, {"", "."}, {"é", "é."}};
    for (const auto& [error, shown] : cases)
        EXPECT_EQ(ErrorBoxText(error).toStdString(), shown.toStdString());
}

TEST(TextsTest, LengthsInFrenchFigures)
{
    const std::vector<std::pair<std::uint64_t, QString>> cases = {
        {0, "0 ligne"}, {1, "1 ligne"}, {2, "2 lignes"}, {8'997'000, "8\u202f997\u202f000 lignes"}};
    for (const auto& [rows, text] : cases)
        EXPECT_EQ(LengthText(rows).toStdString(), text.toStdString());
}

}  // namespace
}  // namespace jumelix
