#include "directivity/daff/DAFFSCTransform.h"

#include <algorithm>
#include <cmath>

#include "directivity/daff/DAFFUtils.h"

namespace {
// Rounding can push the sine a hair outside [-1, 1]; asin would give NaN.
double asinClamped(double x)
{
    return std::asin(std::clamp(x, -1.0, 1.0));
}
}  // namespace

void DAFFSCTransform::RotationConstants::Init(double yawDeg, double pitchDeg, double rollDeg)
{
    const double y = DAFFUtils::grad2rad(yawDeg);
    const double p = DAFFUtils::grad2rad(pitchDeg);
    const double r = DAFFUtils::grad2rad(rollDeg);
    const double sy = std::sin(y), cy = std::cos(y);
    const double sp = std::sin(p), cp = std::cos(p);
    const double sr = std::sin(r), cr = std::cos(r);
    t1 = cy * cr - sy * sp * sr;
    t2 = cy * sr + sy * sp * cr;
    t3 = sy * cp;
    t4 = -sy * cr - cy * sp * sr;
    t5 = -sy * sr + cy * sp * cr;
    t6 = cy * cp;
    t7 = cp * sr;
    t8 = cp * cr;
    t9 = sp;
}

DAFFSCTransform::DAFFSCTransform()
{
    setOrientation(DAFFOrientationYPR());
}

DAFFSCTransform::DAFFSCTransform(const DAFFOrientationYPR& o)
{
    setOrientation(o);
}

void DAFFSCTransform::getOrientation(DAFFOrientationYPR& o) const
{
    o = m_orient;
}

void DAFFSCTransform::setOrientation(const DAFFOrientationYPR& o)
{
    m_orient = o;
    m_orient_index = 0;
    m_const.Init(o.fYawAngleDeg, o.fPitchAngleDeg, o.fRollAngleDeg);
}

void DAFFSCTransform::transformOSC2DSC(double dAzimuth, double dElevation, double& dAlpha, double& dBeta) const
{
    const double a = DAFFUtils::grad2rad(dAzimuth);
    const double e = DAFFUtils::grad2rad(dElevation);
    const double sace = std::sin(a) * std::cos(e);
    const double se = std::sin(e);
    const double cace = std::cos(a) * std::cos(e);
    const auto& t = m_const;
    dAlpha =
        DAFFUtils::rad2grad(std::atan2(t.t1 * sace - t.t2 * se + t.t3 * cace, t.t4 * sace - t.t5 * se + t.t6 * cace));
    dBeta = DAFFUtils::rad2grad(asinClamped(t.t7 * sace + t.t8 * se + t.t9 * cace)) + 90.0;
}

void DAFFSCTransform::transformOSC2DSC(float fAzimuth, float fElevation, float& fAlpha, float& fBeta) const
{
    double alpha = 0, beta = 0;
    transformOSC2DSC(double(fAzimuth), double(fElevation), alpha, beta);
    fAlpha = float(alpha);
    fBeta = float(beta);
}

void DAFFSCTransform::transformDSC2OSC(double dAlpha, double dBeta, double& dAzimuth, double& dElevation) const
{
    const double a = DAFFUtils::grad2rad(dAlpha);
    const double e = DAFFUtils::grad2rad(dBeta - 90.0);
    const double sace = std::sin(a) * std::cos(e);
    const double se = std::sin(e);
    const double cace = std::cos(a) * std::cos(e);
    const auto& t = m_const;
    dAzimuth =
        DAFFUtils::rad2grad(std::atan2(t.t1 * sace + t.t7 * se + t.t4 * cace, t.t3 * sace + t.t9 * se + t.t6 * cace));
    dElevation = -DAFFUtils::rad2grad(asinClamped(t.t2 * sace - t.t8 * se + t.t5 * cace));
}

void DAFFSCTransform::transformDSC2OSC(float fAlpha, float fBeta, float& fAzimuth, float& fElevation) const
{
    double az = 0, el = 0;
    transformDSC2OSC(double(fAlpha), double(fBeta), az, el);
    fAzimuth = float(az);
    fElevation = float(el);
}
