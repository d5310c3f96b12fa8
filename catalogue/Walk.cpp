#include "catalogue/Walk.h"

#include "catalogue/FileEnumeration.h"
#include "catalogue/Wildcard.h"

#include <deque>
#include <optional>

namespace jumelix {
namespace {

std::string_view WithoutTrailingSeparator(std::string_view folder)
{
    if (folder.ends_with('/'))
        folder.remove_suffix(1);
    return folder;
}

}  // namespace

// A folder whose sub-folders are being walked: the length of its text in the
// shared folder text, and the next of its sub-folders to walk.
struct FolderWalk::WalkedFolder {
    std::size_t textLength;
    std::size_t nextFolder;
};

FolderWalk::FolderWalk(FileEnumeration& files, Catalogue& catalogue, const RunFlags& flags,
                       WalkObserver& observer)
    : files_(files), catalogue_(catalogue), flags_(flags), observer_(observer)
{
}

void FolderWalk::ScanFolder(std::string_view folder, std::string_view filter,
                            unsigned /*attributes*/, bool recurse)
{
    filesAdded_ = 0;
    if (folder.empty())
        return;
    const Wildcard wildcard(filter);
    files_.BeginWalk(observer_, flags_);
    struct EndOfWalk {
        FileEnumeration& files;
        ~EndOfWalk() { files.EndWalk(); }
    } endOfWalk{files_};
    std::string text(WithoutTrailingSeparator(folder));
    std::deque<FolderListing> listings(1);  // one per depth, reused
    if (!files_.EnterRoot(folder)) {
        Visit(text, wildcard, false, listings[0], recurse);
        return;
    }
    // Depth-first pre-order on an explicit stack, so that depth costs no call stack.
    std::vector<WalkedFolder> stack{Visit(text, wildcard, true, listings[0], recurse)};
    while (!stack.empty()) {
        WalkedFolder& current = stack.back();
        const std::vector<std::string>& folders = listings[stack.size() - 1].Folders;
        if (current.nextFolder == folders.size()) {
            stack.pop_back();
            files_.Leave();
            if (!stack.empty())
                observer_.PumpEvents();  // once per sub-folder walked
            continue;
        }
        const std::string& name = folders[current.nextFolder++];
        if (!files_.EnterChild(name))
            continue;  // already walked through another path
        text.resize(current.textLength);
        text += '/';
        text += name;
        if (listings.size() == stack.size())
            listings.emplace_back();
        stack.push_back(Visit(text, wildcard, true, listings[stack.size()], recurse));
    }
}

// Logs the folder, reads its listing once and adds its own files. Its
// sub-folders are walked unless the switch is off or a stop is pending.
FolderWalk::WalkedFolder FolderWalk::Visit(std::string_view folder, const Wildcard& filter,
                                    bool readable, FolderListing& listing, bool recurse)
{
    observer_.FolderEntered(folder.empty() ? "/" : folder);
    if (readable)
        files_.List(filter, listing);
    else
        listing = {};
    ScanFiles(folder, listing.Files);
    const bool walkSubFolders = recurse && !flags_.WalkStop;
    return {folder.size(), walkSubFolders ? 0 : listing.Folders.size()};
}

void FolderWalk::ScanFiles(std::string_view folder, const std::vector<std::string>& names)
{
    std::string folderText(WithoutTrailingSeparator(folder));
    folderText += '/';
    std::optional<Catalogue::FolderId> folderId;
    for (const std::string& name : names) {
        observer_.PumpEvents();
        if (flags_.WalkStop)
            return;
        // A file whose size cannot be read is no entry: as size 0 it would pair
        // with every empty file.
        const std::optional<std::uint64_t> size = files_.FileSize(name);
        if (!size)
            continue;
        if (!folderId)
            folderId = catalogue_.AddFolder(folderText);
        catalogue_.Append(*folderId, name, *size);
        ++filesAdded_;
        observer_.EntryAdded(filesAdded_);
    }
}

}  // namespace jumelix
