#pragma once
// The program's brush patterns: 52 monochrome 8 x 8 bitmaps "BRUSH_8" to "BRUSH_59", kept as
// 1-bit BMP resources.
#include <array>
#include <cstdint>

#include "platform/gdi/gdi.h"

inline constexpr int BrushPatternFirst = 8;
inline constexpr int BrushPatternCount = 52;

// The rows of pattern style (8..59), top row first; a set bit is drawn in the brush colour.
const std::array<uint8_t, 8>& BrushPatternRows(int style);
// Registers the 52 BMP resources once.
void RegisterBrushResources();
// A monochrome 8 x 8 bitmap of resource "BRUSH_<style>" (ink bits 0, the rest 1), or none when
// the resource is missing; the caller deletes it.
gdi::HBITMAP LoadBrushPattern(int style);
