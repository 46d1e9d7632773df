// Planes and vertices, room information and the 3D view options.

#include "desktop/SorviwxFrame.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/event.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>

#include "desktop/PlaneSection.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TMaterial.h"
#include "simulation/TRoom.h"
#include "views/GL_Window.h"

namespace {

// The active plane of the view, kept within the room (the room may have been replaced).
int ActivePlane(GL_Window* canvas, const TRoom& room)
{
    int& active = canvas->view.activeplane;
    active = PlaneSection::ClampActivePlane(active, room.NumPlanes);
    return active;
}

}  // namespace

void SorviwxFrame::ShowVertex(const TPlane& plane, int index)
{
    if (plane.NumVert == 0) return;
    const TPoint3D v = plane.GetVertex(index);
    const double xyz[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) vertex[k]->SetValue(wxString::FromCDouble(xyz[k], 2));
}

void SorviwxFrame::FillPlanesSection()
{
    if (sala->NumPlanes == 0) {
        EnablePlaneControls(false);
        BtnInvPlane->Enable(false);
        UpdateListBoxLayer();
        return;
    }
    EnablePlaneControls(true);
    BtnInvPlane->Enable(true);
    SpinPlaneId->SetRange(1, static_cast<int>(sala->NumPlanes));
    SpinPlaneId->SetValue(1);
    ListVertex->SetValue(1);
    ListVertex->SetRange(1, static_cast<int>(sala->plane[0]->NumVert));
    MyGLCanvas->view.activeplane = 0;
    ListBoxLayer->Clear();
    UpdateListBoxLayer();
    // Plane 0's count and first vertex, not what the previous room left in the fields.
    const TPlane& p = *sala->plane[0];
    NumVertPlane->SetValue(wxString::Format("%d", static_cast<int>(p.NumVert)));
    ShowVertex(p, 0);
}

void SorviwxFrame::EnablePlaneControls(bool status)
{
    SpinPlaneId->Enable(status);
    ListVertex->Enable(status);
}

void SorviwxFrame::UpdateListBoxLayer()
{
    if (sala->NumPlanes == 0) {
        ListBoxLayer->Hide();
        return;
    }
    ListBoxLayer->Show();
    // Without layers the names of an earlier room must not stay offered.
    ListBoxLayer->Clear();
    for (unsigned l = 0; l < sala->NumPlaneLayers; ++l)
        ListBoxLayer->Append(wxString::FromUTF8(sala->planeLayer[l].nome));
    const int plane = ActivePlane(MyGLCanvas, *sala);
    ListBoxLayer->SetSelection(PlaneSection::LayerItem(sala->plane[plane]->LayerID, sala->NumPlaneLayers));
}

void SorviwxFrame::OnSpinPlaneChange(wxSpinEvent&)
{
    if (sala->NumPlanes == 0) return;
    const int plane = PlaneSection::PlaneOfSpin(SpinPlaneId->GetValue(), sala->NumPlanes);
    MyGLCanvas->view.activeplane = plane;
    TPlane& p = *sala->plane[plane];
    ListBoxLayer->SetSelection(PlaneSection::LayerItem(p.LayerID, sala->NumPlaneLayers));
    // A layer the choice cannot show stays as it is: never a layer index of -1.
    if (ListBoxLayer->GetSelection() != wxNOT_FOUND) p.LayerID = ListBoxLayer->GetSelection();
    ListVertex->SetRange(1, static_cast<int>(p.NumVert));
    ListVertex->SetValue(1);
    NumVertPlane->SetValue(wxString::Format("%d", static_cast<int>(p.NumVert)));
}

void SorviwxFrame::OnPlaneLayerChange(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;
    const int item = ListBoxLayer->GetSelection();
    if (sala->NumPlanes > 0 && item != wxNOT_FOUND) sala->plane[ActivePlane(MyGLCanvas, *sala)]->LayerID = item;
    ProjectStatus = 2;
}

