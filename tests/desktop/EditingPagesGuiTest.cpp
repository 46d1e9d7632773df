// The editing pages of the main window, driven through the grids' own editors: materials and
// plane layers, source and receiver types, sources and receivers, and the plane section.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <dlfcn.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/combobox.h>
#include <wx/dcclient.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>

#include "desktop/DesktopTestFolder.h"
#include "desktop/SorviwxFrame.h"
#include "directivity/TDirectivity.h"
#include "dsp/acoustics.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/TRoom.h"
#include "support/gui/GuiTest.h"
#include "views/GL_Window.h"

using namespace desktoptest;

namespace {

const char* const kRoom = R"(<LAYERS::SOURCE>
Speaker OMNI 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0
Horn CARDIOID 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0
</LAYERS::SOURCE>

<SOURCES>
2.00 4.00 1.50 1002 0.0 0.0 94.0 Speaker NONE
</SOURCES>

<LAYERS::RECEIVER>
Listener OMNI
</LAYERS::RECEIVER>

<RECEIVERS>
7.00 5.00 1.20 0.5 0.0 Listener
</RECEIVERS>

<MATERIALS>
Concrete 0.01 0.01 0.02 0.02 0.02 0.03 0.04 0.05 0.05 0.10
Wood 0.15 0.15 0.11 0.10 0.07 0.06 0.07 0.07 0.07 0.20
Glass 0.35 0.35 0.25 0.18 0.12 0.07 0.04 0.04 0.04 0.05
</MATERIALS>

<LAYERS::PLANE>
Walls Concrete
Floor Wood
</LAYERS::PLANE>

<LAYERS::COLOR>
Walls 200 200 200
Floor 10 20 30
</LAYERS::COLOR>

<PLANES>
3 0.00 0.00 0.00 1.00 0.00 0.00 0.00 1.00 0.00 Walls
4 0.00 0.00 1.00 2.00 0.00 1.00 2.00 2.00 1.00 0.00 2.00 1.00 Walls
5 0.00 0.00 2.00 2.00 0.00 2.00 3.00 1.00 2.00 1.00 2.00 2.00 -1.00 1.00 2.00 Floor
</PLANES>
)";

// A mono 16-bit PCM file of 100 silent samples.
void WriteWav(const std::string& path, uint32_t rateHz)
{
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.put(static_cast<char>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        out.put(static_cast<char>(v));
        out.put(static_cast<char>(v >> 8));
    };
    const uint32_t dataBytes = 200;
    out << "RIFF";
    u32(36 + dataBytes);
    out << "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rateHz);
    u32(rateHz * 2);
    u16(2);
    u16(16);
    out << "data";
    u32(dataBytes);
    for (uint32_t i = 0; i < dataBytes; ++i) out.put(0);
}

class EditingPagesTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        folder_ = std::make_unique<ScopedWorkingFolder>();
        frame_ = new SorviwxFrame(nullptr);
        frame_->Show();
        PumpEvents();
        Load(kRoom);
    }
    void TearDown() override
    {
        frame_->ProjectStatus = 0;
        projtest::Quietly([this] {
            frame_->Destroy();
            PumpEvents();
        });
        GuiTest::TearDown();
        folder_.reset();
    }

    // The project as the project operations hand a room to the pages.
    void Load(const std::string& text)
    {
        WriteText("room.txt", text);
        ProjectLoad load;
        projtest::Quietly([&] { load = LoadProject("room.txt", ProjectChain::Full); });
        ASSERT_TRUE(load) << load.error;
        frame_->MyGLCanvas->SetRoom(nullptr);
        projtest::Quietly([&] { delete frame_->sala; });
        frame_->sala = load.room.release();
        frame_->MyGLCanvas->SetRoom(frame_->sala);
        frame_->FillPlaneLayerGrid();
        frame_->FillMaterialTable();
        frame_->FillPlanesSection();
        frame_->FillReceiverGrid();
        frame_->FillReceiverLayerGrid();
        frame_->FillSourceGrid();
        frame_->FillSourceLayerGrid();
        frame_->ProjectStatus = 1;
    }

    // Types into a cell through the grid's own editor, as a user does.
    static void Type(wxGrid* grid, int row, int col, const wxString& text)
    {
        grid->SetGridCursor(row, col);
        grid->EnableCellEditControl();
        ASSERT_TRUE(grid->IsCellEditControlShown()) << row << "," << col;
        wxGridCellEditor* editor = grid->GetCellEditor(row, col);
        wxControl* control = editor->GetControl();
        if (auto* combo = dynamic_cast<wxComboBox*>(control))
            combo->SetValue(text);
        else if (auto* entry = dynamic_cast<wxTextCtrl*>(control))
            entry->SetValue(text);
        else
            ADD_FAILURE() << "unexpected editor control";
        editor->DecRef();
        grid->DisableCellEditControl();
    }
    static void Click(wxWindow* button)
    {
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }
    static void Spin(wxSpinCtrl* spin, int value)
    {
        spin->SetValue(value);
        wxSpinEvent event(wxEVT_SPINCTRL, spin->GetId());
        event.SetEventObject(spin);
        event.SetPosition(value);
        spin->ProcessWindowEvent(event);
    }
    static void Check(wxCheckBox* box, bool on)
    {
        box->SetValue(on);
        wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
        event.SetEventObject(box);
        event.SetInt(on ? 1 : 0);
        box->ProcessWindowEvent(event);
    }
    std::vector<wxString> Messages() const
    {
        std::vector<wxString> texts;
        for (const Prompt& p : prompter.Asked()) texts.push_back(p.message);
        return texts;
    }

    TRoom& Room() { return *frame_->sala; }

    std::unique_ptr<ScopedWorkingFolder> folder_;
    SorviwxFrame* frame_ = nullptr;
};

TEST_F(EditingPagesTest, MaterialsAreAddedClampedAndRefused)
{
    wxGrid* grid = frame_->MaterialGrid;
    ASSERT_EQ(grid->GetNumberRows(), 3);
    Click(frame_->BtnAddMaterial);
    EXPECT_EQ(grid->GetCellValue(3, 0), "Material_04");
    EXPECT_EQ(grid->GetCellValue(3, 1), "0.01");
    EXPECT_EQ(grid->GetCellValue(3, 10), "0.05");
    EXPECT_EQ(frame_->ProjectStatus, 2);
    for (int i = 0; i < 6; ++i) Click(frame_->BtnAddMaterial);
    EXPECT_EQ(grid->GetCellValue(9, 0), "Material_10");

    Type(grid, 0, 1, "1.5");
    Type(grid, 0, 2, "-0.2");
    Type(grid, 0, 10, "0.3");
    Type(grid, 1, 1, "0.125");  // kept as typed, not as the two decimals the grid shows after a fill
    EXPECT_EQ(Room().material[1]->abs[0], 0.125f);
    const TMaterial& concrete = *Room().material[0];
    EXPECT_EQ(concrete.abs[0], 1.0f);
    EXPECT_EQ(concrete.abs[1], 0.0f);
    for (float d : concrete.dif) EXPECT_FLOAT_EQ(d, 0.3f);
    EXPECT_EQ(grid->GetCellValue(0, 1), "1.00");

    // A text that is not a number, an empty name and another row's name are refused.
    for (int i = 0; i < 4; ++i) prompter.AnswerMessageBox(wxOK);
    Type(grid, 0, 3, "0,5");
    Type(grid, 0, 4, "inf");
    Type(grid, 0, 0, "");
    Type(grid, 0, 0, "Wood");
    EXPECT_EQ(grid->GetCellValue(0, 3), "0.02");
    EXPECT_EQ(grid->GetCellValue(0, 4), "0.02");
    EXPECT_EQ(grid->GetCellValue(0, 0), "Concrete");
    EXPECT_FLOAT_EQ(concrete.abs[2], 0.02f);
    const auto told = Messages();
    ASSERT_EQ(told.size(), 4u);
    EXPECT_EQ(told[3], "Duplicated material: Wood");

    // Its own name again is no duplicate; a rename with blanks reaches the plane-layer grid.
    Type(grid, 0, 0, "Concrete");
    Type(grid, 0, 0, "Raw concrete");
    EXPECT_EQ(concrete.nome, "Raw_concrete");
    EXPECT_EQ(frame_->PlaneLayerGrid->GetCellValue(0, 1), "Raw_concrete");
    EXPECT_EQ(prompter.Asked().size(), 4u);
}

