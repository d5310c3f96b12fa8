#include "Catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace jumelix {
namespace {

// Entries in order, folders stored once, raw names, 64-bit sizes; then,
// cleared and refilled past one chunk of records and one block of names, with
// a name long enough for a block of its own, every view stays valid.
TEST(CatalogueTest, KeepsEntriesInOrderAndTheirViewsValidAsItGrows)
{
    Catalogue catalogue;
    catalogue.Append(catalogue.AddFolder("/data/a/"), "x.txt", 0);
    catalogue.Append(catalogue.AddFolder("/data/b/"), "y.txt", 10);
    catalogue.Append(catalogue.AddFolder("/data/a/"), std::string("z\0.bin", 6), 18446744073709551615ULL);
    ASSERT_EQ(catalogue.size(), 3u);
    EXPECT_EQ(catalogue.FolderCount(), 2u);
    EXPECT_EQ(catalogue[1].Folder, "/data/b/");
    EXPECT_EQ(catalogue[2].Folder, "/data/a/");
    EXPECT_EQ(catalogue[2].Name, std::string_view("z\0.bin", 6));
    EXPECT_EQ(catalogue[0].SizeText(), "0");
    EXPECT_EQ(catalogue[2].SizeText(), "18446744073709551615");

    catalogue.Clear();
    const auto folder = catalogue.AddFolder("/data/b/");
    const auto name = [](std::size_t i) {
        return i == 5 ? std::string(200'000, 'n') : DecimalText(i) + "-name.txt";
    };
    catalogue.Append(folder, name(0), 0);
    const std::string_view first = catalogue[0].Name;
    for (std::size_t i = 1; i < 140'000; ++i)
        catalogue.Append(folder, name(i), i);
    ASSERT_EQ(catalogue.size(), 140'000u);
    EXPECT_EQ(catalogue.FolderCount(), 1u);
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        ASSERT_EQ(catalogue[i].Name, name(i));
        ASSERT_EQ(catalogue.SizeOf(i), i);
    }
    EXPECT_EQ(first, name(0));
}

}  // namespace
}  // namespace jumelix
