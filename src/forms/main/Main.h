#pragma once

#include "shell/Form.h"

#include <memory>

class TClientDataSet;
class TDataSource;
class TDBText;
class TFlatPanel;
class TFlatSplitter;
class TLabel;
class TStatusBar;
class TcxDBMemo;
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

    TStatusBar *StatusBar1 = nullptr;
    // The left half: the name bar, the list and the link bar.
    TFlatPanel *FlatPanel1 = nullptr, *FlatPanel23 = nullptr, *FlatPanel24 = nullptr;
    TDBText *DBText1 = nullptr; // the current drug's name
    TLabel *Label1 = nullptr, *Label2 = nullptr;
    // The right half: two columns of sections.
    TFlatPanel *FlatPanel2 = nullptr, *FlatPanel3 = nullptr, *FlatPanel4 = nullptr;
    TFlatPanel *FlatPanel5 = nullptr, *FlatPanel7 = nullptr, *FlatPanel9 = nullptr,
               *FlatPanel11 = nullptr, *FlatPanel13 = nullptr, *FlatPanel15 = nullptr,
               *FlatPanel17 = nullptr, *FlatPanel19 = nullptr, *FlatPanel21 = nullptr;
    TFlatSplitter *FlatSplitter1 = nullptr, *FlatSplitter2 = nullptr, *FlatSplitter3 = nullptr,
                  *FlatSplitter4 = nullptr, *FlatSplitter5 = nullptr, *FlatSplitter6 = nullptr,
                  *FlatSplitter7 = nullptr, *FlatSplitter9 = nullptr;
    TcxDBMemo *cxDBMemo1 = nullptr, *cxDBMemo2 = nullptr, *cxDBMemo3 = nullptr,
              *cxDBMemo4 = nullptr, *cxDBMemo5 = nullptr, *cxDBMemo6 = nullptr,
              *cxDBMemo7 = nullptr, *cxDBMemo8 = nullptr, *cxDBMemo9 = nullptr;
    TDBText *DBText2 = nullptr; // the category, in the first section's caption bar
    // The manufacturer block.
    TFlatPanel *FlatPanel25 = nullptr, *FlatPanel26 = nullptr, *FlatPanel27 = nullptr;
    TLabel *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    TDBText *DBText3 = nullptr, *DBText4 = nullptr, *DBText5 = nullptr;

    // Checks the data file beside the program and opens the data set on it.
    void FormActivate();
    // Closes the data set, which writes the file back when its data changed.
    void FormClose(TCloseAction &action);
    // The desktop session ends: the posted edits are written back as a close writes them,
    // a pending edit posted first when it can be; nothing is asked. False when the data
    // could not be saved (the journal still holds it).
    bool sessionEnd();
    // "声明": the notice with the version.
    void Label1Click();
    // The manufacturer's web address: opened when it is one.
    void DBText5Click();

private:
    void createComponents();
    TFlatPanel *addSection(QWidget *column, const char *panelName, const char *barName,
                           const QString &caption, const char *field, int height, TcxDBMemo *&memo,
                           const char *memoName);
};

extern TForm1 *Form1;
