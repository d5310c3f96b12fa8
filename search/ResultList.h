#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace jumelix {

// One row of a result list: a copy of a catalogue entry. Its Folder can be
// edited in place, so it is held as text of its own.
struct ResultRow {
    std::string Folder;
    std::string_view Name;
    std::uint64_t Size = 0;
};

// The locale-aware text comparison, handed in by the window:
// negative, zero or positive like strcmp.
using TextCompare = std::function<int(std::string_view, std::string_view)>;

// A result list ("Noms identiques" or "Tailles identiques"). Its rows are not
// stored one by one: they are worked out on demand from the catalogue's size
// groups, so a list of a billion rows costs memory with the catalogue only.
class ResultList {
public:
    std::uint64_t RowCount() const;
    ResultRow Row(std::uint64_t row) const;
    // Replaces the Folder text of that one row of this list.
    void SetFolder(std::uint64_t row, std::string folder);
    void Clear();

    // Reorders the rows so far; rows appended later come after them.
    // `less` is a strict weak order on rows; ties keep a deterministic order.
    void Sort(const std::function<bool(const ResultRow&, const ResultRow&)>& less);
};

}  // namespace jumelix
