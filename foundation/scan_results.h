#pragma once

// Scan result rows and the program-wide ScanResults list. Rows are structured records in
// memory; their ";"-terminated text form exists only where text is compared, sorted or shown,
// so a name holding ";" or "=" can never make a row point at another object.

#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace scourwell::foundation {

struct ScanResultRow {
    std::string name;
    std::string kind;      // "Folder" or "File"
    std::string location;  // with trailing backslash
    std::string size;      // decimal bytes (folder and junk scan), size text or "n/a" (malware)
    std::string status;    // "Critical", "High", "Ok", "Junk", "Infected"
    bool selected = true;
    // The object the scan listed; the clean-up acts on it and on nothing else. Not part of the
    // text form. Unknown for rows not made from a listing.
    platform::FileIdentity identity;

    std::string ToLine() const;  // Name;Kind;Location;Size;Status;1;
    std::string FullPath() const { return location + name; }
    // The Size field as a whole decimal integer, or empty (malware rows).
    std::optional<long long> DecimalSize() const;
};

class ScanResults {
public:
    const std::vector<ScanResultRow>& Rows() const { return rows_; }
    size_t Count() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }
    void Clear() { rows_.clear(); }
    // Appends (unsorted mode) or inserts at the sorted place, ignoring an identical line
    // (sorted mode).
    void Add(ScanResultRow row);
    // Index of the first row with this name, location and kind, or -1.
    long Find(const std::string& name, const std::string& location, const std::string& kind) const;
    // Sets the Selected field and switches the list to sorted order for the rest of the run.
    void SetSelected(size_t index, bool selected);
    // The same for many rows at once (indexes as they are before the call), sorting once.
    void SetSelected(const std::vector<size_t>& indexes, bool selected);
    bool IsSorted() const { return sorted_; }
    void SwitchToSorted();

private:
    std::vector<ScanResultRow> rows_;
    bool sorted_ = false;
};

}  // namespace scourwell::foundation
