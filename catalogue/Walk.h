#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/RunFlags.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jumelix {

class FileEnumeration;
class Wildcard;
struct FolderListing;

// How the walk reaches the window. Without a window these do nothing.
class WalkObserver {
public:
    virtual ~WalkObserver() = default;
    virtual void EntryAdded(std::int32_t /*filesAdded*/) {}
    virtual void FolderEntered(std::string_view /*folder*/) {}
    virtual void PumpEvents() {}
};

// Step 1: walks a folder (and, when asked, everything below it) into the
// catalogue, depth first, each folder's own files before its sub-folders.
class FolderWalk {
public:
    FolderWalk(FileEnumeration& files, Catalogue& catalogue, const RunFlags& flags,
               WalkObserver& observer);

    // Appends to the catalogue; FilesAdded counts this call's entries.
    void ScanFolder(std::string_view folder, std::string_view filter, unsigned attributes,
                    bool recurse);
    std::int32_t FilesAdded() const { return filesAdded_; }

private:
    struct WalkedFolder;
    WalkedFolder Visit(std::string_view folder, const Wildcard& filter, bool readable,
                FolderListing& listing, bool recurse);
    void ScanFiles(std::string_view folder, const std::vector<std::string>& names);

    FileEnumeration& files_;
    Catalogue& catalogue_;
    const RunFlags& flags_;
    WalkObserver& observer_;
    std::int32_t filesAdded_ = 0;
};

}  // namespace jumelix
