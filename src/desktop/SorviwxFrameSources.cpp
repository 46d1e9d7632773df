// Sources, receivers and their types.

#include "desktop/SorviwxFrame.h"

#include <cmath>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/event.h>
#include <wx/grid.h>
#include <wx/msgdlg.h>

#include "desktop/EditingGrid.h"
#include "desktop/GridEdit.h"
#include "directivity/TDirectivity.h"
#include "dsp/acoustics.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TRoom.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "views/GL_Window.h"
#include "views/Prompter.h"

using EditingGrid::CellText;
using EditingGrid::ClearRows;
using EditingGrid::Tell;

namespace {

wxString Fixed2(double v) { return GridEdit::Fixed2(v); }

// The pattern names of the room followed by `last` (an empty entry or "Load ...").
wxArrayString DirectivityChoices(const TRoom& room, const char* last)
{
    wxArrayString names;
    for (unsigned d = 0; d < room.NumDirectivities; ++d)
        names.Add(wxString::FromUTF8(room.directivity[d]->GetPatternName()));
    names.Add(last);
    return names;
}

// The cell edits are handled once, when the value has been stored; the grid's editor sends its
// hidden notification before that, with the old text still in the cell.
bool CellStored(wxGridEvent& event)
{
    if (event.GetEventType() == wxEVT_GRID_CELL_CHANGED) return true;
    event.Skip();
    return false;
}

// Answers whether the results may be erased (asked only while there are results); erases them.
bool EraseResultsFirst(TRoom& room, wxWindow* parent, const char* question)
{
    if (!room.ResultsCreated) return true;
    if (Prompter::Get().Question(question, "Question", wxOK | wxCANCEL, parent) != wxID_OK) return false;
    room.ClearResults();
    return true;
}

// The room's pattern whose name the chosen text holds (OMNI for none, added when absent).
TDirectivity* PatternNamedIn(TRoom& room, const std::string& text)
{
    const int id = room.GetDirectivityID(text.c_str());
    return room.directivity[id >= 0 ? id : 0].get();
}

TDirectivity* FirstDirectivity(TRoom& room)
{
    return room.NumDirectivities > 0 ? room.directivity[0].get() : nullptr;
}

}  // namespace

void SorviwxFrame::FillSourceLayerGrid()
{
    const bool any = sala->NumSourceLayers > 0;
    BtnAddSrcLayer->Enable(true);
    BtnDelSrcLayer->Enable(any);
    BtnAddSource->Enable(any);
    const wxArrayString patterns = DirectivityChoices(*sala, "");
    EditingGrid::PlainNumberColumns(SrcLayerGrid, 2, 10);
    ClearRows(SrcLayerGrid);
    SrcLayerGrid->AppendRows(static_cast<int>(sala->NumSourceLayers));
    for (unsigned l = 0; l < sala->NumSourceLayers; ++l) {
        const TSourceLayer& layer = *sala->sourceLayer[l];
        const int row = static_cast<int>(l);
        SrcLayerGrid->SetCellValue(row, 0, wxString::FromUTF8(layer.GetLayerName()));
        SrcLayerGrid->SetCellEditor(row, 1, new wxGridCellChoiceEditor(patterns));
        SrcLayerGrid->SetCellValue(row, 1, wxString::FromUTF8(layer.GetDirPatternName()));
        for (unsigned b = 0; b < 9 && b < layer.spectrum.size(); ++b)
            SrcLayerGrid->SetCellValue(row, static_cast<int>(b) + 2, Fixed2(TSourceLayer::GainToDB(layer.spectrum[b])));
    }
    FillSourceGrid();
}

void SorviwxFrame::FillSourceGrid()
{
    BtnAddSource->Enable(sala->NumSourceLayers > 0);
    BtnDelSource->Enable(sala->NumSources > 0);
    Button1->Enable(sala->NumSources > 0 && sala->NumReceivers > 0);
    if (MyGLCanvas) MyGLCanvas->view.DrawRoom = sala->NumSources + sala->NumReceivers + sala->NumPlanes > 0;
    wxArrayString types;
    for (unsigned l = 0; l < sala->NumSourceLayers; ++l)
        types.Add(wxString::FromUTF8(sala->sourceLayer[l]->GetLayerName()));
    EditingGrid::PlainNumberColumns(SourceGrid, 0, 5);
    ClearRows(SourceGrid);
    SourceGrid->AppendRows(static_cast<int>(sala->NumSources));
    for (unsigned s = 0; s < sala->NumSources; ++s) {
        const TSource& src = *sala->source[s];
        const int row = static_cast<int>(s);
        SourceGrid->SetCellValue(row, 0, Fixed2(src.Position.x));
        SourceGrid->SetCellValue(row, 1, Fixed2(src.Position.y));
        SourceGrid->SetCellValue(row, 2, Fixed2(src.Position.z));
        SourceGrid->SetCellValue(row, 3, Fixed2(src.AzimRotation));
        SourceGrid->SetCellValue(row, 4, Fixed2(src.ElevRotation));
        SourceGrid->SetCellValue(row, 5, Fixed2(Power2SPL(src.GetPower())));
        SourceGrid->SetCellEditor(row, 6, new wxGridCellChoiceEditor(types));
        const bool known = src.LayerID >= 0 && src.LayerID < static_cast<int>(types.size());
        SourceGrid->SetCellValue(row, 6, known ? types[src.LayerID] : wxString());
        SourceGrid->SetCellValue(row, 7, wxString::FromUTF8(src.SoundFile));
    }
    FillSRPlotCtrGrid();
}

