#pragma once
// Small persistent classes for the component, property and form-reader tests: every property kind once, a root
// form with handlers and published fields, and a shared event log that records construction, destruction,
// notifications and Loaded calls in order.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Properties.h"

namespace qd::test {

inline std::vector<std::string>& EventLog() {
    static std::vector<std::string> log;
    return log;
}

class TTestFont : public TPersistent {
    QD_CLASS_INFO
public:
    int Height() const { return FHeight; }
    void SetHeight(int value) { FHeight = value; }
    const std::wstring& Name() const { return FName; }
    void SetName(const std::wstring& value) { FName = value; }
    std::uint8_t Charset() const { return FCharset; }
    void SetCharset(std::uint8_t value) { FCharset = value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    std::uint32_t Style() const { return FStyle; }
    void SetStyle(std::uint32_t value) { FStyle = value; }

private:
    int FHeight = -11;
    std::wstring FName = L"Tahoma";
    std::uint8_t FCharset = 1;
    TColor FColor = clWindowText;
    std::uint32_t FStyle = 0;
};

enum class TTestAlignment { taLeftJustify, taRightJustify, taCenter };

class TTestPanelItem : public TPersistent {
    QD_CLASS_INFO
public:
    int Width = 50;
    std::string Text;
    TTestAlignment Alignment = TTestAlignment::taLeftJustify;
};

// A counted byte block as a class of its own stores it: 4-byte little-endian count, then the bytes.
struct TCountedBlock {
    std::vector<std::uint8_t> Bytes;
};

class TTestControl : public TComponent {
    QD_CLASS_INFO
public:
    explicit TTestControl(TComponent* owner) : TComponent(owner) { EventLog().push_back("create " + ClassName()); }
    ~TTestControl() override { EventLog().push_back("destroy " + Name()); }

    std::int16_t Left() const { return FLeft; }
    void SetLeft(std::int16_t value) {
        FLeft = value;
        LeftSetWhileLoading = HasState(TComponentStateFlag::csLoading);
    }
    TTestFont& Font() { return FFont; }
    TTestFont* OptionalFont() { return FOptionalFont.get(); }

    void Loaded() override {
        TComponent::Loaded();
        FocusAtLoaded = FocusControl;
        EventLog().push_back("loaded " + Name());
    }
    void SetParentComponent(TComponent* parent) override { ParentComponent = parent; }

    void ClearPanels() { Panels.clear(); }
    TTestPanelItem& AddPanel() {
        Panels.push_back(std::make_unique<TTestPanelItem>());
        return *Panels.back();
    }
    std::size_t PanelCount() const { return Panels.size(); }
    TTestPanelItem* Panel(int index) const { return Panels.at(static_cast<std::size_t>(index)).get(); }

    void SetBlock(const TFormValue& value);
    TFormValue GetBlock() const;

    std::wstring Caption;
    bool Visible = true;
    TTestAlignment Align = TTestAlignment::taLeftJustify;
    std::uint8_t Anchors = 0;
    double Margin = 0;
    float Ratio = 1;
    std::string Hint;
    std::string Version = "1.0";
    TColor Color = clBtnFace;
    TStringList Lines;
    std::vector<std::string> Items;
    std::vector<std::uint8_t> Data;
    std::vector<std::unique_ptr<TTestPanelItem>> Panels;
    TCountedBlock Block;
    TNotifyEvent OnClick;
    std::function<void(TObject*, bool&)> OnCloseQuery;
    TComponent* ParentComponent = nullptr;
    TTestControl* FocusControl = nullptr;
    TTestControl* FocusAtLoaded = nullptr;
    bool LeftSetWhileLoading = false;

private:
    std::int16_t FLeft = 0;
    TTestFont FFont;
    std::unique_ptr<TTestFont> FOptionalFont;
};

class TTestLabel : public TTestControl {
    QD_CLASS_INFO
public:
    using TTestControl::TTestControl;
    // Redeclared with another kind: the derived declaration wins.
    std::string Caption8;
};

// Not creatable from a description (its factory is taken away).
class TTestHidden : public TTestControl {
    QD_CLASS_INFO
public:
    using TTestControl::TTestControl;
};

class TTestForm : public TTestControl {
    QD_CLASS_INFO
public:
    using TTestControl::TTestControl;

    void FormCreate(TObject* sender) {
        ++CreateCalls;
        LastSender = sender;
    }
    void FormCloseQuery(TObject*, bool& canClose) { canClose = AllowClose; }
    void ButtonClick(TObject* sender) {
        ++ClickCalls;
        LastSender = sender;
    }

