#pragma once
// The ellipse of a 2 x 2 covariance matrix, scaled by a quantile factor.

#include "views/charts/mpMovableObject.h"

class mpCovarianceEllipse : public mpMovableObject {
public:
    mpCovarianceEllipse(double cov_00, double cov_11, double cov_01, double quantiles, int segments,
                        const wxString& layerName);

    double GetQuantiles() const { return m_quantiles; }
    void SetQuantiles(double q);
    // Takes effect at the next recomputation.
    void SetSegments(int segments) { m_segments = segments; }
    int GetSegments() const { return m_segments; }
    void GetCovarianceMatrix(double& cov_00, double& cov_01, double& cov_11) const;
    void SetCovarianceMatrix(double cov_00, double cov_01, double cov_11);

protected:
    // Refused matrices, factors and segment counts log an error and leave an empty shape; the
    // earlier placed points are still drawn.
    void RecalculateShape();

    double m_cov_00, m_cov_11, m_cov_01;
    double m_quantiles;
    int m_segments;
};
