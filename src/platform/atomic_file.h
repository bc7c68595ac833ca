// Replacing a small file so that a crash or a full disk never leaves it half written.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class FileWriteResult {
    Ok,
    FolderMissing,  // the file's folder does not exist; nothing was written
    Failed,         // anything else (permissions, full disk, ...); the old file is untouched
};

// Writes `bytes` to a new file beside `path`, flushes it to disk and renames it over `path`.
// An existing file keeps its permissions; a new one gets 0666 less the umask. A symbolic link
// at `path` is written through, not replaced. Temporary files that earlier writers of `path`
// left when they were killed mid-save are removed after a successful replace.
FileWriteResult ReplaceFileContents(const std::string& path, std::string_view bytes);

// Creates `folder` and every missing folder above it with `mode`. True when it exists
// afterwards.
bool MakeFolders(const std::string& folder, unsigned mode);

}  // namespace platform
