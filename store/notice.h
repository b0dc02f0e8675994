// What the core has to tell the user. Core operations never show anything:
// they leave notices (text, caption, icon) in the order the user is to read
// them, and the shell or the tool shows each as a message box with an OK
// button once the operation has returned.
#pragma once

#include <string>
#include <vector>

namespace zn {

enum class Icon { None, Information, Warning, Error, Question, Exclamation };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct Notice {
  std::string text;
  std::string caption;
  Icon icon = Icon::None;

  bool operator==(const Notice&) const = default;
};

using Notices = std::vector<Notice>;

}  // namespace zn