void SorviwxFrame::FillReceiverLayerGrid()
{
    const bool any = sala->NumReceiverLayers > 0;
    BtnAddRecLayer->Enable(true);
    BtnDelRecLayer->Enable(any);
    BtnAddReceiver->Enable(any);
    const wxArrayString patterns = DirectivityChoices(*sala, "Load ...");
    ClearRows(RecLayerGrid);
    RecLayerGrid->AppendRows(static_cast<int>(sala->NumReceiverLayers));
    for (unsigned l = 0; l < sala->NumReceiverLayers; ++l) {
        const TReceiverLayer& layer = *sala->receiverLayer[l];
        const int row = static_cast<int>(l);
        RecLayerGrid->SetCellValue(row, 0, wxString::FromUTF8(layer.GetLayerName()));
        RecLayerGrid->SetCellEditor(row, 1, new wxGridCellChoiceEditor(patterns));
        RecLayerGrid->SetCellValue(row, 1, wxString::FromUTF8(layer.GetDirPatternName()));
    }
    FillReceiverGrid();
}

void SorviwxFrame::FillReceiverGrid()
{
    BtnAddReceiver->Enable(sala->NumReceiverLayers > 0);
    BtnDelReceiver->Enable(sala->NumReceivers > 0);
    Button1->Enable(sala->NumSources > 0 && sala->NumReceivers > 0);
    if (MyGLCanvas) MyGLCanvas->view.DrawRoom = sala->NumSources + sala->NumReceivers + sala->NumPlanes > 0;
    wxArrayString types;
    for (unsigned l = 0; l < sala->NumReceiverLayers; ++l)
        types.Add(wxString::FromUTF8(sala->receiverLayer[l]->GetLayerName()));
    EditingGrid::PlainNumberColumns(ReceiverGrid, 0, 3);
    ClearRows(ReceiverGrid);
    ReceiverGrid->AppendRows(static_cast<int>(sala->NumReceivers));
    for (unsigned r = 0; r < sala->NumReceivers; ++r) {
        const TReceiver& rec = *sala->receiver[r];
        const int row = static_cast<int>(r);
        ReceiverGrid->SetCellValue(row, 0, Fixed2(rec.Position.x));
        ReceiverGrid->SetCellValue(row, 1, Fixed2(rec.Position.y));
        ReceiverGrid->SetCellValue(row, 2, Fixed2(rec.Position.z));
        ReceiverGrid->SetCellValue(row, 3, Fixed2(rec.AzimRotation));
        ReceiverGrid->SetCellEditor(row, 4, new wxGridCellChoiceEditor(types));
        const bool known = rec.LayerID >= 0 && rec.LayerID < static_cast<int>(types.size());
        ReceiverGrid->SetCellValue(row, 4, known ? types[rec.LayerID] : wxString());
    }
    FillSRPlotCtrGrid();
}

void SorviwxFrame::OnAddSrcLayer(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const std::string name = GridEdit::NewName("SrcType%.2d", sala->NumSourceLayers + 1);
    if (sala->NumDirectivities == 0) sala->AddDirectivity("OMNI");
    TSourceLayer layer(name.c_str(), FirstDirectivity(*sala), sala->NumBands);
    sala->AddSourceLayer(&layer);
    FillSourceLayerGrid();
    if (sala->NumSourceLayers > 0) SrcLayerGrid->SelectRow(static_cast<int>(sala->NumSourceLayers) - 1);
    ProjectStatus = 2;
}

