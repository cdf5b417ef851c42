#pragma once

#include "forms/about/CardImage.h"
#include "shell/Form.h"
#include "widgets/Label.h"

#include <QString>

#include <cstdint>

class TFlatPanel;

// The notice card: shown once as the start-up splash and again from the main window, where
// it also shows the version.
class TFAbout : public TForm
{
    Q_OBJECT
public:
    explicit TFAbout(QWidget *owner = nullptr);

    TFlatPanel *FlatPanel1 = nullptr; // the white card
    TCardImage *Image2 = nullptr;     // the logo
    TLabel *Label1 = nullptr;         // the notice
    TLabel *Label2 = nullptr;         // the rights notice
    TLabel *Label4 = nullptr;
    TLabel *Label5 = nullptr;
    TLabel *Label8 = nullptr; // the mail address
    TLabel *Label6 = nullptr;
    TLabel *Label9 = nullptr;     // the QQ number
    TLabel *Label7 = nullptr;     // the web address
    TLabel *Label3 = nullptr;     // the version text; empty in the splash
    TCardImage *Image1 = nullptr; // the close picture

    void FormCreate();
    void Image1Click();
    void Label7Click();
    void Label8Click();
};

extern TFAbout *FAbout;

// The version label's text for a version number.
QString noticeVersionText(std::int32_t version);

// Shows the notice with the version, modally over `owner`, in `FAbout`, and destroys it once
// the user has closed it.
void showNoticeDialog(QWidget *owner);
