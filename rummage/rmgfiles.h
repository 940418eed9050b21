// The settings file ~/.rummage and the association file ~/.extension: the
// small section/key reader and writer they share, and loading and saving
// the whole table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "rummage/rmgtable.h"

namespace rmg {

inline constexpr const char* kSettingsFileName = ".rummage";
inline constexpr const char* kExtensionFileName = ".extension";

// "<dir>/.rummage" and "<dir>/.extension".
std::string SettingsFilePath(const std::string& dir);
std::string ExtensionFilePath(const std::string& dir);

// Whole file into `out`.  0 read, 1 status unreadable (missing), 2 cannot
// be opened, 3 cannot be read whole.
int ReadFile(const std::string& path, std::string& out);

// Writes `data` to a new file beside `path` and renames it over `path`, so
// a failure leaves the previous contents; then sync.  0 written, 2 cannot
// be created, 6 write failed.
int WriteFile(const std::string& path, const std::string& data);

// Position of the next newline or of the end, stepping over two-byte
// characters.
std::size_t GetLastCharPosition(const std::string& text, std::size_t from);

// Value of `key` in `section` ("[Name]" with brackets).  0 found, with
// [start, end) the value; 4 not found; -1 argument missing.
int GetValuePosition(const std::string& buffer, const char* section, const char* key,
                     std::size_t& start, std::size_t& end);

// 0 and the value; -1 not found; 5 when the value has `size` characters or
// more (destination untouched).
int GetString(const std::string& buffer, const char* section, const char* key,
              std::string& destination, std::size_t size);
// Decimal as strtol would read it (0 for text that is not a number).
// 0, or -1 with `value` untouched.
int GetNumeric(const std::string& buffer, const char* section, const char* key, int& value);
// 1 when the value begins with "yes" in any case.  0, or -1 untouched.
int GetFlag(const std::string& buffer, const char* section, const char* key, int& value);
// [Setting] number times 256 (0 above 255); untouched when missing.
int GetColor(const std::string& buffer, const char* key, std::uint16_t& component);
// Appends HistoryCount entries "History%d" of `section`, dropping empty,
// missing and too long ones.
void GetHistoryList(const std::string& buffer, const char* section, HistoryList& list);

// Appends "\n[section]\nkey=value\n" when the section header does not yet
// occur in `text`, else "key=value\n".  False (text unchanged) for a value
// of 4096 characters or more or a missing argument.
bool SetString(std::string& text, const char* section, const char* key, const std::string& value);
bool SetNumeric(std::string& text, const char* section, const char* key, int value);
bool SetFlag(std::string& text, const char* section, const char* key, int value);
// Nothing for an empty list; else HistoryCount and one History%d per entry.
bool SetHistoryList(std::string& text, const char* section, const HistoryList& list);

// Load into `table` from <table.SettingsDir>/.rummage.  A missing or
// unreadable file gives the defaults and writes them at once.  0.
int GetGTable(GTable& table);
int GetGTable();  // *pGTable; -1 without a table

// Loading from the text of a settings file (what GetGTable does after
// reading it): every key found replaces the table's value, the rest stay.
void ParseSettingsText(GTable& table, const std::string& text);

// The complete settings text for `table` (window state applied first when
// given).  Empty on failure.
std::string BuildSettingsText(GTable& table, const WindowGeometry* window);

// Save `table` to <table.SettingsDir>/.rummage.  0 written, -1 no table,
// -2 building the text failed, 6 writing failed.
int SetGTable(GTable& table, const WindowGeometry* window = nullptr);
int SetGTable(const WindowGeometry* window = nullptr);  // *pGTable

// Appends the entries of `section` ("[Extension]" or "[Application]") of
// <dir>/.extension to `list`.  0, or -1 for a missing argument; a missing
// file or section leaves the list as it was.
int ReadAppInfo(const std::string& dir, const char* section, std::vector<AppInfo>& list);

// The entries of `section` in the text of an association file, appended to
// `list` (what ReadAppInfo does after reading the file).
void ParseAppInfo(const std::string& text, const char* section, std::vector<AppInfo>& list);

}  // namespace rmg
