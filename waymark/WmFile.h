// The data files Waymark.dat and User00.dat..User19.dat holding the model of
// WmList.h: reading, writing, their key and section rules.  Used by main at
// start-up and by every edit that saves; texts and lengths are locale bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "waymark/WmList.h"
#include "waymark/WmTable.h"

namespace wm {

// Limits of the fields, as the reader enforces them.
inline constexpr std::size_t kVersionMax = 6;
inline constexpr std::size_t kNameMax = 20;
inline constexpr std::size_t kLinkMax = 2048;
inline constexpr std::size_t kPathMax = 2048;
inline constexpr std::size_t kDateMax = 14;
inline constexpr std::size_t kDeleteMax = 8;

// The live model; owned by main, set after a successful load.
extern NaviData* pNaviData;

// Defaults taken when [Color] is incomplete or out of range, and when
// ButtonFont is missing.
inline constexpr NaviColor kDefaultToggleN{25 << 8, 129 << 8, 255 << 8};
inline constexpr NaviColor kDefaultToggleA{99 << 8, 184 << 8, 255 << 8};
inline constexpr NaviColor kDefaultTString{0, 0, 0};
extern const char* const kDefaultButtonFont;

// ---- files -------------------------------------------------------------

// Whole file; 0, or -1 when it is missing, empty or unreadable.  The text
// ends at the first NUL byte, as the file's users have always read it.
int wyReadFile(const std::string& path, std::string& text);
// Replaces the file whole and crash-safely (beside, fsync, rename; the old
// file stays on any failure).  0 or -1.
int wyWriteFile(const std::string& path, const std::string& text);

// The record a save of several data files leaves in DataDir while it puts
// them in place; the next load finishes that save.
inline constexpr const char* kSaveRecord = "Waymark.commit";
// Whether `name` is one of the data files (Waymark.dat, User00.dat..User19.dat).
bool IsDataFileName(const std::string& name);
// Finishes a save that was cut off after it committed and removes what an
// uncommitted one left.  0 or an errno value.
int RecoverNaviFiles(const std::string& dataDir);

// DataDir + "Waymark.dat" and DataDir + "User%02d.dat".
std::string NaviFilePath(const NaviData& data);
std::string UserFilePath(const NaviData& data, int index);

// Loads the whole model: GetNaviInfo, then every user file.  0 or the
// start-up message code (mode 3).  `waymark` is the WAYMARK value, null or
// empty for unset; a relative one is made absolute against the current
// directory.  The form without it reads the environment.  GetNaviInfo
// first finishes (or throws away) a save that was cut off, so the files
// read are all of one save.
int ReadNaviInfo(NaviData& data);
int ReadNaviInfo(NaviData& data, const char* waymark);
int GetNaviInfo(NaviData& data, const char* waymark);
int GetUserInfo(NaviData& data, int index);
// The readers without the files: the text of Waymark.dat into `data` (its
// DataDir untouched), and one user file's text appended as the next user.
int ParseNaviText(NaviData& data, const std::string& text);
int ParseUserText(NaviData& data, const std::string& text);

// Key reader: 0 found, 1 missing (also empty, too long, or, for numbers,
// longer than 7 bytes).  Section headers count only at the start of a line.
int GetInfo(const std::string& text, const char* section, const char* key, std::string& out,
            std::size_t maxLength);
int GetInfo(const std::string& text, const char* section, const char* key, int& out);
// [Color] component 0..255 as a 16-bit value; 0 or 1 (missing or out of range).
int GetColor(const std::string& text, const char* key, unsigned short& component);
// All four colours, or all four defaults when any key fails.
void GetColorInfo(NaviData& data, const std::string& text);
// Appends the "key=value" lines of `section`; 0, or 1 when there is no such
// header.
int GetExtensionData(const std::string& text, const char* section, std::vector<NaviExt>& list);

// Writes the changed user files and Waymark.dat and removes the stale user
// files above the count, all as one set: a failure or a crash at any step
// leaves, for the next load, the old files or the new ones, never a mix
// (every user exactly once).  0 or the write-failure code (mode 1).  A model
// the reader would refuse (a value over its limit, an empty required value,
// a line break in a value, counts out of range) is not written: the old
// files stay and the write-failure code is returned.
int WriteNaviInfo(const NaviData& data);
int SetNaviInfo(const NaviData& data);
int SetUserInfo(const NaviData& data, int index);

// The complete file texts, as the writers write them.  0, or the
// write-failure code for a model that must not be written.
int BuildNaviText(const NaviData& data, std::string& out);
int BuildUserText(const NaviData& data, int index, std::string& out);

// Text building: a section header preceded by an empty line, or one
// "key=value" line.
void SetInfo(std::string& text, const char* section);
void SetInfo(std::string& text, const char* key, const std::string& value);
void SetInfo(std::string& text, const char* key, int value);
void SetColorInfo(std::string& text, const char* key, unsigned short component);
void SetExtensionData(std::string& text, const std::vector<NaviExt>& list);

}  // namespace wm
