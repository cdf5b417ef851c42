#pragma once

#include <QFont>

// Font names the forms use, and the faces that stand in for them on this platform.
inline constexpr const char *MsSansSerif = "MS Sans Serif";
inline constexpr const char *SongTi = "宋体";

// Registers the substitutes; call once after the application object exists.
void registerFontSubstitutes();

// A font as the forms describe it: a face name and a character height in pixels.
QFont formFont(const char *family, int pixelHeight);
