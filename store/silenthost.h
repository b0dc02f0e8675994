// A host for runs nobody watches (benchmarks, fuzz targets): every message
// box gets the same answer, no dialog is shown, and a file is "chosen" only
// when one is set beforehand.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "store/host.h"

namespace zn {

class SilentHost : public Host {
 public:
  explicit SilentHost(Answer answer = Answer::Yes) : answer_(answer) {}

  // What chooseOpenFile returns, every time it is asked.
  std::optional<std::filesystem::path> openFile;

  Answer messageBox(const std::string&, const std::string&, Icon, Buttons) override { return answer_; }
  std::optional<std::filesystem::path> chooseOpenFile(const FileRequest&) override { return openFile; }
  std::optional<std::filesystem::path> chooseSaveFile(const FileRequest&) override { return {}; }
  bool runDialog(const std::string&, DialogModel&) override { return false; }

 private:
  Answer answer_;
};

}  // namespace zn
