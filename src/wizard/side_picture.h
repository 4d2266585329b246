// The frame's side picture: set up once, shown for a step at once or animated, painted on demand.
#pragma once

#include <windows.h>

namespace corvane {

void SetUpStepPicture(HINSTANCE instance, HWND frame, int controlId);
void ShowStepPicture(int step, bool animated);
void PaintStepPicture(HDC dc);

}  // namespace corvane
