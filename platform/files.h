#pragma once

// Files and folders of the view, addressed by Windows paths ("C:\Users\me\a.txt").
//
// Paths are resolved one component at a time: the exact name first, then a case-insensitive
// match, as on Windows. A path without a drive letter is relative to the view's current
// directory. Every call folds failures into its result (false, empty, -1); none throws.
//
// What a listing shows: directories and regular files. A symbolic link is a file of its own
// size and is never followed. Sockets, FIFOs and device nodes are never listed. A directory
// on another file system than the listed folder (a mount point, /proc) is not listed.
// "." and ".." are never listed.
//
// The same holds for every operation by path: a link is never followed in any position of a
// path (a path through a link names nothing; only a link as the last component is itself a
// file), and a path never crosses into another file system than its drive root's folder (the
// root itself may lie on any). Such a path fails as a missing one would. Changes are made
// relative to the folder that was checked, so swapping a folder for a link afterwards cannot
// redirect them. No drive's own folder is ever removed, moved or replaced, through any drive
// (a drive's folder may lie inside another drive's).
//
// Objects that a listing found are acted on through their FileIdentity, never through a path
// typed again: the names as stored, matched exactly, and the device and inode checked before
// anything changes. Case-insensitive lookup is for what a user types and for read-only
// lookups; an action resolves such a path once (IdentifyObject) and then acts on the identity.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scourwell::platform {

enum FileAttribute : uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSystem = 0x04,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kAttrReparsePoint = 0x400,  // a symbolic link
};
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

struct FindEntry {
    std::string name;          // name only, as stored
    uint32_t attributes = 0;   // kAttr* bits
    int64_t size = 0;          // bytes (a link: the link's own size)
    int64_t lastWriteUnix = 0; // seconds since 1970-01-01 UTC
    uint64_t device = 0;       // where the listing saw it (0 when not from a listing)
    uint64_t inode = 0;
    bool IsDirectory() const { return (attributes & kAttrDirectory) != 0; }
};

// An opened folder of the view (platform-owned); identities from a listing share it, so acting
// on them needs no path at all, however deep the folder lies.
struct FolderHandle;

// The object a listing or a lookup saw: its path with every name spelled as stored on the host,
// and its device and inode. An action on an identity reaches that object or fails; a missing
// object, or another one in its place, is never acted on.
struct FileIdentity {
    std::string path;   // Windows path, every name as stored
    uint64_t device = 0;
    uint64_t inode = 0;
    // The folder holding the object, still open, when the identity came from a live listing.
    std::shared_ptr<const FolderHandle> folder;
    bool IsKnown() const { return inode != 0 && !path.empty(); }
};

// How the names of a path are matched: as a user typed them (the exact spelling first, then
// without regard to case, as on Windows), or exactly as stored.
enum class NameMatch { kAsTyped, kExact };

// Resolves a path once for an action about to start: the object there now (a file, a link or a
// folder). Empty when there is none.
std::optional<FileIdentity> IdentifyObject(std::string_view path,
                                           NameMatch match = NameMatch::kAsTyped);
// The same lookup, also giving what it saw of the object (as GetFileInfo would), so that a
// listing that keeps the identity needs no second lookup for the type or the times.
std::optional<FileIdentity> IdentifyObject(std::string_view path, NameMatch match,
                                           FindEntry& seen);

// True when `name` matches a Windows mask ('*', '?', case-insensitive; "*.*" matches all).
bool MatchesMask(std::string_view name, std::string_view mask);
// The view's one case rule for names and paths, the one path resolution uses: each character
// upper-cased as Windows compares names (Unicode), bytes that are not UTF-8 kept as they are.
// Whatever compares names without regard to case (exclusions, masks) uses it.
std::string FoldName(std::string_view text);
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// First/next enumeration of a folder. Opening resolves the folder once; OpenSubfolder opens a
// listed directory relative to this one without resolving any path again, which is what a
// recursive walk should use. One metadata call per entry.
class DirectoryListing {
public:
    // `pattern` is folder + "\" + mask, e.g. "C:\Temp\*.*". A listing that cannot be opened
    // is empty (IsOpen() false).
    explicit DirectoryListing(std::string_view pattern);
    DirectoryListing(DirectoryListing&&) noexcept;
    DirectoryListing& operator=(DirectoryListing&&) noexcept;
    ~DirectoryListing();

    bool IsOpen() const;
    // Fills `entry` with the next matching entry; false at the end or on an error.
    bool Next(FindEntry& entry);
    // Opens a directory that this listing returned, with a new mask.
    DirectoryListing OpenSubfolder(const FindEntry& entry, std::string_view mask = "*") const;
    // Keeps only the entries not yet returned and gives up the read buffer: for a folder a
    // walk leaves for a subfolder, so the folders waiting above it hold no buffers.
    void KeepOnlyUnread();
    // Opens the folder of an identity (exact names, device and inode checked); not open when
    // it is gone or another object stands in its place.
    static DirectoryListing OfFolder(const FileIdentity& folder, std::string_view mask);
    // The identity of an entry this listing returned; it keeps this folder open.
    FileIdentity IdentityOf(const FindEntry& entry) const;
    // The listed folder's Windows path with every name as stored, with trailing backslash;
    // empty when not open.
    std::string ExactFolder() const;

