#pragma once

#include "catalogue/FileEnumeration.h"
#include "files/ReadHook.h"

#include <memory>

namespace jumelix {

// The real file system, walked by descriptor (openat/fstatat), so that paths
// longer than PATH_MAX work and deep trees stay within the descriptor limit.
// Each folder (device and inode) is entered at most once per walk. During a
// walk, reader threads read the folders it comes to next ahead of it.
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
    void BeginWalk(WalkObserver& observer, const RunFlags& flags) override;
    void EndWalk() override;

    // Readers the last walk started.
    unsigned Readers() const;
    // Called by each reader, for the tests to change the tree at a chosen
    // moment; `folder` is the path under the scan folder.
    void SetReadHook(ReadHook hook);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace jumelix
