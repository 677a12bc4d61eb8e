#pragma once
// Zip archives of a directory tree (libzip). The archive is written under a
// temporary name beside its target and renamed into place, so a reader sees
// the old archive or the new one, never a part.

#include <filesystem>
#include <string>
#include <vector>

namespace fieldsync {

// Compresses every regular file below `sourceDir` into `zipFile`, with
// entry names relative to `sourceDir` and "/" as separator, in name order.
// Temporary files of writers still at work (".name.tmp") are left out.
// Raises with the archive's name and the reason when it cannot be written;
// an existing archive then stays as it was.
void ZipDirectory(const std::filesystem::path& sourceDir, const std::filesystem::path& zipFile);

// The same for several trees laid over each other: every file below any of
// `sourceDirs`, by its name relative to its tree; a name found in more than
// one tree is taken from the last of them (the same directory named twice
// gives its files once). Each directory must exist.
void ZipDirectories(const std::vector<std::filesystem::path>& sourceDirs,
                    const std::filesystem::path& zipFile);

// The entry names of an archive, in archive order. Raises when it cannot be
// read as a zip archive.
std::vector<std::string> ZipEntryNames(const std::filesystem::path& zipFile);

}  // namespace fieldsync
