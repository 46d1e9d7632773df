#pragma once
// Whole files as bytes, for tests that write and compare files.

#include <filesystem>
#include <string>

// The file's bytes; "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// Writes the bytes, making the folders on the way; false when it cannot.
bool WriteFile(const std::filesystem::path& path, const std::string& bytes);