    TTestControl* Button1 = nullptr;
    TTestLabel* Label1 = nullptr;
    int CreateCalls = 0;
    int ClickCalls = 0;
    bool AllowClose = false;
    TObject* LastSender = nullptr;
};

inline void TTestControl::SetBlock(const TFormValue& value) {
    if (value.Kind != TFormValueKind::vkBinary) throw EPropertyError("expected binary data");
    if (value.Bytes.size() < 4) throw EPropertyError("the block has no count");
    const std::size_t count = static_cast<std::size_t>(value.Bytes[0]) | (std::size_t{value.Bytes[1]} << 8) |
                              (std::size_t{value.Bytes[2]} << 16) | (std::size_t{value.Bytes[3]} << 24);
    if (count != value.Bytes.size() - 4)
        throw EPropertyError("the block counts " + std::to_string(count) + " bytes but holds " +
                             std::to_string(value.Bytes.size() - 4));
    Block.Bytes.assign(value.Bytes.begin() + 4, value.Bytes.end());
}

inline TFormValue TTestControl::GetBlock() const {
    TFormValue v;
    v.Kind = TFormValueKind::vkBinary;
    const auto n = static_cast<std::uint32_t>(Block.Bytes.size());
    v.Bytes.resize(4 + Block.Bytes.size());
    for (int i = 0; i < 4; ++i) v.Bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
    std::copy(Block.Bytes.begin(), Block.Bytes.end(), v.Bytes.begin() + 4);
    return v;
}

inline const TClassInfo& TTestFont::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TTestFont>("TTestFont", &TPersistent::StaticClassInfo())
                                       .Int("Height", &TTestFont::Height, &TTestFont::SetHeight)
                                       .WStr("Name", &TTestFont::Name, &TTestFont::SetName)
                                       .Charset("Charset", &TTestFont::Charset, &TTestFont::SetCharset)
                                       .Color("Color", &TTestFont::Color, &TTestFont::SetColor)
                                       .Set("Style", &TTestFont::Style, &TTestFont::SetStyle,
                                            {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    return info;
}

inline const TClassInfo& TTestPanelItem::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTestPanelItem>("TTestPanelItem", &TPersistent::StaticClassInfo())
            .Int("Width", &TTestPanelItem::Width)
            .Str("Text", &TTestPanelItem::Text)
            .Enum("Alignment", &TTestPanelItem::Alignment, {"taLeftJustify", "taRightJustify", "taCenter"});
    return info;
}

inline const TClassInfo& TTestControl::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTestControl>("TTestControl", &TComponent::StaticClassInfo())
            .Int("Left", &TTestControl::Left, &TTestControl::SetLeft)
            .WStr("Caption", &TTestControl::Caption)
            .Bool("Visible", &TTestControl::Visible)
            .Enum("Align", &TTestControl::Align, {"alNone", "alTop", "alClient"})
            .Set("Anchors", &TTestControl::Anchors, {{"akLeft", 0}, {"akTop", 1}, {"akRight", 2}, {"akBottom", 7}})
            .Float("Margin", &TTestControl::Margin)
            .Float("Ratio", &TTestControl::Ratio)
            .Str("Hint", &TTestControl::Hint)
            .Str("Version", [](TTestControl& c) -> const std::string& { return c.Version; })
            .Color("Color", &TTestControl::Color)
            .Object("Font", &TTestControl::Font)
            .Object("OptionalFont", &TTestControl::OptionalFont)
            .Strings("Lines", &TTestControl::Lines)
            .Strings(
                "Items", [](TTestControl& c) { return c.Items; },
                [](TTestControl& c, std::vector<std::string> items) { c.Items = std::move(items); })
            .Binary("Data", &TTestControl::Data)
            .Collection("Panels", &TTestControl::ClearPanels, &TTestControl::AddPanel, &TTestControl::PanelCount,
                        &TTestControl::Panel)
            .Custom("Block", &TTestControl::GetBlock, &TTestControl::SetBlock)
            .Event("OnClick", &TTestControl::OnClick)
            .Event("OnCloseQuery", &TTestControl::OnCloseQuery)
            .Component("FocusControl", &TTestControl::FocusControl);
    return info;
}

inline const TClassInfo& TTestLabel::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTestLabel>("TTestLabel", &TTestControl::StaticClassInfo()).Str("Caption", &TTestLabel::Caption8);
    return info;
}

inline const TClassInfo& TTestHidden::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTestHidden>("TTestHidden", &TTestControl::StaticClassInfo()).Factory(nullptr);
    return info;
}

inline const TClassInfo& TTestForm::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTestForm>("TTestForm", &TTestControl::StaticClassInfo())
            .Handler<TNotifyEvent>("FormCreate", &TTestForm::FormCreate)
            .Handler<std::function<void(TObject*, bool&)>>("FormCloseQuery", &TTestForm::FormCloseQuery)
            .Handler<TNotifyEvent>("ButtonClick", &TTestForm::ButtonClick)
            .Field("Button1", &TTestForm::Button1)
            .Field("Label1", &TTestForm::Label1);
    return info;
}

// Registers the creatable test classes once.
inline void RegisterTestClasses() {
    RegisterClassInfos({&TTestControl::StaticClassInfo(), &TTestLabel::StaticClassInfo(),
                        &TTestHidden::StaticClassInfo(), &TTestForm::StaticClassInfo()});
}

}  // namespace qd::test
