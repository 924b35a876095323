// The current skin: the background picture, button styles, translucencies and colours.
#pragma once

#include <cstdint>
#include <string>

// Colours are 0x00BBGGRR, as stored in skin files.
using TColor = std::uint32_t;

struct TSkinOptions
{
    TSkinOptions() { Reset(true); }
    // full: every field takes its default; otherwise only the colours do.
    void Reset(bool full);

    // Section "Skin_Main".
    bool UseBackPicture;
    std::string BackPictureFileTitle;
    bool StretchBackPicture;
    bool FitBeforeTileBackPicture;
    std::int32_t FadeBackPicture;
    std::int32_t RotateRGBackPicture;
    std::int32_t RotateGBBackPicture;
    std::int32_t RotateBRBackPicture;
    std::int32_t GammaBackPicture;
    std::int32_t ControlMarginTranslucency;
    std::int32_t ControlBackTranslucency;
    std::int32_t WindowMarginTranslucency;
    std::int32_t WindowBackTranslucency;
    std::int32_t WindowActiveFocusMarginTranslucency;
    std::int32_t WindowActiveFocusBackTranslucency;
    std::int32_t WindowInactiveFocusMarginTranslucency;
    std::int32_t WindowInactiveFocusBackTranslucency;
    std::int32_t WindowSelectionMarginTranslucency;
    std::int32_t WindowSelectionBackTranslucency;
    std::int32_t ScrollbarBackTranslucency;
    std::int32_t ScrollbarThumbMarginTranslucency;
    std::int32_t ScrollbarThumbBackTranslucency;
    std::string ToolbarButtonsStyle;
    std::string NonOvalButtonsStyle;
    bool HintPanelAsWindow;

    // Section "Skin_Colors", in the order of the file's keys.
    TColor FillingBackPictureColor;
    TColor FillingColor;
    TColor ButtonBriskMarginColor;
    TColor ButtonMarginColor;
    TColor ButtonBackColor;
    TColor ButtonTextColor;
    TColor ButtonTintColor;
    TColor ButtonHotTrackTintColor;
    TColor PushedBriskMarginColor;
    TColor PushedMarginColor;
    TColor PushedBackColor;
    TColor PushedTextColor;
    TColor PushedTintColor;
    TColor PushedHotTrackTintColor;
    TColor WindowBriskMarginColor;
    TColor WindowMarginColor;
    TColor WindowBackColor;
    TColor WindowTextColor;
    TColor WindowTintColor;
    TColor MouseMenuBackColor;
    TColor MouseMenuTextColor;
    TColor ActiveFocusBriskMarginColor;
    TColor ActiveFocusMarginColor;
    TColor ActiveFocusBackColor;
    TColor ActiveFocusTextColor;
    TColor ActiveFocusTintColor;
    TColor InactiveFocusBriskMarginColor;
    TColor InactiveFocusMarginColor;
    TColor InactiveFocusBackColor;
    TColor InactiveFocusTextColor;
    TColor InactiveFocusTintColor;
    TColor SelectionBriskMarginColor;
    TColor SelectionMarginColor;
    TColor SelectionBackColor;
    TColor SelectionTextColor;
    TColor SelectionTintColor;
    TColor GridColor;
    TColor ThumbTextColor;
    TColor DirsBackColor;
    TColor DirsTextColor;
    TColor LinksBackColor;
    TColor LinksTextColor;
    TColor ProgsBackColor;
    TColor ProgsTextColor;
    TColor DocsBackColor;
    TColor DocsTextColor;
    TColor FilesBackColor;
    TColor FilesTextColor;
};

// The current skin, alive for the whole run.
extern TSkinOptions SkinOptions;

// The skin dialog's own settings of the background picture: the smallest picture side that is
// stretched (-1: any) and the largest aspect skew in percent that is stretched (-1: any).
struct TBackPictureStretchRule
{
    std::int32_t MinStretchSize = 300;
    std::int32_t MaxSkewPercent = 120;
};
extern TBackPictureStretchRule BackPictureStretchRule;

// The background picture file of a title: the title itself when it has a directory part,
// otherwise the file of that name in the options' "BackPictures" folder.
std::string BackPictureFullPath(const std::string &title);