    struct State;

private:
    friend class FolderWalk;
    DirectoryListing();
    std::unique_ptr<State> state_;
};

// A depth-first walk below a folder, kept on an explicit stack of listings instead of the
// call stack. A folder that is left for a subfolder keeps only the entries it has still to
// return (not a read buffer), and beyond a few dozen levels the outer folders' descriptors
// are closed and taken again through ".." on the way back (checked to be the same folder),
// so neither memory per level nor descriptors grow with the depth, and no depth exhausts the
// stack. The loop:
//
//   FolderWalk walk(DirectoryListing("C:\\Top\\*"));
//   for (FindEntry e;;) {
//       if (!walk.Next(e)) { if (!walk.Leave()) break; continue; }  // a folder is done
//       if (e.IsDirectory()) walk.Enter(e);
//   }
class FolderWalk {
public:
    explicit FolderWalk(DirectoryListing top);
    FolderWalk(FolderWalk&&) noexcept;
    ~FolderWalk();

    bool IsOpen() const;
    // The next entry of the current folder; false when that folder is done.
    bool Next(FindEntry& entry);
    // Makes a directory that Next just returned the current folder; false when it cannot be
    // opened (the walk then stays where it is).
    bool Enter(const FindEntry& entry, std::string_view mask = "*");
    // Returns to the folder the current one was entered from; false in the top folder. A
    // folder whose descriptor cannot be taken again (moved away meanwhile) returns nothing
    // more.
    bool Leave();
    // True when Leave could not take the current folder up again: what it had still to return
    // is unknown, and Next returns nothing more from it.
    bool LostPlace() const;
    size_t Depth() const { return levels_.empty() ? 0 : levels_.size() - 1; }
    // The current folder's Windows path with every name as stored, with trailing backslash.
    std::string CurrentFolder() const;
    // The identity of an entry that Next just returned, or of the folder that Leave just
    // came back from (`entry` as Next returned it then), in the current folder. It keeps the
    // current folder open while it lives; the walk itself lets go of folders it waits in, so
    // identities taken and dropped level by level never pile up descriptors.
    FileIdentity IdentityOf(const FindEntry& entry) const;

private:
    std::vector<DirectoryListing> levels_;
};

// Host path for a Windows path of the view. The last component may be missing (it is then
// appended as given, for creating). Empty when the drive is unknown or a parent is missing.
std::optional<std::string> ToHostPath(std::string_view windowsPath);
// Windows path for a host path: the drive with the longest matching root. Empty when none.
std::optional<std::string> ToWindowsPath(std::string_view hostPath);
// The host path a Windows path stands for, spelled as given, for messages that a user of the
// host acts on: no component needs to exist. Empty when the drive is unknown.
std::string HostPathForMessage(std::string_view windowsPath);

std::string CurrentDirectory();                 // Windows path, with trailing backslash
bool SetCurrentDirectory(std::string_view path);  // false when the folder does not exist

std::optional<FindEntry> GetFileInfo(std::string_view path);  // the entry itself, links not followed
uint32_t GetFileAttributes(std::string_view path);             // kInvalidAttributes when missing
bool FileExists(std::string_view path);       // a listed file (regular file or link)
bool DirectoryExists(std::string_view path);
bool CanOpenForRead(std::string_view path);

// How far a long copy or read is: bytes done and the whole size (holes of a sparse file count
// as done). Called after every piece of work; false stops the work, which then fails.
using ProgressSink = std::function<bool(int64_t done, int64_t total)>;

bool CreateDirectory(std::string_view path);   // one level; false when it exists or fails
// All missing levels; true when the folder exists afterwards. With privateToUser every level
// it creates is readable by its owner only (0700), as the XDG base-directory rules ask of the
// per-user folders.
bool CreateDirectoryChain(std::string_view path, bool privateToUser = false);

