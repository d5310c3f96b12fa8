#pragma once

#include "catalogue/FileEnumeration.h"
#include "catalogue/Wildcard.h"
#include "files/PosixFileEnumeration.h"
#include "files/PosixFolder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

namespace jumelix {

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
    enum class State { Queued, Reading, Read, Dropped };
    struct Folder {
        State state = State::Queued;
        FolderRead read;
        std::size_t bytes = 0;
    };

    // Sub-folders to queue, in the walk's order.
    struct Batch {
        std::map<Place, Folder> folders;
        std::set<Place> queued;
    };
    static Batch SubFolders(const Place& place, const std::string& path,
                            const std::vector<std::string>& folders);

    void startReader();
    void readerLoop();
    void readFolder(FolderRead& read, ListingBuffer& buffer) const;
    void queueLocked(Batch& batch);
    bool mayRead(const Place& place) const;
    void stopLocked();

    const int rootFd_;
    const Wildcard filter_;
    const unsigned firstReaders_;
    const unsigned maxReaders_;
    const ReadHook hook_;

    std::mutex mutex_;
    std::condition_variable readersWake_;
    std::condition_variable walkWake_;
    std::map<Place, Folder> folders_;  // queued, being read and read, in the walk's order
    std::set<Place> queued_;
    std::unordered_set<FolderIdentity, FolderIdentityHash> expanded_;
    std::optional<Place> awaited_;
    std::size_t held_ = 0;  // folders being read or read and not taken
    std::size_t heldBytes_ = 0;
    std::atomic<bool> stopped_ = false;  // also read by readers between their calls
    unsigned idle_ = 0;
    bool roomAwaited_ = false;  // an idle reader waits for the walk to take reads
    std::vector<std::thread> readers_;
};

}  // namespace jumelix
