#include "Main.h"

#include "SystemColors.h"

TForm1 *Form1 = nullptr;

TForm1::TForm1()
{
    setObjectName(QStringLiteral("Form1"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(clWhite));
    setPalette(palette);
    resize(768, 513);
    setCentredWhenShown(true);
    OnActivate = [this] { FormActivate(); };
    OnClose = [this](TCloseAction &action) { FormClose(action); };
}

TForm1::~TForm1() = default;

void TForm1::FormActivate()
{}

void TForm1::FormClose(TCloseAction &)
{}
