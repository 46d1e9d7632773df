#pragma once
// One set of named, typed metadata keys of a DAFF file. Names compare without regard to case.

#include <string>
#include <vector>

class DAFFMetadata {
public:
    enum DAFF_METADATA_KEY_TYPES {
        DAFF_BOOL = 0,
        DAFF_INT = 1,
        DAFF_FLOAT = 2,
        DAFF_STRING = 3,
    };

    virtual ~DAFFMetadata() = default;

    virtual bool isEmpty() const = 0;
    // An empty name is never found.
    virtual bool hasKey(const std::string& sKey) const = 0;
    // Clears the list, then appends every name upper-cased, in byte order.
    virtual void getKeys(std::vector<std::string>& vsKeyList) const = 0;
    // The key's type, or -1 when there is no such key.
    virtual int getKeyType(const std::string& sKey) const = 0;
    // "yes"/"no", decimal, six significant digits or the string; empty when missing.
    virtual std::string getKeyString(const std::string& sKey) const = 0;
    // A missing key or one of another type answers false, 0 or 0.0.
    virtual bool getKeyBool(const std::string& sKey) const = 0;
    virtual int getKeyInt(const std::string& sKey) const = 0;
    // Also converts an integer key.
    virtual double getKeyFloat(const std::string& sKey) const = 0;
    // "NAME = value\n" per key, in byte order of the names.
    virtual std::string toString() const = 0;
};
