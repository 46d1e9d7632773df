// Sources, receivers and their types.

#include "desktop/SorviwxFrame.h"

#include <functional>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/event.h>
#include <wx/grid.h>
#include <wx/msgdlg.h>

#include "desktop/EditingGrid.h"
#include "desktop/RoomGrids.h"
#include "simulation/TRoom.h"
#include "views/GL_Window.h"
#include "views/Prompter.h"

using EditingGrid::EditCell;
using EditingGrid::FillRows;
using EditingGrid::Tell;

namespace {

using Fill = void (SorviwxFrame::*)();

// Answers whether the results may be erased (asked only while there are results); erases them.
bool EraseResultsFirst(TRoom& room, wxWindow* parent, const char* question)
{
    if (!room.ResultsCreated) return true;
    if (Prompter::Get().Question(question, "Question", wxOK | wxCANCEL, parent) != wxID_OK) return false;
    room.ClearResults();
    return true;
}

// The buttons of a type grid and of its points' grid.
void EnableTypeButtons(wxButton* addType, wxButton* delType, wxButton* addPoint, unsigned types)
{
    addType->Enable(true);
    delType->Enable(types > 0);
    addPoint->Enable(types > 0);
}

// The sources' or the receivers' grid: `count` rows of `row(i)`, numbers typed as plain text, a
// drop-down of the type names; adding needs a type, deleting a row. The run button and the 3D
// view follow the room.
void FillPoints(SorviwxFrame& f, wxGrid* grid, wxButton* add, wxButton* del, unsigned count, unsigned types,
                RoomGrids::NumberColumns numbers, const std::function<RoomGrids::Row(unsigned)>& row, int typeColumn,
                const std::vector<std::string>& typeNames)
{
    add->Enable(types > 0);
    del->Enable(count > 0);
    EditingGrid::PlainNumberColumns(grid, numbers.first, numbers.last);
    FillRows(grid, count, row, typeColumn, typeNames);
    const TRoom& room = *f.sala;
    f.Button1->Enable(room.NumSources > 0 && room.NumReceivers > 0);
    if (f.MyGLCanvas) f.MyGLCanvas->view.DrawRoom = room.NumSources + room.NumReceivers + room.NumPlanes > 0;
    f.FillSRPlotCtrGrid();
}

void AddType(SorviwxFrame& f, void (*add)(TRoom&), Fill fill, wxGrid* grid)
{
    if (f.sala->SimulationActive()) return;  // the run reads the room
    add(*f.sala);
    (f.*fill)();
    EditingGrid::SelectLastRow(grid);
    f.ProjectStatus = 2;
}

// The selected type goes unless points use it (`del` answers what to tell then).
void DeleteType(SorviwxFrame& f, std::string (*del)(TRoom&, int), Fill fill, wxGrid* grid)
{
    if (f.sala->SimulationActive()) return;  // the run reads the room
    const wxArrayInt rows = grid->GetSelectedRows();
    if (!rows.empty()) {
        const std::string refusal = del(*f.sala, rows[0]);
        if (!refusal.empty()) Tell(&f, refusal);
        (f.*fill)();
    }
    f.ProjectStatus = 2;
}

// A source or receiver added or deleted by `change` once the results may go: the curves no
// longer match the pairs.
void ChangePoints(SorviwxFrame& f, const char* question, const std::function<void(TRoom&)>& change, Fill fill)
{
    if (f.sala->SimulationActive()) return;  // the run reads the room
    if (!EraseResultsFirst(*f.sala, &f, question)) return;
    change(*f.sala);
    f.InvalidatePlots();
    (f.*fill)();
    f.ProjectStatus = 2;
}

}  // namespace

void SorviwxFrame::FillSourceLayerGrid()
{
    EnableTypeButtons(BtnAddSrcLayer, BtnDelSrcLayer, BtnAddSource, sala->NumSourceLayers);
    EditingGrid::PlainNumberColumns(SrcLayerGrid, RoomGrids::kSourceTypeNumbers.first,
                                    RoomGrids::kSourceTypeNumbers.last);
    FillRows(
        SrcLayerGrid, sala->NumSourceLayers, [&](unsigned l) { return RoomGrids::SourceTypeRow(*sala, l); },
        RoomGrids::kPatternColumn, RoomGrids::PatternChoices(*sala, ""));
    FillSourceGrid();
}

void SorviwxFrame::FillSourceGrid()
{
    FillPoints(
        *this, SourceGrid, BtnAddSource, BtnDelSource, sala->NumSources, sala->NumSourceLayers,
        RoomGrids::kSourceNumbers, [&](unsigned s) { return RoomGrids::SourceRow(*sala, s); },
        RoomGrids::kSourceTypeColumn, RoomGrids::SourceTypeNames(*sala));
}

