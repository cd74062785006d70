// Contour detection: posterise, edge filter, threshold and thin, or threshold
// and thin alone, leaving one-pixel-wide black lines on white.
#include "graphics/processing/progress_reporter.h"

namespace {

using graphics::ProgressLoop;

void EndFixedStage() {
  if (CPics::m_pProgressDlg) ProgressLoop::EndStage(ProgressLoop::FixedStageShare());
}

int ThresholdFromPercent(int percent) { return int(percent * 255.0 / 100.0); }

// Outer ring -1, inner ring 1, centre 8, on a white offset.
IMGFILTER5X5 EdgeKernel() {
  IMGFILTER5X5 kernel{};
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c)
      kernel.k[r * 5 + c] = (r == 0 || r == 4 || c == 0 || c == 4) ? -1 : 1;
  kernel.k[12] = 8;
  kernel.divisor = 1;
  kernel.offset = 255;
  return kernel;
}

}  // namespace

int CPics::ContourDetection(HGLOBAL* phDIB, int reduce, int thresholdPercent, int mode,
                            int passes) {
  if (!ConvertTo24BPP(phDIB)) return 0;
  EndFixedStage();
  const int threshold = ThresholdFromPercent(thresholdPercent);
  if (mode != 0) {
    if (!ConvertToBlackAndWhite(phDIB, threshold)) return 0;
    EndFixedStage();
  } else {
    if (reduce >= 1 && reduce < 100) {
      if (!SetColorDepth(phDIB, int((100 - reduce) * 2.55 + 0.5), nullptr)) return 0;
      EndFixedStage();
    }
    if (m_pProgressDlg) m_togo = int(0.4 * (m_partend - m_partdone));
    IMGFILTER5X5 kernel = EdgeKernel();
    if (!ImageFilter(phDIB, 0, &kernel, 10)) return 0;
    if (m_pProgressDlg && m_bAbort) return 0;
    if (!ConvertToBlackAndWhite(phDIB, threshold)) return 0;
    if (m_pProgressDlg) ProgressLoop::EndStage(m_togo);
  }
  if (!ThinImage(phDIB, passes)) return 0;
  return m_pProgressDlg && m_bAbort ? 0 : 1;
}
