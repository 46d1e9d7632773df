#include "views/charts/mpFXYVector.h"

#include <algorithm>

#include <wx/intl.h>
#include <wx/log.h>

wxIMPLEMENT_DYNAMIC_CLASS(mpFXYVector, mpFXY);

mpFXYVector::mpFXYVector(wxString name, int flags) : mpFXY(name, flags) {}

void mpFXYVector::SetData(const std::vector<double>& xs, const std::vector<double>& ys)
{
    if (xs.size() != ys.size()) {
        wxLogError(_("wxMathPlot error: X and Y vector are not of the same length!"));
        return;
    }
    m_xs = xs;
    m_ys = ys;
    if (xs.empty()) {
        m_minX = -1;
        m_maxX = 1;
        m_minY = -1;
        m_maxY = 1;
        return;
    }
    const auto [minX, maxX] = std::minmax_element(xs.begin(), xs.end());
    const auto [minY, maxY] = std::minmax_element(ys.begin(), ys.end());
    m_minX = *minX - 0.5;
    m_maxX = *maxX + 0.5;
    m_minY = *minY - 0.5;
    m_maxY = *maxY + 0.5;
}

void mpFXYVector::Clear()
{
    m_xs.clear();
    m_ys.clear();
}

bool mpFXYVector::GetNextXY(double& x, double& y)
{
    if (m_index >= m_xs.size()) return false;
    x = m_xs[m_index];
    y = m_ys[m_index];
    ++m_index;
    return true;
}
