#pragma once

#include "Form.h"

class QLabel;

// The notice card: shown once as the start-up splash and again from the main window.
class TFAbout : public TForm
{
    Q_OBJECT
public:
    TFAbout();

    QLabel *Label3 = nullptr;  // the version text; empty in the splash
    QWidget *Image1 = nullptr; // the close picture

    void Image1Click();
};

extern TFAbout *FAbout;
