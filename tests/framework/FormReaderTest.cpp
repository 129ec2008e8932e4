// Reading stored form descriptions into a root component: creation, ownership and parents, field binding,
// events, Loaded order, and the error each kind of fault ends with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/FormReader.h"
#include "tests/framework/CoreTestClasses.h"

namespace qd {
namespace {

using test::EventLog;
using test::TTestControl;
using test::TTestForm;
using test::TTestLabel;

constexpr const char* kForm =
    "object Form_Test: TTestForm\n"         // 1
    "  Left = 193\n"                        // 2
    "  Caption = '岚栎在线订单管理系统'\n"  // 3
    "  Color = clBtnFace\n"                 // 4
    "  Font.Charset = GB2312_CHARSET\n"     // 5
    "  Font.Height = -13\n"                 // 6
    "  Font.Name = '宋体'\n"                // 7
    "  Font.Style = []\n"                   // 8
    "  OnCloseQuery = FormCloseQuery\n"     // 9
    "  object Panel1: TTestControl\n"       // 10
    "    Align = alClient\n"                // 11
    "    object Button1: TTestControl\n"    // 12
    "      Caption = '确定'\n"              // 13
    "      OnClick = ButtonClick\n"         // 14
    "    end\n"                             // 15
    "  end\n"                               // 16
    "  object Label1: TTestLabel\n"         // 17
    "    Caption = 'tip'\n"                 // 18
    "    Panels = <\n"                      // 19
    "      item\n"                          // 20
    "        Width = 100\n"                 // 21
    "      end>\n"                          // 22
    "  end\n"                               // 23
    "end\n";                                // 24

class FormReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::RegisterTestClasses();
        EventLog().clear();
    }

    // The message of the EFormReadError that reading `text` into a fresh form raises, or "" if none.
    static std::string ReadFails(const std::string& text, int* line = nullptr, std::string* property = nullptr) {
        TTestForm form(nullptr);
        try {
            ReadComponentText(form, text, "Form_Test");
        } catch (const EFormReadError& e) {
            if (line) *line = e.Line();
            if (property) *property = e.Property();
            return e.Message();
        }
        return {};
    }
};

TEST_F(FormReaderTest, CreatesTheComponentsOwnedByTheRootWithTheirParentsAndProperties) {
    TTestForm form(nullptr);
    ReadComponentText(form, kForm, "Form_Test");

    EXPECT_EQ(form.Name(), "Form_Test");
    EXPECT_EQ(form.Left(), 193);
    EXPECT_EQ(form.Caption, L"岚栎在线订单管理系统");
    EXPECT_EQ(form.Color, clBtnFace);
    EXPECT_EQ(form.Font().Charset(), 134);
    EXPECT_EQ(form.Font().Height(), -13);
    EXPECT_EQ(form.Font().Name(), L"宋体");

    ASSERT_EQ(form.ComponentCount(), 3);
    auto* panel = dynamic_cast<TTestControl*>(form.FindComponent("Panel1"));
    auto* button = dynamic_cast<TTestControl*>(form.FindComponent("Button1"));
    auto* label = dynamic_cast<TTestLabel*>(form.FindComponent("Label1"));
    ASSERT_TRUE(panel && button && label);
    EXPECT_EQ(form.Components(0), panel) << "creation order is file order, depth first";
    EXPECT_EQ(form.Components(1), button);
    EXPECT_EQ(form.Components(2), label);
    EXPECT_EQ(button->Owner(), &form) << "nested objects are owned by the root too";
    EXPECT_EQ(button->ParentComponent, panel);
    EXPECT_EQ(panel->ParentComponent, &form);
    EXPECT_EQ(panel->Align, test::TTestAlignment::taCenter);
    EXPECT_EQ(button->Caption, L"确定");
    EXPECT_EQ(label->Caption8, "tip");
    ASSERT_EQ(label->Panels.size(), 1u);
    EXPECT_EQ(label->Panels[0]->Width, 100);

    EXPECT_EQ(form.Button1, button) << "published fields are bound by name";
    EXPECT_EQ(form.Label1, label);

    ASSERT_TRUE(button->OnClick);
    button->OnClick(button);
    EXPECT_EQ(form.ClickCalls, 1);
    EXPECT_EQ(form.LastSender, button);
    bool canClose = true;
    form.OnCloseQuery(&form, canClose);
    EXPECT_FALSE(canClose);
}

