// New, open, import, save and quit; the room designer and the about box.

#include "desktop/SorviwxFrame.h"

#include <fstream>
#include <functional>
#include <string>

#include <wx/button.h>
#include <wx/event.h>
#include <wx/filedlg.h>
#include <wx/grid.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

#include "desktop/HandOverFile.h"
#include "desktop/ImportDialog.h"
#include "desktop/ProjectCommands.h"
#include "desktop/RoomDesigner.h"
#include "simulation/TRoom.h"
#include "views/GL_Window.h"
#include "views/Prompter.h"

namespace {

const char compilation_date[] = __DATE__;
const char compilation_time[] = __TIME__;

const char kProjectWildcard[] = "TXT files (*.txt)|*.txt";

// A path as the core takes it: in the file system's encoding.
std::string CorePath(const wxString& path)
{
    return std::string(path.fn_str());
}

// The save question before the open project is dropped or replaced; false when the command
// must not go on (Cancel, or a save that was cancelled or failed).
bool SaveQuestionLetsGo(SorviwxFrame& frame)
{
    auto ask = [&] {
        const int answer = Prompter::Get().Question(_("The actual project was changed.\n Save it?"), _("Question"),
                                                    wxYES_NO | wxCANCEL | wxICON_QUESTION, &frame);
        if (answer == wxID_YES) return SaveAnswer::Yes;
        if (answer == wxID_NO) return SaveAnswer::No;
        return SaveAnswer::Cancel;
    };
    return ProceedPastSaveQuestion(frame.ProjectStatus, ask, [&] { return frame.OpenSaveDlg(); });
}

// Hands the view the new room before the old one goes, so that it never draws a freed room.
// The curves, the pair grid and the charts showed the old room's results: they are emptied.
void ReplaceRoom(SorviwxFrame& frame, TRoom* room)
{
    frame.EndRun();
    frame.EmptyPlots();
    TRoom* old = frame.sala;
    frame.sala = room;
    frame.MyGLCanvas->SetRoom(room);
    delete old;
}

void FillGrids(SorviwxFrame& frame)
{
    frame.FillPlaneLayerGrid();
    frame.FillMaterialTable();
    frame.FillPlanesSection();
    frame.FillReceiverGrid();
    frame.FillReceiverLayerGrid();
    frame.FillSourceGrid();
    frame.FillSourceLayerGrid();
}

enum class Source { ProjectFile, HandOver };

// The project at `file` in place of the open one; false (the open project kept) when it does
// not load, the reason shown by the core. A project handed over by a dialog has no file of its
// own: it is untitled and modified, and nothing beside the hand-over file is read as its results.
bool LoadRoomFile(SorviwxFrame& frame, const std::string& file, Source source = Source::ProjectFile)
{
    ProjectLoad load = LoadProjectRoom(file);
    if (!load) return false;
    if (source == Source::HandOver) MakeUntitled(*load.room);
    ReplaceRoom(frame, load.room.release());
    TRoom& room = *frame.sala;

    frame.FillEnvironmentFields();
    FillGrids(frame);
    if (room.NumReceiverLayers > 0) {
        frame.BtnAddReceiver->Enable();
        frame.BtnDelReceiver->Enable();
    }
    if (source == Source::ProjectFile && LoadStoredResponses(room)) frame.CreatePlotResults();

    frame.MyGLCanvas->SetRoom(frame.sala);
    frame.MyGLCanvas->view.SetDefaultViewOptions();
    frame.MyGLCanvas->view.DrawRoom = true;
    if (room.NumPlanes > 0) frame.EnablePlaneControls(true);
    frame.Button1->Enable(room.NumSources > 0 && room.NumReceivers > 0);
    frame.MenuItem3->Enable(true);
    frame.ProjectStatus = source == Source::HandOver ? 2 : 1;
    frame.AdjustTitle();
    return true;
}

// Runs a dialog that writes a project into a private hand-over file; false when it could not
// be prepared or did not end with OK.
bool HandedOver(const HandOverFile& handOver, const std::function<int()>& showModal)
{
    if (!handOver) {
        wxLogError("%s", wxString::FromUTF8(handOver.Error()));
        return false;
    }
    return showModal() == wxID_OK;
}

// The Simulation page into the room, the room into `file`; true when the file was written.
bool SaveRoomFile(SorviwxFrame& frame, const std::string& file)
{
    frame.CommitSimulationPage();  // a refused field shows the room's value, which is saved
    const wxString name = wxString(file.c_str(), wxConvFile);
    const bool saved = frame.sala->SaveRoom(file.c_str()) != 0;
    if (saved) {
        Prompter::Get().MessageBox(wxString::Format("File '%s' saved\n", name), _("Save File"), wxOK | wxCENTRE,
                                   &frame);
        frame.ProjectStatus = 1;
    } else {
        wxLogError("Error: File '%s' could not be saved", name);
    }
    frame.AdjustTitle();
    return saved;
}

}  // namespace

