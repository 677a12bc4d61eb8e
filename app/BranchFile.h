#pragma once
// The branch file "fil.txt" beside the executable: the id of the branch
// (FILIAL row) that the service works for.

#include <cstdint>
#include <filesystem>
#include <string>

namespace fieldsync {

inline constexpr const char* BranchFileName = "fil.txt";

// Skips leading blanks, tabs and line breaks, takes the token up to the first
// character of code 32 or less (at most 32 characters) and reads it as a
// signed whole number; the rest of the file is ignored. An empty file, or one
// of white space only, gives 0. Raises "Invalid numeric input" for a token
// that is not a whole number, "File access denied" or "I/O error %d" when the
// file cannot be read.
int32_t ReadBranchFile(const std::filesystem::path& path);

// Creates or truncates the file and writes `text` exactly as given, then
// CR LF, in Windows-1252.
void WriteBranchFile(const std::filesystem::path& path, const std::u16string& text);

}  // namespace fieldsync
