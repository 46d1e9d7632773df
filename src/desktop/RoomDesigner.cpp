#include "desktop/RoomDesigner.h"

#include <algorithm>
#include <cmath>

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/glcanvas.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "simulation/TRoom.h"
#include "views/GL_Window.h"

const long RoomDesigner::ID_STATICBITMAP1 = wxNewId();
const long RoomDesigner::ID_PANEL1 = wxNewId();
const long RoomDesigner::ID_BUTTON1 = wxNewId();
const long RoomDesigner::ID_BUTTON2 = wxNewId();
const long RoomDesigner::ID_SPINCTRL = wxNewId();

namespace {

const char* const kFieldNames[9] = {"L1", "L", "L2", "W1", "W", "W2", "H1", "H", "H2"};

// The sketch: the default room from above and from the side, with the names of the
// dimensions beside the edges they measure.
wxBitmap Sketch()
{
    const wxSize size(420, 330);
    wxBitmap bitmap(size);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();

    const RoomDimensions d;
    const double length = static_cast<double>(d.L1) + d.L + d.L2;
    const double width = std::max({d.W1, d.W, d.W2});
    const double height = std::max({d.H, d.H1, d.H2});
    const int margin = 40;
    const double scale = std::min((size.x - 2.0 * margin) / length, (size.y - 3.0 * margin) / (width + height));
    const int left = static_cast<int>((size.x - length * scale) / 2);
    const int planTop = margin / 2, sectionTop = planTop + static_cast<int>(width * scale) + margin;

    auto planPoint = [&](double x, double y) {
        return wxPoint(left + static_cast<int>(x * scale), planTop + static_cast<int>((width / 2 - y) * scale));
    };
    auto sectionPoint = [&](double x, double z) {
        return wxPoint(left + static_cast<int>(x * scale), sectionTop + static_cast<int>((height - z) * scale));
    };
    auto outline = [&](const std::vector<Point2D>& pts, auto map) {
        std::vector<wxPoint> p;
        for (const Point2D& q : pts) p.push_back(map(q.x, q.y));
        dc.DrawPolygon(static_cast<int>(p.size()), p.data());
    };
    dc.SetPen(wxPen(wxColour(40, 40, 160), 2));
    dc.SetBrush(wxBrush(wxColour(225, 232, 250)));
    outline(StandardRoomPlan(d), planPoint);
    outline(StandardRoomSection(d), sectionPoint);

    dc.SetTextForeground(*wxBLACK);
    dc.SetFont(wxFont(wxFontInfo(9)));
    auto label = [&](const char* text, wxPoint at) {
        const wxSize extent = dc.GetTextExtent(text);
        dc.DrawText(text, at.x - extent.x / 2, at.y - extent.y / 2);
    };
    const double x1 = d.L1, x2 = x1 + d.L, x3 = length;
    // Lengths under the section, widths beside the plan's ends and middle, heights at the side.
    const wxPoint below(0, 12);
    label("L1", sectionPoint(x1 / 2, d.H1) + wxPoint(0, -12));
    label("L", sectionPoint((x1 + x2) / 2, 0) + below);
    label("L2", sectionPoint((x2 + x3) / 2, d.H2 / 2) + below);
    label("W1", planPoint(0, 0) + wxPoint(-14, 0));
    label("W", planPoint((x1 + x2) / 2, 0));
    label("W2", planPoint(x3, 0) + wxPoint(14, 0));
    label("H1", sectionPoint(0, d.H1 / 2) + wxPoint(-14, 0));
    label("H", sectionPoint((x1 + x2) / 2, d.H / 2));
    label("H2", sectionPoint(x3, d.H2 / 2) + wxPoint(14, 0));
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

// The preview's pixel format (the view drops the multisampling where the display has none).
wxGLAttributes PreviewAttributes()
{
    wxGLAttributes attrs;
    attrs.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).Stencil(8).SampleBuffers(1).Samplers(4).EndList();
    return attrs;
}

}  // namespace

