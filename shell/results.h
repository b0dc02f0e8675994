// The RESULTS file: a plain-text log with CR LF line ends that every report
// appends to, and the tail that the RESULTS monitor shows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zn {

inline constexpr const char* kResultsVersion = "version 4.19.25";
inline constexpr std::size_t kMonitorBytes = 4096;

// Starts the file afresh with the header; false when it cannot be created.
// A file that holds reports is first renamed to the backup file (RESULTS.BAK
// beside it, one generation), so starting or clearing never loses the
// previous reports.
bool startResultsFile(const std::filesystem::path& file);

// The backup file of the RESULTS file: the same name with ".BAK".
std::filesystem::path resultsBackupFile(const std::filesystem::path& file);

// Appends text (LF line ends, turned into CR LF); false when the file cannot
// be opened, in which case the report is skipped.
bool appendResults(const std::filesystem::path& file, const std::string& text);

// The lines the monitor draws for the file's bytes with room for
// visibleLines lines: the tail of the last 4096 bytes, split at CRs.
std::vector<std::string> monitorLines(const std::string& fileBytes, int visibleLines);

// Reads the tail of the file for the monitor; empty when unreadable.
std::string readResultsTail(const std::filesystem::path& file);

}  // namespace zn
