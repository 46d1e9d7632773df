// The DXF import dialog: choosing a drawing, sorting its layers, the modal import and cancel.

#include <string>
#include <vector>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dnd.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>

#include "desktop/DesktopTestFolder.h"
#include "desktop/DialogInput.h"
#include "desktop/ImportDialog.h"
#include "support/gui/GuiTest.h"

using namespace desktoptest;

namespace {

const char* const kDrawing =
    "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n"
    "0\nLAYER\n2\n0\n70\n0\n"
    "0\nLAYER\n2\nWall A\n70\n0\n"
    "0\nLAYER\n2\nsrc\n70\n0\n"
    "0\nLAYER\n2\nrec\n70\n0\n"
    "0\nLAYER\n2\nroof\n70\n0\n"
    "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
    "0\n3DFACE\n8\nWall A\n10\n0\n20\n0\n30\n0\n11\n2\n21\n0\n31\n0\n12\n2\n22\n1\n32\n0\n13\n0\n23\n1\n33\n0\n"
    "0\nPOINT\n8\nsrc\n10\n1\n20\n0.5\n30\n1.2\n"
    "0\nPOINT\n8\nrec\n10\n1.5\n20\n0.25\n30\n1.5\n"
    "0\nENDSEC\n0\nEOF\n";

std::vector<std::string> Entries(const wxListCtrl* list)
{
    std::vector<std::string> names;
    for (long i = 0; i < list->GetItemCount(); ++i) names.push_back(list->GetItemText(i).utf8_string());
    return names;
}

void Select(wxListCtrl* list, std::initializer_list<long> rows)
{
    for (long i = 0; i < list->GetItemCount(); ++i) list->SetItemState(i, 0, wxLIST_STATE_SELECTED);
    for (long r : rows) list->SetItemState(r, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void ChooseRadio(wxRadioButton* button)
{
    button->SetValue(true);
    wxCommandEvent event(wxEVT_RADIOBUTTON, button->GetId());
    event.SetEventObject(button);
    event.SetInt(1);
    button->GetEventHandler()->ProcessEvent(event);
}

class ImportDialogTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        folder_ = std::make_unique<ScopedWorkingFolder>();
        WriteText("room.dxf", kDrawing);
        drawing_ = (folder_->Path() / "room.dxf").string();
        dialog_ = new ImportDialog(nullptr);
        dialog_->HandOverPath = "Temporary.txt";  // the window gives a private file; here the test's folder
    }
    void TearDown() override
    {
        dialog_->Destroy();
        GuiTest::TearDown();
        folder_.reset();
    }

    // Opens the drawing through the file chooser.
    void Open()
    {
        prompter.AnswerFile(drawing_);
        ASSERT_TRUE(dialog_->OpenFile());
    }

    std::unique_ptr<ScopedWorkingFolder> folder_;
    std::string drawing_;
    ImportDialog* dialog_ = nullptr;
};

TEST_F(ImportDialogTest, OpenFileListsTheLayersAndEmptiesTheOtherLists)
{
    Open();
    EXPECT_EQ(Entries(dialog_->ListLayerAll), (std::vector<std::string>{"0", "Wall A", "src", "rec", "roof"}));
    EXPECT_EQ(dialog_->ImportFileName, drawing_);
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].message, "Import from DXF file");

    Select(dialog_->ListLayerAll, {1});
    Click(dialog_->BitmapButton5);
    EXPECT_EQ(dialog_->ListLayerPlanes->GetItemCount(), 1);

    // A cancelled chooser and a drawing that cannot be opened change nothing.
    prompter.AnswerFile("");
    EXPECT_FALSE(dialog_->OpenFile());
    prompter.AnswerFile("gone.dxf");
    EXPECT_FALSE(dialog_->OpenFile());
    const std::vector<LogEntry> logged = log.Take();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].text, "Cannot open file 'gone.dxf'.");
    EXPECT_EQ(dialog_->ImportFileName, drawing_);
    EXPECT_EQ(Entries(dialog_->ListLayerPlanes), std::vector<std::string>{"Wall A"});
    EXPECT_EQ(dialog_->ListLayerAll->GetItemCount(), 4);

    // A fresh open refills the layer list and empties the three others.
    Open();
    EXPECT_EQ(dialog_->ListLayerAll->GetItemCount(), 5);
    EXPECT_EQ(dialog_->ListLayerPlanes->GetItemCount(), 0);
}

