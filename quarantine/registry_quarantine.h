#pragma once

// How the inspection tools hand objects to the quarantine: an object line (a record line whose
// field 0 is "-1" and field 1 the kind) parsed into a TsVir, a file copy or a registry value
// backup, the deletion of registry values and keys, and the removal (with backups) of the
// autorun values that name a file which could not be deleted.
//
// Object lines by kind:
//   "0" file:           -1;0;Path;Detected;Digest;Size;
//   "1" registry value: -1;1;Object;Detected;RootIndex;Key;ValueName;TypeWord;Data;
//   "2" registry key:   -1;2;Object;Detected;
// The actions of the pages build TsVir records directly, so that a ";" inside a key or value
// name can never shift a field onto another object.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/registry.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::quarantine {

enum ObjectKind : long long { kObjectFile = 0, kObjectRegistryValue = 1, kObjectRegistryKey = 2 };

struct TsVir {
    std::string object;
    std::string detected;
    std::string digest;
    int32_t size = -1;
    std::string key;
    std::string valueName;
    std::string valueType;  // "str", "int", "bool" or "ext"
    int32_t intData = -1;
    std::string textData;
    bool boolData = false;
    long double floatData = -1.0L;
    // Empty when the line's root index is not one of the five roots: nothing is then deleted.
    std::optional<platform::RootKey> root;
    std::string text1;  // never filled or read
    std::string text2;
    bool isKey = false;  // the record names a whole key (kind "2")
    // Kind 0: the file as a listing saw it. The copy is taken of that very object (and the
    // index records its path as stored); without it the path is resolved once, as typed.
    std::optional<platform::FileIdentity> file;
};

// Kind of an object line (field 1), -1 when it is not a number.
long long ObjectLineKind(std::string_view line);
// Fills the record's fields for the line's kind; other kinds fill nothing.
void ParseObjectLine(std::string_view line, TsVir& record);

enum class QuarantineOutcome {
    Quarantined,  // an entry was added
    Failed,       // the copy or the backup failed: the object must stay where it is
    NotTaken,     // a kind that is never quarantined (a registry key), or nothing named
};

// Quarantines a file (kind 0) or backs a registry value up (kind 1), adds its entry, refreshes
// the view and saves the index. A listed file that is gone, or has another object in its place,
// is not copied (Failed). A backup that fails shows "Cannot backup registry data." with
// the key and value. Throws foundation::IoError when the quarantine folder cannot be created.
QuarantineOutcome QuarantineObject(QuarantineStore& store, long long kind, const TsVir& record);
QuarantineOutcome QuarantineObject(QuarantineStore& store, std::string_view line);

// Result codes of DeleteRegistryObject.
enum DeleteResult : int {
    kDeleteError = -1,        // an error, or the record names no key or no known root
    kValueNotDeleted = 0,
    kValueDeleted = 1,
    kValueMissing = 2,
    kKeyMissing = 3,
    kKeyDeleted = 4,
    kKeyNotDeleted = 5,
};

// Deletes the record's value, or with `isKey` its whole key. A value with the empty name is
// the key's default value, never the key.
int DeleteRegistryObject(const TsVir& record);

// Removes the autorun values (under the keys of "RegBase.rgk") whose command line names this
// very file: its program part, expanded as the Startup Manager expands it, resolves to the
// file's device and inode. A value that merely contains the path, or names a case-variant twin
// or another file of the same name, stays. Each value is backed up into the quarantine first,
// so the Quarantine page can restore it, and is deleted only when its backup was made and it
// still reads as backed up. True when at least one was deleted; the view is refreshed.
bool RemoveAutorunReferences(QuarantineStore& store, const platform::FileIdentity& file);

}  // namespace scourwell::quarantine
