#pragma once
// Texts, number formatting, direction normalisation and angle-unit helpers of the DAFF reader.

#include <string>

#include "directivity/daff/DAFFDefs.h"

class DAFFUtils {
public:
    // Text of a DAFF_ERROR code; any other code gives "Undefined error code '<n>' encountered".
    static std::string StrError(int iErrorcode);
    static std::string StrContentType(int iContentType);
    static std::string StrShortContentType(int iContentType);
    static std::string StrQuantizationType(int iQuantization);
    static std::string StrMetadataKeyType(int iType);

    // Fixed notation with `precision` decimals, optional sign, '0'-padding to
    // precision + leadingzeros + 1 characters; trailing zeros and a trailing point removed.
    static std::string Float2StrNice(float f, int precision, bool showpos = false, int leadingzeros = 0);
    static std::string Double2StrNice(double d, int precision, bool showpos = false, int leadingzeros = 0);

    // "( A<a1>°, B<a2>° )" (data view) or "( P<+a1>°, T<+a2>° )" (object view), 0xF8 as degree.
    static std::string StrDirection(int iView, double dAngle1, double dAngle2, int precision = 0, int leadingzeros = 0);
    // "A<a1>° B<a2>°" or "P<+a1>° T<+a2>°".
    static std::string StrDirectionCompact(int iView, double dAngle1, double dAngle2, int precision = 0,
                                           int leadingzeros = 0);

    // Brings a direction into the canonical ranges of its view (data view: alpha [0, 360],
    // beta [0, 180]; object view: azimuth (-180, 180], elevation [-90, 90]), alpha 0 at the
    // poles, both angles rounded to 0.001 degree. The outputs may be the inputs.
    static void NormalizeDirection(int iView, float fAngle1In, float fAngle2In, float& fAngle1Out, float& fAngle2Out);

    static double grad2rad(double dAngleDeg);
    static double rad2grad(double dAngleRad);
    static float grad2radf(float fAngleDeg);
    static float rad2gradf(float fAngleRad);

    // Major 1, minor 70, "1.7".
    static void getLibraryVersion(DAFFVersion& version);
};
