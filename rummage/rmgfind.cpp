#include "rummage/rmgfind.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "rummage/rmgtable.h"

namespace rmg {

FindWalk::FindWalk(std::string start, std::string pattern, bool recursive)
    : start_(std::move(start)), pattern_(std::move(pattern)), recursive_(recursive) {
    if (start_.empty() || start_.back() != '/') {
        start_ += '/';
    }
    Level top;
    if (ReadLevel("", top)) {
        stack_.push_back(std::move(top));
    }
}

bool FindWalk::ReadLevel(const std::string& relative, Level& level) {
    const std::string path = start_ + relative;
    // Unreadable directories are passed over without a word.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }
    level.relative = relative;
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        bool directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            directory =
                fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        level.entries.push_back({name, directory});
    }
    closedir(dir);
    // Greatest name first: each node a result tree makes then goes before
    // all its siblings, which a tree store does in constant time.
    std::sort(level.entries.begin(), level.entries.end(),
              [](const Entry& a, const Entry& b) { return a.name > b.name; });
    return true;
}

bool FindWalk::Step(std::size_t budget) {
    while (budget > 0 && !stack_.empty()) {
        Level& level = stack_.back();
        if (level.next >= level.entries.size()) {
            stack_.pop_back();
            continue;
        }
        --budget;
        const Entry entry = std::move(level.entries[level.next++]);
        current_ = entry.name;
        if (start_.size() + level.relative.size() + entry.name.size() + (entry.directory ? 1 : 0) >
            kPathMax) {
            ++skippedLong_;
            continue;
        }
        const bool match = fnmatch(pattern_.c_str(), entry.name.c_str(), 0) == 0;
        const bool descend = entry.directory && recursive_;
        // The path is made only for what needs it, not for every entry.
        if (!match && !descend) {
            continue;
        }
        std::string relative = level.relative + entry.name;
        if (match) {
            matches_.push_back({relative, entry.directory});
        }
        if (descend) {
            Level child;
            if (ReadLevel(relative + "/", child)) {
                // `level` may move with the push; it is not used after it.
                stack_.push_back(std::move(child));
            }
        }
    }
    return !stack_.empty();
}

std::vector<FindMatch> FindWalk::TakeMatches() {
    std::vector<FindMatch> out;
    out.swap(matches_);
    return out;
}

std::vector<FindMatch> FindAll(const std::string& start, const std::string& pattern, bool recursive,
                               std::size_t* skippedLong) {
    FindWalk walk(start, pattern, recursive);
    while (walk.Step(4096)) {
    }
    if (skippedLong != nullptr) {
        *skippedLong = walk.SkippedLong();
    }
    return walk.TakeMatches();
}

}  // namespace rmg
