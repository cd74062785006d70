// The progress bar: the library's progress messages drawn as one line on standard
// error, only when that is a terminal (logs and pipes get nothing).
#include <unistd.h>

#include <cstdio>

#include "pics_commands.h"

namespace pics {

namespace {
constexpr UINT kProgressCommand = 0x7001;
constexpr int kWidth = 40;
}  // namespace

ProgressBar::ProgressBar(std::string label) : m_label(std::move(label)) {
  if (::isatty(STDERR_FILENO)) CPics::SetProgressDlg(this, kProgressCommand, 0, 100);
}

ProgressBar::~ProgressBar() {
  if (CPics::m_pProgressDlg == this) CPics::SetProgressDlg(nullptr, 0, 0, 0);
  if (m_shown) std::fprintf(stderr, "\r%*s\r", int(m_label.size()) + kWidth + 8, "");
}

LRESULT ProgressBar::SendMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND || wParam != kProgressCommand || CPics::m_total <= 0) return 0;
  const int percent = int(100LL * CPics::m_progress / CPics::m_total);
  if (percent == m_last) return 0;
  m_last = percent;
  m_shown = true;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r%s [%s%*s] %3d%%", m_label.c_str(),
               std::string(size_t(filled), '#').c_str(), kWidth - filled, "", percent);
  std::fflush(stderr);
  return 0;
}

}  // namespace pics
