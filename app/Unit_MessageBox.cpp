#include "app/Unit_MessageBox.h"

#include <memory>

#include "app/AppConstants.h"
#include "framework/Application.h"
#include "framework/Properties.h"
#include "framework/Resources.h"

namespace qd {

TForm_MessageBox* Form_MessageBox = nullptr;

TForm_MessageBox::TForm_MessageBox(TComponent* AOwner) : TForm(AOwner) {
    RegisterWidgetClasses();
    ReadStoredForm(LoadFormResource(ClassName()), "Form_MessageBox");
}

TForm_MessageBox::~TForm_MessageBox() = default;

void TForm_MessageBox::Loaded() {
    TForm::Loaded();
    // Every handler and ShowMessageBox rely on these four; a description without them is rejected here, with
    // the description's line, before the box is ever shown.
    if (!WgLabel1 || !Label_Tip || !WgBitBtn_Ok || !WgBitBtn_Cancel)
        throw Exception("the box needs WgLabel1, Label_Tip, WgBitBtn_Ok and WgBitBtn_Cancel");
}

void TForm_MessageBox::FormCreate(TObject* /*Sender*/) { SetCaption(kAppTitle); }

void TForm_MessageBox::FormKeyDown(TObject* /*Sender*/, WORD& Key, TShiftState /*Shift*/) {
    if (Key == VK_ESCAPE) SetModalResult(mrCancel);
    if (Key == VK_RETURN) SetModalResult(mrOk);
}

bool ShowMessageBox(const std::wstring& Text) {
    // Re-entered from inside the modal loop of a box that is showing: that loop still runs on the box, so it
    // must be neither reused nor freed here.
    if (Form_MessageBox) return false;

    struct TFreeBox {
        ~TFreeBox() {
            delete Form_MessageBox;
            Form_MessageBox = nullptr;
        }
    } freeBox;
    // The module reference is set only once the box is whole: a failing construction leaves nothing behind
    // (the form's own destructor has freed what it had built).
    Form_MessageBox = new TForm_MessageBox(Application);
    Form_MessageBox->Label_Tip->SetCaption(Text);
    return Form_MessageBox->ShowModal() == mrOk;
}

const TClassInfo& TForm_MessageBox::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TForm_MessageBox>("TForm_MessageBox", &TForm::StaticClassInfo())
                                       .Field("WgLabel1", &TForm_MessageBox::WgLabel1)
                                       .Field("Label_Tip", &TForm_MessageBox::Label_Tip)
                                       .Field("WgBitBtn_Ok", &TForm_MessageBox::WgBitBtn_Ok)
                                       .Field("WgBitBtn_Cancel", &TForm_MessageBox::WgBitBtn_Cancel)
                                       .Handler<TNotifyEvent>("FormCreate", &TForm_MessageBox::FormCreate)
                                       .Handler<TKeyEvent>("FormKeyDown", &TForm_MessageBox::FormKeyDown)
                                       .Factory(nullptr);
    return info;
}

}  // namespace qd