TEST_F(EditingPagesTest, AMaterialInUseIsKeptAndAnUnusedOneDeleted)
{
    frame_->MaterialGrid->SetGridCursor(1, 0);
    Click(frame_->BtnDelMaterial);
    EXPECT_EQ(Room().NumMaterials, 3u);
    const auto errors = TakeCoreErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Material \"Wood\" cannot be removed"), std::string::npos);

    frame_->MaterialGrid->SetGridCursor(2, 0);
    Click(frame_->BtnDelMaterial);
    EXPECT_EQ(Room().NumMaterials, 2u);
    EXPECT_EQ(frame_->MaterialGrid->GetNumberRows(), 2);
    EXPECT_EQ(frame_->PlaneLayerGrid->GetCellValue(1, 1), "Wood");
}

TEST_F(EditingPagesTest, PlaneLayersAreAddedColouredAndDeleted)
{
    wxGrid* grid = frame_->PlaneLayerGrid;
    Click(frame_->BtnAddPlaneLayer);
    ASSERT_EQ(grid->GetNumberRows(), 3);
    EXPECT_EQ(grid->GetCellValue(2, 0), "PlaneLayer03");
    EXPECT_EQ(grid->GetCellValue(2, 1), "Concrete");
    EXPECT_EQ(grid->GetCellBackgroundColour(2, 2), *wxWHITE);
    ASSERT_EQ(grid->GetSelectedRows().size(), 1u);
    Click(frame_->BtnDelPlaneLayer);
    EXPECT_EQ(Room().NumPlaneLayers, 2u);

    // A layer's material through its choice editor; a duplicate name is refused.
    Type(grid, 1, 1, "Glass");
    EXPECT_EQ(Room().planeLayer[1].MatID, 2);
    prompter.AnswerMessageBox(wxOK);
    Type(grid, 1, 0, "Walls");
    EXPECT_EQ(Room().planeLayer[1].nome, "Floor");
    EXPECT_EQ(grid->GetCellValue(1, 0), "Floor");
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].message, "Duplicated plane layer: Walls");

    // A layer with planes stays.
    grid->SelectRow(0);
    prompter.AnswerMessageBox(wxOK);
    Click(frame_->BtnDelPlaneLayer);
    EXPECT_EQ(Room().NumPlaneLayers, 2u);
    EXPECT_EQ(prompter.Asked().back().message, "Layer Walls cannot be removed while being used in plane(s)");
    EXPECT_EQ(TakeCoreErrors().size(), 1u);

    // The colour cell opens a colour dialog; cancel keeps the colour, OK takes the pick.
    auto clickColour = [&] {
        wxGridEvent event(grid->GetId(), wxEVT_GRID_CELL_LEFT_CLICK, grid, 1, 2);
        grid->ProcessWindowEvent(event);
    };
    modals.Answer(wxID_CANCEL);
    clickColour();
    EXPECT_EQ(Room().planeLayer[1].cor[0], 10);
    modals.Expect([](wxDialog& dialog) {
        // The user's pick, made in the toolkit's colour selection itself: the dialog reads it
        // from there when it ends with OK.
        struct Rgba {
            double red, green, blue, alpha;
        };
        using GetSelection = void* (*)(void* dialog);
        using SetRgba = void (*)(void* selection, const Rgba* colour);
        static const auto getSelection =
            reinterpret_cast<GetSelection>(dlsym(RTLD_DEFAULT, "gtk_color_selection_dialog_get_color_selection"));
        static const auto setRgba =
            reinterpret_cast<SetRgba>(dlsym(RTLD_DEFAULT, "gtk_color_selection_set_current_rgba"));
        EXPECT_TRUE(getSelection && setRgba) << "the toolkit is not built on GTK";
        const Rgba pick = {1 / 255.0, 2 / 255.0, 3 / 255.0, 1.0};
        if (getSelection && setRgba) setRgba(getSelection(dialog.GetHandle()), &pick);
        return wxID_OK;
    });
    clickColour();
    EXPECT_EQ(Room().planeLayer[1].cor[0], 1);
    EXPECT_EQ(Room().planeLayer[1].cor[2], 3);
    EXPECT_EQ(grid->GetCellBackgroundColour(1, 2), wxColour(1, 2, 3));
}

