// Whole-file reads, and writes that leave a whole file or none: the new
// content goes into a temporary file of ours beside the target, reaches the
// disk, and only then takes the target's name.  A full disk, a failed write
// or a kill in the middle leaves whatever the name held before.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zd {

// The file's bytes, or nullopt if it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// What a write does when its name is taken already.
enum class IfTaken { kReplace, kRefuse };

// Puts `content` under `path`, whole or not at all.  A replaced file keeps
// its permissions; a new one gets 0666 less the umask.  Returns 0, or the
// errno of the failure (EEXIST when the name is taken and `ifTaken` says
// kRefuse), with no temporary file left behind.
int WriteWholeFile(const std::string& path, std::string_view content, IfTaken ifTaken);

// Why a write of `path` failed with `error`, in words: the system's own, or,
// where a disk refused a character of the name (FAT and exFAT say "No such
// file or directory" for it), which character.
std::string WriteFailure(const std::string& path, int error);

// A new temporary file of ours beside `path` (whose folder it is in), open
// for writing: its descriptor, with its name in `*temporary`; -1 with errno
// set when it cannot be made.  A program killed before it is gone leaves it,
// and a temporary file a library made beside it, to RemoveStrayTemporaryFiles.
int CreateTemporaryBeside(const std::string& path, std::string* temporary);

// Gives `temporary`, one of CreateTemporaryBeside's that is written whole
// (by us or by a library given its name), the name `path` once it is on the
// disk, with the permissions a write of `path` gives.  Returns 0, or the
// errno of the failure, with `temporary` removed.
int PlaceTemporary(const std::string& temporary, const std::string& path, IfTaken ifTaken);

// A file written a piece at a time beside its final name, which it takes only
// once Commit has it whole on the disk; one dropped before leaves no trace.
class AtomicWriter {
public:
    explicit AtomicWriter(std::string path) : m_path(std::move(path)) {}
    ~AtomicWriter() { Abandon(); }
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    // 0, or the errno of the failure; after one, every later call fails too.
    int Open();
    int Append(std::string_view bytes);
    int Commit(IfTaken ifTaken);
    void Abandon();

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::string m_temporary;
    int m_fd = -1;
    int m_error = 0;
};

// Removes the temporary files that writes into `folder` left when their
// program was killed in the middle; those of a program still running stay.
// Returns how many went.
int RemoveStrayTemporaryFiles(const std::string& folder);

}  // namespace zd
