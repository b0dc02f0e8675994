#include "shell/results.h"

#include <cstdio>
#include <fstream>

#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace {
std::string withCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool writeMode(const std::filesystem::path& file, const std::string& data, const char* mode) {
  std::FILE* f = std::fopen(file.c_str(), mode);
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}
}  // namespace

std::filesystem::path resultsBackupFile(const std::filesystem::path& file) {
  return std::filesystem::path(file).replace_extension(".BAK");
}

bool startResultsFile(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  const std::string header = withCrLf(strprintf("\n ZONARIUM %s results log file\n\n", kResultsVersion));
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  // The reports of the previous session (or those before a clear) are kept
  // as one backup generation. A file holding only the header has nothing to
  // keep, so it never pushes out a backup that holds reports.
  const bool holdsReports = !ec && size > 0 && (size != header.size() || readFileBytes(file) != header);
  if (holdsReports) {
    fs::rename(file, resultsBackupFile(file), ec);
    // Without a backup the old reports stay where they are: the new header
    // follows them rather than replacing them.
    if (ec) return writeMode(file, header, "ab");
  }
  return saveFileAtomically(file, header);
}

bool appendResults(const std::filesystem::path& file, const std::string& text) {
  return writeMode(file, withCrLf(text), "ab");
}

std::vector<std::string> monitorLines(const std::string& fileBytes, int visibleLines) {
  std::string buf = fileBytes.size() > kMonitorBytes ? fileBytes.substr(fileBytes.size() - kMonitorBytes) : fileBytes;
  // Each CR ends a line and the character after it (the LF) is skipped.
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < buf.size(); ++i) {
    if (buf[i] == '\r') {
      lines.push_back(cur);
      cur.clear();
      ++i;
    } else {
      cur += buf[i];
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  if (visibleLines >= 1 && static_cast<int>(lines.size()) > visibleLines)
    lines.erase(lines.begin(), lines.end() - (visibleLines - 1));
  return lines;
}

std::string readResultsTail(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  auto size = static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg()));
  std::size_t n = std::min(size, kMonitorBytes);
  in.seekg(static_cast<std::streamoff>(size - n));
  std::string out(n, '\0');
  in.read(out.data(), static_cast<std::streamsize>(n));
  out.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
  return out;
}

}  // namespace zn
