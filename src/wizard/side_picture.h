// The frame's side picture: set up once, shown for a step at once or animated, painted on demand.
#pragma once

#include <windows.h>

#include "wizard/step.h"

namespace corvane {

// Loads the landscape and the eight step labels, opens DirectDraw for the vertical blank when it can,
// and places the picture in the control.
void SetUpStepPicture(HINSTANCE instance, HWND frame, int controlId);
// Animated: the landscape slides and the label cross-fades on timer 222 of the control.
void ShowStepPicture(Step shown, bool animated);
// The landscape above the composed label strip; the rest of the control is left alone.
void PaintStepPicture(HDC dc);

// Where the animation stands; for tests.
struct StepPictureState {
    int offset = 0, target = 0;
    int previous = 0, current = 0;
    int fade = 0;
    HBITMAP composed = nullptr;
    HBITMAP landscape = nullptr;
};
StepPictureState CurrentStepPictureState();

}  // namespace corvane
