#include "platformui/SystemColors.h"

QColor bgrColor(std::uint32_t number)
{
    return QColor(number & 0xFF, (number >> 8) & 0xFF, (number >> 16) & 0xFF);
}

QColor toQColor(TColor color)
{
    if (!(color & SystemColorFlag)) return bgrColor(color & 0xFFFFFF);
    // The classic light palette, as 00BBGGRR numbers.
    switch (color) {
    case clScrollBar: return bgrColor(0xC8D0D4);
    case clWindow: return bgrColor(0xFFFFFF);
    case clWindowFrame: return bgrColor(0x000000);
    case clWindowText: return bgrColor(0x000000);
    case clHighlight: return bgrColor(0x6A240A);
    case clHighlightText: return bgrColor(0xFFFFFF);
    case clBtnFace: return bgrColor(0xC8D0D4);
    case clBtnShadow: return bgrColor(0x808080);
    case clGrayText: return bgrColor(0x808080);
    case clBtnText: return bgrColor(0x000000);
    case clBtnHighlight: return bgrColor(0xFFFFFF);
    case cl3DDkShadow: return bgrColor(0x404040);
    case cl3DLight: return bgrColor(0xC8D0D4);
    case clInfoText: return bgrColor(0x000000);
    case clInfoBk: return bgrColor(0xE1FFFF);
    default: return bgrColor(0x000000);
    }
}

int systemMetric(TSystemMetric metric)
{
    switch (metric) {
    case TSystemMetric::VScrollWidth: return 16;
    case TSystemMetric::VScrollArrowHeight: return 16;
    case TSystemMetric::HScrollHeight: return 16;
    case TSystemMetric::HScrollArrowWidth: return 16;
    }
    return 16;
}
