#include "shell/notices.h"

#include <utility>

namespace zn {

void showNotices(Session& s, Host& host) {
  // Taken first: a box shown may lead to code that leaves notices of its own.
  Notices pending = std::exchange(s.notices, {});
  for (const Notice& n : pending) showNotice(host, n);
}

Answer showNotice(Host& host, const Notice& notice, Buttons buttons) {
  return host.messageBox(notice.text, notice.caption, notice.icon, buttons);
}

}  // namespace zn
