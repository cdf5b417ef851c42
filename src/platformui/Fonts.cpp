#include "platformui/Fonts.h"

#include <QStringList>

void registerFontSubstitutes()
{
    QFont::insertSubstitutions(QString::fromUtf8(MsSansSerif),
                               {"DejaVu Sans", "WenQuanYi Zen Hei", "AR PL UMing CN"});
    QFont::insertSubstitutions(QString::fromUtf8(SongTi),
                               {"AR PL UMing CN", "AR PL UMing TW", "WenQuanYi Zen Hei"});
}

QFont formFont(const char *family, int pixelHeight)
{
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixelHeight);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}
