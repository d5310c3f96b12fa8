#pragma once

#include "FileEnumeration.h"

#include <memory>

namespace jumelix {

// The real file system, walked by descriptor (openat/fstatat), so that paths
// longer than PATH_MAX work and deep trees stay within the descriptor limit.
// Each folder (device and inode) is entered at most once per walk.
class PosixFileEnumeration final : public FileEnumeration {
public:
    PosixFileEnumeration();
    ~PosixFileEnumeration() override;

    FolderCheck CheckFolder(std::string_view path) override;
    bool EnterRoot(std::string_view path) override;
    bool EnterChild(std::string_view name) override;
    void Leave() override;
    void List(const Wildcard& filter, FolderListing& listing) override;
    std::optional<std::uint64_t> FileSize(std::string_view name) override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace jumelix