TEST_F(ImportDialogTest, ArrowsMoveTheSelectedEntriesInListOrder)
{
    Open();
    struct Move {
        wxWindow* arrow;
        wxListCtrl* from;
        wxListCtrl* to;
    };
    const Move moves[] = {{dialog_->BitmapButton1, dialog_->ListLayerAll, dialog_->ListLayerSrc},
                          {dialog_->BitmapButton3, dialog_->ListLayerAll, dialog_->ListLayerRec},
                          {dialog_->BitmapButton5, dialog_->ListLayerAll, dialog_->ListLayerPlanes}};
    for (const Move& m : moves) {
        Open();
        Select(m.from, {3, 1});
        Click(m.arrow);
        EXPECT_EQ(Entries(m.to), (std::vector<std::string>{"Wall A", "rec"}));
        EXPECT_EQ(Entries(m.from), (std::vector<std::string>{"0", "src", "roof"}));
        // Nothing selected: nothing moves.
        Select(m.from, {});
        Click(m.arrow);
        EXPECT_EQ(m.to->GetItemCount(), 2);
    }
    // And back: appended at the end of the drawing's list.
    Select(dialog_->ListLayerPlanes, {0, 1});
    Click(dialog_->BitmapButton6);
    EXPECT_EQ(Entries(dialog_->ListLayerAll), (std::vector<std::string>{"0", "src", "roof", "Wall A", "rec"}));
    Select(dialog_->ListLayerAll, {3});
    Click(dialog_->BitmapButton1);
    Select(dialog_->ListLayerSrc, {0});
    Click(dialog_->BitmapButton2);
    Select(dialog_->ListLayerAll, {3, 4});
    Click(dialog_->BitmapButton3);
    EXPECT_EQ(Entries(dialog_->ListLayerRec), (std::vector<std::string>{"rec", "Wall A"}));
    Select(dialog_->ListLayerRec, {0, 1});
    Click(dialog_->BitmapButton4);
    EXPECT_EQ(Entries(dialog_->ListLayerAll), (std::vector<std::string>{"0", "src", "roof", "rec", "Wall A"}));
    EXPECT_EQ(dialog_->ListLayerRec->GetItemCount(), 0);
}

TEST_F(ImportDialogTest, DroppingOnAListMovesTheDraggedEntries)
{
    Open();
    Select(dialog_->ListLayerAll, {2});
    dialog_->DragSrc = dialog_->ListLayerAll;
    auto* target = static_cast<wxTextDropTarget*>(dialog_->ListLayerSrc->GetDropTarget());
    ASSERT_NE(target, nullptr);
    EXPECT_TRUE(target->OnDropText(5, 5, "src"));
    EXPECT_EQ(Entries(dialog_->ListLayerSrc), std::vector<std::string>{"src"});
    EXPECT_EQ(dialog_->DragDst, dialog_->ListLayerSrc);
    // Dropped back on the list it came from: nothing moves.
    dialog_->DragSrc = dialog_->ListLayerSrc;
    EXPECT_FALSE(target->OnDropText(5, 5, "src"));
    EXPECT_EQ(dialog_->ListLayerSrc->GetItemCount(), 1);
}

TEST_F(ImportDialogTest, ImportWritesTheHandOverFileAndEndsWithOk)
{
    Open();
    modals.Expect([this](wxDialog& d) {
        Select(dialog_->ListLayerAll, {1});
        Click(dialog_->BitmapButton5);
        Select(dialog_->ListLayerAll, {1});
        Click(dialog_->BitmapButton1);
        Select(dialog_->ListLayerAll, {1});
        Click(dialog_->BitmapButton3);
        ChooseRadio(dialog_->RadioButton2);
        Click(dialog_->Button1);
        return d.GetReturnCode();
    });
    EXPECT_EQ(dialog_->ShowModal(), wxID_OK);
    EXPECT_FALSE(dialog_->NewFile);
    const std::string text = ReadText("Temporary.txt");
    EXPECT_EQ(SectionLines(text, "<LAYERS::PLANE>", "</LAYERS::PLANE>"),
              std::vector<std::string>{"Wall_A DEFAULT_MAT"});
    EXPECT_EQ(SectionLines(text, "<PLANES>", "</PLANES>").size(), 1u);
    EXPECT_EQ(SectionLines(text, "<SOURCES>", "</SOURCES>").size(), 1u);
    EXPECT_EQ(SectionLines(text, "<RECEIVERS>", "</RECEIVERS>").size(), 1u);
    EXPECT_EQ(text.find("roof"), std::string::npos);
}

TEST_F(ImportDialogTest, CancelWritesNothingAndTheChoicesSurvive)
{
    WriteText("Temporary.txt", "previous");
    Open();
    modals.Expect([this](wxDialog& d) {
        dialog_->CheckBox3->SetValue(false);
        ChooseRadio(dialog_->RadioButton2);
        Select(dialog_->ListLayerAll, {1});
        Click(dialog_->BitmapButton5);
        Click(dialog_->Button2);
        return d.GetReturnCode();
    });
    EXPECT_EQ(dialog_->ShowModal(), wxID_CANCEL);
    EXPECT_EQ(ReadText("Temporary.txt"), "previous");

    // The next import starts from fresh lists with the same object types and choice.
    Open();
    EXPECT_EQ(dialog_->ListLayerPlanes->GetItemCount(), 0);
    EXPECT_FALSE(dialog_->CheckBox3->GetValue());
    EXPECT_TRUE(dialog_->CheckBox2->GetValue());
    EXPECT_FALSE(dialog_->NewFile);
    const DXFImportChoice choice = dialog_->Choice();
    EXPECT_FALSE(choice.face3D);
    EXPECT_TRUE(choice.poly3D && choice.polyFaceMesh);
}

