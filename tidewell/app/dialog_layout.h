#pragma once
// Dialog templates are laid out in dialog units; these turn them into pixels for the
// program's dialog font and give each control its dialog ID as object name.
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

namespace tidewell {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// One horizontal dialog unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height (6 by 13 pixels for the usual dialog font).
inline QRect DialogUnitsRect(int x, int y, int width, int height) {
  return QRect(x * 6 / 4, y * 13 / 8, width * 6 / 4, height * 13 / 8);
}

inline QSize DialogUnitsSize(int width, int height) {
  return DialogUnitsRect(0, 0, width, height).size();
}

// Places a control of a template and names it after its ID (none for a plain label).
template <typename Control>
Control* PlaceControl(Control* control, int id, int x, int y, int width, int height) {
  if (id != 0) control->setObjectName(QString::number(id));
  control->setGeometry(DialogUnitsRect(x, y, width, height));
  return control;
}

}  // namespace tidewell
