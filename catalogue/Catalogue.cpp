#include "catalogue/Catalogue.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace jumelix {

std::string DecimalText(std::uint64_t value)
{
    char digits[20];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

Catalogue::Catalogue() = default;
Catalogue::~Catalogue() = default;

Catalogue::FolderId Catalogue::AddFolder(std::string_view folderText)
{
    if (const auto found = folderIds_.find(folderText); found != folderIds_.end())
        return found->second;
    const auto id = static_cast<FolderId>(folders_.size());
    const std::string& stored = folders_.emplace_back(folderText);
    folderIds_.emplace(stored, id);
    return id;
}

void Catalogue::Append(FolderId folder, std::string_view name, std::uint64_t size)
{
    if ((count_ & (kChunkSize - 1)) == 0 && (count_ >> kChunkBits) == chunks_.size())
        chunks_.push_back(std::make_unique_for_overwrite<Record[]>(kChunkSize));
    chunks_[count_ >> kChunkBits][count_ & (kChunkSize - 1)] =
        Record{storeName(name), size, folder, static_cast<std::uint32_t>(name.size())};
    ++count_;
}

const char* Catalogue::storeName(std::string_view name)
{
    if (kNameBlockSize - nameBlockUsed_ < name.size()) {
        nameBlocks_.push_back(std::make_unique_for_overwrite<char[]>(kNameBlockSize));
        nameBlockUsed_ = 0;
    }
    char* stored = nameBlocks_.back().get() + nameBlockUsed_;
    std::memcpy(stored, name.data(), name.size());
    nameBlockUsed_ += name.size();
    return stored;
}

std::string_view Catalogue::NameOf(std::size_t index) const
{
    const Record& r = record(index);
    return {r.name, r.nameLength};
}

CatalogueEntry Catalogue::operator[](std::size_t index) const
{
    const Record& r = record(index);
    return {folders_[r.folder], {r.name, r.nameLength}, r.size};
}

void Catalogue::Clear()
{
    chunks_.clear();
    count_ = 0;
    nameBlocks_.clear();
    nameBlockUsed_ = kNameBlockSize;
    folderIds_.clear();
    folders_.clear();
}

}  // namespace jumelix
