// Catalogues, a pairwise reference search and row helpers for the search tests.
#pragma once

#include "Catalogue.h"
#include "ResultList.h"

#include <algorithm>
#include <cctype>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jumelix::test {

struct Entry {
    std::string folder;
    std::string name;
    std::uint64_t size = 0;
};

// A row as plain values, comparable and printable by GoogleTest.
struct FlatRow {
    std::string folder;
    std::string name;
    std::uint64_t size = 0;
    auto operator<=>(const FlatRow&) const = default;
};

inline void PrintTo(const FlatRow& row, std::ostream* out)
{
    *out << row.folder << '|' << row.name << '|' << row.size;
}

inline void Fill(Catalogue& catalogue, const std::vector<Entry>& entries)
{
    for (const Entry& e : entries)
        catalogue.Append(catalogue.AddFolder(e.folder), e.name, e.size);
}

inline FlatRow Flat(const ResultRow& row)
{
    return {row.Folder, std::string(row.Name), row.Size};
}

inline std::vector<FlatRow> Rows(const ResultList& list)
{
    std::vector<FlatRow> rows;
    for (std::uint64_t r = 0; r < list.RowCount(); ++r)
        rows.push_back(Flat(list.Row(r)));
    return rows;
}

// The search as plainly as it can be written: every pair, in order.
struct Reference {
    std::vector<std::vector<FlatRow>> upperByOuter;
    std::vector<std::vector<FlatRow>> lowerByOuter;

    explicit Reference(const std::vector<Entry>& entries)
    {
        for (const Entry& i : entries) {
            auto& upper = upperByOuter.emplace_back();
            auto& lower = lowerByOuter.emplace_back();
            for (const Entry& j : entries) {
                const FlatRow row{j.folder, j.name, j.size};
                if (j.folder != i.folder && j.size == i.size)
                    upper.push_back(row);
                else if (j.folder == i.folder && j.size == i.size && j.name != i.name)
                    lower.push_back(row);
            }
        }
    }
};

// The rows that the outer entries first..last-1 give.
inline std::vector<FlatRow> Joined(const std::vector<std::vector<FlatRow>>& byOuter,
                                   std::size_t first, std::size_t last)
{
    std::vector<FlatRow> rows;
    for (std::size_t i = first; i < last; ++i)
        rows.insert(rows.end(), byOuter[i].begin(), byOuter[i].end());
    return rows;
}

inline std::vector<FlatRow> Sorted(std::vector<FlatRow> rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Stands in for the locale's comparison: letter case is ignored, so names
// that differ only in case tie.
inline int CaseBlindCompare(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
        if (lower(a[k]) != lower(b[k]))
            return lower(a[k]) < lower(b[k]) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace jumelix::test
