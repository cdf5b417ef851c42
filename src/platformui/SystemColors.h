#pragma once

#include <QColor>

#include <cstdint>

// A colour as the forms store it: either 00BBGGRR (low byte red), or a system colour, which
// has the high bit set and the system colour's index in its low byte.
using TColor = std::uint32_t;

constexpr TColor SystemColorFlag = 0x80000000u;

constexpr TColor clScrollBar = SystemColorFlag | 0;
constexpr TColor clHighlight = SystemColorFlag | 13;
constexpr TColor clHighlightText = SystemColorFlag | 14;
constexpr TColor clBtnFace = SystemColorFlag | 15;
constexpr TColor clBtnShadow = SystemColorFlag | 16;
constexpr TColor clGrayText = SystemColorFlag | 17;
constexpr TColor clBtnText = SystemColorFlag | 18;
constexpr TColor clBtnHighlight = SystemColorFlag | 20;
constexpr TColor cl3DDkShadow = SystemColorFlag | 21;
constexpr TColor cl3DLight = SystemColorFlag | 22;
constexpr TColor clInfoText = SystemColorFlag | 23;
constexpr TColor clInfoBk = SystemColorFlag | 24;
constexpr TColor clWindow = SystemColorFlag | 5;
constexpr TColor clWindowFrame = SystemColorFlag | 6;
constexpr TColor clWindowText = SystemColorFlag | 8;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;

// The colour number 00BBGGRR as a toolkit colour.
QColor bgrColor(std::uint32_t number);

// Any colour, system colours resolved through one fixed classic light palette, so that every
// picture is the same whatever the desktop theme.
QColor toQColor(TColor color);

// System metrics the painting relies on, fixed for the same reason.
enum class TSystemMetric { VScrollWidth, VScrollArrowHeight, HScrollHeight, HScrollArrowWidth };
int systemMetric(TSystemMetric metric);
