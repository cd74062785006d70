// Library-wide GIF settings, read at every use.
#include "Pics.h"

int CPics::GifImageDisplayEnable = 0;
int CPics::GifImageSaveEnable = 1;
HGLOBAL CPics::GifImageDIB = nullptr;
COLORREF CPics::GifImageFrameColor = RGB(255, 0, 0);
short CPics::GifImageFrameThickness = 4;