TEST_F(EditingPagesTest, AddPlaneLayerNeedsAMaterial)
{
    Load("<MATERIALS>\n</MATERIALS>\n");
    EXPECT_FALSE(frame_->BtnAddPlaneLayer->IsEnabled());
    EXPECT_FALSE(frame_->SpinPlaneId->IsEnabled());
    EXPECT_FALSE(frame_->ListBoxLayer->IsShown());
    Click(frame_->BtnAddPlaneLayer);
    EXPECT_EQ(Room().NumPlaneLayers, 0u);
    wxCommandEvent invert(wxEVT_BUTTON, SorviwxFrame::ID_BTN_INV);
    frame_->ProcessWindowEvent(invert);  // nothing to invert
}

TEST_F(EditingPagesTest, PlanesAreBrowsedAndInverted)
{
    EXPECT_EQ(frame_->MyGLCanvas->view.activeplane, 0);
    EXPECT_EQ(frame_->ListBoxLayer->GetSelection(), 0);
    EXPECT_EQ(frame_->NumVertPlane->GetValue(), "3");
    EXPECT_EQ(frame_->vertex[0]->GetValue(), "0.00");
    Spin(frame_->SpinPlaneId, 3);
    EXPECT_EQ(frame_->MyGLCanvas->view.activeplane, 2);
    EXPECT_EQ(frame_->ListBoxLayer->GetSelection(), 1);
    EXPECT_EQ(frame_->NumVertPlane->GetValue(), "5");
    EXPECT_EQ(frame_->ListVertex->GetMax(), 5);
    EXPECT_EQ(frame_->ProjectStatus, 1);
    Spin(frame_->ListVertex, 3);
    EXPECT_EQ(frame_->vertex[0]->GetValue(), "3.00");
    EXPECT_EQ(frame_->vertex[1]->GetValue(), "1.00");
    EXPECT_EQ(frame_->ProjectStatus, 2);

    auto order = [&](int plane) {
        std::vector<double> xs;
        for (const TPoint3D& p : Room().plane[plane]->vertice) xs.push_back(p.x + 10 * p.y);
        return xs;
    };
    auto invert = [&] {
        wxCommandEvent event(wxEVT_BUTTON, SorviwxFrame::ID_BTN_INV);
        event.SetEventObject(frame_->BtnInvPlane);
        frame_->BtnInvPlane->ProcessWindowEvent(event);
    };
    // P, Q, S, T, U = 0, 2, 13, 21, 9 (x + 10 y) becomes S, Q, P, U, T.
    invert();
    EXPECT_EQ(order(2), (std::vector<double>{13, 2, 0, 9, 21}));
    EXPECT_LT(Room().plane[2]->normal.z, 0.0);
    Spin(frame_->SpinPlaneId, 1);
    invert();
    EXPECT_EQ(order(0), (std::vector<double>{10, 1, 0}));
    Spin(frame_->SpinPlaneId, 2);
    const auto quad = order(1);
    invert();
    EXPECT_EQ(order(1), (std::vector<double>{quad[2], quad[1], quad[0], quad[3]}));
    invert();
    EXPECT_EQ(order(1), quad);

    // Another layer for the active plane; a room with fewer planes resets the active plane.
    frame_->ListBoxLayer->SetSelection(1);
    wxCommandEvent choose(wxEVT_CHOICE, SorviwxFrame::ID_LISTBOXLAYER);
    frame_->ListBoxLayer->ProcessWindowEvent(choose);
    EXPECT_EQ(Room().plane[1]->LayerID, 1);
    Spin(frame_->SpinPlaneId, 3);
    Load(projtest::Shoebox().substr(0, projtest::Shoebox().find("<PLANES>")) +
         "<PLANES>\n3 0 0 0 1 0 0 0 1 0 Walls\n</PLANES>\n");
    EXPECT_EQ(frame_->MyGLCanvas->view.activeplane, 0);
    EXPECT_EQ(frame_->SpinPlaneId->GetMax(), 1);
}

