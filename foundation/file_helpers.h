#pragma once

// File and text helpers shared by the scans, the clean-up and the inspection tools. Failures
// are folded into the results; nothing throws.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace scourwell::foundation {

struct ProgramContext;

// Size of a file in bytes, 0 when it cannot be opened. Files of 2 GiB and more count in full.
int64_t GetFileSizeBytes(std::string_view path);
// True when the platform reports the file; otherwise true only when it can be opened and is
// longer than 10 bytes.
bool FilePresent(std::string_view path);
// The second half of FilePresent: the file opens read-only and holds more than 10 bytes.
bool OpensWithMoreThanTenBytes(std::string_view path);
// Size from the directory entry (links not followed); -1 when nothing is found.
int64_t FindEntrySize(std::string_view path);
// Every file (not directory) matching the pattern, as folder part + name + ";". "<>" in the
// pattern is a "*". Lets window messages run between entries.
std::string ListMatchingFiles(ProgramContext& context, std::string_view pattern);
// The same listing as separate paths, so that a name holding ";" stays one path.
std::vector<std::string> ListMatchingFilePaths(ProgramContext& context, std::string_view pattern);

int DigitValue(std::string_view ch);      // 0..9, or -1
int LetterIndex(std::string_view ch);     // 1-based in "abcdefghijklmnoprsqtuvwxyz", 0 when absent
std::string LetterAt(int n);              // the n-th letter for 1 <= n <= 25, else empty
std::string LettersOnly(std::string_view text);
std::string DigitsOnly(std::string_view text);
std::string TrimTrailingBlanks(std::string_view text);

// Terminates every process whose image file name or whole image path equals `name` (case
// ignored). The outcome of the last termination (non-zero on success), or -1.
int KillProcessesByName(std::string_view name);
// Ends the processes that run this very file (its device and inode), and deletes it even when
// read-only, retrying for about one second (the context's watchdog). The watchdog is stopped
// on return.
// The path is resolved once, as typed, when the call starts; only that object is acted on.
// True when it is gone and nothing has taken its name since (also when nothing was there).
// For what a user types; core code acts on listed objects through the identity variant (a
// test of the source tree fails on a core caller of this one).
bool ForceDeleteFileAtPath(ProgramContext& context, std::string_view path);
// A listed object: true when this call removed it; false when it was already gone or another
// object stands in its place.
bool ForceDeleteFile(ProgramContext& context, const platform::FileIdentity& file);

}  // namespace scourwell::foundation
