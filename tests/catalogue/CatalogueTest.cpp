#include "Catalogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace jumelix {
namespace {

// After a clear, entries come back in order with folders stored once, names
// as raw bytes and sizes to 64 bits; a name's view stays valid as the
// catalogue grows past a chunk of records and a block of names, with one
// name long enough for a block of its own.
TEST(CatalogueTest, KeepsEntriesInOrderAndTheirViewsValidAsItGrows)
{
    Catalogue catalogue;
    catalogue.Append(catalogue.AddFolder("/old/"), "x", 1);
    catalogue.Clear();
    const Catalogue::FolderId a = catalogue.AddFolder("/data/a/");
    const Catalogue::FolderId b = catalogue.AddFolder("/data/b/");
    const auto name = [](std::size_t i) {
        return i == 5 ? std::string(200'000, 'n') : DecimalText(i) + std::string("\0.bin", 5);
    };
    const auto size = [](std::size_t i) { return i == 2 ? UINT64_MAX : i; };
    catalogue.Append(catalogue.AddFolder("/data/a/"), name(0), size(0));
    const std::string_view first = catalogue[0].Name;
    for (std::size_t i = 1; i < 140'000; ++i)
        catalogue.Append(i % 2 == 1 ? b : a, name(i), size(i));
    ASSERT_EQ(catalogue.size(), 140'000u);
    EXPECT_EQ(catalogue.FolderCount(), 2u);
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        ASSERT_EQ(catalogue[i].Folder, i % 2 == 1 ? "/data/b/" : "/data/a/");
        ASSERT_EQ(catalogue[i].Name, name(i));
        ASSERT_EQ(catalogue.SizeOf(i), size(i));
    }
    EXPECT_EQ(catalogue[2].SizeText(), "18446744073709551615");
    EXPECT_EQ(first, name(0));
}

}  // namespace
}  // namespace jumelix
