#pragma once
// The confirmation box: one message, OK and Cancel, modal and on top. ShowMessageBox is the only way the rest of
// the program uses it; every call builds a fresh box from the stored description "TFORM_MESSAGEBOX" and frees it
// before returning.

#include <windows.h>

#include <string>

#include "framework/Forms.h"
#include "widgets/WgButton.h"
#include "widgets/WgLabel.h"

namespace qd {

class TForm_MessageBox : public TForm {
    QD_CLASS_INFO
public:
    explicit TForm_MessageBox(TComponent* AOwner);
    ~TForm_MessageBox() override;

    // Published components, set by the stored description.
    TWgLabel* WgLabel1 = nullptr;
    TWgLabel* Label_Tip = nullptr;
    TWgBitBtn* WgBitBtn_Ok = nullptr;
    TWgBitBtn* WgBitBtn_Cancel = nullptr;

    // Event handlers, bound by name from the stored description.
    void FormCreate(TObject* Sender);
    // Reached through the key preview by the keys no button took: Escape answers Cancel, Enter (with Shift,
    // Ctrl or Alt; a plain Enter clicks the focused button) answers OK.
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);

    void Loaded() override;
};

// The box while one is showing; null otherwise.
extern TForm_MessageBox* Form_MessageBox;

// Shows `Text` in a modal box and answers true exactly when it closed with OK. Errors while building or showing
// the box propagate after the box was freed. Called again while a box is showing (a second close request, a
// session-end query), it answers false at once and leaves the box that is showing alone.
bool ShowMessageBox(const std::wstring& Text);

}  // namespace qd
