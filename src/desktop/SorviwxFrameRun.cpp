// Simulation settings, run control and progress.

#include "desktop/SorviwxFrame.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/event.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include "desktop/RunControl.h"
#include "desktop/SimulationSettings.h"
#include "simulation/TRoom.h"
#include "views/GL_Window.h"
#include "views/Prompter.h"

namespace {

constexpr int kTimerPeriodMs = 1000;
constexpr int kCleanupPollMs = 50;
constexpr int kResponsesPage = 1;

// The fields in the order of SettingField.
std::array<wxTextCtrl*, kSettingFieldCount> Fields(SorviwxFrame& f)
{
    return {f.input_temperature, f.input_pressure,  f.input_humidity,  f.input_samplerate,
            f.input_irduration,  f.input_stopdecay, f.input_maxreflex, f.input_numrays};
}

std::array<wxCheckBox*, kSettingOptionCount> Options(SorviwxFrame& f)
{
    return {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4, f.CheckBox5};
}

void ShowText(wxTextCtrl* info, const std::string& text)
{
    info->Clear();
    info->AppendText(wxString::FromUTF8(text));
}

}  // namespace

void SorviwxFrame::FillEnvironmentFields()
{
    if (!sala) return;
    EnableInterfaceUpdate = false;
    const SettingsPage page = SettingsFromRoom(*sala);
    const auto fields = Fields(*this);
    for (int f = 0; f < kSettingFieldCount; ++f) {
        fields[f]->SetValue(wxString::FromUTF8(page.text[f]));
        if (f == kFieldSampleRate) input_samplerate->Disable();
    }
    const auto options = Options(*this);
    for (int o = 0; o < kSettingOptionCount; ++o) options[o]->SetValue(page.option[o]);
    EnableInterfaceUpdate = true;
}

void SorviwxFrame::UpdateRoomFromInterface()
{
    if (!sala) return;
    // A run reads the settings: the page waits until it has ended.
    if (EnableInterfaceUpdate && !sala->SimulationActive()) {
        SettingsPage page;
        const auto fields = Fields(*this);
        for (int f = 0; f < kSettingFieldCount; ++f) page.text[f] = fields[f]->GetValue().ToStdString(wxConvUTF8);
        const auto options = Options(*this);
        for (int o = 0; o < kSettingOptionCount; ++o) page.option[o] = options[o]->GetValue();
        const SettingsCopy copy = CopySettingsToRoom(*sala, page);
        if (copy.durationRefused) input_irduration->ChangeValue(wxString::FromUTF8(copy.durationText));
        // An empty project stays empty: the page still shows the last project's settings.
        if (copy.changed && ProjectStatus == 1) ProjectStatus = 2;
    }
    ShowText(textinfo, SettingsListing(*sala));
}

bool SorviwxFrame::CommitSimulationPage()
{
    if (!sala || !EnableInterfaceUpdate || sala->SimulationActive()) return true;
    SettingsPage page;
    const auto fields = Fields(*this);
    for (int f = 0; f < kSettingFieldCount; ++f) page.text[f] = fields[f]->GetValue().ToStdString(wxConvUTF8);
    const std::vector<SettingRefusal> refused = RefusedSettings(*sala, page);
    UpdateRoomFromInterface();  // what the room takes
    if (refused.empty()) return true;
    std::string text;
    for (const SettingRefusal& r : refused) {
        text += r.message + "\n";
        fields[r.field]->ChangeValue(wxString::FromUTF8(SettingText(*sala, r.field)));
    }
    Prompter::Get().MessageBox(wxString::FromUTF8(text), _("Simulation settings"), wxOK | wxICON_WARNING | wxCENTRE,
                               this);
    return false;
}

void SorviwxFrame::RepaintWhileWaiting()
{
    const bool waiting = WaitingForThread;
    WaitingForThread = true;
    // Paints and resizes only: a click or a key waits until the thread has ended.
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        loop->YieldFor(wxEVT_CATEGORY_UI);
    } else {
        wxGUIEventLoop outside;  // called before or outside the main loop
        outside.YieldFor(wxEVT_CATEGORY_UI);
    }
    wxMilliSleep(5);
    WaitingForThread = waiting;
}

