#pragma once
// Popup animation: a fade-in where the platform has layered windows, otherwise a slide in one
// or two directions. One animation runs at a time per thread; a modal menu loop advances it while
// it waits, and the pointer moving into the popup finishes it at once.
#include "platform/win/types.h"

namespace docking {

enum TDKAnimationDirectionBit : unsigned { dkadLeft = 1, dkadRight = 2, dkadDown = 4, dkadUp = 8 };
using TDKAnimationDirection = unsigned;

// Sent (without waiting) to the window whose animation ended.
constexpr unsigned WM_DK_ANIMATIONENDED = 0x956;

void DKStartAnimation(win::HWND Wnd, bool Blend, TDKAnimationDirection Direction);
void DKUpdateAnimation();
// Finishes the animation of that window, or any animation when Wnd is null.
void DKEndAnimation(win::HWND Wnd);
bool DKIsAnimationInProgress();

namespace detail {
// The current step (0 to 255) of the running animation.
int AnimationStep();
}  // namespace detail

}  // namespace docking
