// Text, shapes, images and the printout of a chart.

#include <cmath>

#include <wx/dcmemory.h>

#include "views/charts/ChartFixture.h"
#include "views/charts/mpBitmapLayer.h"
#include "views/charts/mpCovarianceEllipse.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpPolygon.h"
#include "views/charts/mpPrintout.h"
#include "views/charts/mpScaleY.h"
#include "views/charts/mpText.h"

namespace {

class ChartOtherLayersGuiTest : public ChartFixture {};

// Exposes the shape points.
struct PolygonProbe : mpPolygon {
    using mpPolygon::m_shape_xs;
    using mpPolygon::m_shape_ys;
    using mpPolygon::m_trans_shape_xs;
};
struct EllipseProbe : mpCovarianceEllipse {
    using mpCovarianceEllipse::m_shape_xs;
    using mpCovarianceEllipse::m_shape_ys;
    using mpCovarianceEllipse::m_trans_shape_xs;
    using mpCovarianceEllipse::m_trans_shape_ys;
    using mpCovarianceEllipse::mpCovarianceEllipse;
};

// Text pixels start at (x, y): some in the box right-below it, none in the strip left of it.
void ExpectTextAt(const wxImage& image, int x, int y)
{
    EXPECT_GT(ChartFixture::NonWhiteInRect(image, x, y, x + 30, y + 16), 0) << x << "," << y;
    EXPECT_EQ(ChartFixture::NonWhiteInRect(image, std::max(0, x - 12), y, std::max(0, x - 1), y + 16), 0) << x;
}

TEST_F(ChartOtherLayersGuiTest, TextPlacedInPercentOfThePlotArea)
{
    mpWindow* chart = MakeChart(600, 400);
    chart->SetMargins(40, 40, 40, 40);
    auto* text = new mpText("Hall", 50, 50);
    chart->AddLayer(text);
    ExpectTextAt(Render(*chart, 0, 1, 0, 1, 600, 400), 260, 160);
    text->SetVisible(false);
    EXPECT_EQ(NonWhiteInRect(Render(*chart, 0, 1, 0, 1, 600, 400), 0, 0, 600, 400), 0);

    chart->DelAllLayers(true);
    chart->AddLayer(new mpText("Hall", 150, 30));  // x out of range: 5 percent
    ExpectTextAt(Render(*chart, 0, 1, 0, 1, 600, 400), 26, 96);
    chart->DelAllLayers(true);
    chart->AddLayer(new mpText("Hall", 30, -1));  // y out of range: 50 percent
    ExpectTextAt(Render(*chart, 0, 1, 0, 1, 600, 400), 156, 160);
    mpText byName;
    EXPECT_EQ(byName.GetName(), "Title");
    EXPECT_FALSE(byName.HasBBox());
    EXPECT_EQ(byName.GetLayerType(), mpLAYER_INFO);
}

TEST_F(ChartOtherLayersGuiTest, PolygonPointsAndRefusal)
{
    PolygonProbe triangle;
    triangle.setPoints({0, 1, 0}, {0, 0, 1}, true);
    ASSERT_EQ(triangle.m_shape_xs.size(), 4u);
    EXPECT_EQ(triangle.m_shape_xs[3], 0);
    EXPECT_EQ(triangle.m_shape_ys[3], 0);
    EXPECT_TRUE(triangle.HasBBox());
    triangle.SetCoordinateBase(10, 20, 0);
    EXPECT_DOUBLE_EQ(triangle.GetMinX(), 10);
    EXPECT_DOUBLE_EQ(triangle.GetMaxY(), 21);
    double x, y, phi;
    triangle.SetCoordinateBase(1, 2, M_PI);
    triangle.GetCoordinateBase(x, y, phi);
    EXPECT_EQ(phi, M_PI);
    triangle.TranslatePoint(1, 0, x, y);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, 2, 1e-12);
    EXPECT_NEAR(triangle.GetMinX(), 0, 1e-12);

