#include "inspect/listed_file_quarantine.h"

#include "foundation/file_helpers.h"
#include "quarantine/registry_quarantine.h"

namespace scourwell::inspect {
namespace {

// Whether something other than the listed object answers to the name now, the way a user
// would type it (so a case-variant twin counts).
ListedFileOutcome MissingOutcome(std::string_view path) {
    return platform::IdentifyObject(path).has_value() ? ListedFileOutcome::Replaced
                                                      : ListedFileOutcome::Gone;
}

}  // namespace

ListedFileOutcome QuarantineListedFile(foundation::ProgramContext& context,
                                       quarantine::QuarantineStore& store,
                                       const std::optional<platform::FileIdentity>& file,
                                       std::string_view shownPath) {
    if (!file) return MissingOutcome(shownPath);
    const auto info = platform::GetFileInfo(*file);
    if (!info || info->IsDirectory()) return MissingOutcome(file->path);

    quarantine::TsVir record;
    record.object = file->path;
    record.size = static_cast<int32_t>(info->size);
    record.file = *file;
    const auto copied = quarantine::QuarantineObject(store, quarantine::kObjectFile, record);
    // The copy let events run: the object may have been swapped meanwhile.
    if (!platform::GetFileInfo(*file)) return MissingOutcome(file->path);
    if (copied != quarantine::QuarantineOutcome::Quarantined) return ListedFileOutcome::NotCopied;
    if (foundation::ForceDeleteFile(context, *file)) return ListedFileOutcome::Deleted;
    return platform::GetFileInfo(*file) ? ListedFileOutcome::NotDeleted
                                        : MissingOutcome(file->path);
}

}  // namespace scourwell::inspect