TEST_F(EditingPagesTest, ViewBoxesSetTheViewAndShowTheGeometryPage)
{
    frame_->Notebook1->ChangeSelection(0);
    Check(frame_->CBView5, false);
    EXPECT_FALSE(frame_->MyGLCanvas->view.drawSourceIDs);
    EXPECT_EQ(frame_->Notebook1->GetSelection(), 0);
    Check(frame_->CBView3, true);
    EXPECT_EQ(frame_->MyGLCanvas->view.ViewSinglePlane, 1);
    EXPECT_EQ(frame_->Notebook1->GetSelection(), 1);

    // No lost-ray file: the room's own error, then "No lost rays!"; the box stays checked.
    Check(frame_->CBView7, true);
    EXPECT_EQ(frame_->MyGLCanvas->view.DrawLostRays, 1);
    const auto errors = TakeCoreErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1], "No lost rays!");
}

TEST_F(EditingPagesTest, SourcesAndReceiversAreAddedWithTheirTypesPatterns)
{
    // Source type 1 is a cardioid: a new source of that type takes its pattern.
    Click(frame_->BtnAddSource);
    ASSERT_EQ(Room().NumSources, 2u);
    EXPECT_EQ(frame_->SourceGrid->GetCellValue(1, 5), "94.00");
    EXPECT_EQ(frame_->SourceGrid->GetCellValue(1, 7), "NONE");
    EXPECT_EQ(Room().source[1]->SoundFolder, Room().ProjectFolder);
    EXPECT_FALSE(Room().ProjectFolder.empty());
    EXPECT_STREQ(Room().source[1]->directivity->GetPatternName(), "OMNI");
    Type(frame_->SourceGrid, 1, 6, "Horn");
    EXPECT_EQ(Room().source[1]->LayerID, 1);
    EXPECT_STREQ(Room().source[1]->directivity->GetPatternName(), "CARDIOID");

    // A type's pattern reaches its sources.
    Type(frame_->SrcLayerGrid, 0, 1, "CARDIOID");
    EXPECT_STREQ(Room().source[0]->directivity->GetPatternName(), "CARDIOID");
    Type(frame_->RecLayerGrid, 0, 1, "Load ...");
    EXPECT_STREQ(Room().receiverLayer[0]->GetDirPatternName(), "OMNI");
    EXPECT_EQ(frame_->RecLayerGrid->GetCellValue(0, 1), "OMNI");

    // Gains in dB, the level of a source, a refused number.
    Type(frame_->SrcLayerGrid, 0, 4, "3");
    EXPECT_NEAR(Room().sourceLayer[0]->spectrum[2], 1.995, 1e-3);
    Type(frame_->SourceGrid, 0, 5, "100");
    EXPECT_NEAR(Power2SPL(Room().source[0]->GetPower()), 100.0, 1e-4);
    prompter.AnswerMessageBox(wxOK);
    Type(frame_->ReceiverGrid, 0, 0, "x");
    EXPECT_EQ(frame_->ReceiverGrid->GetCellValue(0, 0), "7.00");
    EXPECT_EQ(prompter.Asked().size(), 1u);

    // Names: a duplicate type is refused, the row's own name is no duplicate.
    prompter.AnswerMessageBox(wxOK);
    Type(frame_->SrcLayerGrid, 1, 0, "Speaker");
    Type(frame_->SrcLayerGrid, 1, 0, "Horn");
    EXPECT_EQ(Room().sourceLayer[1]->layername, "Horn");
    EXPECT_EQ(prompter.Asked().back().message, "Duplicated source type: Speaker");

    // Types in use stay.
    frame_->SrcLayerGrid->SelectRow(0);
    Click(frame_->BtnDelSrcLayer);
    EXPECT_EQ(Room().NumSourceLayers, 2u);
    frame_->RecLayerGrid->SelectRow(0);
    prompter.AnswerMessageBox(wxOK);
    Click(frame_->BtnDelRecLayer);
    EXPECT_EQ(Room().NumReceiverLayers, 1u);
    EXPECT_EQ(prompter.Asked().back().message, "Layer Listener cannot be removed while being used in receiver(s)");
    EXPECT_EQ(TakeCoreErrors().size(), 2u);
}