    triangle.setPoints({1, 2}, {1}, true);
    const std::vector<LogEntry> logged = log.Take();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].text, "[mpPolygon] Error: points_xs and points_ys must have the same number of elements");
    EXPECT_EQ(triangle.m_shape_xs.size(), 4u);

    PolygonProbe empty;
    empty.setPoints({}, {}, true);
    EXPECT_TRUE(empty.m_shape_xs.empty());
    EXPECT_FALSE(empty.HasBBox());
}

TEST_F(ChartOtherLayersGuiTest, EllipseShapeFollowsMatrixAndQuantiles)
{
    EllipseProbe ellipse(4, 1, 0, 1, 5, "e");
    ASSERT_EQ(ellipse.m_shape_xs.size(), 5u);
    EXPECT_NEAR(ellipse.m_shape_xs[0], 2, 1e-8);
    EXPECT_NEAR(ellipse.m_shape_ys[1], 1, 1e-8);
    EXPECT_NEAR(ellipse.m_shape_xs[2], -2, 1e-8);
    EXPECT_DOUBLE_EQ(ellipse.GetMaxX(), ellipse.m_trans_shape_xs[0]);

    ellipse.SetSegments(9);
    EXPECT_EQ(ellipse.m_shape_xs.size(), 5u);  // only the next recomputation uses it
    ellipse.SetQuantiles(2);
    EXPECT_EQ(ellipse.m_shape_xs.size(), 9u);
    EXPECT_NEAR(ellipse.GetMaxX(), 4, 1e-8);
    ellipse.SetCovarianceMatrix(1, 0, 9);
    EXPECT_NEAR(ellipse.GetMaxY(), 6, 1e-8);
    double c00, c01, c11;
    ellipse.GetCovarianceMatrix(c00, c01, c11);
    EXPECT_EQ(c11, 9);

    // Refused: the shape empties, the placed points of the last good shape stay drawn.
    ellipse.SetQuantiles(-1);
    EXPECT_EQ(log.Take().at(0).text, "[mpCovarianceEllipse] Error: quantiles must be non-negative");
    EXPECT_TRUE(ellipse.m_shape_xs.empty());
    EXPECT_EQ(ellipse.m_trans_shape_xs.size(), 9u);
    ellipse.SetQuantiles(1);
    ellipse.SetCovarianceMatrix(1, 3, 1);
    EXPECT_EQ(log.Take().at(0).text, "[mpCovarianceEllipse] Error: cov is not positive definite");
    ellipse.SetCovarianceMatrix(1, 0, 1);
    ellipse.SetSegments(1);
    ellipse.SetQuantiles(1);
    EXPECT_EQ(log.Take().at(0).text, "[mpCovarianceEllipse] Error: segments must be at least 2");
}

TEST_F(ChartOtherLayersGuiTest, ShapesDrawWhereTheyArePlaced)
{
    mpWindow* chart = MakeChart();
    auto* ellipse = new mpCovarianceEllipse(4, 1, 0, 1, 64, "");
    ellipse->SetCoordinateBase(5, 5, 0);
    ellipse->SetPen(wxPen(*wxBLACK, 2));
    chart->AddLayer(ellipse);
    const wxImage image = Render(*chart, 0, 10, 0, 10);
    EXPECT_FALSE(IsWhite(image, chart->x2p(7), chart->y2p(5)) && IsWhite(image, chart->x2p(7) - 1, chart->y2p(5)));
    EXPECT_TRUE(IsWhite(image, chart->x2p(5), chart->y2p(5)));
}

