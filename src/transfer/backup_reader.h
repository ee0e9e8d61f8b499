// A backup made by backup_file.h read again without a Newton: its entries
// handed to an export as a live reading hands them, store by store and soup
// by soup, so that a user whose Newton has died still gets the same files.
#pragma once

#include <optional>
#include <string>

#include "base/export_choice.h"

namespace zd {

struct Session;

// Exports from the backup `file` what `request` asks for; the reason, when
// `file` is no backup.  The outcome is the session's, as after a reading.
std::optional<std::string> ExportFromBackup(Session& s, const ExportRequest& request,
                                            const std::string& file);

}  // namespace zd
