#include "views/charts/mpCovarianceEllipse.h"

#include <wx/log.h>

#include "views/charts/ShapeLayout.h"

mpCovarianceEllipse::mpCovarianceEllipse(double cov_00, double cov_11, double cov_01, double quantiles, int segments,
                                         const wxString& layerName)
    : m_cov_00(cov_00), m_cov_11(cov_11), m_cov_01(cov_01), m_quantiles(quantiles), m_segments(segments)
{
    m_continuous = true;
    m_name = layerName;
    RecalculateShape();
    m_type = mpLAYER_PLOT;
}

void mpCovarianceEllipse::SetQuantiles(double q)
{
    m_quantiles = q;
    RecalculateShape();
}

void mpCovarianceEllipse::GetCovarianceMatrix(double& cov_00, double& cov_01, double& cov_11) const
{
    cov_00 = m_cov_00;
    cov_01 = m_cov_01;
    cov_11 = m_cov_11;
}

void mpCovarianceEllipse::SetCovarianceMatrix(double cov_00, double cov_01, double cov_11)
{
    m_cov_00 = cov_00;
    m_cov_01 = cov_01;
    m_cov_11 = cov_11;
    RecalculateShape();
}

void mpCovarianceEllipse::RecalculateShape()
{
    m_shape_xs.clear();
    m_shape_ys.clear();
    charts::EllipseShape e = charts::CovarianceEllipse(m_cov_00, m_cov_11, m_cov_01, m_quantiles, m_segments);
    if (!e.error.empty()) {
        wxLogError(wxString::FromUTF8(e.error));
        return;
    }
    m_shape_xs = std::move(e.xs);
    m_shape_ys = std::move(e.ys);
    ShapeUpdated();
}
