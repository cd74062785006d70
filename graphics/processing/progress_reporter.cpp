#include "graphics/processing/progress_reporter.h"

// Statics of the progress protocol (declared in CPics).
CWnd* CPics::m_pProgressDlg = nullptr;
UINT CPics::m_progressCmd = 0;
int CPics::m_bAbort = 0;
int CPics::m_progress = 0;
int CPics::m_total = 0;
int CPics::m_partdone = 0;
int CPics::m_partend = 0;
int CPics::m_togo = 0;

void CPics::SetProgressDlg(CWnd* dlg, unsigned cmd, int partdone, int partend) {
  m_pProgressDlg = dlg;
  m_progressCmd = cmd;
  m_bAbort = 0;
  m_progress = 0;
  m_total = 0;
  m_togo = 0;
  if (partdone >= 0) m_partdone = partdone;
  m_partend = partend;
}

namespace graphics {
namespace {

void SendProgress() {
  if (CPics::m_pProgressDlg)
    CPics::m_pProgressDlg->SendMessage(WM_COMMAND, CPics::m_progressCmd, 0);
}

}  // namespace

ProgressLoop::ProgressLoop(int total) { CPics::m_total = total; }

bool ProgressLoop::Step(int unit) {
  CPics::m_progress = unit;
  if (CPics::m_progress < CPics::m_total) {
    SendProgress();
  } else {
    CPics::m_progress = CPics::m_total;
  }
  return !CPics::m_bAbort;
}

void ProgressLoop::EndStage(int share) {
  CPics::m_partdone += share;
  CPics::m_togo = CPics::m_partend - CPics::m_partdone;
  CPics::m_progress = 0;
  CPics::m_total = 100;
  SendProgress();
}

int ProgressLoop::FixedStageShare() { return ((CPics::m_partend + 99) / 100) * 5; }

}  // namespace graphics
