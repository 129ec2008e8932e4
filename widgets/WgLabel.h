#pragma once
// TWgLabel: the framework label with borders, 3-D text, rotated text, a hover colour and blinking.
//
// Blinking labels share one process-wide blink list (TWgBlinkList) with one timer, so every blinking label
// changes colour in step; the list exists while at least one label exists.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "widgets/WgCommon.h"

namespace qd {

// Text relief of labels and button captions.
enum class TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
using enum TTextStyle;

struct TTextRelief {
    TTextStyle Style = tsNormal;
    bool Light = false;  // raised keeps only the highlight pass, recessed only the first pass
    TColor Highlight = clBtnHighlight;
    TColor Shadow = clBtnShadow;
    int Depth = 2;  // offset of tsShadow
};

// Draws `text` into `rect` (DrawTextW `flags`, no DT_CALCRECT) with the canvas's font and a clear background:
// first the relief passes, then the text itself in `color` in the unshifted rectangle.
void DrawReliefText(TCanvas& canvas, const std::wstring& text, const RECT& rect, UINT flags, const TTextRelief& relief,
                    TColor color);

enum class TTextRotation { roNone, roFlat, roCurve };
using enum TTextRotation;

// Anchor of rotated text inside the text rectangle.
enum class TCenterPoint {
    cpUpperLeft,
    cpUpperCenter,
    cpUpperRight,
    cpLeftCenter,
    cpCenter,
    cpRightCenter,
    cpLowerLeft,
    cpLowerCenter,
    cpLowerRight
};
using enum TCenterPoint;

class TWgLabel;

// The process-wide list of labels with its blink timer. Created by the first label, freed with the last.
class TWgBlinkList {
public:
    // The list, or null while no label exists.
    static TWgBlinkList* Instance() noexcept;

    // Phase lengths in milliseconds, shared by all labels. Values below the platform's timer minimum (10 ms)
    // are raised to it: a zero interval would stop the timer for good.
    static constexpr unsigned kMinInterval = 10;
    std::uint16_t IntervalOn() const noexcept { return FIntervalOn; }
    std::uint16_t IntervalOff() const noexcept { return FIntervalOff; }
    void SetIntervalOn(std::uint16_t value) noexcept;
    void SetIntervalOff(std::uint16_t value) noexcept;

    // True while blinking labels show their blink colour.
    bool PhaseOn() const noexcept { return FPhaseOn; }
    // One tick of the timer: flips the phase, sets the next interval and switches every blinking label.
    void Tick() noexcept;
    TTimer& Timer() noexcept { return *FTimer; }
    int Count() const noexcept { return static_cast<int>(FLabels.size()); }

private:
    friend class TWgLabel;
    TWgBlinkList();
    ~TWgBlinkList();
    static void Add(TWgLabel* label);
    static void Remove(TWgLabel* label) noexcept;

    std::vector<TWgLabel*> FLabels;
    std::unique_ptr<TTimer> FTimer;
    std::uint16_t FIntervalOn = 500;
    std::uint16_t FIntervalOff = 500;
    bool FPhaseOn = false;
};

class TWgLabel : public TCustomLabel {
    QD_CLASS_INFO
public:
    explicit TWgLabel(TComponent* AOwner);
    ~TWgLabel() override;

