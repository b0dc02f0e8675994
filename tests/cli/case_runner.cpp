// Runs the zonarium tool's case files, tests/cli/cases/*.case: each file is one
// ctest test, each case in it runs the tool in-process (so the sanitizers see
// it) in a fresh temporary folder holding a small program folder.
//
// A case file is read line by line; blank lines and lines starting with '#'
// are skipped. Directives:
//
//   case TITLE            starts a case: a fresh $TMP holding the program folder
//                         $HOME ($TMP/ZONARIUM: grid types "equal" with the top
//                         row of cells at sea, "ravelund" and "regional"); the
//                         lines before the file's first case are done again
//   write PATH [TEXT]     writes TEXT, or else the block below (| lines), to PATH
//   datafile PATH TITLE [COUNT]  writes a world-grid datafile (COUNT in its
//                         header if given); one | line per taxon:
//                         NAME CODE CELL[:LEVEL]...  (quote a NAME with blanks,
//                         "" for no code; LEVEL defaults to 1)
//   resize PATH BYTES     makes PATH that long (a sparse file)
//   cd PATH               runs the later commands of the case from PATH
//                         (they start from $TMP)
//   run ARGS...           runs `zonarium --home $HOME ARGS`; a later --home wins.
//                         Words split at blanks; "..." keeps blanks and takes
//                         \" and \\ inside it.
//   exit N                the status the last run must return (0 unless said)
//   run ARGS => N [TEXT]  the same as run, exit N and stderr has TEXT
//
// Checks of the last run, on `stdout`, `stderr` or `file PATH`:
//   stdout                followed by | lines: exactly these lines
//   stdout has TEXT       contains TEXT       stdout lacks TEXT   does not
//   stdout starts TEXT    begins with TEXT    stdout empty        is ""
//   stdout lines N        has N line ends     stdout same PATH    equals PATH
//   stdout differs PATH   does not equal PATH
//   stdout keep REGEX     | lines: the lines matching REGEX, in order, are these
//   stdout except REGEX   | lines: the lines not matching REGEX are these
//   file PATH absent      PATH does not exist
// TEXT is the rest of the line with \n, \t, \r, \" and \\ decoded; quotes
// around it are dropped (to keep blanks at its ends). A block is the | lines
// right below: "| text" is the line "text", a bare "|" an empty line. In every
// path, word, TEXT and block, $HOME, $TMP and $DATA (tests/data) are replaced
// and $$ is a dollar sign.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(ZN_SOURCE_DIR) / "tests" / "cli" / "cases";

struct Line {
  int number;
  std::string text;
};

std::string decode(const std::string& s) {
  std::string t = s;
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
  std::string r;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '\\' || i + 1 == t.size()) {
      r += t[i];
      continue;
    }
    const char c = t[++i];
    r += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
  }
  return r;
}

// Blank-separated words; "..." keeps blanks, \" and \\ inside it.
std::vector<std::string> words(const std::string& s) {
  std::vector<std::string> w;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < s.size() && (quoted || s[i] != ' '); ++i) {
      if (s[i] == '"') {
        quoted = !quoted;
      } else if (quoted && s[i] == '\\' && i + 1 < s.size()) {
        word += s[++i];
      } else {
        word += s[i];
      }
    }
    w.push_back(word);
  }
  return w;
}

std::string firstWord(const std::string& s, std::string* rest) {
  const std::size_t sp = s.find(' ');
  *rest = sp == std::string::npos ? "" : s.substr(sp + 1);
  return s.substr(0, sp);
}

