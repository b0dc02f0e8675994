// A host for runs nobody watches (benchmarks, fuzz targets): every message
// box gets the same answer, no dialog is shown and no file is chosen (the
// core takes its files as parameters).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "shell/host.h"

namespace zn {

class SilentHost : public Host {
 public:
  explicit SilentHost(Answer answer = Answer::Yes) : answer_(answer) {}

  Answer messageBox(const std::string&, const std::string&, Icon, Buttons) override { return answer_; }
  std::optional<std::filesystem::path> chooseOpenFile(const FileRequest&) override { return {}; }
  std::optional<std::filesystem::path> chooseSaveFile(const FileRequest&) override { return {}; }
  bool runDialog(const std::string&, DialogModel&) override { return false; }

 private:
  Answer answer_;
};

}  // namespace zn
