#pragma once

#include "files/FolderCursor.h"
#include "files/ReadAhead.h"
#include "files/ReadHook.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jumelix {

struct RunFlags;
class WalkObserver;
class Wildcard;

// The read-ahead over one walk: started once the walk lists a folder with
// sub-folders, fed the sub-folders of each folder listed, asked for each
// folder the walk enters, and joined when the walk ends or stops.
class ReadFeed {
public:
    void Begin(WalkObserver& observer, const RunFlags& flags);
    // Joins the readers of the walk so far, as a walk from a new scan folder starts.
    void Restart();
    // Joins the readers.
    void End();
    // Once the walk is to stop, nothing more is read.
    bool Stopping();
    // What the readers found in sub-folder `name` of `parent`, which the walk
    // enters next; sets the sub-folder's place and path.
    std::optional<FolderRead> Take(PathFolder& parent, std::string_view name, ReadAhead::Place& place,
                                   std::string& path);
    // Queues the sub-folders of `current`, just listed, unless readers did.
    void Queue(int rootFd, const Wildcard& filter, PathFolder& current,
               const std::vector<std::string>& folders);
    // Readers the last walk started.
    unsigned Readers() const { return readersUsed_; }
    void SetHook(ReadHook hook) { hook_ = std::move(hook); }

private:
    // Set between Begin and End.
    WalkObserver* observer_ = nullptr;
    const RunFlags* flags_ = nullptr;
    std::unique_ptr<ReadAhead> readAhead_;
    unsigned readersUsed_ = 0;
    ReadHook hook_;
};

}  // namespace jumelix
