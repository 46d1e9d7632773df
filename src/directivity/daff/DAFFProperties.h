#pragma once
// The grid and main parameters of a loaded DAFF file. Angles in degrees.

#include <string>

#include "directivity/daff/DAFFDefs.h"

class DAFFProperties {
public:
    virtual ~DAFFProperties() = default;

    virtual int getFileFormatVersion() const = 0;
    virtual int getContentType() const = 0;
    virtual int getQuantization() const = 0;
    virtual int getNumberOfChannels() const = 0;
    virtual int getNumberOfRecords() const = 0;
    // The first metadata set's "LABEL_CHANNEL_<iChannel + 1>", or "".
    virtual std::string getChannelLabel(int iChannel) const = 0;
    virtual int getAlphaPoints() const = 0;
    virtual float getAlphaResolution() const = 0;
    virtual float getAlphaStart() const = 0;
    virtual float getAlphaEnd() const = 0;
    // end - start, or 360 - start + end for a range through 0 (0 when start equals end).
    virtual float getAlphaSpan() const = 0;
    virtual int getBetaPoints() const = 0;
    virtual float getBetaResolution() const = 0;
    virtual float getBetaStart() const = 0;
    virtual float getBetaEnd() const = 0;
    virtual float getBetaSpan() const = 0;
    // The orientation stored in the file.
    virtual void getDefaultOrientation(DAFFOrientationYPR& o) const = 0;
    // Makes the stored orientation the current one.
    virtual void setDefaultOrientation() = 0;
    // The current orientation of the object-view transform.
    virtual void getOrientation(DAFFOrientationYPR& o) const = 0;
    virtual void setOrientation(const DAFFOrientationYPR& o) = 0;
    virtual bool coversFullAlphaRange() const = 0;
    virtual bool coversFullBetaRange() const = 0;
    virtual bool coversFullSphere() const = 0;
};
