#pragma once

// The "??" enumeration of database file names: a name such as x??a?d?.exe stands for xa.exe,
// xb.exe and xc.exe, and x??1?4?.exe for x1.exe, x2.exe and x3.exe. The end of a range is
// never generated. Letters run in the database alphabet ("abcdefghijklmnoprsqtuvwxyz").
//
// Names are generated one at a time, so a huge range costs nothing until it is walked, and the
// caller can stop after any name.

#include <functional>
#include <string>
#include <string_view>

namespace scourwell::scan {

// True when the file name part of `candidate` holds "??".
bool HasEnumeration(std::string_view candidate);

// Calls `visit` with every generated candidate (the candidate's folder + a generated name), in
// order: letters outer, numbers inner. Stops early when `visit` returns false. Returns false
// when it was stopped that way.
bool EnumerateCandidates(std::string_view candidate,
                         const std::function<bool(const std::string&)>& visit);

}  // namespace scourwell::scan