void SorviwxFrame::OnAddRecLayer(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const std::string name = GridEdit::NewName("RecType%.2d", sala->NumReceiverLayers + 1);
    if (sala->NumDirectivities == 0)
        for (const char* pattern : {"OMNI", "CARDIOID", "SUPERCARD", "HYPERCARD", "EIGHTFIG"})
            sala->AddDirectivity(pattern);
    TReceiverLayer layer(name.c_str(), FirstDirectivity(*sala));
    sala->AddReceiverLayer(&layer);
    FillReceiverLayerGrid();
    if (sala->NumReceiverLayers > 0) RecLayerGrid->SelectRow(static_cast<int>(sala->NumReceiverLayers) - 1);
    ProjectStatus = 2;
}

void SorviwxFrame::OnDelSrcLayer(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const wxArrayInt rows = SrcLayerGrid->GetSelectedRows();
    if (!rows.empty()) {
        sala->DelSourceLayer(rows[0]);
        FillSourceLayerGrid();
    }
    ProjectStatus = 2;
}

void SorviwxFrame::OnDelRecLayer(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const wxArrayInt rows = RecLayerGrid->GetSelectedRows();
    if (!rows.empty()) {
        const int row = rows[0];
        const bool exists = row >= 0 && row < static_cast<int>(sala->NumReceiverLayers);
        const std::string name = exists ? sala->receiverLayer[row]->GetLayerName() : "";
        if (!sala->DelReceiverLayer(row) && exists)
            Tell(this, "Layer " + name + " cannot be removed while being used in receiver(s)");
        FillReceiverLayerGrid();
    }
    ProjectStatus = 2;
}