void SorviwxFrame::OnNewProject(wxCommandEvent&)
{
    if (!sala || !SaveQuestionLetsGo(*this)) return;
    if (ProjectStatus != 0) {
        MyGLCanvas->view.DrawRoom = false;
        auto* room = new TRoom();
        MakeUntitled(*room);
        ReplaceRoom(*this, room);
        ProjectStatus = 0;
    }
    AdjustTitle();
    FillGrids(*this);
}

void SorviwxFrame::OnOpenFile(wxCommandEvent&)
{
    if (!sala || !SaveQuestionLetsGo(*this)) return;
    const wxString path = Prompter::Get().ChooseFile(_("Open Sorvi Project file"), wxEmptyString, wxEmptyString,
                                                     kProjectWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST, this);
    if (path.empty()) return;
    const std::string file = CorePath(path);
    if (!std::ifstream(file).is_open()) {
        wxLogError("Cannot open file '%s'.", path);
        return;
    }
    LoadRoomFile(*this, file);
}

void SorviwxFrame::OnImportClicked(wxCommandEvent&)
{
    if (!sala || !DXFFrame->OpenFile()) return;
    HandOverFile handOver;
    DXFFrame->HandOverPath = handOver.Path();
    if (!HandedOver(handOver, [&] { return DXFFrame->ShowModal(); })) return;
    if (ImportReplacesProject(DXFFrame->NewFile, ProjectStatus)) {
        if (!SaveQuestionLetsGo(*this)) return;
        LoadRoomFile(*this, handOver.Path(), Source::HandOver);
        return;
    }
    EndRun();
    if (!AppendProject(*sala, handOver.Path())) return;
    EmptyPlots();  // the room the curves were drawn for has changed
    FillGrids(*this);
    MyGLCanvas->SetRoom(sala);
    MyGLCanvas->view.DrawRoom = true;
    ProjectStatus = 2;
    AdjustTitle();
}

void SorviwxFrame::OnSaveFile(wxCommandEvent&)
{
    OpenSaveDlg();
}

void SorviwxFrame::OpenRoomDesigner(wxCommandEvent&)
{
    if (!sala) return;
    HandOverFile handOver;
    const bool ok = HandedOver(handOver, [&] {
        RoomDesigner designer(this, wxID_ANY);
        designer.HandOverPath = handOver.Path();
        return designer.ShowModal();
    });
    if (!ok || !SaveQuestionLetsGo(*this) || !LoadRoomFile(*this, handOver.Path(), Source::HandOver)) return;
    MyGLCanvas->Refresh(true);
}

// Closing asks the save question and stops a run (OnClose).
void SorviwxFrame::OnQuit(wxCommandEvent&)
{
    Close(false);
}

void SorviwxFrame::OnAbout(wxCommandEvent&)
{
    Prompter::Get().MessageBox(AboutText(compilation_date, compilation_time), wxGetTranslation("SORVI info"),
                               wxOK | wxCENTRE, this);
}

bool SorviwxFrame::OpenSaveDlg()
{
    if (!sala) return false;
    // In the project's own folder, under its own name: Enter saves it where it was opened.
    const SaveChooserStart start = SaveChooserStartFor(*sala, ProjectStatus);
    const wxString path = Prompter::Get().ChooseFile(
        _("Save Sorvi Project"), wxString(start.folder.c_str(), wxConvFile), wxString(start.file.c_str(), wxConvFile),
        kProjectWildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT, this);
    if (path.empty()) return false;
    const std::string file = CorePath(path);
    if (!CanWriteProjectFile(file)) {
        wxLogError("Cannot save file '%s'.", path);
        return false;
    }
    return SaveRoomFile(*this, file);
}

void SorviwxFrame::LoadRoom(char* file)
{
    if (file) LoadRoomFile(*this, file);
}

void SorviwxFrame::SaveRoom(char* file)
{
    if (file && sala) SaveRoomFile(*this, file);
}