void SorviwxFrame::OnVertexChange(wxCommandEvent&)
{
    if (sala->NumPlanes == 0) return;
    const TPlane& p = *sala->plane[ActivePlane(MyGLCanvas, *sala)];
    ShowVertex(p, ListVertex->GetValue() - 1);
    ProjectStatus = 2;
}

void SorviwxFrame::InvertPlaneSequence(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;
    if (sala->NumPlanes == 0) return;
    TPlane& p = *sala->plane[ActivePlane(MyGLCanvas, *sala)];
    p.InvertSequence();
    p.Tecelagem();
    ProjectStatus = 2;
}

void SorviwxFrame::ShowRoomInfo()
{
    textinfo->Clear();
    textinfo->AppendText(wxString::Format("Room Volume = %1.2f m3\n", sala->Volume));
    textinfo->AppendText(wxString::Format("Total Surface Area = %1.2f m2\n", sala->Area));
    for (unsigned m = 0; m < sala->NumMaterials; ++m)
        textinfo->AppendText(wxString::Format("material [%d] - %s\n", static_cast<int>(m) + 1,
                                              wxString::FromUTF8(sala->material[m]->nome)));
    textinfo->AppendText(wxString::Format("NumPlanes  = %d\n", static_cast<int>(sala->NumPlanes)));
    textinfo->AppendText(wxString::Format("NumPlaneLayers  = %d\n", static_cast<int>(sala->NumPlaneLayers)));
}

void SorviwxFrame::OnCBView1Click(wxCommandEvent&)
{
    MyGLCanvas->view.drawSources = CBView1->GetValue();
    Notebook1->ChangeSelection(1);
}

void SorviwxFrame::OnCBView2Click(wxCommandEvent&)
{
    MyGLCanvas->view.drawReceivers = CBView2->GetValue();
    Notebook1->ChangeSelection(1);
}

void SorviwxFrame::OnCBView3Click(wxCommandEvent&)
{
    MyGLCanvas->view.ViewSinglePlane = CBView3->GetValue() ? 1 : 0;
    Notebook1->ChangeSelection(1);
}

void SorviwxFrame::OnCBView4Click(wxCommandEvent&)
{
    MyGLCanvas->view.ViewTriangles = CBView4->GetValue() ? 1 : 0;
    Notebook1->ChangeSelection(1);
}

void SorviwxFrame::OnCBView5Click(wxCommandEvent&)
{
    MyGLCanvas->view.drawSourceIDs = CBView5->GetValue();
}

void SorviwxFrame::OnCBView6Click(wxCommandEvent&)
{
    MyGLCanvas->view.drawReceiverIDs = CBView6->GetValue();
}

void SorviwxFrame::OnCBView7Click(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;
    const bool checked = CBView7->GetValue();
    MyGLCanvas->view.DrawLostRays = checked ? 1 : 0;
    if (!checked) return;
    if (sala->NumLostRays == 0) sala->LoadLostRaysTxt();
    if (sala->NumLostRays == 0) ErrorMessage("No lost rays!");
}

void SorviwxFrame::LockEditing(bool locked)
{
    // Pages 1 to 3 of the left notebook: Geometry, Sources, Receivers.
    for (size_t page = 1; page < Notebook1->GetPageCount(); ++page) Notebook1->GetPage(page)->Enable(!locked);
    for (int id : {wxID_FILE2, wxID_OPEN, wxID_FILE1, wxID_SAVE})
        if (MenuBar1->FindItem(id)) MenuBar1->Enable(id, !locked);
    const int rooms = MenuBar1->FindMenu(_("Rooms"));
    if (rooms != wxNOT_FOUND) MenuBar1->EnableTop(static_cast<size_t>(rooms), !locked);
    CBView7->Enable(!locked);
    if (graphChoice) graphChoice->Enable(!locked);
    if (SRPlotGrid) SRPlotGrid->Enable(!locked);
}