TEST_F(FormReaderTest, LoadedRunsAfterEverythingWasReadRootFirstThenCreationOrder) {
    TTestForm form(nullptr);
    EventLog().clear();
    ReadComponentText(form, kForm, "Form_Test");
    // (A constructor sees its base class's name: the label is created as a TTestControl.)
    EXPECT_EQ(EventLog(),
              (std::vector<std::string>{"create TTestControl", "create TTestControl", "create TTestControl",
                                        "loaded Form_Test", "loaded Panel1", "loaded Button1", "loaded Label1"}));
    EXPECT_TRUE(form.LeftSetWhileLoading) << "csLoading is set while properties are read";
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_FALSE(form.Components(i)->HasState(TComponentStateFlag::csLoading));
    EXPECT_FALSE(form.HasState(TComponentStateFlag::csLoading));
}

TEST_F(FormReaderTest, AnAncestorClassNameFitsTheRoot) {
    TTestForm form(nullptr);
    ReadComponentText(form, "object F: TTestControl\n  Left = 5\nend\n", "F");
    EXPECT_EQ(form.Left(), 5);
}

TEST_F(FormReaderTest, TheRootMustBeOfTheDescribedClass) {
    TTestControl plain(nullptr);
    try {
        ReadComponentText(plain, "object F: TTestForm\nend\n", "Form_Test");
        FAIL();
    } catch (const EFormReadError& e) {
        EXPECT_EQ(e.Message(), "Form_Test, line 1: the description is of class TTestForm, not of TTestControl");
    }
}

TEST_F(FormReaderTest, UnknownClassNamesTheFormAndLine) {
    int line = 0;
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  Left = 1\n  object X1: TNoSuchClass\n  end\nend\n", &line),
              "Form_Test, line 3: unknown class TNoSuchClass of \"X1\"");
    EXPECT_EQ(line, 3);
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  object H: TTestHidden\n  end\nend\n"),
              "Form_Test, line 2: class TTestHidden of \"H\" cannot be created");
}

TEST_F(FormReaderTest, UnknownPropertyNamesTheFormLineAndProperty) {
    int line = 0;
    std::string property;
    const std::string text = std::string(kForm).replace(std::string(kForm).find("Font.Height"), 11, "Font.Heigth");
    EXPECT_EQ(ReadFails(text, &line, &property),
              "Form_Test, line 6, property \"Font.Heigth\": class TTestFont has no property \"Heigth\"");
    EXPECT_EQ(line, 6);
    EXPECT_EQ(property, "Font.Heigth");
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  object B: TTestControl\n    Wdth = 3\n  end\nend\n"),
              "Form_Test, line 3, property \"Wdth\": class TTestControl has no property \"Wdth\"");
}

TEST_F(FormReaderTest, BadValuesNameTheFormLineAndProperty) {
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  Left = 70000\nend\n"),
              "Form_Test, line 2, property \"Left\": value 70000 is out of range -32768..32767");
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  Visible = 'yes'\nend\n"),
              "Form_Test, line 2, property \"Visible\": expected True or False, found a string");
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  Font.Style = [fsBlink]\nend\n"),
              "Form_Test, line 2, property \"Font.Style\": unknown set member \"fsBlink\" "
              "(expected fsBold, fsItalic, fsUnderline, fsStrikeOut)");
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  Block = {01000000}\nend\n"),
              "Form_Test, line 2, property \"Block\": the block counts 1 bytes but holds 0")
        << "a setter that raises";
}

TEST_F(FormReaderTest, FaultInsideACollectionItemNamesTheItemsLine) {
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n"
                        "  object L: TTestLabel\n"
                        "    Panels = <\n"
                        "      item\n"
                        "        Width = 1\n"
                        "      end\n"
                        "      item\n"
                        "        Alignment = taMiddle\n"
                        "      end>\n"
                        "  end\n"
                        "end\n"),
              "Form_Test, line 8, property \"Panels[1].Alignment\": unknown value \"taMiddle\" "
              "(expected one of taLeftJustify, taRightJustify, taCenter)");
}

TEST_F(FormReaderTest, HandlersMustExistAndFitTheEvent) {
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  OnClick = FormClick\nend\n"),
              "Form_Test, line 2, property \"OnClick\": class TTestForm has no handler method \"FormClick\"");
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  object B: TTestControl\n    OnClick = FormCloseQuery\n"
                        "  end\nend\n"),
              "Form_Test, line 3, property \"OnClick\": handler method \"FormCloseQuery\" of TTestForm has the "
              "wrong parameters for this event");
}

TEST_F(FormReaderTest, PublishedFieldOfAnotherClassIsAnError) {
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n  object Label1: TTestControl\n  end\nend\n"),
              "Form_Test, line 2: field Label1 of TTestForm holds a TTestLabel, not a TTestControl");
    // A derived class fits a field of its base class.
    TTestForm form(nullptr);
    ReadComponentText(form, "object F: TTestForm\n  object Button1: TTestLabel\n  end\nend\n", "F");
    EXPECT_EQ(form.Button1, form.FindComponent("Button1"));
}

