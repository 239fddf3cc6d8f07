#pragma once
// Loading the language archive from the program's own executable file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The bytes between the first start marker and the first end marker of the file; nothing when
// the file can't be read completely or the markers are missing or out of order.
std::optional<std::vector<uint8_t>> ExtractArchiveBlock(const std::wstring& path);

// Fills the string tables from the archive inside the running executable (the module of
// AppState.instance). On failure shows the alert, posts the quit message and returns false.
bool LoadLanguageArchive();
