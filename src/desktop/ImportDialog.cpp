#include "desktop/ImportDialog.h"

#include <cmath>
#include <vector>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dnd.h>
#include <wx/filedlg.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/wfstream.h>

#include "views/Prompter.h"

const long ImportDialog::ID_LISTCTRL1 = wxNewId();
const long ImportDialog::ID_LISTCTRL2 = wxNewId();
const long ImportDialog::ID_PANEL1 = wxNewId();
const long ImportDialog::ID_BITMAPBUTTON1 = wxNewId();
const long ImportDialog::ID_BITMAPBUTTON2 = wxNewId();
const long ImportDialog::ID_BITMAPBUTTON3 = wxNewId();
const long ImportDialog::ID_BITMAPBUTTON4 = wxNewId();
const long ImportDialog::ID_LISTCTRL3 = wxNewId();
const long ImportDialog::ID_CHECKBOX1 = wxNewId();
const long ImportDialog::ID_CHECKBOX2 = wxNewId();
const long ImportDialog::ID_CHECKBOX3 = wxNewId();
const long ImportDialog::ID_CHECKBOX4 = wxNewId();
const long ImportDialog::ID_BITMAPBUTTON5 = wxNewId();
const long ImportDialog::ID_BITMAPBUTTON6 = wxNewId();
const long ImportDialog::ID_PANEL2 = wxNewId();
const long ImportDialog::ID_LISTCTRL4 = wxNewId();
const long ImportDialog::ID_RADIOBUTTON1 = wxNewId();
const long ImportDialog::ID_RADIOBUTTON2 = wxNewId();
const long ImportDialog::ID_BUTTON1 = wxNewId();
const long ImportDialog::ID_BUTTON2 = wxNewId();
const long ImportDialog::ID_PANEL3 = wxNewId();

namespace {

// A layer list in its titled box, added to `column`: one column "Name", several entries
// selectable, no header row.
wxListCtrl* LayerList(wxWindow* panel, wxSizer* column, const wxString& title, long id, const wxSize& size,
                      const char* name)
{
    auto* box = new wxStaticBoxSizer(wxHORIZONTAL, panel, title);
    auto* list = new wxListCtrl(box->GetStaticBox(), id, wxDefaultPosition, size, wxLC_REPORT | wxLC_NO_HEADER,
                                wxDefaultValidator, name);
    list->InsertColumn(0, _("Name"), wxLIST_FORMAT_LEFT, 150);
    box->Add(list, 1, wxALL | wxEXPAND, 5);
    column->Add(box, 1, wxALL | wxEXPAND, 5);
    return list;
}

void AppendEntry(wxListCtrl* list, const wxString& text)
{
    list->InsertItem(list->GetItemCount(), text);
}

// A drawing's bytes as text: UTF-8 when they are, else one character per byte, so that no
// name shows empty.
wxString Shown(const std::string& bytes)
{
    const wxString utf8 = wxString::FromUTF8(bytes.data(), bytes.size());
    if (!utf8.empty() || bytes.empty()) return utf8;
    return wxString(bytes.data(), wxConvISO8859_1, bytes.size());
}

// An arrow drawn here: the stock art depends on an icon theme that is not always there.
wxBitmap ArrowArt(bool forward)
{
    wxImage image(16, 16);
    image.InitAlpha();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            // A triangle pointing right (or left), 12 pixels high.
            const int from = forward ? x - 3 : 12 - x;
            const bool inside = y >= 2 && y <= 13 && from >= 0 && std::abs(y - 7.5) <= (10 - from) * 0.6;
            image.SetRGB(x, y, 60, 60, 60);
            image.SetAlpha(x, y, inside ? 255 : 0);
        }
    }
    return wxBitmap(image);
}

// An arrow button added to `column`.
wxBitmapButton* AddArrow(wxWindow* parent, wxSizer* column, long id, bool forward, const char* name)
{
    auto* button = new wxBitmapButton(parent, id, ArrowArt(forward), wxDefaultPosition, wxSize(25, 40), wxBU_AUTODRAW,
                                      wxDefaultValidator, name);
    column->Add(button, 0, wxALL, 5);
    return button;
}

// Dropped layer names land in the list that carries the target.
class LayerDropTarget : public wxTextDropTarget {
public:
    LayerDropTarget(ImportDialog* dialog, wxListCtrl* list) : dialog_(dialog), list_(list) {}
    bool OnDropText(wxCoord x, wxCoord y, const wxString& data) override
    {
        dialog_->DragDst = list_;
        return dialog_->OnDropText(x, y, data);
    }

private:
    ImportDialog* dialog_;
    wxListCtrl* list_;
};

}  // namespace

