#include "database/signature_database.h"

#include "foundation/file_helpers.h"
#include "foundation/path_expansion.h"
#include "foundation/system_folders.h"
#include "foundation/text.h"
#include "platform/files.h"

namespace scourwell::database {

using foundation::TrimTrailingBlanks;

namespace {

// DecodeStoredDatabase on bytes the caller gives up: they are descrambled where they are.
bool DecodeInPlace(std::string& stored, std::string& text) {
    const std::span<unsigned char> bytes(reinterpret_cast<unsigned char*>(stored.data()), stored.size());
    Descramble(bytes);
    std::string decoded;
    if (!DecompressDatabase(bytes, decoded) || decoded.empty()) return false;
    text = std::move(decoded);
    return true;
}

}  // namespace

std::string ReadDatabaseFile(std::string_view path) {
    const std::string name(path);
    // The size is looked at before anything is read: bzip2 makes no text longer than a
    // hundredth and 600 bytes more, so a larger file cannot hold an accepted database.
    const auto info = platform::GetFileInfo(path);
    if (!info || info->IsDirectory()) throw DatabaseOpenError("Cannot open file \"" + name + "\".");
    const auto damaged = [&name](const char* why) {
        return DatabaseDamagedError("The signature database \"" + name + "\" is damaged (" + why +
                                    ").");
    };
    constexpr uint64_t kMaxFileBytes = kMaxDatabaseTextBytes + kMaxDatabaseTextBytes / 100 + 600;
    if (static_cast<uint64_t>(info->size) > kMaxFileBytes) throw damaged("it is too large");
    // One buffer of the file's size, descrambled where it lies: every fresh buffer of this size
    // costs a page fault per page on first touch, more than the reading itself.
    std::string stored;
    stored.reserve(static_cast<size_t>(info->size));
    const bool read = platform::ReadFileBlocks(path, [&stored](const unsigned char* data, size_t size) {
        stored.append(reinterpret_cast<const char*>(data), size);
    });
    if (!read) throw DatabaseOpenError("Cannot open file \"" + name + "\".");
    std::string text;
    if (!DecodeInPlace(stored, text)) throw damaged("it does not unpack to a database");
    return text;
}

bool DecodeStoredDatabase(std::string_view stored, std::string& text) {
    std::string bytes(stored);
    return DecodeInPlace(bytes, text);
}

void SignatureDatabase::Load(std::string_view path) {
    stream_ = ReadDatabaseFile(path);
    position_ = 0;
}

void SignatureDatabase::SetText(std::string text) {
    stream_ = std::move(text);
    position_ = 0;
}

std::string SignatureDatabase::ReadLine() {
    constexpr size_t kWindow = 255;
    for (;;) {
        if (position_ >= stream_.size()) return "_end";
        const std::string_view window = std::string_view(stream_).substr(position_, kWindow);
        const size_t cr = window.find('\r');
        if (cr != std::string_view::npos) {
            // The line, then the CR and the LF after it.
            std::string line(window.substr(0, cr));
            position_ += cr + 2;
            if (position_ >= stream_.size()) {
                position_ = stream_.size();
                return "_end";
            }
            return line;
        }
        if (window.size() < kWindow) {
            // The text ends without a line break: that tail is never a line.
            position_ = stream_.size();
            return "_end";
        }
        // A line longer than 254 characters is malformed. Neither its head nor its tail may
        // be taken for an entry (a cut file part could name another file): skip it whole.
        const size_t next = stream_.find('\r', position_ + kWindow);
        position_ = next == std::string::npos ? stream_.size() : next + 2;
        if (position_ >= stream_.size()) {
            position_ = stream_.size();
            return "_end";
        }
    }
}

std::string SignatureDatabase::VersionLine() {
    try {
        Rewind();
        const std::string line = ReadLine();
        // ReadLine gives "_end" for the text's last line; the version line of a text that holds
        // nothing else is still shown.
        const std::string_view head = std::string_view(stream_).substr(0, 255);
        const size_t cr = head.find('\r');
        if (cr != std::string_view::npos) return std::string(head.substr(0, cr));
        if (head.size() < 255) return std::string(head);
        return line;
    } catch (...) {
        return "Error";
    }
}

bool StripNoProcessMark(std::string& line) {
    bool marked = false;
    for (size_t at; (at = line.find("/0/")) != std::string::npos;) {
        line.erase(at, 3);
        marked = true;
    }
    return marked;
}

std::string ReadEntryLine(SignatureDatabase& database, std::string& currentFolder) {
    std::string line = database.ReadLine();
    if (foundation::StartsWith(line, "[Start]")) {
        currentFolder.clear();
        line = database.ReadLine();
    }
    if (foundation::StartsWith(line, "[Win32Root]")) {
        currentFolder = foundation::GetWindowsDir() + line.substr(11);
        line = database.ReadLine();
    }
    if (foundation::StartsWith(line, "[System32Root]")) {
        currentFolder = foundation::GetSystemDir() + line.substr(14);
        line = database.ReadLine();
    }
    if (foundation::StartsWith(line, "[ProgramFiles32Root]")) {
        currentFolder = foundation::GetProgramFilesDir() + line.substr(20);
        line = database.ReadLine();
    }
    return line;
}

namespace {

std::string LastLevel(std::string_view folder) {
    return foundation::FileNamePart(foundation::WithoutTrailingBackslash(folder));
}

std::string DefaultThreatName(std::string_view fileName) {
    const std::string name = foundation::FileNamePart(fileName);
    const size_t dot = name.rfind('.');
    return "Sys32." + (dot == std::string::npos ? name : name.substr(0, dot));
}

}  // namespace

TsVirName ParseEntry(std::string_view input, std::string_view currentFolder) {
    TsVirName entry;
    entry.folder = TrimTrailingBlanks(currentFolder);
    std::string_view line = input;

    if (!line.empty() && line.front() == '/') {
        line.remove_prefix(1);
        const size_t slash = line.find('/');
        if (slash != std::string_view::npos) {
            entry.digest = std::string(line.substr(0, slash));
            line.remove_prefix(slash + 1);
        }
        if (entry.digest == "0") entry.digest.clear();
    }

    // The name between "[" and the first "]". The file part is looked for after it, so a
    // threat name such as "Trojan:Win32/Agent" does not split the entry.
    std::string_view rest = line;
    if (!line.empty() && line.front() == '[') {
        const size_t close = line.find(']');
        if (close != std::string_view::npos) {
            entry.threatName = std::string(line.substr(1, close - 1));
            rest = line.substr(close + 1);
        }
    }

    if (rest.find("::") != std::string_view::npos) {
        entry.fileName.clear();
        entry.folder.clear();
        return entry;
    }

    // Without a colon the whole line stands as the file part (it names no existing file).
    const size_t colon = rest.find(':');
    std::string fileName = TrimTrailingBlanks(colon == std::string_view::npos ? line : rest.substr(colon + 1));
    if (fileName.empty()) {
        // An empty file part names nothing; it must not leave the record pointing at the
        // current folder as a whole.
        entry.folder.clear();
        if (entry.threatName.empty()) entry.threatName = "Sys32.";
        return entry;
    }

    const bool folderEntry = !fileName.empty() && fileName.back() == '\\';
    if (folderEntry) {
        // The folder part ends at the first double backslash; a single trailing backslash
        // ends it too, so "Tool\" names the folder Tool and never the current folder itself.
        const size_t doubled = fileName.find("\\\\");
        std::string part = doubled == std::string::npos ? fileName.substr(0, fileName.size() - 1)
                                                        : fileName.substr(0, doubled);
        part = foundation::WithoutTrailingBackslash(part);
        if (part.empty()) {
            // Nothing but backslashes: the entry names no folder at all.
            entry.folder.clear();
            entry.fileName.clear();
            if (entry.threatName.empty()) entry.threatName = "Sys32.";
            return entry;
        }
        entry.folder = foundation::WithTrailingBackslash(entry.folder) + part;
        fileName = LastLevel(part);
    }

    if (entry.threatName.empty()) entry.threatName = DefaultThreatName(fileName);
    entry.fileName = folderEntry ? std::string() : fileName;

    entry.folder = foundation::ExpandFolderMacros(entry.folder);
    entry.fileName = foundation::ExpandFolderMacros(entry.fileName);
    return entry;
}

}  // namespace scourwell::database
