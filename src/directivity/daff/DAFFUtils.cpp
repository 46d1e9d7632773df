#include "directivity/daff/DAFFUtils.h"

#include <cmath>
#include <iomanip>
#include <sstream>

namespace {

constexpr double kSinglePi = 3.1415927410125732;  // the single-precision pi, widened
constexpr float kPiF = 3.1415927f;

template <typename T> std::string niceNumber(T value, int precision, bool showpos, int leadingzeros)
{
    std::string sign;
    if (std::signbit(value) && value != 0) {
        sign = "-";
        value = -value;
    } else if (showpos) {
        sign = "+";
    }
    std::ostringstream ss;
    ss.imbue(std::locale::classic());
    ss << std::fixed << std::setprecision(precision < 0 ? 0 : precision);
    if (leadingzeros > 0) ss << std::setfill('0') << std::setw(precision + leadingzeros + 1);
    ss << value;
    std::string s = ss.str();
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (s.size() > 1 && s.back() == '.') s.pop_back();
    }
    return sign + s;
}

// Remainder into [0, m).
float positiveRemainder(float x, float m)
{
    float r = std::fmod(x, m);
    if (r < 0.0f) r += m;
    return r;
}

float roundToThousandth(float x)
{
    return std::round(x * 1000.0f) / 1000.0f;
}

}  // namespace

std::string DAFFUtils::StrError(int iErrorcode)
{
    switch (iErrorcode) {
    case DAFF_MODAL_ERROR:
        return "Modal error";
    case DAFF_FILE_INVALID:
        return "Invalid file (wrong signature, etc.)";
    case DAFF_FILE_INVALID_MAIN_PARAMETER:
        return "Invalid main header parameter (num channels, etc. )";
    case DAFF_FILE_CONTENT_TYPE_UNKOWN:
        return "File has unkown content type (IR, MS, DFT, etc)";
    case DAFF_FILE_ALPHA_ANGLES_INVALID:
        return "Invalid alpha angles or range problem";
    case DAFF_FILE_BETA_ANGLES_INVALID:
        return "Invalid beta angles or range problem";
    case DAFF_FILE_QUANTIZATION_UNKOWN:
        return "Data uses unrecognized or wrong quantization";
    case DAFF_FILE_FORMAT_VERSION_UNSUPPORTED:
        return "File format version not supported";
    case DAFF_FILE_CONTENT_INVALID_PARAMETER:
        return "Content parameter invalid (sampling rate, num supporting frequencies, etc)";
    case DAFF_FILE_NOT_FOUND:
        return "File not found";
    case DAFF_FILE_UNKOWN_METADATA_TYPE:
        return "Metadata type unkown (valid: bool, int, double, string)";
    case DAFF_FILE_CORRUPTED:
        return "File corrupted";
    case DAFF_INVALID_INDEX:
        return "Invalid index";
    default:
        return "Undefined error code '" + std::to_string(iErrorcode) + "' encountered";
    }
}

std::string DAFFUtils::StrContentType(int iContentType)
{
    switch (iContentType) {
    case DAFF_IMPULSE_RESPONSE:
        return "Impulse response";
    case DAFF_MAGNITUDE_SPECTRUM:
        return "Magnitude spectrum";
    case DAFF_PHASE_SPECTRUM:
        return "Phase spectrum";
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        return "Magnitude-phase spectrum";
    case DAFF_DFT_SPECTRUM:
        return "Discrete Fourier-spectrum";
    default:
        return "Invalid";
    }
}

std::string DAFFUtils::StrShortContentType(int iContentType)
{
    switch (iContentType) {
    case DAFF_IMPULSE_RESPONSE:
        return "ir";
    case DAFF_MAGNITUDE_SPECTRUM:
        return "ms";
    case DAFF_PHASE_SPECTRUM:
        return "ps";
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        return "mps";
    case DAFF_DFT_SPECTRUM:
        return "dft";
    default:
        return "Invalid";
    }
}

std::string DAFFUtils::StrQuantizationType(int iQuantization)
{
    switch (iQuantization) {
    case DAFF_INT16:
        return "16-bit signed integer";
    case DAFF_INT24:
        return "24-bit signed integer";
    case DAFF_FLOAT32:
        return "32-bit floating point";
    default:
        return "Invalid";
    }
}

