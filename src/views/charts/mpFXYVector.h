#pragma once
// A point series held as two vectors of doubles (copies of the caller's).

#include <vector>

#include "views/charts/mpFXY.h"

class mpFXYVector : public mpFXY {
public:
    mpFXYVector(wxString name = wxEmptyString, int flags = 0);

    // Vectors of different lengths are refused with a logged error; nothing changes then.
    void SetData(const std::vector<double>& xs, const std::vector<double>& ys);
    void Clear();

    double GetMinX() override { return m_minX; }
    double GetMaxX() override { return m_maxX; }
    double GetMinY() override { return m_minY; }
    double GetMaxY() override { return m_maxY; }
    void Rewind() override { m_index = 0; }
    bool GetNextXY(double& x, double& y) override;

protected:
    std::vector<double> m_xs, m_ys;
    size_t m_index = 0;
    double m_minX = -1, m_maxX = 1, m_minY = -1, m_maxY = 1;

    wxDECLARE_DYNAMIC_CLASS(mpFXYVector);
};
