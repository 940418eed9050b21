// Several files of one directory replaced together: staged beside, then a
// commit record, then the renames.  A loader that runs RecoverFileSet sees
// the old set or the new one, never a mix.
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/SafeFile.h"

namespace suite {

namespace {

// What the beside files of a set are called: "<name>.saving-XXXXXX".
const char kStageTag[] = ".saving-";

struct Step {
    std::string op;      // "rename", "copy" or "remove"
    std::string name;    // the member, a name in the directory
    std::string target;  // the file written: the member or its link's target
    std::string beside;  // the staged content: target + kStageTag + six characters
};

std::string Join(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool RandomSuffix(const std::string& text, std::size_t from) {
    if (text.size() != from + 6) {
        return false;
    }
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

bool Member(const SetMember& member, const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != ".." &&
           member(name);
}

// Whether `beside` is a staged file for `target`.
bool StagedFor(const std::string& beside, const std::string& target) {
    const std::string prefix = target + kStageTag;
    return beside.compare(0, prefix.size(), prefix) == 0 && RandomSuffix(beside, prefix.size());
}

// The record: four NUL-ended fields a step (paths may hold any byte but
// NUL), then "end".
std::string RecordText(const std::vector<Step>& steps) {
    std::string text;
    for (const Step& s : steps) {
        for (const std::string* f : {&s.op, &s.name, &s.target, &s.beside}) {
            text += *f;
            text += '\0';
        }
    }
    text += "end";
    text += '\0';
    return text;
}

// The steps of a record; false for anything but a whole record of the set's
// own files.  A target must be what the member resolves to now, so a record
// can never make the recovery write or remove anything else.
bool ParseRecord(const std::string& dir, const std::string& text, const SetMember& member,
                 std::vector<Step>& steps) {
    std::vector<std::string> fields;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t nul = text.find('\0', pos);
        if (nul == std::string::npos) {
            return false;
        }
        fields.push_back(text.substr(pos, nul - pos));
        pos = nul + 1;
    }
    if (fields.empty() || fields.back() != "end" || fields.size() % 4 != 1) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < fields.size(); i += 4) {
        Step s{fields[i], fields[i + 1], fields[i + 2], fields[i + 3]};
        if (!Member(member, s.name)) {
            return false;
        }
        if (s.op == "remove") {
            if (!s.target.empty() || !s.beside.empty()) {
                return false;
            }
        } else if (s.op != "rename" && s.op != "copy") {
            return false;
        } else if (s.target != TargetOf(Join(dir, s.name), true) ||
                   !StagedFor(s.beside, s.target)) {
            return false;
        }
        steps.push_back(s);
    }
    return true;
}

// One step, done so that doing it again after a crash is harmless: a
// beside file that is gone was placed already.
int Apply(const std::string& dir, const Step& s) {
    int err = FaultPoint();
    if (err != 0) {
        return err;
    }
    if (s.op == "remove") {
        return ::unlink(Join(dir, s.name).c_str()) == 0 || errno == ENOENT ? 0 : errno;
    }
    if (::access(s.beside.c_str(), F_OK) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    return PlaceStaged(StagedFile{s.target, s.beside, s.op == "copy"});
}

int RemoveRecord(const std::string& dir, const std::string& record) {
    int err = FaultPoint();
    if (err != 0) {
        return err;
    }
    if (::unlink(Join(dir, record).c_str()) != 0 && errno != ENOENT) {
        return errno;
    }
    SyncDirectory(dir);
    return 0;
}

// Beside files no record names: a save that never committed.
void RemoveLeftovers(const std::string& dir, const std::string& record, const SetMember& member) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        return;
    }
    std::vector<std::string> gone;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        const std::size_t tag = name.rfind(kStageTag);
        const bool staged = tag != std::string::npos && tag > 0 &&
                            Member(member, name.substr(0, tag)) &&
                            StagedFor(name, name.substr(0, tag));
        // The record's own beside file, from a crash while it was written.
        const bool recordPart = name.size() == record.size() + 7 &&
                                name.compare(0, record.size() + 1, record + ".") == 0 &&
                                RandomSuffix(name, record.size() + 1);
        if (staged || recordPart) {
            gone.push_back(name);
        }
    }
    ::closedir(d);
    for (const std::string& name : gone) {
        ::unlink(Join(dir, name).c_str());
    }
}

}  // namespace

int RecoverFileSet(const std::string& dir, const std::string& record, const SetMember& member) {
    std::string text;
    const int readErr = ReadWholeFile(Join(dir, record), text);
    std::vector<Step> steps;
    if (readErr == 0 && ParseRecord(dir, text, member, steps)) {
        for (const Step& s : steps) {
            const int err = Apply(dir, s);
            if (err != 0) {
                return err;
            }
        }
        SyncDirectory(dir);
    } else if (readErr != 0 && readErr != ENOENT) {
        return readErr;
    }
    // A record that is not whole was never committed (it is written
    // atomically), so it goes with the files it would have named.
    if (readErr == 0) {
        const int err = RemoveRecord(dir, record);
        if (err != 0) {
            return err;
        }
    }
    RemoveLeftovers(dir, record, member);
    return 0;
}

int ReplaceFileSet(const std::string& dir, const std::vector<SetChange>& changes,
                   const std::string& record, const SetMember& member) {
    for (const SetChange& c : changes) {
        if (!Member(member, c.name)) {
            return EINVAL;
        }
    }
    int err = RecoverFileSet(dir, record, member);
    if (err != 0) {
        return err;
    }
    std::vector<StagedFile> staged;
    std::vector<Step> steps;
    auto drop = [&] {
        for (const StagedFile& s : staged) {
            DropStaged(s);
        }
    };
    for (const SetChange& c : changes) {
        if (!c.data) {
            continue;
        }
        StagedFile s;
        err = StageFile(Join(dir, c.name), *c.data, {}, kStageTag, s);
        if (err != 0) {
            drop();
            return err;
        }
        staged.push_back(s);
        steps.push_back({s.inPlace ? "copy" : "rename", c.name, s.target, s.beside});
    }
    for (const SetChange& c : changes) {
        if (!c.data) {
            steps.push_back({"remove", c.name, "", ""});
        }
    }
    if (steps.empty()) {
        return 0;
    }
    // One rename is atomic by itself.
    const bool needRecord = steps.size() > 1 || steps[0].op != "rename";
    if (needRecord) {
        ReplaceOptions options;
        options.newMode = 0600;
        err = ReplaceFile(Join(dir, record), RecordText(steps), options);
        if (err != 0) {
            drop();
            return err;
        }
    }
    // Committed: from here on a failure leaves the record, and the next
    // save or load finishes the set.
    for (const Step& s : steps) {
        err = Apply(dir, s);
        if (err != 0) {
            return err;
        }
    }
    SyncDirectory(dir);
    return needRecord ? RemoveRecord(dir, record) : 0;
}

}  // namespace suite