std::string DAFFUtils::StrMetadataKeyType(int iType)
{
    switch (iType) {
    case 0:
        return "Boolean";
    case 1:
        return "Integer";
    case 2:
        return "Float";
    case 3:
        return "String";
    default:
        return "Invalid";
    }
}

std::string DAFFUtils::Float2StrNice(float f, int precision, bool showpos, int leadingzeros)
{
    return niceNumber(f, precision, showpos, leadingzeros);
}

std::string DAFFUtils::Double2StrNice(double d, int precision, bool showpos, int leadingzeros)
{
    return niceNumber(d, precision, showpos, leadingzeros);
}

std::string DAFFUtils::StrDirection(int iView, double dAngle1, double dAngle2, int precision, int leadingzeros)
{
    if (iView == DAFF_OBJECT_VIEW)
        return "( P" + Double2StrNice(dAngle1, precision, true, leadingzeros) + "\xF8, T" +
               Double2StrNice(dAngle2, precision, true, leadingzeros) + "\xF8 )";
    return "( A" + Double2StrNice(dAngle1, precision, false, leadingzeros) + "\xF8, B" +
           Double2StrNice(dAngle2, precision, false, leadingzeros) + "\xF8 )";
}

std::string DAFFUtils::StrDirectionCompact(int iView, double dAngle1, double dAngle2, int precision, int leadingzeros)
{
    if (iView == DAFF_OBJECT_VIEW)
        return "P" + Double2StrNice(dAngle1, precision, true, leadingzeros) + "\xF8 T" +
               Double2StrNice(dAngle2, precision, true, leadingzeros) + "\xF8";
    return "A" + Double2StrNice(dAngle1, precision, false, leadingzeros) + "\xF8 B" +
           Double2StrNice(dAngle2, precision, false, leadingzeros) + "\xF8";
}

void DAFFUtils::NormalizeDirection(int iView, float fAngle1In, float fAngle2In, float& fAngle1Out, float& fAngle2Out)
{
    float a1 = fAngle1In, a2 = fAngle2In;
    if (iView == DAFF_OBJECT_VIEW) {
        // Elevation into [-180, 180), then across a pole when beyond +-90.
        float el = std::fmod(a2, 360.0f);
        if (el >= 180.0f)
            el -= 360.0f;
        else if (el < -180.0f)
            el += 360.0f;
        if (el > 90.0f) {
            el = 180.0f - el;
            a1 += 180.0f;
        } else if (el < -90.0f) {
            el = -180.0f - el;
            a1 += 180.0f;
        }
        float az = positiveRemainder(a1 + 180.0f, 360.0f) - 180.0f;
        if (az == -180.0f) az = 180.0f;
        if (std::fabs(el - 90.0f) <= 0.00001f) el = 90.0f;
        if (std::fabs(el + 90.0f) <= 0.00001f) el = -90.0f;
        a1 = az;
        a2 = el;
    } else {
        // Beta beyond the north (or south) pole comes back on the other side of the sphere.
        float beta = positiveRemainder(a2, 360.0f);
        if (beta > 180.0f) {
            beta = 360.0f - beta;
            a1 += 180.0f;
        }
        float alpha = positiveRemainder(a1, 360.0f);
        if (std::fabs(beta) <= 0.00001f || std::fabs(beta - 180.0f) <= 0.00001f) alpha = 0.0f;
        a1 = alpha;
        a2 = beta;
    }
    fAngle1Out = roundToThousandth(a1);
    fAngle2Out = roundToThousandth(a2);
}

double DAFFUtils::grad2rad(double dAngleDeg)
{
    return dAngleDeg * kSinglePi / 180.0;
}

double DAFFUtils::rad2grad(double dAngleRad)
{
    return dAngleRad * 180.0 / kSinglePi;
}

float DAFFUtils::grad2radf(float fAngleDeg)
{
    return fAngleDeg * kPiF / 180.0f;
}

float DAFFUtils::rad2gradf(float fAngleRad)
{
    return fAngleRad * 180.0f / kPiF;
}

void DAFFUtils::getLibraryVersion(DAFFVersion& version)
{
    version.iVersionMajor = 1;
    version.iVersionMinor = 70;
    version.sVersion = "1.7";
}