void SorviwxFrame::OnAddSource(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    if (sala->NumSourceLayers == 0) return;
    if (!EraseResultsFirst(*sala, this, "Adding new source, the results will be erased!\n Continue?")) return;
    TSource src(sala->GetCenter(), SPL2Power(94.0f), 0, 5000, 0.0, 0.0, sala->NumBands, "NONE",
                sala->ProjectFolder);
    src.SetDirectivity(sala->sourceLayer[0]->directivity);
    sala->AddSource(&src);
    InvalidatePlots();  // the curves no longer match the pairs
    FillSourceGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnDelSource(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const int row = SourceGrid->GetGridCursorRow();
    if (!EraseResultsFirst(*sala, this, "You are removing a source, the results will be erased!\n Continue?"))
        return;
    sala->DelSource(row);
    InvalidatePlots();  // the curves no longer match the pairs
    FillSourceGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnAddReceiver(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    if (sala->NumReceiverLayers == 0) return;
    const bool hadResults = sala->ResultsCreated;
    if (!EraseResultsFirst(*sala, this, "Adding new receiver, the results will be erased!\n Continue?")) return;
    if (hadResults) DrawCurves();
    TReceiver rec(sala->Center, 0.4, 0.0, 0);
    rec.SetDirectivity(sala->receiverLayer[0]->directivity);
    sala->AddReceiver(&rec);
    InvalidatePlots();  // the curves no longer match the pairs
    FillReceiverGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnDelReceiver(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const int row = ReceiverGrid->GetGridCursorRow();
    if (!EraseResultsFirst(*sala, this, "You are removing a receiver, the results will be erased!\n Continue?"))
        return;
    sala->DelReceiver(row);
    InvalidatePlots();  // the curves no longer match the pairs
    FillReceiverGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnSrcLGridChanged(wxGridEvent& event)
{
    if (!CellStored(event)) return;
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow(), c = event.GetCol();
    if (r < 0 || r >= static_cast<int>(sala->NumSourceLayers)) return;
    TSourceLayer& layer = *sala->sourceLayer[r];
    const std::string text = CellText(SrcLayerGrid, r, c);
    if (c == 0) {
        std::vector<std::string> names;
        for (unsigned l = 0; l < sala->NumSourceLayers; ++l) names.push_back(sala->sourceLayer[l]->layername);
        const auto name = EditingGrid::TypedName(this, SrcLayerGrid, r, names, "source type");
        if (!name) return;
        layer.SetLayerName(*name);
    } else if (c == 1) {
        TDirectivity* pattern = PatternNamedIn(*sala, text);
        layer.SetDirPattern(pattern);
        // The sources of the type follow it, as they would after a save and reload.
        for (unsigned s = 0; s < sala->NumSources; ++s)
            if (sala->source[s]->LayerID == r) sala->source[s]->SetDirectivity(pattern);
        SrcLayerGrid->SetCellValue(r, 1, wxString::FromUTF8(layer.GetDirPatternName()));
    } else if (c >= 2 && c <= 10) {
        const auto dB = GridEdit::ParseNumber(text);
        const size_t band = static_cast<size_t>(c - 2);
        if (!dB) {
            Tell(this, GridEdit::NumberRefusal(text));
            if (band < layer.spectrum.size())
                SrcLayerGrid->SetCellValue(r, c, Fixed2(TSourceLayer::GainToDB(layer.spectrum[band])));
            return;
        }
        if (band < layer.spectrum.size()) layer.spectrum[band] = static_cast<float>(std::pow(10.0, *dB / 10.0));
    } else {
        return;
    }
    FillSourceGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnRecLGridChanged(wxGridEvent& event)
{
    if (!CellStored(event)) return;
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow(), c = event.GetCol();
    if (r < 0 || r >= static_cast<int>(sala->NumReceiverLayers)) return;
    TReceiverLayer& layer = *sala->receiverLayer[r];
    const std::string text = CellText(RecLayerGrid, r, c);
    if (c == 0) {
        std::vector<std::string> names;
        for (unsigned l = 0; l < sala->NumReceiverLayers; ++l) names.push_back(sala->receiverLayer[l]->layername);
        const auto name = EditingGrid::TypedName(this, RecLayerGrid, r, names, "receiver type");
        if (!name) return;
        layer.SetLayerName(*name);
    } else if (c == 1) {
        TDirectivity* pattern = PatternNamedIn(*sala, text);
        layer.SetDirPattern(pattern);
        for (unsigned i = 0; i < sala->NumReceivers; ++i)
            if (sala->receiver[i]->LayerID == r) sala->receiver[i]->SetDirectivity(pattern);
        RecLayerGrid->SetCellValue(r, 1, wxString::FromUTF8(layer.GetDirPatternName()));
    } else {
        return;
    }
    FillReceiverGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnSourceGridChanged(wxGridEvent& event)
{
    if (!CellStored(event)) return;
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow(), c = event.GetCol();
    if (r < 0 || r >= static_cast<int>(sala->NumSources)) return;
    TSource& src = *sala->source[r];
    const std::string text = CellText(SourceGrid, r, c);
    if (c <= 5) {
        const auto v = GridEdit::ParseNumber(text);
        const double stored[6] = {src.Position.x, src.Position.y, src.Position.z, src.AzimRotation,
                                  src.ElevRotation, Power2SPL(src.GetPower())};
        if (!v) {
            Tell(this, GridEdit::NumberRefusal(text));
            SourceGrid->SetCellValue(r, c, Fixed2(stored[c]));
            return;
        }
        switch (c) {
        case 0: src.Position.x = *v; break;
        case 1: src.Position.y = *v; break;
        case 2: src.Position.z = *v; break;
        case 3: src.AzimRotation = static_cast<float>(*v); break;
        case 4: src.ElevRotation = static_cast<float>(*v); break;
        default: src.SetPower(SPL2Power(static_cast<float>(*v))); break;
        }
    } else if (c == 6) {
        const int type = sala->FindSourceLayer(text.c_str());
        if (type >= 0) {
            src.LayerID = type;
            src.SetDirectivity(sala->sourceLayer[type]->directivity);
        }
    } else if (c == 7) {
        const std::string refusal = GridEdit::SoundFileRefusal(text);
        if (!refusal.empty()) Tell(this, refusal);
        if (!refusal.empty() || !src.SetSoundFile(text.c_str())) {
            SourceGrid->SetCellValue(r, 7, wxString::FromUTF8(src.SoundFile));
            return;
        }
        SourceGrid->SetCellValue(r, 7, wxString::FromUTF8(src.SoundFile));
    } else {
        return;
    }
    ProjectStatus = 2;
}

void SorviwxFrame::OnReceiverGridChanged(wxGridEvent& event)
{
    if (!CellStored(event)) return;
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow(), c = event.GetCol();
    if (r < 0 || r >= static_cast<int>(sala->NumReceivers)) return;
    TReceiver& rec = *sala->receiver[r];
    const std::string text = CellText(ReceiverGrid, r, c);
    if (c <= 3) {
        const auto v = GridEdit::ParseNumber(text);
        const double stored[4] = {rec.Position.x, rec.Position.y, rec.Position.z, rec.AzimRotation};
        if (!v) {
            Tell(this, GridEdit::NumberRefusal(text));
            ReceiverGrid->SetCellValue(r, c, Fixed2(stored[c]));
            return;
        }
        switch (c) {
        case 0: rec.Position.x = *v; break;
        case 1: rec.Position.y = *v; break;
        case 2: rec.Position.z = *v; break;
        default: rec.AzimRotation = static_cast<float>(*v); break;
        }
    } else if (c == 4) {
        const int type = sala->FindReceiverLayer(text.c_str());
        if (type >= 0) {
            rec.LayerID = type;
            rec.SetDirectivity(sala->receiverLayer[type]->directivity);
        }
    } else {
        return;
    }
    ProjectStatus = 2;
}