void SorviwxFrame::FillReceiverLayerGrid()
{
    EnableTypeButtons(BtnAddRecLayer, BtnDelRecLayer, BtnAddReceiver, sala->NumReceiverLayers);
    FillRows(
        RecLayerGrid, sala->NumReceiverLayers, [&](unsigned l) { return RoomGrids::ReceiverTypeRow(*sala, l); },
        RoomGrids::kPatternColumn, RoomGrids::PatternChoices(*sala, "Load ..."));
    FillReceiverGrid();
}

void SorviwxFrame::FillReceiverGrid()
{
    FillPoints(
        *this, ReceiverGrid, BtnAddReceiver, BtnDelReceiver, sala->NumReceivers, sala->NumReceiverLayers,
        RoomGrids::kReceiverNumbers, [&](unsigned r) { return RoomGrids::ReceiverRow(*sala, r); },
        RoomGrids::kReceiverTypeColumn, RoomGrids::ReceiverTypeNames(*sala));
}

void SorviwxFrame::OnAddSrcLayer(wxCommandEvent&)
{
    AddType(*this, RoomGrids::AddSourceType, &SorviwxFrame::FillSourceLayerGrid, SrcLayerGrid);
}

void SorviwxFrame::OnAddRecLayer(wxCommandEvent&)
{
    AddType(*this, RoomGrids::AddReceiverType, &SorviwxFrame::FillReceiverLayerGrid, RecLayerGrid);
}

void SorviwxFrame::OnDelSrcLayer(wxCommandEvent&)
{
    // The room says why a type in use stays.
    const auto del = [](TRoom& room, int row) {
        room.DelSourceLayer(row);
        return std::string();
    };
    DeleteType(*this, del, &SorviwxFrame::FillSourceLayerGrid, SrcLayerGrid);
}

void SorviwxFrame::OnDelRecLayer(wxCommandEvent&)
{
    DeleteType(*this, RoomGrids::DeleteReceiverType, &SorviwxFrame::FillReceiverLayerGrid, RecLayerGrid);
}

void SorviwxFrame::OnAddSource(wxCommandEvent&)
{
    if (sala->NumSourceLayers == 0) return;
    ChangePoints(
        *this, "Adding new source, the results will be erased!\n Continue?",
        [](TRoom& room) { RoomGrids::AddSource(room); }, &SorviwxFrame::FillSourceGrid);
}

void SorviwxFrame::OnDelSource(wxCommandEvent&)
{
    const int row = SourceGrid->GetGridCursorRow();
    ChangePoints(
        *this, "You are removing a source, the results will be erased!\n Continue?",
        [row](TRoom& room) { room.DelSource(row); }, &SorviwxFrame::FillSourceGrid);
}

void SorviwxFrame::OnAddReceiver(wxCommandEvent&)
{
    if (sala->NumReceiverLayers == 0) return;
    // The curves of the erased results are cleared.
    const bool hadResults = sala->ResultsCreated;
    ChangePoints(
        *this, "Adding new receiver, the results will be erased!\n Continue?",
        [&](TRoom& room) {
            if (hadResults) DrawCurves();
            RoomGrids::AddReceiver(room);
        },
        &SorviwxFrame::FillReceiverGrid);
}

void SorviwxFrame::OnDelReceiver(wxCommandEvent&)
{
    const int row = ReceiverGrid->GetGridCursorRow();
    ChangePoints(
        *this, "You are removing a receiver, the results will be erased!\n Continue?",
        [row](TRoom& room) { room.DelReceiver(row); }, &SorviwxFrame::FillReceiverGrid);
}

void SorviwxFrame::OnSrcLGridChanged(wxGridEvent& event)
{
    if (!EditCell(event, this, SrcLayerGrid, *sala, RoomGrids::EditSourceType)) return;
    FillSourceGrid();  // the sources show their types' names
    ProjectStatus = 2;
}

void SorviwxFrame::OnRecLGridChanged(wxGridEvent& event)
{
    if (!EditCell(event, this, RecLayerGrid, *sala, RoomGrids::EditReceiverType)) return;
    FillReceiverGrid();  // the receivers show their types' names
    ProjectStatus = 2;
}

void SorviwxFrame::OnSourceGridChanged(wxGridEvent& event)
{
    if (EditCell(event, this, SourceGrid, *sala, RoomGrids::EditSource)) ProjectStatus = 2;
}

void SorviwxFrame::OnReceiverGridChanged(wxGridEvent& event)
{
    if (EditCell(event, this, ReceiverGrid, *sala, RoomGrids::EditReceiver)) ProjectStatus = 2;
}
