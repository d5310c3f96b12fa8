#include "Catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace jumelix {
namespace {

TEST(CatalogueTest, KeepsEntriesInOrderWithFoldersStoredOnce)
{
    Catalogue catalogue;
    const auto a = catalogue.AddFolder("/data/a/");
    const auto b = catalogue.AddFolder("/data/b/");
    EXPECT_EQ(catalogue.AddFolder("/data/a/"), a);
    EXPECT_NE(a, b);

    catalogue.Append(a, "x.txt", 10);
    catalogue.Append(b, "y.txt", 0);
    catalogue.Append(a, std::string("z\0.bin", 6), 5'000'000'000ULL);

    ASSERT_EQ(catalogue.size(), 3u);
    EXPECT_EQ(catalogue.FolderCount(), 2u);
    EXPECT_EQ(catalogue[0].Folder, "/data/a/");
    EXPECT_EQ(catalogue[0].Name, "x.txt");
    EXPECT_EQ(catalogue[1].SizeText(), "0");
    EXPECT_EQ(catalogue[2].Name, std::string_view("z\0.bin", 6));
    EXPECT_EQ(catalogue[2].SizeText(), "5000000000");
    EXPECT_EQ(catalogue.FolderOf(2), a);

    catalogue.Clear();
    EXPECT_TRUE(catalogue.empty());
    EXPECT_EQ(catalogue.FolderCount(), 0u);
}

TEST(CatalogueTest, ViewsStayValidAcrossChunksAndLongNames)
{
    Catalogue catalogue;
    const auto folder = catalogue.AddFolder("/f/");
    const std::string longName(200'000, 'n');
    constexpr std::size_t count = 70'000;  // more than one chunk of records
    for (std::size_t i = 0; i < count; ++i)
        catalogue.Append(folder, i == 5 ? std::string_view(longName) : DecimalText(i), i);
    const auto first = catalogue[0].Name;
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(catalogue[i].Name, i == 5 ? longName : DecimalText(i));
        ASSERT_EQ(catalogue.SizeOf(i), i);
    }
    EXPECT_EQ(first, "0");
}

TEST(CatalogueTest, DecimalTextOfExtremes)
{
    EXPECT_EQ(DecimalText(0), "0");
    EXPECT_EQ(DecimalText(18446744073709551615ULL), "18446744073709551615");
}

}  // namespace
}  // namespace jumelix
