#pragma once

#include "forms/about/CardImage.h"
#include "forms/about/CardLabel.h"
#include "shell/Form.h"

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
    TCardLabel *Label1 = nullptr;     // the notice
    TCardLabel *Label2 = nullptr;     // the rights notice
    TCardLabel *Label4 = nullptr;
    TCardLabel *Label5 = nullptr;
    TCardLabel *Label8 = nullptr; // the mail address
    TCardLabel *Label6 = nullptr;
    TCardLabel *Label9 = nullptr; // the QQ number
    TCardLabel *Label7 = nullptr; // the web address
    TCardLabel *Label3 = nullptr; // the version text; empty in the splash
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