// Every cell shows its whole text: a band column set 35 wide widens for "-10.00" when a
// project is filled in and for "-120.25" when it is typed; a wide column keeps its width.
TEST_F(EditingPagesTest, CellTextsFitTheirColumns)
{
    std::string text = kRoom;
    text.replace(text.find("Horn CARDIOID 0.0 0.0 0.0"), 25, "Horn CARDIOID -10.0 -6.0 -100.0");
    text.replace(text.find("2.00 4.00 1.50 1002"), 19, "-12.50 -40.00 1.50 1002");
    Load(text);
    ASSERT_EQ(frame_->SrcLayerGrid->GetCellValue(1, 2), "-10.00");
    const int nameWidth = frame_->MaterialGrid->GetColSize(0);
    auto expectWhole = [](wxGrid* grid) {
        wxClientDC dc(grid->GetGridWindow());
        for (int r = 0; r < grid->GetNumberRows(); ++r)
            for (int c = 0; c < grid->GetNumberCols(); ++c) {
                dc.SetFont(grid->GetCellFont(r, c));
                // The renderers draw inside the cell less a pixel or two each side.
                const int need = dc.GetTextExtent(grid->GetCellValue(r, c)).x + 4;
                EXPECT_GE(grid->GetColSize(c), need)
                    << grid->GetName() << " (" << r << "," << c << ") \"" << grid->GetCellValue(r, c) << "\"";
            }
    };
    for (wxGrid* grid : {frame_->MaterialGrid, frame_->SrcLayerGrid, frame_->PlaneLayerGrid, frame_->SourceGrid,
                         frame_->ReceiverGrid, frame_->RecLayerGrid})
        expectWhole(grid);
    const int bandWidth = frame_->SrcLayerGrid->GetColSize(6);
    Type(frame_->SrcLayerGrid, 0, 6, "-120.25");
    EXPECT_EQ(frame_->SrcLayerGrid->GetCellValue(0, 6), "-120.25");
    EXPECT_GT(frame_->SrcLayerGrid->GetColSize(6), bandWidth);
    expectWhole(frame_->SrcLayerGrid);
    EXPECT_EQ(frame_->MaterialGrid->GetColSize(0), nameWidth);
    EXPECT_EQ(frame_->MaterialGrid->GetColSize(0), 190);
}

TEST_F(EditingPagesTest, ResultsAreErasedOnlyAfterTheQuestion)
{
    Click(frame_->BtnAddReceiver);  // no results: no question
    EXPECT_EQ(Room().NumReceivers, 2u);
    Room().ResultsCreated = true;
    prompter.AnswerQuestion(wxID_CANCEL);
    frame_->ReceiverGrid->SetGridCursor(1, 0);
    Click(frame_->BtnDelReceiver);
    EXPECT_EQ(Room().NumReceivers, 2u);
    EXPECT_TRUE(Room().ResultsCreated);
    prompter.AnswerQuestion(wxID_OK);
    Click(frame_->BtnDelReceiver);
    EXPECT_EQ(Room().NumReceivers, 1u);
    EXPECT_FALSE(Room().ResultsCreated);
    ASSERT_EQ(prompter.Asked().size(), 2u);
    EXPECT_EQ(prompter.Asked()[0].caption, "Question");
    EXPECT_EQ(prompter.Asked()[0].message, "You are removing a receiver, the results will be erased!\n Continue?");

    frame_->SourceGrid->SetGridCursor(0, 0);
    Click(frame_->BtnDelSource);
    EXPECT_EQ(Room().NumSources, 0u);
    EXPECT_FALSE(frame_->BtnDelSource->IsEnabled());
    EXPECT_FALSE(frame_->Button1->IsEnabled());
}

