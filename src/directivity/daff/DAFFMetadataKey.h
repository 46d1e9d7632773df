#pragma once
// The value of one metadata key; the set that holds it owns it.

#include <string>

#include "directivity/daff/DAFFMetadata.h"

class DAFFMetadataKey {
public:
    explicit DAFFMetadataKey(int iType) : m_iType(iType) {}
    virtual ~DAFFMetadataKey() = default;

    int m_iType;
};

class DAFFMetadataKeyBool : public DAFFMetadataKey {
public:
    explicit DAFFMetadataKeyBool(bool bValue) : DAFFMetadataKey(DAFFMetadata::DAFF_BOOL), m_bValue(bValue) {}
    bool m_bValue;
};

class DAFFMetadataKeyInt : public DAFFMetadataKey {
public:
    explicit DAFFMetadataKeyInt(int iValue) : DAFFMetadataKey(DAFFMetadata::DAFF_INT), m_iValue(iValue) {}
    int m_iValue;
};

class DAFFMetadataKeyFloat : public DAFFMetadataKey {
public:
    explicit DAFFMetadataKeyFloat(double dValue) : DAFFMetadataKey(DAFFMetadata::DAFF_FLOAT), m_dValue(dValue) {}
    double m_dValue;
};

class DAFFMetadataKeyString : public DAFFMetadataKey {
public:
    explicit DAFFMetadataKeyString(const std::string& sValue)
        : DAFFMetadataKey(DAFFMetadata::DAFF_STRING), m_sValue(sValue)
    {}
    std::string m_sValue;
};
