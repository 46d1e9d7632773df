#pragma once
// A metadata set parsed from a file's metadata block.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "directivity/daff/DAFFMetadata.h"
#include "directivity/daff/DAFFMetadataKey.h"

class DAFFMetadataImpl : public DAFFMetadata {
public:
    // Upper-cased name -> key, in byte order of the names.
    using KeyMap = std::map<std::string, std::unique_ptr<DAFFMetadataKey>>;

    DAFFMetadataImpl() = default;
    ~DAFFMetadataImpl() override = default;

    bool isEmpty() const override;
    bool hasKey(const std::string& sKey) const override;
    void getKeys(std::vector<std::string>& vsKeyList) const override;
    int getKeyType(const std::string& sKey) const override;
    std::string getKeyString(const std::string& sKey) const override;
    bool getKeyBool(const std::string& sKey) const override;
    int getKeyInt(const std::string& sKey) const override;
    double getKeyFloat(const std::string& sKey) const override;
    std::string toString() const override;

    // Parses one set from at most iAvailable bytes at pData (little-endian). Returns 0,
    // DAFF_FILE_UNKOWN_METADATA_TYPE, or DAFF_FILE_CORRUPTED when the set runs past the
    // bytes given, lacks a terminating zero or has a negative key count. On success
    // iBytesRead is the number of bytes the set occupies.
    int load(const std::uint8_t* pData, std::size_t iAvailable, std::size_t& iBytesRead);

    // Stores the key under the upper-cased name; a key of the same name is replaced (and freed).
    void insertKey(const std::string& sName, std::unique_ptr<DAFFMetadataKey> pKey);
    // The key under the upper-cased name, or null (also for an empty name).
    const DAFFMetadataKey* findKey(const std::string& sKey) const;

    KeyMap m_mKeys;
};
