#include "interchange/scr.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr const char* kFormats =
    "#0 - cell longitude, latitude, score,\n#1 - scores in order of grid cell number,\n"
    "#2 - cell number score number pairs\n#3 - cell number, foreground score, background score";
constexpr std::size_t kScoresFileMax = std::size_t(256) << 20;

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Whitespace-separated tokens read as numbers; a token that is not a number
// reads as 0.
class Tokens {
 public:
  Tokens(const std::string& text, std::size_t at) : text_(text), at_(at) {}

  std::optional<double> next() {
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
    if (at_ >= text_.size()) return std::nullopt;
    const std::size_t end = [&] {
      std::size_t e = at_;
      while (e < text_.size() && !isSpace(text_[e])) ++e;
      return e;
    }();
    const std::string token = text_.substr(at_, end - at_);
    at_ = end;
    char* stop = nullptr;
    const double v = std::strtod(token.c_str(), &stop);
    return stop == token.c_str() || !std::isfinite(v) ? 0.0 : v;
  }

 private:
  const std::string& text_;
  std::size_t at_;
};

// A cell number read as a value; 0 when it is no cell of the grid.
int cellNumber(double v, int cells) {
  if (!(v >= 1.0 && v <= cells)) return 0;
  return static_cast<int>(v);
}

}  // namespace

ScoresRead readScoresColumn(const std::string& text, const Workspace& ws) {
  ScoresRead out;
  const std::size_t hash = text.find('#');
  if (hash == std::string::npos) {
    out.error = std::string("Can't find format statement before data:\n") + kFormats;
    return out;
  }
  // The statement is read as a token of at most two characters.
  const char digit = hash + 1 < text.size() && !isSpace(text[hash + 1]) ? text[hash + 1] : ' ';
  if (digit < '0' || digit > '6') {
    out.error = std::string("Format statement error, options:\n") + kFormats;
    return out;
  }
  const int cells = std::min(ws.geo.cells, static_cast<int>(ws.cells.size()) - 2);
  ScoresColumn c;
  c.format = digit - '0';
  c.values.assign(static_cast<std::size_t>(std::max(cells, 0)) + 1, 0.0);
  c.read.assign(c.values.size(), 0);
  auto put = [&](int n, double v) {
    if (n < 1 || n > cells) return;
    c.values[static_cast<std::size_t>(n)] = v;
    c.read[static_cast<std::size_t>(n)] = 1;
  };
  Tokens tokens(text, hash + 2);
  switch (c.format) {
    case 0:
      for (;;) {
        const auto lon = tokens.next(), lat = tokens.next(), v = tokens.next();
        if (!v) break;
        for (int n = 1; n <= cells; ++n) {
          const GridCell& g = ws.cells[static_cast<std::size_t>(n)];
          if (g.lonWest <= *lon && *lon < g.lonEast && g.latSouth <= *lat && *lat < g.latNorth) {
            put(n, *v);
            break;
          }
        }
      }
      break;
    case 1:
      for (int n = 1; n <= cells; ++n) {
        const auto v = tokens.next();
        if (!v) break;
        put(n, *v);
      }
      break;
    case 2:
    case 3:
    case 4:
    case 5: {
      const int extra = c.format == 2 ? 0 : c.format == 3 ? 1 : 2;
      for (int k = 0; k < cells; ++k) {
        const auto n = tokens.next(), v = tokens.next();
        bool complete = n && v;
        for (int e = 0; e < extra && complete; ++e) complete = tokens.next().has_value();
        if (!complete) break;
        put(cellNumber(*n, cells), *v);
      }
      break;
    }
    default:
      break;
  }
  out.column = std::move(c);
  return out;
}

ScoresRead readScoresFile(const std::string& path, const Workspace& ws) {
  const auto text = readFileBytes(path, kScoresFileMax);
  if (!text) {
    ScoresRead out;
    out.error = strprintf("Can't open file\n%s", path.c_str());
    return out;
  }
  return readScoresColumn(*text, ws);
}

}  // namespace zn
