// Shared by the tunewell fuzzers: one scratch file in a private directory
// (memory-backed when there is one, since every step syncs its file), removed
// when the run ends normally, and a check that names the broken property.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace twfuzz {

inline char scratchDir[64];

inline void RemoveScratch() {
    const std::string file = std::string(scratchDir) + "/f";
    ::unlink(file.c_str());
    ::rmdir(scratchDir);
}

// The scratch file's path; `tag` names the directory.
inline const std::string& FilePath(const char* tag) {
    static const std::string path = [tag] {
        std::snprintf(scratchDir, sizeof scratchDir, "/dev/shm/%s-XXXXXX", tag);
        if (::mkdtemp(scratchDir) == nullptr) {
            std::snprintf(scratchDir, sizeof scratchDir, "/tmp/%s-XXXXXX", tag);
            if (::mkdtemp(scratchDir) == nullptr) {
                std::abort();
            }
        }
        std::atexit(RemoveScratch);
        return std::string(scratchDir) + "/f";
    }();
    return path;
}

// Names the broken property before stopping, so a crash report says which.
inline void CheckAt(bool ok, int line) {
    if (!ok) {
        std::fprintf(stderr, "property broken at line %d\n", line);
        std::abort();
    }
}

}  // namespace twfuzz

#define Check(ok) twfuzz::CheckAt((ok), __LINE__)