void SorviwxFrame::InterfaceControls(bool enable)
{
    input_temperature->Enable(enable);
    input_pressure->Enable(enable);
    input_humidity->Enable(enable);
    input_samplerate->Disable();
    input_irduration->Enable(enable);
    input_stopdecay->Enable(enable);
    input_maxreflex->Enable(enable);
    input_numrays->Enable(enable);
    for (wxCheckBox* box : Options(*this)) box->Enable(enable);
    LockEditing(!enable);
}

void SorviwxFrame::EndRun()
{
    if (timer) timer->Stop();
    if (sala && sala->SimulationActive()) {
        wxBusyCursor busy;  // the run finishes its current ray or pair
        const auto pump = [this] { RepaintWhileWaiting(); };
        StopRun(*sala, pump, &runCleanup);
    }
    FinishStop();
}

void SorviwxFrame::FinishStop()
{
    if (timer) timer->Stop();
    if (runCleanup.Pending()) {
        wxBusyCursor busy;
        runCleanup.Finish([this] { RepaintWhileWaiting(); });
    }
    Button1->SetLabel(_("Start Simulation"));
    InterfaceControls(true);
}

void SorviwxFrame::OnButton1Click(wxCommandEvent&)
{
    if (!sala) return;
    // A press during a run stops it; nothing of it is saved or plotted. The press returns once
    // the run has ended: its files (gigabytes of rays after a large run) are dropped beside the
    // window, which keeps the pages locked until they have gone.
    if (sala->SimulationActive()) {
        if (timer) timer->Stop();
        {
            wxBusyCursor busy;  // the run finishes its current ray or pair
            const auto pump = [this] { RepaintWhileWaiting(); };
            StopRun(*sala, pump, &runCleanup);
        }
        Button1->SetLabel(_("Start Simulation"));
        if (runCleanup.Busy())
            timer->Start(kCleanupPollMs, wxTIMER_CONTINUOUS);
        else
            FinishStop();
        return;
    }
    if (runCleanup.Pending()) FinishStop();  // a start right after a stop
    if (!CommitSimulationPage()) return;     // refused with a message: no run on that value
    switch (PressByStatus(ProjectStatus)) {
    case RunPress::EmptyProject:
        Prompter::Get().MessageBox(_("Empty Project! Nothing to Simulate. Please save project first!"),
                                   wxMessageBoxCaptionStr, wxOK | wxCENTRE, this);
        return;
    case RunPress::SaveFirst:
        if (Prompter::Get().Question(_("Please save the project before simulating\n"), _("Question"), wxOK | wxCANCEL,
                                     this) != wxID_OK)
            return;
        if (!OpenSaveDlg()) return;
        Prompter::Get().MessageBox(_("Project Saved!"), wxMessageBoxCaptionStr, wxOK | wxCENTRE, this);
        break;
    case RunPress::Go:
        break;
    }
    sala->ShowInfo(sala->EnsureMeanFreePath());
    if (!CanStartRun(*sala, MyGLCanvas->view.DrawRoom)) return;
    InvalidatePlots();  // the run replaces the results the curves were drawn from
    bool started = false;
    {
        wxBusyCursor busy;  // old files deleted, results created, mean free path estimated
        started = StartRun(*sala, [this] { RepaintWhileWaiting(); });
    }
    if (!started) {
        EndRun();  // the reason was shown
        return;
    }
    Button1->SetLabel(_("Stop Simulation"));
    InterfaceControls(false);
    timer->Start(kTimerPeriodMs, wxTIMER_CONTINUOUS);
}

void SorviwxFrame::OnTimer(wxTimerEvent&)
{
    if (!sala) {
        timer->Stop();
        return;
    }
    if (runCleanup.Pending()) {
        if (!runCleanup.Busy()) FinishStop();
        return;
    }
    const RunTick tick = PollRun(*sala);
    if (!tick.finished) {
        ShowText(textinfo, tick.text);
        progress->SetValue(std::clamp(tick.gauge, 0, 100));
        return;
    }
    timer->Stop();
    progress->SetValue(std::clamp(tick.gauge, 0, 100));
    Button1->SetLabel(_("Start Simulation"));
    bool saved = false;
    {
        wxBusyCursor busy;
        saved = FinishRun(*sala, [this] { RepaintWhileWaiting(); });
    }
    if (saved) {
        Notebook2->ChangeSelection(kResponsesPage);
        CreatePlotResults();
        ShowText(textinfo, "Simulation finished");
    }
    InterfaceControls(true);
}
