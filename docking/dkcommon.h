#pragma once
// Free functions shared by the docking units: platform settings with their fallbacks, monitors,
// accelerator text, small captions, gradients, halftone outlines and message helpers. Optional
// platform functions are looked up by name once per call site and used only when present.
#include <functional>
#include <string>

#include "platform/gdi/objects.h"
#include "platform/vcl/graphics.h"
#include "platform/win/messages.h"
#include "platform/win/settings.h"
#include "platform/win/types.h"

namespace docking {

using win::HDC;
using win::HWND;
using win::POINT;
using win::RECT;

// Timing, sounds and system settings.
int GetMenuShowDelay();
bool NeedToPlaySound(const std::string& Alias);
void PlaySystemSound(const std::string& Alias);
bool AreFlatMenusEnabled();
bool AreKeyboardCuesEnabled();
bool IsWindowsXP();
bool GetSystemParametersInfoBool(unsigned Param, bool Default);
void GetSystemNonClientMetrics(win::NONCLIENTMETRICS& Metrics);
// The toolbar system font: the system's menu font of the non-client metrics.
void LoadToolbarSystemFont(vcl::TFont& Font);
unsigned GetInputLocaleCodePage();
bool ApplicationIsActive();

// Monitors: work areas (or whole rectangles) of the nearest monitor, the primary's when the
// monitor functions are missing or fail.
bool UsingMultipleMonitors();
RECT GetRectOfPrimaryMonitor(bool WorkArea);
RECT GetRectOfMonitorContainingRect(const RECT& R, bool WorkArea);
RECT GetRectOfMonitorContainingPoint(const POINT& P, bool WorkArea);
RECT GetRectOfMonitorContainingWindow(HWND Wnd, bool WorkArea);

// Accelerator text. Strings are UTF-8, whose continuation bytes never equal '&', ':' or '.',
// so walking bytes never splits a character.
std::string StripAccelChars(const std::string& S);
std::string EscapeAmpersands(const std::string& S);
std::string StripTrailingPunctuation(const std::string& S);
// The character after the last single '&' (0 when there is none).
char FindAccelChar(const std::string& S);

// Text on a DC. Prefix: the width without the accelerator marks.
int GetTextWidth(HDC DC, const std::string& S, bool Prefix);
int GetTextHeight(HDC DC);
int DrawTextStr(HDC DC, const std::string& S, RECT& R, unsigned Format);
win::SIZE GetTextExtentPoint32Str(HDC DC, const std::string& S);
void TextOutStr(HDC DC, int X, int Y, const std::string& S);
char CharToLower(char C);
// A copy of the DC's font turned to run downwards (270 degrees), a raster face replaced by a
// true-type one, the vertical ("@") variant when there is one. The caller deletes it.
gdi::HFONT CreateRotatedFont(HDC DC);
// S running downwards, centred in R, accelerator marks removed and the accelerator underlined
// unless Format has DT_HIDEPREFIX.
void DrawRotatedText(HDC DC, const std::string& S, const RECT& R, unsigned Format);

// Drawing.
void DrawSmallWindowCaption(HWND Wnd, HDC DC, const RECT& R, const std::string& Caption,
                            bool Active);
bool IsFillRectWithGradientAvailable();
void FillRectWithGradient(HDC DC, const RECT& R, win::COLORREF StartColor, win::COLORREF EndColor,
                          bool Horizontal);
win::HBRUSH CreateHalftoneBrush();
// The frames of both rectangles (each less itself shrunk by its size) combined by exclusive-or
// and inverted through the halftone pattern: drawing the same pair twice restores the screen.
void DrawHalftoneInvertRect(HDC DC, const RECT* NewRect, const RECT* OldRect,
                            const win::SIZE& NewSize, const win::SIZE& OldSize);

// Printing and repainting.
// Answers WM_PRINT: the non-client part through NCPaintProc, the client through erase and
// WM_PRINTCLIENT with the origin at the client area, then visible children and (PRF_OWNED)
// owned windows at their offsets.
void HandleWMPrint(HWND Wnd, win::WPARAM WParam, win::LPARAM LParam,
                   const std::function<void(HWND, HDC)>& NCPaintProc);
// Answers WM_PRINTCLIENT by painting on its DC.
void HandleWMPrintClient(const std::function<void(HDC)>& PaintHandler, win::WPARAM WParam);
// Repaints the visible part of the client area through an off-screen bitmap copied once; the
// window is invalidated instead when that cannot be done.
void DoubleBufferedRepaint(HWND Wnd);
// Clips a window DC to a non-client update region (screen coordinates; 0 and 1 mean all).
void SelectNCUpdateRgn(HWND Wnd, HDC DC, win::HRGN Rgn);

// Messages.
void ProcessPaintMessages();
void RemoveMessages(unsigned Min, unsigned Max);
POINT GetMessagePosAsPoint();
inline bool InvalidPoint(const POINT& P) {
  return P.x == -1 && P.y == -1;
}
bool CallTrackMouseEvent(HWND Wnd, win::DWORD Flags);
void CallLockSetForegroundWindow(bool Lock);

namespace detail {
// Forgets the remembered registry value of the menu delay (tests change it).
void ForgetMenuShowDelay();
}  // namespace detail

}  // namespace docking
