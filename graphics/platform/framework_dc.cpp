// Framework-style wrappers of device contexts and palettes that the picture class takes.
#include <list>
#include <memory>

#include "Pics.h"

// Wrappers of palettes that were selected before; they live as long as the CDC so the
// caller can select them back.
struct CDC::PaletteWrappers {
  std::list<CPalette> wrappers;
};

CPalette::~CPalette() {
  if (m_bOwned) DeleteObject();
}

BOOL CPalette::CreatePalette(const LOGPALETTE* description) {
  if (m_hObject != nullptr) return FALSE;
  m_hObject = ::CreatePalette(description);
  m_bOwned = m_hObject != nullptr;
  return m_hObject != nullptr;
}

BOOL CPalette::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  const BOOL deleted = m_bOwned ? ::DeleteObject(m_hObject) : TRUE;
  m_hObject = nullptr;
  m_bOwned = false;
  return deleted;
}

HPALETTE CPalette::Detach() {
  HPALETTE handle = m_hObject;
  m_hObject = nullptr;
  m_bOwned = false;
  return handle;
}

CDC::CDC() = default;

CDC::~CDC() { DeleteDC(); }

BOOL CDC::CreateCompatibleDC(CDC* reference) {
  if (m_hDC != nullptr) return FALSE;
  m_hDC = ::CreateCompatibleDC(reference != nullptr ? reference->m_hDC : nullptr);
  m_bOwned = m_hDC != nullptr;
  return m_hDC != nullptr;
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr) return FALSE;
  const BOOL deleted = m_bOwned ? ::DeleteDC(m_hDC) : TRUE;
  m_hDC = nullptr;
  m_bOwned = false;
  return deleted;
}

void CDC::Attach(HDC dc) {
  DeleteDC();
  m_hDC = dc;
  m_bOwned = false;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = nullptr;
  m_bOwned = false;
  return dc;
}

CPalette* CDC::SelectPalette(CPalette* palette, BOOL forceBackground) {
  if (palette == nullptr) return nullptr;
  HPALETTE previous = ::SelectPalette(m_hDC, palette->m_hObject, forceBackground);
  if (previous == nullptr) return nullptr;
  if (!m_pOldPalettes) m_pOldPalettes = std::make_unique<PaletteWrappers>();
  for (CPalette& wrapper : m_pOldPalettes->wrappers)
    if (wrapper.m_hObject == previous) return &wrapper;
  return &m_pOldPalettes->wrappers.emplace_back(previous);
}

UINT CDC::RealizePalette() { return ::RealizePalette(m_hDC); }
