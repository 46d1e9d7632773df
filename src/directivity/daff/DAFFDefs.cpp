#include "directivity/daff/DAFFDefs.h"

#include <sstream>

std::string DAFFOrientationYPR::toString() const
{
    std::ostringstream ss;
    ss.imbue(std::locale::classic());
    ss << "( Y" << fYawAngleDeg << "\xF8, P" << fPitchAngleDeg << "\xF8, R" << fRollAngleDeg << "\xF8 )";
    return ss.str();
}
