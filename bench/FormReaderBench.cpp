// Start-up cost of stored form descriptions: a description shaped like the main window's (a 110-line class list,
// a 54,840-byte binary block, collection items, fonts and events) parsed, then applied to a form; and the cost of
// setting one property by name against calling its setter, measured in the same run.
#include <chrono>
#include <cstdio>
#include <string>

#include "framework/FormReader.h"
#include "tests/framework/CoreTestClasses.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string MainLikeDescription() {
    std::string t =
        "object Form_Main: TTestForm\n  Left = 193\n  Caption = '岚栎在线订单管理系统'\n"
        "  Color = clBtnFace\n  Font.Charset = GB2312_CHARSET\n  Font.Height = -13\n"
        "  Font.Name = '宋体'\n  Font.Style = []\n  OnCloseQuery = FormCloseQuery\n"
        "  object StatusBar_Main: TTestControl\n    Panels = <\n";
    for (int i = 0; i < 5; ++i)
        t += "      item\n        Alignment = taCenter\n        Text = '岚栎软件'\n        Width = " +
             std::to_string(100 * i) + "\n      end" + (i == 4 ? ">\n" : "\n");
    t += "  end\n  object SkinData_Main: TTestControl\n    Lines.Strings = (\n";
    for (int i = 0; i < 110; ++i) t += "      'TLMDSomeClass" + std::to_string(i) + "=combobox'\n";
    t += "    )\n    Data = {\n";
    static const char kHex[] = "0123456789ABCDEF";
    for (int i = 0, n = 0; i < 54840; ++i) {
        if (n == 0) t += "      ";
        t += kHex[(i * 7) & 15];
        t += kHex[(i * 13) & 15];
        if (++n == 32) {
            t += "\n";
            n = 0;
        }
    }
    t += "}\n  end\n  object Timer_Main: TTestControl\n    OnClick = ButtonClick\n  end\nend\n";
    return t;
}

template <class F>
double MicrosPerRun(int runs, F&& body) {
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i) body();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / runs;
}

}  // namespace

int main() {
    qd::test::RegisterTestClasses();
    const std::string text = MainLikeDescription();
    const qd::TFormObject tree = qd::ParseFormText(text, "Form_Main");
    constexpr int kRuns = 200;

    const double parse = MicrosPerRun(kRuns, [&] { (void)qd::ParseFormText(text, "Form_Main"); });
    const double apply = MicrosPerRun(kRuns, [&] {
        qd::test::TTestForm form(nullptr);
        qd::ReadComponent(form, tree, "Form_Main");
    });
    std::printf("description: %zu bytes of text\n", text.size());
    std::printf("parse:                 %9.1f us per form\n", parse);
    std::printf("apply (create + set):  %9.1f us per form\n", apply);

    qd::test::TTestControl control(nullptr);
    qd::TFormValue height;
    height.Kind = qd::TFormValueKind::vkInteger;
    height.Integer = -13;
    constexpr int kSets = 200000;
    const double byName = MicrosPerRun(kSets, [&] { qd::SetPropertyValue(control, "Font.Height", height); });
    volatile int source = -13;  // read each time, so the loop is not folded into one store
    const double direct = MicrosPerRun(kSets, [&] { control.Font().SetHeight(source); });
    std::printf("set Font.Height by name: %7.3f us;  direct setter call: %7.4f us\n", byName, direct);
    return 0;
}
