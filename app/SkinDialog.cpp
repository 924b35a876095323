// The current skin and its defaults.
#include "app/SkinDialog.h"

#include "Libraries/Program.h"

TSkinOptions SkinOptions;
TBackPictureStretchRule BackPictureStretchRule;

std::string BackPictureFullPath(const std::string &title)
{
    if (title.empty() || title.find('/') != std::string::npos) return title;
    return OptionsDirectory() + "BackPictures/" + title;
}

void TSkinOptions::Reset(bool full)
{
    if (full) {
        UseBackPicture = false;
        BackPictureFileTitle.clear();
        StretchBackPicture = true;
        FitBeforeTileBackPicture = true;
        FadeBackPicture = 70;
        RotateRGBackPicture = RotateGBBackPicture = RotateBRBackPicture = 0;
        GammaBackPicture = 100;
        ControlMarginTranslucency = ControlBackTranslucency = 0;
        WindowMarginTranslucency = WindowBackTranslucency = 0;
        WindowActiveFocusMarginTranslucency = WindowActiveFocusBackTranslucency = 0;
        WindowInactiveFocusMarginTranslucency = WindowInactiveFocusBackTranslucency = 0;
        WindowSelectionMarginTranslucency = WindowSelectionBackTranslucency = 0;
        ScrollbarBackTranslucency = 65;
        ScrollbarThumbMarginTranslucency = ScrollbarThumbBackTranslucency = 0;
        ToolbarButtonsStyle = "Double oval";
        NonOvalButtonsStyle = "No edge";
        HintPanelAsWindow = false;
    }
    FillingBackPictureColor = 16777215;
    FillingColor = 14808565;
    ButtonBriskMarginColor = 10526880;
    ButtonMarginColor = 10526880;
    ButtonBackColor = 14149350;
    ButtonTextColor = 0;
    ButtonTintColor = 16777215;
    ButtonHotTrackTintColor = 14155775;
    PushedBriskMarginColor = 10526880;
    PushedMarginColor = 10526880;
    PushedBackColor = 11526625;
    PushedTextColor = 0;
    PushedTintColor = 15463930;
    PushedHotTrackTintColor = 14155775;
    WindowBriskMarginColor = 10526880;
    WindowMarginColor = 10526880;
    WindowBackColor = 16777215;
    WindowTextColor = 0;
    WindowTintColor = 0;
    MouseMenuBackColor = 8891065;
    MouseMenuTextColor = 15463930;
    ActiveFocusBriskMarginColor = 10210815;
    ActiveFocusMarginColor = 10210815;
    ActiveFocusBackColor = 10210815;
    ActiveFocusTextColor = 0;
    ActiveFocusTintColor = 13824250;
    InactiveFocusBriskMarginColor = 10526880;
    InactiveFocusMarginColor = 10526880;
    InactiveFocusBackColor = 11526625;
    InactiveFocusTextColor = 0;
    InactiveFocusTintColor = 15463930;
    SelectionBriskMarginColor = 14149350;
    SelectionMarginColor = 14149350;
    SelectionBackColor = 14149350;
    SelectionTextColor = 210;
    SelectionTintColor = 16777215;
    GridColor = 12500670;
    ThumbTextColor = 4293250;
    DirsBackColor = 12508390;
    DirsTextColor = 0;
    LinksBackColor = 38400;
    LinksTextColor = 0;
    ProgsBackColor = 3000560;
    ProgsTextColor = 0;
    DocsBackColor = 8519680;
    DocsTextColor = 16777215;
    FilesBackColor = 12500670;
    FilesTextColor = 0;
}