TEST_F(EditingPagesTest, SoundFilesAreCheckedByTheirFormat)
{
    WriteWav("speech.wav", 44100);
    WriteWav("fast.wav", 48000);
    wxGrid* grid = frame_->SourceGrid;
    Type(grid, 0, 7, "speech.wav");
    EXPECT_EQ(Room().source[0]->SoundFile, "speech.wav");
    EXPECT_TRUE(Room().source[0]->SoundFileFlag);
    Type(grid, 0, 7, "fast.wav");
    EXPECT_EQ(grid->GetCellValue(0, 7), "speech.wav");
    EXPECT_EQ(Room().source[0]->SoundFile, "speech.wav");
    EXPECT_FALSE(TakeCoreErrors().empty());
    prompter.AnswerMessageBox(wxOK);
    Type(grid, 0, 7, "my speech.wav");
    EXPECT_EQ(grid->GetCellValue(0, 7), "speech.wav");
    EXPECT_EQ(prompter.Asked().size(), 1u);
    Type(grid, 0, 7, "");
    EXPECT_EQ(Room().source[0]->SoundFile, "NONE");
    EXPECT_FALSE(Room().source[0]->SoundFileFlag);
}

TEST_F(EditingPagesTest, ARoomEditedInEveryGridSavesAndReloadsEqual)
{
    Click(frame_->BtnAddMaterial);
    Type(frame_->MaterialGrid, 3, 0, "Curtain");
    Type(frame_->MaterialGrid, 3, 5, "0.65");
    Click(frame_->BtnAddPlaneLayer);
    Type(frame_->PlaneLayerGrid, 2, 1, "Curtain");
    Type(frame_->PlaneLayerGrid, 2, 0, "Drapes");
    Spin(frame_->SpinPlaneId, 2);
    frame_->ListBoxLayer->SetSelection(2);
    wxCommandEvent choose(wxEVT_CHOICE, SorviwxFrame::ID_LISTBOXLAYER);
    frame_->ListBoxLayer->ProcessWindowEvent(choose);
    Click(frame_->BtnAddSrcLayer);
    Type(frame_->SrcLayerGrid, 2, 1, "CARDIOID");
    Type(frame_->SrcLayerGrid, 2, 3, "-6");
    Click(frame_->BtnAddSource);
    Type(frame_->SourceGrid, 1, 6, "SrcType03");
    Type(frame_->SourceGrid, 1, 0, "3.255");
    Type(frame_->SourceGrid, 1, 4, "15");
    Click(frame_->BtnAddRecLayer);
    Type(frame_->RecLayerGrid, 1, 1, "CARDIOID");
    Type(frame_->RecLayerGrid, 1, 0, "Figure eight");
    Click(frame_->BtnAddReceiver);
    Type(frame_->ReceiverGrid, 1, 4, "Figure_eight");
    Type(frame_->ReceiverGrid, 1, 3, "45");
    EXPECT_TRUE(prompter.Asked().empty());
    EXPECT_EQ(Room().source[1]->Position.x, 3.255);  // as typed; the file keeps two decimals

    ASSERT_EQ(projtest::Quietly([&] { EXPECT_EQ(Room().SaveRoom("first.txt"), 1); }).find("cannot"), std::string::npos);
    const std::string first = ReadText("first.txt");
    Load(first);
    projtest::Quietly([&] { EXPECT_EQ(Room().SaveRoom("second.txt"), 1); });
    EXPECT_EQ(ReadText("second.txt"), first);
    EXPECT_EQ(Room().plane[1]->LayerID, 2);
    EXPECT_EQ(Room().source[1]->LayerID, 2);
    EXPECT_STREQ(Room().source[1]->directivity->GetPatternName(), "CARDIOID");
    EXPECT_STREQ(Room().receiver[1]->directivity->GetPatternName(), "CARDIOID");
    EXPECT_EQ(frame_->MaterialGrid->GetCellValue(3, 5), "0.65");
    EXPECT_EQ(frame_->SrcLayerGrid->GetCellValue(2, 3), "-6.00");
    EXPECT_EQ(frame_->ReceiverGrid->GetCellValue(1, 3), "45.00");
    EXPECT_EQ(frame_->PlaneLayerGrid->GetCellValue(2, 0), "Drapes");
}

