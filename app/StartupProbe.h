#pragma once
// The program's measuring switches, for the start-up benchmark (bench/StartupBench.cpp). They are read once, when
// the program starts, from the environment (the program reads no arguments); without them nothing changes.
//
//   QD_SKIN_INACTIVE=1          The main window's description is read without its stored skin package: the skin
//                               data component holds none, stays empty, and nothing is skinned (the platform's
//                               frame). Everything else starts as usual.
//   QD_STARTUP_SIGNAL=<handle>  An event handle (decimal) the program inherited. It is set right after the main
//                               window's first skinned paint: its client painted (the show paints it at once,
//                               through a sent WM_PAINT) and its frame painted by the skin (with the skin
//                               inactive: by the platform). At that moment one line goes to the standard output,
//                               when the program has one, with times in milliseconds since the process was created:
//                                 entry <ms> form <ms> shown <ms> skinned <ms> frame <ms> started <ms> signal <ms>
//                                 standard-frame-first <0|1> blank-frame-first <0|1>
//                               entry: wWinMain began; form: the main window was created (its description read,
//                               the skin loaded, the browser made); shown: the window was first seen visible;
//                               skinned: its skinner was first seen attached (-1 when inactive); frame: the first
//                               frame paint (WM_NCPAINT or WM_NCACTIVATE, whoever painted it) returned; started: the
//                               loop took the skinner's posted start message (-1 when inactive, or when the frame had
//                               been skinned and painted before it came: a window attached while being shown); signal:
//                               the event was set. standard-frame-first is 1 when the platform painted its frame before
//                               the skin did (an unskinned flash), blank-frame-first when a frame paint went by with
//                               the skinner attached but not yet painting (the frame left as it was).

#include <windows.h>

namespace qd {

class TWinControl;

class TStartupProbe {
public:
    // Reads the switches and notes the time: made first thing in the program entry.
    TStartupProbe();
    ~TStartupProbe();
    TStartupProbe(const TStartupProbe&) = delete;
    TStartupProbe& operator=(const TStartupProbe&) = delete;

    // The main window has been created (not yet shown): its paints are watched when a signal was asked for.
    void MainFormCreated(TWinControl& mainForm);

private:
    static LRESULT CALLBACK SentHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK QueueHook(int code, WPARAM wParam, LPARAM lParam);
    void NoteFramePaint();
    void Check();
    void Report() const;

    bool FSkinInactive = false;
    HANDLE FSignal = nullptr;
    HWND FMain = nullptr;
    HHOOK FSentHook = nullptr, FQueueHook = nullptr;
    bool FSignalled = false, FFramePainted = false, FClientPainted = false;
    bool FStandardFrameFirst = false, FBlankFrameFirst = false;
    double FEntry = 0, FForm = 0, FShown = -1, FSkinned = -1, FFrameAt = -1, FStartedAt = -1, FSignalAt = 0;
};

}  // namespace qd
