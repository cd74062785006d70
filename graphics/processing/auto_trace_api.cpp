// BeginAutoTrace, GetNextLine and EndAutoTrace: one trace at a time, held in
// CPics::m_pAutoTrace.
#include <cstring>

#include "graphics/processing/auto_trace.h"
#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"

graphics::AutoTrace* CPics::m_pAutoTrace = nullptr;

namespace {

std::unique_ptr<graphics::AutoTrace> TracerFor(HGLOBAL block) {
  const auto layout = graphics::ReadBlockLayout(block);
  if (!layout) return nullptr;
  graphics::LockedBlock dib(block);
  return graphics::AutoTrace::FromDib(dib.data(), *layout);
}

}  // namespace

int CPics::BeginAutoTrace(HGLOBAL hDIB, int reduce, int thresholdPercent, int minLineSize, int mode,
                          int passes) {
  const auto layout = graphics::ReadBlockLayout(hDIB);
  if (!layout) return 0;
  const bool contours =
      !(reduce < 0 || thresholdPercent < 0 || (reduce == 0 && thresholdPercent == 100));

  std::unique_ptr<graphics::AutoTrace> tracer;
  if (!contours && layout->bitCount == 24) {
    // Nothing changes the picture, so the map is read from it directly.
    tracer = TracerFor(hDIB);
  } else {
    // A private copy for the steps that change the picture.
    graphics::DibHandle copy = graphics::CopyOfBlock(hDIB);
    if (!copy) return 0;
    if (contours && !ContourDetection(copy.address(), reduce, thresholdPercent, mode, passes))
      return 0;
    if (ConvertTo24BPP(copy.address())) tracer = TracerFor(copy.get());
  }
  // One trace at a time: an earlier tracer is released rather than leaked.
  EndAutoTrace();
  if (!tracer) return 0;
  tracer->SetMinimumLineSize(minLineSize);
  m_pAutoTrace = tracer.release();
  return 1;
}

int CPics::GetNextLine(POINT* points, int* count, int maxCount) {
  if (count) *count = 0;
  if (!m_pAutoTrace || !points || !count) return 0;
  const auto line = m_pAutoTrace->NextLine(m_pAutoTrace->IntegerCursor(), maxCount, 0);
  for (size_t i = 0; i < line.size(); ++i) points[i] = {LONG(line[i].x), LONG(line[i].y)};
  *count = int(line.size());
  return line.empty() ? 0 : 1;
}

int CPics::GetNextLine(float* xs, float* ys, int* count, int maxCount, RECT* rect, int mergeLimit) {
  if (count) *count = 0;
  if (!m_pAutoTrace || !xs || !ys || !count) return 0;
  const auto line = m_pAutoTrace->NextLine(m_pAutoTrace->FloatCursor(), maxCount, mergeLimit);
  const float width = float(m_pAutoTrace->width()), height = float(m_pAutoTrace->height());
  for (size_t i = 0; i < line.size(); ++i) {
    if (rect) {
      xs[i] = float(rect->left) + line[i].x * (float(rect->right) - float(rect->left)) / width;
      ys[i] = float(rect->bottom) - line[i].y * (float(rect->bottom) - float(rect->top)) / height;
    } else {
      xs[i] = line[i].x, ys[i] = line[i].y;
    }
  }
  *count = int(line.size());
  return line.empty() ? 0 : 1;
}

void CPics::EndAutoTrace() {
  delete m_pAutoTrace;
  m_pAutoTrace = nullptr;
}
