#pragma once

#include "catalogue/FileEnumeration.h"
#include "files/PosixFolder.h"
#include "files/ReadHook.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jumelix {

class Wildcard;

// What a reader found in one folder, named by its path under the scan folder.
struct FolderRead {
    std::string path;
    bool opened = false;
    FolderIdentity id;
    FolderListing listing;
    std::vector<FolderIdentity> folderIds;  // one per sub-folder, as the listing sees it
    std::vector<std::uint64_t> sizes;  // one per file; kNoSize when it could not be read
    bool subFoldersQueued = false;
    std::exception_ptr error;  // thrown to the walk where reading the folder would throw

    static constexpr std::uint64_t kNoSize = ~std::uint64_t{0};
};

// Reader threads that read folders ahead of the walk: each one's listing and
// the sizes of its files, in the walk's own depth-first order, so that the
// walk rarely waits on the disk. Folders are known by their place in that
// order (the index of each sub-folder from the scan folder down) and opened
// by path from the scan folder; the walk checks each read against the folder
// it enters. What is read and not yet taken is capped in folders and bytes.
class ReadAhead {
public:
    using Place = std::vector<std::uint32_t>;

    // Reads below `rootFd` (duplicated) with `firstReaders` readers, and up to
    // `maxReaders` while the disk keeps them waiting.
    ReadAhead(int rootFd, const Wildcard& filter, unsigned firstReaders, unsigned maxReaders,
              ReadHook hook);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Queues the sub-folders of the folder at `place` and `path`, which the walk
    // has entered; `id` keeps links back to it from being read again.
    void Queue(const Place& place, const std::string& path, const FolderIdentity& id,
               const std::vector<std::string>& folders);
    // The read of the folder at `place`, dropping every folder before it in
    // the walk's order. While it waits, `keepWaiting` is called about every
    // 5 ms; when it returns false, reading stops for good. Nothing when the
    // folder was never queued or reading has stopped.
    std::optional<FolderRead> Take(const Place& place, const std::function<bool()>& keepWaiting);
    // Makes no new request; readers end as their current calls return.
    void Stop();
    // Readers started so far.
    unsigned Readers();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace jumelix
