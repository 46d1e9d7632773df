#pragma once
// One printed page of a chart window, with 50 device pixels of margin on each side.

#include <wx/print.h>

class mpWindow;

class mpPrintout : public wxPrintout {
public:
    mpPrintout(mpWindow* drawWindow, const wxString& title);

    void SetDrawState(bool drawState) { drawn = drawState; }
    bool OnPrintPage(int page) override;
    bool HasPage(int page) override { return page == 1; }

private:
    bool drawn = false;
    mpWindow* plotWindow;
};