    int Angle() const noexcept { return FAngle; }
    void SetAngle(int value);  // taken modulo 360
    bool Blinking() const noexcept { return FBlinking; }
    void SetBlinking(bool value);
    TColor BlinkColor() const noexcept { return FBlinkColor; }
    void SetBlinkColor(TColor value);
    // Stored in the shared blink list: setting them on one label changes them for all.
    std::uint16_t BlinkIntervalOn() const noexcept;
    void SetBlinkIntervalOn(std::uint16_t value);
    std::uint16_t BlinkIntervalOff() const noexcept;
    void SetBlinkIntervalOff(std::uint16_t value);
    int BevelWidth() const noexcept { return FBevelWidth; }
    void SetBevelWidth(int value);  // negative values count as 0
    TFrameStyleEx BorderInner() const noexcept { return FBorderInner; }
    void SetBorderInner(TFrameStyleEx value);
    TFrameStyleEx BorderOuter() const noexcept { return FBorderOuter; }
    void SetBorderOuter(TFrameStyleEx value);
    std::uint8_t BorderSides() const noexcept { return FBorderSides; }
    void SetBorderSides(std::uint8_t value);  // bits outside sdAll are dropped
    TColor BorderColor() const noexcept { return FBorderColor; }
    void SetBorderColor(TColor value);
    TColor BorderHighlight() const noexcept { return FBorderHighlight; }
    void SetBorderHighlight(TColor value);
    TColor BorderShadow() const noexcept { return FBorderShadow; }
    void SetBorderShadow(TColor value);
    int BorderWidth() const noexcept { return FBorderWidth; }
    void SetBorderWidth(int value);  // negative values count as 0
    bool CondenseCaption() const noexcept { return FCondenseCaption; }
    void SetCondenseCaption(bool value);
    TColor FlatColor() const noexcept { return FFlatColor; }
    void SetFlatColor(TColor value);
    int FlatColorAdjustment() const noexcept { return FFlatColorAdjustment; }
    void SetFlatColorAdjustment(int value);
    std::uint16_t FrameControllerNotifications() const noexcept { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(std::uint16_t value) noexcept { FFrameControllerNotifications = value; }
    TCenterPoint CenterPoint() const noexcept { return FCenterPoint; }
    void SetCenterPoint(TCenterPoint value);
    TColor FlyByColor() const noexcept { return FFlyByColor; }
    void SetFlyByColor(TColor value);
    bool FlyByEnabled() const noexcept { return FFlyByEnabled; }
    void SetFlyByEnabled(bool value);
    bool LightTextStyle() const noexcept { return FLightTextStyle; }
    void SetLightTextStyle(bool value);
    TTextRotation Rotation() const noexcept { return FRotation; }
    void SetRotation(TTextRotation value);
    TColor HighlightColor() const noexcept { return FHighlightColor; }
    void SetHighlightColor(TColor value);
    TColor ShadowColor() const noexcept { return FShadowColor; }
    void SetShadowColor(TColor value);
    int ShadowDepth() const noexcept { return FShadowDepth; }
    void SetShadowDepth(int value);  // clamped to 0..100
    int TextMargin() const noexcept { return FTextMargin; }
    void SetTextMargin(int value);  // negative values count as 0
    TTextStyle TextStyle() const noexcept { return FTextStyle; }
    void SetTextStyle(TTextStyle value);

    // `rect` less BorderWidth and the outer and inner border styles on the sides in BorderSides.
    RECT BorderInsetRect(RECT rect) const noexcept;
    // Where unrotated text goes: the client rectangle less the border insets and TextMargin.
    RECT TextRect();
    // The colour the text is drawn in now: grey when disabled, else the blink colour in the blink-on phase,
    // else the fly-by colour while hovered, else the font colour taken over last.
    TColor CurrentTextColor() const noexcept;
    bool Hovered() const noexcept { return FHovered; }

protected:
    void Paint() override;
    void AdjustBounds() override;
    UINT DrawTextFlags() const override;
    void FontChanged() override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    friend class TWgBlinkList;
    void BlinkSwitch(bool on);
    void DrawBorders(HDC dc, RECT& rect);
    void DrawPlainText(const RECT& textRect);
    void DrawRotatedText(const RECT& textRect);
    void DrawCurvedText(const RECT& textRect);
    TTextRelief Relief() const noexcept;
    void Changed();

    int FAngle = 0;
    bool FBlinking = false;
    bool FBlinkOn = false;
    TColor FBlinkColor = clHighlight;
    int FBevelWidth = 1;
    TFrameStyleEx FBorderInner = TFrameStyleEx::fsNone;
    TFrameStyleEx FBorderOuter = TFrameStyleEx::fsNone;
    std::uint8_t FBorderSides = sdAll;
    TColor FBorderColor = clBtnFace;
    TColor FBorderHighlight = clBtnHighlight;
    TColor FBorderShadow = clBtnShadow;
    int FBorderWidth = 0;
    bool FCondenseCaption = false;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    std::uint16_t FFrameControllerNotifications = 0xFFFF;
    TCenterPoint FCenterPoint = cpCenter;
    TColor FFlyByColor = clHighlight;
    bool FFlyByEnabled = false;
    bool FHovered = false;
    bool FLightTextStyle = false;
    TTextRotation FRotation = roNone;
    TColor FHighlightColor = clBtnHighlight;
    TColor FShadowColor = clBtnShadow;
    int FShadowDepth = 2;
    int FTextMargin = 0;
    TTextStyle FTextStyle = tsNormal;
    TColor FCurrentColor;  // the font colour as last taken over (not while blinking)
};

}  // namespace qd
