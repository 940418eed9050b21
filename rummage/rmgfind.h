// The walk behind "Find file": names matching a shell pattern below a start
// directory, found in small steps so the window stays alive.  Each
// directory's names are read and the directory closed before its children
// are entered, so deep trees never run out of descriptors.  A directory's
// entries are examined from the greatest name (byte order) down, children
// before the next sibling.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rmg {

// Result window codes.
inline constexpr int RESULT_SHOW_DIRECTORY = static_cast<int>(0xFF000001u);
inline constexpr int RESULT_SEARCH_AGAIN = static_cast<int>(0xFF000002u);

// One match: its path below the start directory ("a/b/name"), and whether
// it is a directory (kept because its own name matched).  Directories on
// the way to a match are implied by the path.
struct FindMatch {
    std::string relative;
    bool directory = false;
};

class FindWalk {
  public:
    // `start` ends in "/".  Links are never followed.
    FindWalk(std::string start, std::string pattern, bool recursive);

    // Examines up to `budget` entries; false once the walk is over.
    bool Step(std::size_t budget);
    bool Done() const { return stack_.empty(); }

    // Matches found since the last call.
    std::vector<FindMatch> TakeMatches();
    // Name of the entry examined last.
    const std::string& CurrentName() const { return current_; }
    // Paths left out because they were longer than a path may be.
    std::size_t SkippedLong() const { return skippedLong_; }

  private:
    struct Entry {
        std::string name;
        bool directory = false;
    };
    struct Level {
        std::string relative;  // "" or "a/b/"
        std::vector<Entry> entries;
        std::size_t next = 0;
    };
    bool ReadLevel(const std::string& relative, Level& level);

    std::string start_;
    std::string pattern_;
    bool recursive_;
    std::vector<Level> stack_;
    std::vector<FindMatch> matches_;
    std::string current_;
    std::size_t skippedLong_ = 0;
};

// The whole walk at once (tests, benchmark).
std::vector<FindMatch> FindAll(const std::string& start, const std::string& pattern, bool recursive,
                               std::size_t* skippedLong = nullptr);

}  // namespace rmg