TEST_F(FormReaderTest, DuplicateOrInvalidNamesAreErrors) {
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n"
                        "  object A: TTestControl\n"
                        "    object B: TTestControl\n"
                        "    end\n"
                        "  end\n"
                        "  object b: TTestControl\n"
                        "  end\n"
                        "end\n"),
              "Form_Test, line 6: a component named \"b\" already exists in Form_Test");
}

TEST_F(FormReaderTest, ParseFaultsBecomeReadErrorsToo) {
    int line = 0;
    const std::string message = ReadFails("object Form_Test: TTestForm\n  Left = \nend\n", &line);
    EXPECT_EQ(message.rfind("Form_Test, line 2", 0), 0u) << message;
    EXPECT_EQ(line, 2);
}

TEST_F(FormReaderTest, ComponentsCreatedBeforeAFaultGoWithTheRoot) {
    {
        TTestForm form(nullptr);
        EXPECT_THROW(ReadComponentText(form,
                                       "object F: TTestForm\n  object A: TTestControl\n  end\n"
                                       "  object B: TTestControl\n    Left = x\n  end\nend\n",
                                       "F"),
                     EFormReadError);
        EXPECT_EQ(form.ComponentCount(), 2);
    }
    int destroyed = 0;
    for (const std::string& entry : EventLog())
        if (entry == "destroy A" || entry == "destroy B") ++destroyed;
    EXPECT_EQ(destroyed, 2);
}

// Loaded of one component frees another created later: that one is not told Loaded afterwards.
class TGreedy : public TTestControl {
    QD_CLASS_INFO
public:
    using TTestControl::TTestControl;
    void Loaded() override {
        TTestControl::Loaded();
        if (TComponent* victim = Owner()->FindComponent("Victim")) delete victim;
    }
};

const TClassInfo& TGreedy::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TGreedy>("TGreedy", &TTestControl::StaticClassInfo());
    return info;
}

TEST_F(FormReaderTest, ComponentFreedDuringLoadedIsSkipped) {
    RegisterClassInfo(TGreedy::StaticClassInfo());
    TTestForm form(nullptr);
    ReadComponentText(form,
                      "object F: TTestForm\n  object G: TGreedy\n  end\n  object Victim: TTestControl\n"
                      "  end\nend\n",
                      "F");
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(std::count(EventLog().begin(), EventLog().end(), "loaded Victim"), 0);
}

TEST_F(FormReaderTest, ReferencesMayNameLaterComponentsAndAreSetBeforeLoaded) {
    TTestForm form(nullptr);
    ReadComponentText(form,
                      "object F: TTestForm\n"
                      "  FocusControl = Button1\n"
                      "  object Label1: TTestLabel\n"
                      "    FocusControl = Button1\n"
                      "  end\n"
                      "  object Button1: TTestControl\n"
                      "    FocusControl = F\n"
                      "  end\n"
                      "end\n",
                      "F");
    ASSERT_NE(form.Button1, nullptr);
    EXPECT_EQ(form.FocusControl, form.Button1);
    EXPECT_EQ(form.Label1->FocusControl, form.Button1);
    EXPECT_EQ(form.Button1->FocusControl, &form);
    EXPECT_EQ(form.FocusAtLoaded, form.Button1) << "resolved before Loaded";
    EXPECT_EQ(form.Label1->FocusAtLoaded, form.Button1);
}

TEST_F(FormReaderTest, UnresolvableReferenceNamesItsLineAndProperty) {
    EXPECT_EQ(ReadFails("object Form_Test: TTestForm\n"
                        "  object Label1: TTestLabel\n"
                        "    FocusControl = Button2\n"
                        "  end\n"
                        "  object Button1: TTestControl\n"
                        "  end\n"
                        "end\n"),
              "Form_Test, line 3, property \"FocusControl\": there is no component named \"Button2\"");
}

TEST_F(FormReaderTest, ReadingTheSameTreeIntoTwoRoots) {
    const TFormObject tree = ParseFormText(kForm, "Form_Test");
    TTestForm first(nullptr);
    TTestForm second(nullptr);
    ReadComponent(first, tree, "Form_Test");
    ReadComponent(second, tree, "Form_Test");
    auto* b1 = dynamic_cast<TTestControl*>(first.FindComponent("Button1"));
    auto* b2 = dynamic_cast<TTestControl*>(second.FindComponent("Button1"));
    ASSERT_TRUE(b1 && b2);
    b2->OnClick(b2);
    EXPECT_EQ(first.ClickCalls, 0) << "each form's events bind to that form's handlers";
    EXPECT_EQ(second.ClickCalls, 1);
}

}  // namespace
}  // namespace qd
