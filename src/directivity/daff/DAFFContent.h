#pragma once
// Direction side of a loaded DAFF file, common to every content type.
// DAFFReader::getContent() answers the object as the interface of the file's content type,
// so static_cast and dynamic_cast to DAFFContentIR, DAFFContentMS, ... both work.

#include "directivity/daff/DAFFDefs.h"

class DAFFReader;
class DAFFProperties;
class DAFFMetadata;

class DAFFContent {
public:
    virtual ~DAFFContent() = default;

    virtual DAFFReader* getParent() const = 0;
    virtual DAFFProperties* getProperties() const = 0;
    // The record's metadata set, or an empty set (index -1, outside the file, unknown set).
    virtual const DAFFMetadata* getRecordMetadata(int iRecordIndex) const = 0;
    // Direction of a record in the given view; 0, or -1 for an index outside the records.
    virtual int getRecordCoords(int iRecordIndex, int iView, float& fAngle1, float& fAngle2) const = 0;
    // Nearest record to a direction (alpha/beta in the data view, azimuth/elevation in the
    // object view), and whether the direction lies outside the grid's ranges.
    virtual void getNearestNeighbour(int iView, float fAngle1, float fAngle2, int& iRecordIndex) const = 0;
    virtual void getNearestNeighbour(int iView, float fAngle1, float fAngle2, int& iRecordIndex,
                                     bool& bOutOfBounds) const = 0;
    // The four records around a direction.
    virtual void getCell(int iView, float fAngle1, float fAngle2, DAFFQuad& qIndices) const = 0;
    virtual void transformAnglesD2O(float fAlpha, float fBeta, float& fAzimuth, float& fElevation) const = 0;
    virtual void transformAnglesO2D(float fAzimuth, float fElevation, float& fAlpha, float& fBeta) const = 0;
};