TEST_F(ChartOtherLayersGuiTest, BitmapLayerShowsItsImageAndANewOne)
{
    mpWindow* chart = MakeChart();
    wxImage red(4, 4);
    red.SetRGB(wxRect(0, 0, 4, 4), 255, 0, 0);
    auto* layer = new mpBitmapLayer;
    wxImage copy;
    EXPECT_FALSE(layer->GetBitmapCopy(copy));
    layer->SetBitmap(wxImage(), 0, 0, 1, 1);
    EXPECT_EQ(log.Take().at(0).text, "[mpBitmapLayer] Assigned bitmap is not Ok()!");
    layer->SetBitmap(red, 2, 2, 4, 4);
    EXPECT_TRUE(layer->GetBitmapCopy(copy));
    EXPECT_DOUBLE_EQ(layer->GetMaxX(), 6);
    chart->AddLayer(layer);
    wxImage image = Render(*chart, 0, 10, 0, 10);
    const int cx = chart->x2p(4), cy = chart->y2p(4);
    EXPECT_EQ(image.GetRed(cx, cy), 255);
    EXPECT_EQ(image.GetGreen(cx, cy), 0);
    EXPECT_TRUE(IsWhite(image, chart->x2p(1), cy));

    // An image of the same geometry replaces the cached one.
    wxImage blue(4, 4);
    blue.SetRGB(wxRect(0, 0, 4, 4), 0, 0, 255);
    layer->SetBitmap(blue, 2, 2, 4, 4);
    image = Render(*chart, 0, 10, 0, 10);
    EXPECT_EQ(image.GetBlue(cx, cy), 255);
    EXPECT_EQ(image.GetRed(cx, cy), 0);

    // Zoomed so far that one image pixel is wider than the window: still its colour.
    image = Render(*chart, 3.999, 4.001, 3.999, 4.001);
    EXPECT_EQ(image.GetBlue(200, 145), 255);

    layer->SetName("image");
    layer->SetVisible(false);
    image = Render(*chart, 0, 10, 0, 10);
    EXPECT_EQ(NonWhiteInRect(image, 0, 0, 400, 290), 0);
}

TEST_F(ChartOtherLayersGuiTest, PrintoutDrawsThePageAndRestoresViewAndColours)
{
    mpWindow* chart = MakeChart();
    chart->SetMargins(50, 40, 40, 40);
    chart->AddLayer(new mpScaleX("x", mpAXIS_NEAR_MARGIN, true, mpLABEL_NUMBER));
    auto* curve = new mpFXYVector("c");
    curve->SetData({1, 9}, {1, 9});
    curve->SetContinuity(true);
    chart->AddLayer(curve);
    chart->SetColourTheme(*wxLIGHT_GREY, *wxBLUE, *wxRED);
    chart->Fit(0, 10, 0, 10);
    chart->ZoomIn(wxPoint(100, 100));  // the view and the desired range move
    const double desired = chart->GetDesiredXmin();

    mpPrintout printout(chart, wxString::FromUTF8("Parâmetros"));
    EXPECT_EQ(printout.GetTitle(), wxString::FromUTF8("Parâmetros"));
    EXPECT_TRUE(printout.HasPage(1));
    EXPECT_FALSE(printout.HasPage(2));
    wxBitmap page(800, 600, 24);
    {
        wxMemoryDC dc(page);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        printout.SetDC(&dc);
        EXPECT_TRUE(printout.OnPrintPage(1));
        printout.SetDC(nullptr);
    }
    const wxImage image = page.ConvertToImage();
    // The page is white inside its 50-pixel margins, black outside, and has the curve on it.
    EXPECT_TRUE(IsWhite(image, 55, 55));
    EXPECT_EQ(image.GetRed(20, 20), 0);
    EXPECT_EQ(image.GetRed(790, 590), 0);
    EXPECT_GT(NonWhiteInRect(image, 60, 60, 740, 540), 0);

    EXPECT_EQ(chart->GetBackgroundColour(), *wxLIGHT_GREY);
    EXPECT_EQ(chart->GetAxesColour(), *wxRED);
    EXPECT_EQ(chart->GetLayer(0)->GetPen().GetColour(), *wxRED);
    EXPECT_EQ(chart->GetScrX(), 400);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmin(), desired);
    EXPECT_NEAR(chart->p2x(40), desired, 1e-9);
}

TEST_F(ChartOtherLayersGuiTest, ColourThemeWithoutAxesColourKeepsAxisPens)
{
    mpWindow* chart = MakeChart();
    auto* axis = new mpScaleX;
    chart->AddLayer(axis);
    mpPrintout printout(chart, "p");
    wxBitmap page(300, 300, 24);
    wxMemoryDC dc(page);
    printout.SetDC(&dc);
    printout.OnPrintPage(1);
    printout.SetDC(nullptr);
    EXPECT_TRUE(axis->GetPen().GetColour().IsOk());
    EXPECT_EQ(axis->GetPen().GetColour(), wxGREY_PEN->GetColour());
}

}  // namespace