// Destructive operations take an identity: the object itself, or nothing. Whatever the core
// deletes, removes, changes the mode of, moves or copies into the quarantine is an object a
// listing or a lookup saw (names as stored, device and inode), so a look-alike, a swapped-in
// link or a case variant that took its place is never reached. GetFileInfo is empty when the
// object is gone or another stands in its place (a still-there test).
std::optional<FindEntry> GetFileInfo(const FileIdentity& object);
// 0 or kAttrNormal clears read-only. The mode changes only through a descriptor of the regular
// file that a fresh check shows with a single link (a link or a folder has nothing to change);
// bits for others, set-user-id and set-group-id are never added.
bool SetFileAttributes(const FileIdentity& object, uint32_t attributes);
// With evenReadOnly a read-only file goes too (as after clearing the attribute); on the host
// removing a name needs no write permission on the file, so the file itself is not changed.
// Files and links only.
bool DeleteFile(const FileIdentity& file, bool evenReadOnly = false);
bool RemoveDirectory(const FileIdentity& folder);  // only an empty folder, never a drive root
bool MoveFile(const FileIdentity& from, std::string_view to);  // never replaces
// Copies a file's bytes. With failIfExists, an existing destination makes it fail. The copy
// keeps the holes of a sparse file, and it appears under its name only when it is complete: a
// failed, stopped or killed copy leaves no partial file under that name (and, where the file
// system allows, none under any name). A replaced file stays whole until then.
bool CopyFile(const FileIdentity& from, std::string_view to, bool failIfExists,
              NameMatch toMatch = NameMatch::kAsTyped, const ProgressSink& progress = {});
bool ReadFileBlocks(const FileIdentity& file,
                    const std::function<void(const unsigned char*, size_t)>& sink,
                    const ProgressSink& progress = {});

// Puts a copy of a file back where it once was, as a restore must: every folder of `to` is
// matched by its name exactly as given (never a case variant), a missing one is created under
// exactly that name, a folder that another user (root aside) owns inside a folder everyone
// may write to (as /tmp) is not written into, and nothing that stands at `to` is replaced. The
// copy appears whole or not at all.
enum class PlaceOutcome {
    kPlaced,
    kInTheWay,       // an object stands at `to`, or a non-folder where a folder of it belongs
    kFolderRefused,  // a folder of `to` belongs to another user in a folder open to everyone
    kFailed,         // the copy is gone, a folder could not be made, or the copy failed
};
PlaceOutcome CopyFileToExactPlace(const FileIdentity& from, std::string_view to,
                                  const ProgressSink& progress = {});

// The program's own files in its data folder (its lists, logs, downloads, the quarantine's
// backup files) and nothing else: the same operations by path, resolved when called, for files
// the program itself made and names. Core code calls them only from the data-folder code (a
// test of the source tree fails on any other caller); an object a user or a listing points at
// is acted on through its identity above.
bool CopyDataFile(std::string_view from, std::string_view to, bool failIfExists,
                  const ProgressSink& progress = {});
bool MoveDataFile(std::string_view from, std::string_view to);  // never replaces
bool DeleteDataFile(std::string_view path);   // files and links only; a missing file fails
bool RemoveDataFolder(std::string_view path);  // only an empty folder, never a drive root
bool SetDataFileAttributes(std::string_view path, uint32_t attributes);

std::optional<std::string> ReadWholeFile(std::string_view path);
// Writes beside the target and renames over it, so readers see the old or the new file.
bool WriteFileAtomic(std::string_view path, std::string_view contents);
// Reads a file sequentially in large blocks; false when it cannot be opened, a read fails or
// `progress` stops it.
bool ReadFileBlocks(std::string_view path,
                    const std::function<void(const unsigned char*, size_t)>& sink,
                    const ProgressSink& progress = {});
// Removes from a folder the temporary files that writes of this program left when they were
// killed (where the file system cannot keep them nameless), once their writer no longer runs.
// Returns how many went.
int RemoveAbandonedTempFiles(std::string_view folder);

// Files in use. Windows refuses to delete a file that a running program holds open, and the
// clean-up of the temporary folder relies on that; Linux deletes it without a word. The view
// gives Linux the Windows rule: a file or folder that another running process holds (an open
// descriptor, its working folder, a mapped file; read under /proc) cannot be deleted or
// removed, as with a sharing violation. What the host's own temporary-file rules keep (the
// "x" and "X" lines of tmpfiles.d on the native view) is never deleted or removed either.
// While a FilesInUseScope lives, /proc is read once and reused, so a clean-up pays for it
// once; without one, each check reads it anew.
class FilesInUseScope {
public:
    FilesInUseScope();
    ~FilesInUseScope();
    FilesInUseScope(const FilesInUseScope&) = delete;
    FilesInUseScope& operator=(const FilesInUseScope&) = delete;
};
// True when a running process holds the file or folder, or (a folder) anything below it.
bool IsInUse(std::string_view path);
// True when the host's temporary-file rules keep the entry, or (a folder) something below it.
bool IsKeptByHost(std::string_view path);

// Windows lets a program hold a file open without delete sharing; nothing can then delete,
// move or replace it. This handle gives the view the same behaviour for one file while it
// lives (tests and the demo machine use it to model locked files).
class FileLock {
public:
    explicit FileLock(std::string_view path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool IsHeld() const { return held_; }

private:
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    bool held_ = false;
};

}  // namespace scourwell::platform
