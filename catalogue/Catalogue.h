#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace jumelix {

// Decimal digits of a number: no sign, no grouping, no leading zeros.
std::string DecimalText(std::uint64_t value);

// One file of the catalogue, as views into the catalogue's own storage.
struct CatalogueEntry {
    std::string_view Folder;  // the listed folder followed by one "/"
    std::string_view Name;    // the name as the file system gave it, raw bytes
    std::uint64_t Size = 0;

    std::string SizeText() const { return DecimalText(Size); }
    // The file's whole path.
    std::string Path() const { return std::string(Folder).append(Name); }
};

// The ordered file catalogue of one walk. A folder text is stored once for
// all its files, names sit in large shared blocks, and the entry records sit
// in fixed-size chunks, so the catalogue never copies itself as it grows.
class Catalogue {
public:
    using FolderId = std::uint32_t;

    Catalogue();
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Registers a folder text (with its trailing "/"); the same text always
    // gives the same id.
    FolderId AddFolder(std::string_view folderText);
    // `name` is a file name as a folder listing gives it: at most 255 bytes.
    void Append(FolderId folder, std::string_view name, std::uint64_t size);
    void Clear();

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    CatalogueEntry operator[](std::size_t index) const;

    FolderId FolderOf(std::size_t index) const { return record(index).folder; }
    std::uint64_t SizeOf(std::size_t index) const { return record(index).size; }
    std::string_view NameOf(std::size_t index) const;
    std::string_view FolderText(FolderId folder) const { return folders_[folder]; }

private:
    struct Record {
        const char* name;
        std::uint64_t size;
        FolderId folder;
        std::uint32_t nameLength;
    };
    static constexpr std::size_t kChunkBits = 16;
    static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
    static constexpr std::size_t kNameBlockSize = std::size_t{1} << 20;

    const Record& record(std::size_t index) const
    {
        return chunks_[index >> kChunkBits][index & (kChunkSize - 1)];
    }
    const char* storeName(std::string_view name);

    std::vector<std::unique_ptr<Record[]>> chunks_;
    std::size_t count_ = 0;
    std::vector<std::unique_ptr<char[]>> nameBlocks_;
    std::size_t nameBlockUsed_ = kNameBlockSize;
    std::deque<std::string> folders_;
    std::unordered_map<std::string_view, FolderId> folderIds_;
};

}  // namespace jumelix
