#pragma once

#include "Form.h"

// The main window: the drug list on the left, the selected drug's sections on the right.
class TForm1 : public TForm
{
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    void FormActivate();
    void FormClose(TCloseAction &action);
};

extern TForm1 *Form1;
