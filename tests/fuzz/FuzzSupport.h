#pragma once
// What the file-reader fuzzers share: the shared code silenced, and the input bytes as a file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>

#include <unistd.h>

#include "geometry/ErrorHandler.h"

// Error boxes answered at once; progress lines and notices, which would flood the fuzzer's
// log, sent nowhere.
inline void SilenceForFuzzing()
{
    SetErrorHandler([](const std::string&) { return 1; });
    if (!std::freopen("/dev/null", "w", stdout)) std::perror("stdout");
}

// A name in the temporary folder that no other fuzzing process uses.
inline std::string FuzzTempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()))).string();
}

// Removes the files or folders a fuzzer wrote, quietly.
inline void RemoveFuzzFiles(std::initializer_list<std::string> paths)
{
    std::error_code ec;
    for (const std::string& p : paths) std::filesystem::remove_all(p, ec);
}

// The input bytes as the whole content of `path`; false when it cannot be written.
inline bool WriteFuzzInput(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}
