// SetPal: the palette a picture is drawn with, selected into a context and realised.
#include "Pics.h"

UINT CPics::SetPal(CDC* dc, CPalette** oldPalette, int background) {
  if (!m_bLoaded || dc == nullptr || dc->m_hDC == nullptr) return 0;
  // A picture kept in its own colours uses its palette; a dithered one the standard one.
  CPalette chosen(m_bNoDither ? m_hPalette : m_hStdPalette);
  if (chosen.m_hObject == nullptr) return 0;
  CPalette* previous = dc->SelectPalette(&chosen, background);
  if (oldPalette != nullptr) *oldPalette = previous;
  return dc->RealizePalette();
}