// A drawing gone before "Import": the error is logged, nothing is handed over and the dialog
// stays open with its sorting.
TEST_F(ImportDialogTest, ImportOfAVanishedDrawingHandsNothingOver)
{
    WriteText("Temporary.txt", "previous");
    Open();
    Select(dialog_->ListLayerAll, {1});
    Click(dialog_->BitmapButton5);
    fs::remove("room.dxf");
    modals.Expect([this](wxDialog& d) {
        d.SetReturnCode(-1);
        Click(dialog_->Button1);
        EXPECT_EQ(d.GetReturnCode(), -1);  // still open
        Click(dialog_->Button2);
        return d.GetReturnCode();
    });
    EXPECT_EQ(dialog_->ShowModal(), wxID_CANCEL);
    const std::vector<LogEntry> logged = log.Take();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].text, "Cannot open file '" + drawing_ + "'.");
    EXPECT_EQ(ReadText("Temporary.txt"), "previous");
    EXPECT_EQ(dialog_->ListLayerPlanes->GetItemCount(), 1);
}

TEST_F(ImportDialogTest, ListsHaveOneNameColumnAndNoHeader)
{
    for (wxListCtrl* list :
         {dialog_->ListLayerSrc, dialog_->ListLayerRec, dialog_->ListLayerAll, dialog_->ListLayerPlanes}) {
        EXPECT_EQ(list->GetColumnCount(), 1);
        EXPECT_EQ(list->GetColumnWidth(0), 150);
        EXPECT_TRUE(list->HasFlag(wxLC_NO_HEADER));
        EXPECT_FALSE(list->HasFlag(wxLC_SINGLE_SEL));
    }
    EXPECT_EQ(dialog_->GetClientSize(), wxSize(1024, 768));
    EXPECT_EQ(dialog_->GetTitle(), "Import from DXF");  // once without a title
    EXPECT_TRUE(dialog_->NewFile);
    EXPECT_TRUE(dialog_->RadioButton1->GetValue());
}

}  // namespace

namespace {

// Layer names in UTF-8 and in a one-byte code page are shown and imported as the drawing
// spells them.
TEST_F(ImportDialogTest, NamesBeyondAsciiKeepTheirBytes)
{
    const std::string utf8 = "K\xc3\xbc"
                             "che",
                      latin1 = "Sal\xe3o";
    WriteText("names.dxf",
              "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\n" + utf8 + "\n70\n0\n0\nLAYER\n2\n" + latin1 +
                  "\n70\n0\n0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + "0\n3DFACE\n8\n" + latin1 +
                  "\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n12\n1\n22\n1\n32\n0\n13\n0\n23\n1\n33\n0\n" +
                  "0\nENDSEC\n0\nEOF\n");
    ASSERT_TRUE(dialog_->OpenFile((folder_->Path() / "names.dxf").string()));
    ASSERT_EQ(dialog_->ListLayerAll->GetItemCount(), 2);
    EXPECT_EQ(dialog_->ListLayerAll->GetItemText(0), wxString::FromUTF8("K\xc3\xbc"
                                                                        "che"));
    EXPECT_EQ(dialog_->ListLayerAll->GetItemText(1), wxString::FromUTF8("Sal\xc3\xa3o"));
    Select(dialog_->ListLayerAll, {0, 1});
    Click(dialog_->BitmapButton5);
    EXPECT_EQ(dialog_->Choice().planeLayers, (std::vector<std::string>{utf8, latin1}));

    modals.Expect([this](wxDialog& d) {
        Click(dialog_->Button1);
        return d.GetReturnCode();
    });
    ASSERT_EQ(dialog_->ShowModal(), wxID_OK);
    const std::string text = ReadText("Temporary.txt");
    EXPECT_EQ(SectionLines(text, "<LAYERS::PLANE>", "</LAYERS::PLANE>"),
              (std::vector<std::string>{utf8 + " DEFAULT_MAT", latin1 + " DEFAULT_MAT"}));
    const std::vector<std::string> planes = SectionLines(text, "<PLANES>", "</PLANES>");
    ASSERT_EQ(planes.size(), 1u);
    EXPECT_EQ(planes[0].substr(planes[0].size() - latin1.size()), latin1);
}

}  // namespace
