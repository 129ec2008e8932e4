// Mnemonics: what a caption marks, the one case rule for keys, and the controls that answer a mnemonic.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "framework/Forms.h"
#include "framework/Mnemonic.h"
#include "framework/StdCtrls.h"
#include "support/Pump.h"

using namespace qd;
using namespace qd::test;

TEST(MnemonicTest, CaptionsMarkOneCharacter) {
    struct TCase {
        const wchar_t* Caption;
        wchar_t Hotkey;
        const wchar_t* Stripped;
    } const cases[] = {{L"文件(&F)", L'F', L"文件(F)"},
                       {L"&open", L'O', L"open"},
                       {L"Save && &Quit", L'Q', L"Save & Quit"},
                       {L"&First &Second", L'F', L"First Second"},
                       {L"No mnemonic &&", 0, L"No mnemonic &"},
                       {L"Trailing &", 0, L"Trailing "},
                       {L"Plain", 0, L"Plain"},
                       {L"&äpfel", L'Ä', L"äpfel"},
                       {L"", 0, L""}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetHotkey(c.Caption), c.Hotkey) << c.Caption;
        EXPECT_EQ(StripHotkey(c.Caption), c.Stripped) << c.Caption;
    }
}

TEST(MnemonicTest, KeysMatchInEitherCase) {
    struct TCase {
        wchar_t Key;
        const wchar_t* Caption;
        bool Match;
    } const cases[] = {{L'f', L"文件(&F)", true},      {L'F', L"&file", true},    {L'x', L"文件(&F)", false},
                       {L'ä', L"&Ärger", true},        {L'Ä', L"&ärger", true},   {L'ж', L"&Журнал", true},
                       {L'α', L"&Άλφα", false},        {L'α', L"&Αλφα", true},    {L'ｆ', L"&Ｆ", true},
                       {L'&', L"Save && Quit", false}, {0, L"Trailing &", false}, {L'q', L"Save && &Quit", true}};
    for (const auto& c : cases)
        EXPECT_EQ(IsAccel(c.Key, c.Caption), c.Match) << c.Caption << L" / " << static_cast<int>(c.Key);
}

TEST(MnemonicTest, ControlsAnswerTheirMnemonicInEitherCase) {
    TForm form(nullptr);
    form.SetBounds(100, 100, 300, 200);
    form.Show();
    SetForegroundWindow(form.Handle());
    Pump(30);
    auto* button = new TButton(&form);
    auto* box = new TCheckBox(&form);
    auto* radio = new TRadioButton(&form);
    auto* label = new TLabel(&form);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    label->SetFocusControl(button);
    struct TCase {
        TControl* Control;
        std::function<bool()> Pressed;
    } const cases[] = {{label, [&] { return PumpUntil([&] { return button->Focused(); }); }},
                       {button, [&] { return clicks == 1; }},
                       {box, [&] { return box->Checked(); }},
                       {radio, [&] { return radio->Checked(); }}};
    for (const auto& c : cases) {
        c.Control->SetParent(&form);
        c.Control->SetCaption(L"&Äpfel");
    }
    for (const auto& c : cases) {
        EXPECT_EQ(c.Control->Perform(CM_DIALOGCHAR, L'x', 0), 0) << c.Control->ClassName();
        EXPECT_EQ(c.Control->Perform(CM_DIALOGCHAR, L'ä', 0), 1) << c.Control->ClassName();
        EXPECT_TRUE(c.Pressed()) << c.Control->ClassName();
    }
}