RoomDesigner::RoomDesigner(wxWindow* parent, wxWindowID, const wxPoint&, const wxSize&)
{
    Create(parent, wxID_ANY, _("Create Standard Rooms"), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
           "wxID_ANY");
    auto* outer = new wxBoxSizer(wxHORIZONTAL);
    auto* grid = new wxFlexGridSizer(0, 2, 0, 0);

    auto* sketchBox = new wxStaticBoxSizer(wxHORIZONTAL, this, _("Orthographic Views"));
    StaticBitmap1 = new wxStaticBitmap(sketchBox->GetStaticBox(), ID_STATICBITMAP1, Sketch(), wxDefaultPosition,
                                       wxDefaultSize, 0, "ID_STATICBITMAP1");
    sketchBox->Add(StaticBitmap1, 1, wxALL | wxEXPAND, 5);
    grid->Add(sketchBox, 1, wxALL | wxEXPAND, 5);

    auto* modelBox = new wxStaticBoxSizer(wxVERTICAL, this, _("3D Model"));
    Panel1 = new wxPanel(modelBox->GetStaticBox(), ID_PANEL1, wxDefaultPosition, wxSize(438, 331), wxTAB_TRAVERSAL,
                         "ID_PANEL1");
    modelBox->Add(Panel1, 1, wxALL | wxEXPAND, 5);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    Button1 = new wxButton(modelBox->GetStaticBox(), ID_BUTTON1, _("Apply"), wxDefaultPosition, wxDefaultSize, 0,
                           wxDefaultValidator, "ID_BUTTON1");
    Button2 = new wxButton(modelBox->GetStaticBox(), ID_BUTTON2, _("Cancel"), wxDefaultPosition, wxDefaultSize, 0,
                           wxDefaultValidator, "ID_BUTTON2");
    buttons->Add(Button1, 0, wxALL, 5);
    buttons->AddStretchSpacer();
    buttons->Add(Button2, 0, wxALL, 5);
    modelBox->Add(buttons, 0, wxALL | wxEXPAND, 5);
    grid->Add(modelBox, 1, wxALL | wxEXPAND, 5);
    outer->Add(grid, 1, wxALL | wxEXPAND, 5);
    SetSizer(outer);
    outer->Fit(this);
    Bind(wxEVT_BUTTON, &RoomDesigner::OnButton2Click, this, ID_BUTTON2);

    StaticBoxSizer_MP = new wxStaticBoxSizer(wxHORIZONTAL, this, _("Model Parameters"));
    FlexGridSizer_MP = new wxFlexGridSizer(3, 6, 0, 0);
    const RoomDimensions defaults;
    const float values[9] = {defaults.L1, defaults.L,  defaults.L2, defaults.W1, defaults.W,
                             defaults.W2, defaults.H1, defaults.H,  defaults.H2};
    for (int i = 0; i < 9; ++i) {
        StaticText[i] = new wxStaticText(StaticBoxSizer_MP->GetStaticBox(), wxID_ANY, kFieldNames[i]);
        SpinCtrl[i] = new wxSpinCtrlDouble(StaticBoxSizer_MP->GetStaticBox(), ID_SPINCTRL + i, "0", wxDefaultPosition,
                                           wxDefaultSize, 0, kMinDimension, kMaxDimension, 0, 0.5);
        SpinCtrl[i]->SetDigits(2);
        SpinCtrl[i]->SetValue(values[i]);
        FlexGridSizer_MP->Add(StaticText[i], 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
        FlexGridSizer_MP->Add(SpinCtrl[i], 1, wxALL | wxEXPAND, 5);
        Bind(wxEVT_TEXT, &RoomDesigner::OnTextCtrlChange, this, ID_SPINCTRL + i);
    }
    StaticBoxSizer_MP->Add(FlexGridSizer_MP, 1, wxALL | wxEXPAND, 5);
    grid->Add(StaticBoxSizer_MP, 1, wxALL | wxEXPAND, 5);
    outer->Fit(this);
    outer->SetSizeHints(this);
    Bind(wxEVT_BUTTON, &RoomDesigner::OnButton1Click, this, ID_BUTTON1);

    MyGLCanvas = new GL_Window(0, Panel1, PreviewAttributes(), ID_PANEL1, wxDefaultPosition, Panel1->GetSize(),
                               wxSUNKEN_BORDER, "Room Viewer", wxNullPalette);
    auto* canvasSizer = new wxBoxSizer(wxVERTICAL);
    canvasSizer->Add(MyGLCanvas, 1, wxEXPAND);
    Panel1->SetSizer(canvasSizer);

    room = std::make_unique<TRoom>();
    AddStandardRoomLayers(*room);
    UpdateLengths();
    UpdateRoom();
    MyGLCanvas->SetRoom(room.get());
    MyGLCanvas->view.SetDefaultViewOptions();
    MyGLCanvas->view.DrawRoom = true;
}

RoomDesigner::~RoomDesigner()
{
    // The preview goes first: it must not draw a room that is gone.
    if (MyGLCanvas) {
        MyGLCanvas->view.DrawRoom = false;
        delete MyGLCanvas;
        MyGLCanvas = nullptr;
    }
    room.reset();
}

void RoomDesigner::UpdateLengths()
{
    float* dims[9] = {&L1, &L, &L2, &W1, &W, &W2, &H1, &H, &H2};
    for (int i = 0; i < 9; ++i) {
        if (!SpinCtrl[i]) continue;
        float value = *dims[i];
        if (ParseDimension(SpinCtrl[i]->GetTextValue().utf8_string(), value)) *dims[i] = value;
    }
}

RoomDimensions RoomDesigner::Dimensions() const
{
    return RoomDimensions{L1, L, L2, W1, W, W2, H1, H, H2};
}

void RoomDesigner::UpdateRoom()
{
    if (!room) return;
    if (MyGLCanvas) MyGLCanvas->view.DrawRoom = false;
    vert = StandardRoomVertices(Dimensions());
    BuildStandardRoomPlanes(*room, vert);
    if (MyGLCanvas) {
        MyGLCanvas->view.target = room->GetCenter();
        MyGLCanvas->view.DrawRoom = true;
    }
}

void RoomDesigner::OnTextCtrlChange(wxCommandEvent&)
{
    // The fields' first values arrive while the dialog is being built.
    if (!room || std::any_of(SpinCtrl.begin(), SpinCtrl.end(), [](wxSpinCtrlDouble* s) { return !s; })) return;
    UpdateLengths();
    UpdateRoom();
}

void RoomDesigner::OnButton1Click(wxCommandEvent&)
{
    if (!room) return;
    const std::string message = WriteStandardRoom(*room, HandOverPath);
    if (!message.empty()) {
        // The design stays open: the user may try again or cancel.
        wxLogError("%s", wxString::FromUTF8(message));
        return;
    }
    Finish(wxID_OK);
}

void RoomDesigner::OnButton2Click(wxCommandEvent&)
{
    Finish(0);
}

void RoomDesigner::Finish(int code)
{
    if (IsModal())
        EndModal(code);
    else {
        SetReturnCode(code);
        Hide();
    }
}