TEST_F(EditingPagesTest, RoomInformationListsTheMaterialsAndCounts)
{
    Room().Volume = 12.345;
    Room().Area = 6.0;
    frame_->ShowRoomInfo();
    EXPECT_EQ(frame_->textinfo->GetValue(),
              "Room Volume = 12.35 m3\nTotal Surface Area = 6.00 m2\nmaterial [1] - Concrete\n"
              "material [2] - Wood\nmaterial [3] - Glass\nNumPlanes  = 3\nNumPlaneLayers  = 2\n");
}

TEST_F(EditingPagesTest, TheUnconnectedGridHandlersOnlyLogOrPassTheEventOn)
{
    log.Take();
    wxGridEvent click(frame_->PlaneLayerGrid->GetId(), wxEVT_GRID_CELL_LEFT_CLICK, frame_->PlaneLayerGrid, 0, 1);
    frame_->OnBoolCellLClick(click);
    EXPECT_TRUE(click.GetSkipped());
    frame_->OnPlaneLGridEditorCreated(click);
    wxMouseEvent press(wxEVT_LEFT_DOWN);
    frame_->OnBoolEditorClicked(press);
    EXPECT_TRUE(press.GetSkipped());
    wxCommandEvent closing(wxEVT_COMBOBOX_CLOSEUP);
    frame_->OnSortClosing(closing);
    wxGridEditorCreatedEvent created(frame_->PlaneLayerGrid->GetId(), wxEVT_GRID_EDITOR_CREATED, frame_->PlaneLayerGrid,
                                     0, 0, nullptr);
    frame_->OnEditorCreated(created);  // column 0: nothing
    // Column 1: logged, and presses on the editor's control reach OnBoolEditorClicked.
    auto* control = new wxTextCtrl(frame_->PlaneLayerGrid, wxID_ANY);
    wxGridEditorCreatedEvent created1(frame_->PlaneLayerGrid->GetId(), wxEVT_GRID_EDITOR_CREATED,
                                      frame_->PlaneLayerGrid, 0, 1, control);
    frame_->OnEditorCreated(created1);
    wxMouseEvent onControl(wxEVT_LEFT_DOWN);
    onControl.SetEventObject(control);
    control->ProcessWindowEvent(onControl);
    control->Destroy();
    const auto entries = log.Take();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].text, "Bool cell clicked.");
    EXPECT_EQ(entries[0].level, wxLOG_Message);
    EXPECT_EQ(entries[1].text, "Bool editor clicked.");
    EXPECT_EQ(entries[2].text, "Bool editor created.");
    EXPECT_EQ(entries[3].text, "Bool editor clicked.");
    EXPECT_EQ(Room().NumMaterials, 3u);
    EXPECT_EQ(frame_->ProjectStatus, 1);
}

TEST_F(EditingPagesTest, ARunLocksTheEditing)
{
    frame_->InterfaceControls(false);  // what the run's start does
    for (size_t page = 1; page < 4; ++page) EXPECT_FALSE(frame_->Notebook1->GetPage(page)->IsEnabled()) << page;
    EXPECT_TRUE(frame_->Notebook1->GetPage(0)->IsEnabled());
    for (int id : {wxID_FILE2, wxID_OPEN, wxID_FILE1, wxID_SAVE}) EXPECT_FALSE(frame_->MenuBar1->IsEnabled(id)) << id;
    EXPECT_FALSE(frame_->MenuBar1->IsEnabledTop(1));
    EXPECT_FALSE(frame_->CBView7->IsEnabled());
    frame_->InterfaceControls(true);
    EXPECT_TRUE(frame_->Notebook1->GetPage(2)->IsEnabled());
    EXPECT_TRUE(frame_->MenuBar1->IsEnabled(wxID_SAVE));
    EXPECT_TRUE(frame_->MenuBar1->IsEnabledTop(1));
    EXPECT_TRUE(frame_->CBView7->IsEnabled());
}

}  // namespace
