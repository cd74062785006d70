#pragma once
// Copying and moving files into place without ever leaving a half-written destination:
// the data goes into a temporary file beside the destination, which is then renamed over
// it. Results are system error numbers (system_error.h); 0 is success.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tidewell {

// Permission bits of a destination that did not exist before.
enum class NewFileMode {
  FromSource,  // the source's permission bits, as a copy keeps its attributes
  Default,     // 0666 less the umask, as for a newly created file
};

// Every copy made beside a destination ends with this, so a later run can tell the
// copies a killed run left behind: ".<name>.XXXXXX.tidewell-copy".
inline constexpr std::string_view kBesideCopySuffix = ".tidewell-copy";
// The copy's name holds at most this much of the destination's name.
inline constexpr size_t kBesideNameLength = 200;

// Copies source into a new file beside destination, not yet in place and not yet flushed
// to disk: the caller renames it over destination or removes it. It gets `mode` when given
// (never set-id bits), else the permission bits (and owner, where we may set it) of the
// file it is to replace, else those a new file gets. A destination that another process
// holds under an advisory lock gives kErrorSharingViolation. On failure no file is left.
uint32_t CopyBeside(const std::string& source, const std::string& destination,
                    std::optional<mode_t> mode, std::string& copyPath);

// Copies source over destination (overwriting allowed). A replaced file keeps its
// permission bits (and owner, where we may set it). A destination that another process
// holds under an advisory lock is left alone and gives kErrorSharingViolation.
// On failure the destination is as it was and no temporary file is left.
uint32_t CopyFileOver(const std::string& source, const std::string& destination,
                      NewFileMode newFileMode = NewFileMode::FromSource);

// Moves source over destination: a rename, or across file systems a CopyFileOver followed
// by deleting the source. The modification time and creation time go along. A replaced
// file keeps its permission bits. On failure the source stays where it was.
uint32_t MoveFileOver(const std::string& source, const std::string& destination,
                      NewFileMode newFileMode = NewFileMode::FromSource);

}  // namespace tidewell
