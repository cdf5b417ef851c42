#pragma once

#include "Form.h"

#include <memory>

class TClientDataSet;
class TDataSource;
class TcxGrid;

// The main window: the drug list on the left, the selected drug's sections on the right.
class TForm1 : public TForm
{
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // Declared before the data set, so that the data set goes first.
    std::unique_ptr<TDataSource> DataSource1;
    std::unique_ptr<TClientDataSet> cds;

    // The drug list; choosing a row in it moves `cds`.
    TcxGrid *cxGrid2 = nullptr;

    // Checks the data file beside the program and opens the data set on it.
    void FormActivate();
    // Closes the data set, which writes the file back when its data changed.
    void FormClose(TCloseAction &action);
};

extern TForm1 *Form1;
