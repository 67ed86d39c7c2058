#pragma once

// The signature database: stored scrambled and bzip2-compressed ("files.dat"), held decoded
// in one stream with a read position, read line by line.

#include "platform/files.h"
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scourwell::database {

class DatabaseOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A database file that was read but does not decode to a database: it is refused as a missing
// file is.
class DatabaseDamagedError : public DatabaseOpenError {
public:
    using DatabaseOpenError::DatabaseOpenError;
};

// The largest database text accepted. A signature database is a few megabytes of text; a file
// that unpacks to more (a bzip2 stream of a few hundred bytes can unpack to gigabytes) is
// refused before its text grows past this.
inline constexpr size_t kMaxDatabaseTextBytes = size_t{32} << 20;

// The running-key scrambling of the stored form, with the program's three built-in constants.
// Scramble feeds back the input byte, Descramble the output byte, so they undo each other.
void Scramble(std::span<unsigned char> bytes);
void Descramble(std::span<unsigned char> bytes);

// Text -> stored form (bzip2, then scrambling). Used by the packer tool and tests.
std::vector<unsigned char> PackDatabaseText(std::string_view text);
// Stored form -> text. False when the bytes are not a scrambled bzip2 stream.
bool UnpackDatabase(const std::vector<unsigned char>& stored, std::string& text);
// Descrambled bytes -> text: one whole bzip2 stream, decompressed straight into the text. False
// (text unchanged) when the stream is damaged or cut off, or when its text would be longer
// than kMaxDatabaseTextBytes.
bool DecompressDatabase(std::span<const unsigned char> descrambled, std::string& text);

// Stored form -> text as a database file must hold it: one whole bzip2 stream under the
// scrambling, of at most kMaxDatabaseTextBytes, that is not empty. False (text unchanged)
// otherwise.
bool DecodeStoredDatabase(std::string_view stored, std::string& text);

// Reads a database file (Windows path of the view) and decodes it as DecodeStoredDatabase does: the text of one whole
// bzip2 stream under the scrambling, of at most kMaxDatabaseTextBytes, that is not empty.
// Throws DatabaseOpenError when the file cannot be read and DatabaseDamagedError when it does
// not decode. The start-up load and the check of a downloaded database before it replaces
// "files.dat" both go through here.
std::string ReadDatabaseFile(std::string_view path);

class SignatureDatabase {
public:
    // Loads a database file through ReadDatabaseFile. Throws as that does (a damaged file is
    // refused like a missing one); the stream then keeps its content.
    void Load(std::string_view path);
    // Replaces the stream with plain text (tests).
    void SetText(std::string text);

    void Rewind() { position_ = 0; }
    // The next line: the bytes before the first CR among the next 255; "_end" once the
    // position reaches the end of the stream (so the text's last line is never delivered).
    std::string ReadLine();
    // Rewinds and reads one line, the position left as ReadLine leaves it. A text that is only
    // its version line still gives that line, not "_end". "Error" when nothing can be read.
    std::string VersionLine();
    const std::string& Text() const { return stream_; }

private:
    std::string stream_;
    size_t position_ = 0;
};

// One parsed entry line.
struct TsVirName {
    std::string fileName;
    std::string threatName;
    std::string digest;
    std::string folder;
};

TsVirName ParseEntry(std::string_view line, std::string_view currentFolder);

// Removes every "/0/" from an entry line; true when there was one (the entry is then not to be
// looked up among running processes).
bool StripNoProcessMark(std::string& line);

// Reads the next entry line the way the scan walks the database: the section markers
// "[Start]", "[Win32Root]", "[System32Root]" and "[ProgramFiles32Root]" are tested once each,
// in this order, on the line current at that point; a marker sets `currentFolder` and the next
// line takes its place. "_end" at the end of the database.
std::string ReadEntryLine(SignatureDatabase& database, std::string& currentFolder);

// MD5 of the whole file as 32 lowercase hex digits; the digest of empty input when the file
// cannot be read.
// `progress` hears how far the reading is; when it stops the reading the result is that of
// empty input.
std::string FileDigest(std::string_view path, const platform::ProgressSink& progress = {});
// The same for the object of an identity (empty input when it is gone or replaced).
std::string FileDigest(const platform::FileIdentity& file,
                       const platform::ProgressSink& progress = {});
// The same digest of bytes in memory.
std::string TextDigest(std::string_view bytes);

inline constexpr std::string_view kEmptyDigest = "d41d8cd98f00b204e9800998ecf8427e";

}  // namespace scourwell::database
