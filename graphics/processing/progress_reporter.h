// Progress reporting of long operations through the statics of CPics.
//
// A loop makes one ProgressLoop with its number of units and calls Step before
// each unit; Step sends WM_COMMAND(m_progressCmd, 0) to the registered window,
// synchronously, and answers false once the window has set m_bAbort.
#pragma once

#include "Pics.h"

namespace graphics {

class ProgressLoop {
 public:
  explicit ProgressLoop(int total);

  // Reports unit `unit` (0-based); false when the operation is to stop.
  bool Step(int unit);

  // Ends a stage of a multi-stage job: advances the overall share by `share`
  // and sends one message.
  static void EndStage(int share);

  // Share of a fixed stage: ((m_partend + 99) / 100) * 5.
  static int FixedStageShare();
};

}  // namespace graphics