ImportDialog::ImportDialog(wxWindow* parent, wxWindowID id, const wxPoint&, const wxSize&)
{
    Create(parent, id, _("Import from DXF"), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxSTAY_ON_TOP,
           "id");
    SetClientSize(wxSize(1024, 768));

    auto* columns = new wxFlexGridSizer(1, 3, 0, 0);

    // Source and receiver layers.
    Panel1 = new wxPanel(this, ID_PANEL1, wxDefaultPosition, wxSize(265, 512), wxTAB_TRAVERSAL, "ID_PANEL1");
    auto* left = new wxBoxSizer(wxVERTICAL);
    ListLayerSrc = LayerList(Panel1, left, _("Source Layers"), ID_LISTCTRL1, wxSize(200, 216), "ID_LISTCTRL1");
    ListLayerRec = LayerList(Panel1, left, _("Receiver Layers"), ID_LISTCTRL2, wxDefaultSize, "ID_LISTCTRL2");
    Panel1->SetSizer(left);
    columns->Add(Panel1, 1, wxALL | wxEXPAND, 5);

    // The drawing's layers, the arrows and the object types.
    Panel2 = new wxPanel(this, ID_PANEL2, wxDefaultPosition, wxSize(350, 526), wxTAB_TRAVERSAL, "ID_PANEL2");
    auto* middle = new wxFlexGridSizer(1, 3, 0, 0);
    auto* arrowsLeft = new wxBoxSizer(wxVERTICAL);
    arrowsLeft->Add(25, 21, 0);
    BitmapButton1 = AddArrow(Panel2, arrowsLeft, ID_BITMAPBUTTON1, false, "ID_BITMAPBUTTON1");
    BitmapButton2 = AddArrow(Panel2, arrowsLeft, ID_BITMAPBUTTON2, true, "ID_BITMAPBUTTON2");
    arrowsLeft->Add(25, 141, 0);
    BitmapButton3 = AddArrow(Panel2, arrowsLeft, ID_BITMAPBUTTON3, false, "ID_BITMAPBUTTON3");
    BitmapButton4 = AddArrow(Panel2, arrowsLeft, ID_BITMAPBUTTON4, true, "ID_BITMAPBUTTON4");
    arrowsLeft->AddStretchSpacer();
    middle->Add(arrowsLeft, 0, wxALL | wxEXPAND, 5);

    auto* centre = new wxBoxSizer(wxVERTICAL);
    ListLayerAll = LayerList(Panel2, centre, _("DXF Layers"), ID_LISTCTRL3, wxSize(200, 340), "ID_LISTCTRL3");
    auto* typesBox = new wxStaticBoxSizer(wxVERTICAL, Panel2, _("Object types"));
    CheckBox2 = new wxCheckBox(typesBox->GetStaticBox(), ID_CHECKBOX2, _("3D Polyline"), wxDefaultPosition,
                               wxDefaultSize, 0, wxDefaultValidator, "ID_CHECKBOX2");
    CheckBox3 = new wxCheckBox(typesBox->GetStaticBox(), ID_CHECKBOX3, _("3D Face"), wxDefaultPosition, wxDefaultSize,
                               0, wxDefaultValidator, "ID_CHECKBOX3");
    CheckBox4 = new wxCheckBox(typesBox->GetStaticBox(), ID_CHECKBOX4, _("3D PolyFaceMesh"), wxDefaultPosition,
                               wxDefaultSize, 0, wxDefaultValidator, "ID_CHECKBOX4");
    for (wxCheckBox* box : {CheckBox2, CheckBox3, CheckBox4}) {
        box->SetValue(true);
        typesBox->Add(box, 0, wxALL | wxEXPAND, 5);
    }
    centre->Add(typesBox, 0, wxALL | wxEXPAND, 5);
    middle->Add(centre, 1, wxALL | wxEXPAND, 5);

    auto* arrowsRight = new wxBoxSizer(wxVERTICAL);
    arrowsRight->Add(25, 21, 0);
    BitmapButton5 = AddArrow(Panel2, arrowsRight, ID_BITMAPBUTTON5, true, "ID_BITMAPBUTTON5");
    BitmapButton6 = AddArrow(Panel2, arrowsRight, ID_BITMAPBUTTON6, false, "ID_BITMAPBUTTON6");
    arrowsRight->AddStretchSpacer();
    middle->Add(arrowsRight, 0, wxALL | wxEXPAND, 5);
    Panel2->SetSizer(middle);
    columns->Add(Panel2, 1, wxALL | wxEXPAND, 5);

    // Plane layers and the import.
    Panel3 = new wxPanel(this, ID_PANEL3, wxDefaultPosition, wxSize(261, 512), wxTAB_TRAVERSAL, "ID_PANEL3");
    auto* right = new wxBoxSizer(wxVERTICAL);
    ListLayerPlanes = LayerList(Panel3, right, _("Plane Layers"), ID_LISTCTRL4, wxSize(200, 340), "ID_LISTCTRL4");
    auto* importBox = new wxStaticBoxSizer(wxHORIZONTAL, Panel3, _("Import Project"));
    auto* grid = new wxGridSizer(2, 2, 0, 0);
    RadioButton1 = new wxRadioButton(importBox->GetStaticBox(), ID_RADIOBUTTON1, _("New Project"), wxDefaultPosition,
                                     wxDefaultSize, wxRB_GROUP, wxDefaultValidator, "ID_RADIOBUTTON1");
    RadioButton1->SetValue(true);
    RadioButton2 = new wxRadioButton(importBox->GetStaticBox(), ID_RADIOBUTTON2, _("Append"), wxDefaultPosition,
                                     wxDefaultSize, 0, wxDefaultValidator, "ID_RADIOBUTTON2");
    Button1 = new wxButton(importBox->GetStaticBox(), ID_BUTTON1, _("Import"), wxDefaultPosition, wxDefaultSize, 0,
                           wxDefaultValidator, "ID_BUTTON1");
    Button2 = new wxButton(importBox->GetStaticBox(), ID_BUTTON2, _("Cancel"), wxDefaultPosition, wxDefaultSize, 0,
                           wxDefaultValidator, "ID_BUTTON2");
    for (wxWindow* w : std::initializer_list<wxWindow*>{RadioButton1, RadioButton2, Button1, Button2})
        grid->Add(w, 1, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    importBox->Add(grid, 1, wxALL | wxEXPAND, 5);
    right->Add(importBox, 0, wxALL | wxEXPAND, 5);
    Panel3->SetSizer(right);
    columns->Add(Panel3, 1, wxALL | wxEXPAND, 5);

    SetSizer(columns);
    columns->SetSizeHints(this);
    SetClientSize(wxSize(1024, 768));
    Layout();

    Bind(wxEVT_BUTTON, &ImportDialog::OnBitmapButton1Click, this, ID_BITMAPBUTTON1);
    Bind(wxEVT_BUTTON, &ImportDialog::OnBitmapButton2Click, this, ID_BITMAPBUTTON2);
    Bind(wxEVT_BUTTON, &ImportDialog::OnBitmapButton3Click, this, ID_BITMAPBUTTON3);
    Bind(wxEVT_BUTTON, &ImportDialog::OnBitmapButton4Click, this, ID_BITMAPBUTTON4);
    Bind(wxEVT_BUTTON, &ImportDialog::OnBitmapButton5Click, this, ID_BITMAPBUTTON5);
    Bind(wxEVT_BUTTON, &ImportDialog::OnBitmapButton6Click, this, ID_BITMAPBUTTON6);
    Bind(wxEVT_RADIOBUTTON, &ImportDialog::OnRadioButton1Select, this, ID_RADIOBUTTON1);
    Bind(wxEVT_RADIOBUTTON, &ImportDialog::OnRadioButton2Select, this, ID_RADIOBUTTON2);
    Bind(wxEVT_BUTTON, &ImportDialog::OnButton1Click, this, ID_BUTTON1);
    Bind(wxEVT_BUTTON, &ImportDialog::OnButton2Click, this, ID_BUTTON2);
    Bind(wxEVT_LIST_BEGIN_DRAG, &ImportDialog::OnDragInit, this, ID_LISTCTRL3);

    // Names dragged from "DXF Layers" may be dropped on the three target lists.
    for (wxListCtrl* list : {ListLayerSrc, ListLayerRec, ListLayerPlanes})
        list->SetDropTarget(new LayerDropTarget(this, list));
}

ImportDialog::~ImportDialog() = default;

bool ImportDialog::OpenFile()
{
    const wxString path =
        Prompter::Get().ChooseFile(_("Import from DXF file"), wxEmptyString, wxEmptyString,
                                   _("DXF files (*.dxf)|*.dxf"), wxFD_OPEN | wxFD_FILE_MUST_EXIST, this);
    if (path.empty()) return false;
    return OpenFile(path);
}

bool ImportDialog::OpenFile(const wxString& path)
{
    const std::string file(path.fn_str());
    std::vector<std::string> layers;
    bool readable = false;
    {
        wxLogNull quiet;  // the message below is the one the user sees
        wxFileInputStream probe(path);
        readable = probe.IsOk() && ScanDXFLayers(file, layers);
    }
    if (!readable) {
        wxLogError(_("Cannot open file '%s'."), path);
        return false;
    }
    ListLayerAll->DeleteAllItems();
    ImportFileName = file;
    drawingNames_.clear();
    for (const std::string& name : layers) {
        drawingNames_[Shown(name)] = name;
        AppendEntry(ListLayerAll, Shown(name));
    }
    ListLayerRec->DeleteAllItems();
    ListLayerSrc->DeleteAllItems();
    ListLayerPlanes->DeleteAllItems();
    return true;
}

void ImportDialog::MoveItems(wxListCtrl* ListSrc, wxListCtrl* ListDst)
{
    if (!ListSrc || !ListDst || ListSrc == ListDst) return;
    std::vector<long> selected;
    for (long i = ListSrc->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); i != -1;
         i = ListSrc->GetNextItem(i, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        selected.push_back(i);
    for (long i : selected) AppendEntry(ListDst, ListSrc->GetItemText(i));
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) ListSrc->DeleteItem(*it);
}

bool ImportDialog::OnDropText(wxCoord, wxCoord, const wxString&)
{
    if (!DragSrc || !DragDst || DragSrc == DragDst) return false;
    MoveItems(DragSrc, DragDst);
    return true;
}

DXFImportChoice ImportDialog::Choice() const
{
    DXFImportChoice c;
    c.receiverLayers = DrawingNames(ListLayerRec);
    c.sourceLayers = DrawingNames(ListLayerSrc);
    c.planeLayers = DrawingNames(ListLayerPlanes);
    c.poly3D = CheckBox2->GetValue();
    c.face3D = CheckBox3->GetValue();
    c.polyFaceMesh = CheckBox4->GetValue();
    return c;
}

std::vector<std::string> ImportDialog::DrawingNames(const wxListCtrl* list) const
{
    std::vector<std::string> names;
    for (long i = 0; i < list->GetItemCount(); ++i) {
        const wxString text = list->GetItemText(i);
        const auto found = drawingNames_.find(text);
        names.push_back(found != drawingNames_.end() ? found->second : text.utf8_string());
    }
    return names;
}

void ImportDialog::OnBitmapButton1Click(wxCommandEvent&)
{
    MoveItems(ListLayerAll, ListLayerSrc);
}
void ImportDialog::OnBitmapButton2Click(wxCommandEvent&)
{
    MoveItems(ListLayerSrc, ListLayerAll);
}
void ImportDialog::OnBitmapButton3Click(wxCommandEvent&)
{
    MoveItems(ListLayerAll, ListLayerRec);
}
void ImportDialog::OnBitmapButton4Click(wxCommandEvent&)
{
    MoveItems(ListLayerRec, ListLayerAll);
}
void ImportDialog::OnBitmapButton5Click(wxCommandEvent&)
{
    MoveItems(ListLayerAll, ListLayerPlanes);
}
void ImportDialog::OnBitmapButton6Click(wxCommandEvent&)
{
    MoveItems(ListLayerPlanes, ListLayerAll);
}
void ImportDialog::OnRadioButton1Select(wxCommandEvent&)
{
    NewFile = true;
}
void ImportDialog::OnRadioButton2Select(wxCommandEvent&)
{
    NewFile = false;
}
void ImportDialog::OnSelect(wxCommandEvent&) {}

void ImportDialog::OnButton1Click(wxCommandEvent&)
{
    const std::string message = WriteDXFImport(ImportFileName, HandOverPath, Choice());
    if (!message.empty()) {
        // Nothing is handed over; the sorting stays for another try or "Cancel".
        wxLogError("%s", Shown(message));
        return;
    }
    Hide();
    Finish(wxID_OK);
}

void ImportDialog::OnButton2Click(wxCommandEvent&)
{
    Hide();
    Finish(wxID_CANCEL);
}

void ImportDialog::OnDragInit(wxListEvent& event)
{
    const long id = event.GetId();
    if (id == ID_LISTCTRL1)
        DragSrc = ListLayerSrc;
    else if (id == ID_LISTCTRL2)
        DragSrc = ListLayerRec;
    else if (id == ID_LISTCTRL3)
        DragSrc = ListLayerAll;
    else if (id == ID_LISTCTRL4)
        DragSrc = ListLayerPlanes;
    if (!DragSrc) return;
    wxTextDataObject data(DragSrc->GetItemText(event.GetIndex()));
    wxDropSource source(data, DragSrc);
    source.DoDragDrop(wxDrag_CopyOnly);
}

void ImportDialog::Finish(int code)
{
    if (IsModal())
        EndModal(code);
    else {
        SetReturnCode(code);
        Hide();
    }
}