class CaseFile {
 public:
  explicit CaseFile(const fs::path& file) : file_(file) {
    std::ifstream in(file, std::ios::binary);
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) lines_.push_back({n, text});
  }

  void run() {
    // What comes before the first case is done again at the start of each.
    std::size_t first = 0;
    while (first < lines_.size() && !lines_[first].text.starts_with("case ")) ++first;
    for (at_ = first; at_ < lines_.size(); ++at_) {
      if (!lines_[at_].text.starts_with("case ")) {
        step();
        continue;
      }
      line_ = lines_[at_].number;
      startCase(lines_[at_].text.substr(5));
      const std::size_t resume = at_;
      for (at_ = 0; at_ < first; ++at_) step();
      at_ = resume;
    }
    finishRun();
    fs::current_path(cwd_);
    if (title_.empty()) ADD_FAILURE_AT(file_.string().c_str(), 1) << "no case in the file";
  }

 private:
  void step() {
    const Line& l = lines_[at_];
    if (l.text.empty() || l.text[0] == '#') return;
    line_ = l.number;
    std::string rest;
    const std::string word = firstWord(l.text, &rest);
    if (!tmp_) return fail("\"" + word + "\" before the first case");
    directive(word, rest);
  }

  void fail(const std::string& what) const {
    ADD_FAILURE_AT(file_.string().c_str(), line_) << "case: " << title_ << "\ncommand: " << command_ << "\n" << what;
  }

  std::string expand(const std::string& s) const {
    const std::pair<std::string, std::string> names[] = {
        {"$", "$"},
        {"HOME", home_.string()},
        {"TMP", tmp_->path().string()},
        {"DATA", (fs::path(ZN_SOURCE_DIR) / "tests" / "data").string()}};
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
      const auto* name = std::find_if(std::begin(names), std::end(names), [&](const auto& n) {
        return s[i] == '$' && s.compare(i + 1, n.first.size(), n.first) == 0;
      });
      if (name == std::end(names)) {
        r += s[i];
      } else {
        r += name->second;
        i += name->first.size();
      }
    }
    return r;
  }

  // The | lines below the current one, each ending in a newline.
  std::string block() {
    std::string b;
    while (at_ + 1 < lines_.size() && !lines_[at_ + 1].text.empty() && lines_[at_ + 1].text[0] == '|') {
      const std::string& t = lines_[++at_].text;
      b += expand(t.size() > 1 ? t.substr(2) : "") + "\n";
    }
    return b;
  }

  void startCase(const std::string& title) {
    finishRun();
    fs::current_path(cwd_);
    tmp_.reset();  // the last case's folder goes before the next is made
    tmp_ = std::make_unique<test::TempDir>();
    fs::current_path(tmp_->path());  // a stray relative name lands in the case's folder
    home_ = test::makeProgramFolder(tmp_->path());
    title_ = title;
    command_.clear();
  }

  // A run whose status was not checked must have succeeded.
  void finishRun() {
    if (!ran_) return;
    ran_ = false;
    line_ = runLine_;
    if (!statusChecked_ && status_ != 0) fail("exit status 0 expected, got " + std::to_string(status_) + "\nstderr:\n" + err_);
  }

  void directive(const std::string& word, const std::string& rest) {
    if (word == "write") {
      std::string text;
      const fs::path p = expand(firstWord(rest, &text));
      test::writeFile(p, text.empty() ? block() : decode(expand(text)));
    } else if (word == "datafile") {
      writeDatafile(rest);
    } else if (word == "resize") {
      const auto w = words(expand(rest));
      if (w.size() != 2) return fail("resize takes PATH BYTES");
      fs::resize_file(w[0], std::stoull(w[1]));
    } else if (word == "cd") {
      fs::current_path(expand(rest));
    } else if (word == "run") {
      runTool(rest);
    } else if (word == "exit") {
      if (!ran_) return fail("exit before any run");
      statusChecked_ = true;
      if (status_ != std::stoi(rest))
        fail("exit status " + rest + " expected, got " + std::to_string(status_) + "\nstdout:\n" + out_ +
             "\nstderr:\n" + err_);
    } else if (word == "stdout" || word == "stderr") {
      if (!ran_) return fail(word + " before any run");
      check(word, word == "stdout" ? out_ : err_, rest);
    } else if (word == "file") {
      std::string how;
      const std::string path = expand(firstWord(rest, &how));
      if (how == "absent") {
        if (fs::exists(path)) fail(path + " should not exist");
        return;
      }
      if (!fs::is_regular_file(path)) return fail(path + " was not written");
      check(path, test::readFile(path), how);
    } else {
      fail("unknown directive \"" + word + "\"");
    }
  }

  void writeDatafile(const std::string& rest) {
    const auto head = words(expand(rest));
    if (head.size() < 2 || head.size() > 3) return fail("datafile takes PATH TITLE [COUNT]");
    std::vector<test::TaxonSpec> taxa;
    std::istringstream rows(block());
    for (std::string row; std::getline(rows, row);) {
      const auto w = words(row);
      if (w.size() < 2) return fail("a taxon is NAME CODE CELL[:LEVEL]...");
      test::TaxonSpec t{w[0], w[1], {}};
      for (std::size_t i = 2; i < w.size(); ++i) {
        const std::size_t colon = w[i].find(':');
        t.levels[std::stoi(w[i].substr(0, colon))] = colon == std::string::npos ? 1 : std::stoi(w[i].substr(colon + 1));
      }
      taxa.push_back(t);
    }
    test::writeFile(head[0], test::datafileImage(head[1], taxa, head.size() == 3 ? std::stoi(head[2]) : -1));
  }

  void runTool(const std::string& line) {
    finishRun();
    const std::size_t arrow = line.find(" => ");
    const std::string rest = line.substr(0, arrow);
    std::vector<std::string> args{"--home", home_.string()};
    for (const std::string& w : words(rest)) args.push_back(expand(w));
    command_ = "zonarium " + rest;
    runLine_ = line_;
    std::ostringstream out, err;
    status_ = runZonarium(args, out, err);
    out_ = out.str();
    err_ = err.str();
    ran_ = true;
    statusChecked_ = false;
    if (arrow == std::string::npos) return;
    std::string text;
    directive("exit", firstWord(line.substr(arrow + 4), &text));
    if (!text.empty()) check("stderr", err_, "has " + text);
  }

  // Compares `got` (what `name` holds) with the expectation `how`.
  void check(const std::string& name, const std::string& got, const std::string& how) {
    std::string arg;
    const std::string mode = firstWord(how, &arg);
    const std::string text = decode(expand(arg));
    auto differ = [&](const std::string& want, const std::string& seen) {
      if (want != seen) fail(name + " differs\nexpected:\n" + want + "\ngot:\n" + seen);
    };
    if (mode.empty()) {
      differ(block(), got);
    } else if (mode == "has" || mode == "lacks") {
      if ((got.find(text) != std::string::npos) != (mode == "has"))
        fail(name + (mode == "has" ? " lacks" : " has") + " \"" + text + "\"\ngot:\n" + got);
    } else if (mode == "starts") {
      if (got.rfind(text, 0) != 0) fail(name + " does not start with \"" + text + "\"\ngot:\n" + got);
    } else if (mode == "empty") {
      differ("", got);
    } else if (mode == "lines") {
      const auto n = std::count(got.begin(), got.end(), '\n');
      if (n != std::stol(arg)) fail(name + ": " + arg + " lines expected, got " + std::to_string(n) + "\n" + got);
    } else if (mode == "same" || mode == "differs") {
      if (!fs::is_regular_file(text)) return fail(text + " does not exist");
      if (mode == "same") differ(test::readFile(text), got);
      else if (test::readFile(text) == got) fail(name + " is the same as " + text);
    } else if (mode == "keep" || mode == "except") {
      const std::regex re(expand(arg));
      std::istringstream in(got);
      std::string kept;
      for (std::string l; std::getline(in, l);)
        if (std::regex_search(l, re) == (mode == "keep")) kept += l + "\n";
      differ(block(), kept);
    } else {
      fail("unknown check \"" + mode + "\"");
    }
  }

  fs::path file_;
  const fs::path cwd_ = fs::current_path();
  std::vector<Line> lines_;
  std::size_t at_ = 0;
  int line_ = 0, runLine_ = 0;
  std::unique_ptr<test::TempDir> tmp_;
  fs::path home_;
  std::string title_, command_, out_, err_;
  int status_ = 0;
  bool ran_ = false, statusChecked_ = false;
};

std::vector<std::string> caseFiles() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kCases))
    if (e.path().extension() == ".case") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ToolCases : public ::testing::TestWithParam<std::string> {};

TEST_P(ToolCases, Pass) { CaseFile(kCases / (GetParam() + ".case")).run(); }

INSTANTIATE_TEST_SUITE_P(Cases, ToolCases, ::testing::ValuesIn(caseFiles()),
                         [](const auto& param) {
                           std::string n = param.param;
                           std::replace_if(n.begin(), n.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                           return n;
                         });

}  // namespace
}  // namespace zn
