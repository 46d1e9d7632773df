#pragma once
// Rotation between the object view (azimuth, elevation) and the data view (alpha, beta)
// for a yaw-pitch-roll orientation. Angles in degrees.

#include "directivity/daff/DAFFDefs.h"

class DAFFSCTransform {
public:
    struct RotationConstants {
        double t1 = 0, t2 = 0, t3 = 0, t4 = 0, t5 = 0, t6 = 0, t7 = 0, t8 = 0, t9 = 0;
        void Init(double yawDeg, double pitchDeg, double rollDeg);
    };

    // Orientation 0, 0, 0 (constants computed as well, so the transform is usable at once).
    DAFFSCTransform();
    explicit DAFFSCTransform(const DAFFOrientationYPR& o);

    void getOrientation(DAFFOrientationYPR& o) const;
    void setOrientation(const DAFFOrientationYPR& o);

    // Object view to data view: alpha in (-180, 180], beta in [0, 180].
    void transformOSC2DSC(double dAzimuth, double dElevation, double& dAlpha, double& dBeta) const;
    void transformOSC2DSC(float fAzimuth, float fElevation, float& fAlpha, float& fBeta) const;
    // Data view to object view.
    void transformDSC2OSC(double dAlpha, double dBeta, double& dAzimuth, double& dElevation) const;
    void transformDSC2OSC(float fAlpha, float fBeta, float& fAzimuth, float& fElevation) const;

    DAFFOrientationYPR m_orient;
    RotationConstants m_const;
    int m_orient_index = 0;
};
