#include "directivity/daff/DAFFMetadataImpl.h"

#include <cctype>
#include <sstream>

#include "directivity/daff/DAFFDefs.h"
#include "directivity/daff/DAFFHeader.h"

namespace {

std::string upperCase(const std::string& s)
{
    std::string u(s);
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// Reads a zero-terminated string starting at pos; false when no zero lies before `size`.
bool readCString(const std::uint8_t* p, std::size_t size, std::size_t& pos, std::string& out)
{
    for (std::size_t i = pos; i < size; ++i) {
        if (p[i] == 0) {
            out.assign(reinterpret_cast<const char*>(p + pos), i - pos);
            pos = i + 1;
            return true;
        }
    }
    return false;
}

}  // namespace

bool DAFFMetadataImpl::isEmpty() const
{
    return m_mKeys.empty();
}

const DAFFMetadataKey* DAFFMetadataImpl::findKey(const std::string& sKey) const
{
    if (sKey.empty()) return nullptr;
    auto it = m_mKeys.find(upperCase(sKey));
    return it == m_mKeys.end() ? nullptr : it->second.get();
}

bool DAFFMetadataImpl::hasKey(const std::string& sKey) const
{
    return findKey(sKey) != nullptr;
}

void DAFFMetadataImpl::getKeys(std::vector<std::string>& vsKeyList) const
{
    vsKeyList.clear();
    for (const auto& kv : m_mKeys) vsKeyList.push_back(kv.first);
}

int DAFFMetadataImpl::getKeyType(const std::string& sKey) const
{
    const DAFFMetadataKey* k = findKey(sKey);
    return k ? k->m_iType : -1;
}

std::string DAFFMetadataImpl::getKeyString(const std::string& sKey) const
{
    const DAFFMetadataKey* k = findKey(sKey);
    if (!k) return std::string();
    std::ostringstream ss;
    ss.imbue(std::locale::classic());
    switch (k->m_iType) {
    case DAFF_BOOL:
        ss << (static_cast<const DAFFMetadataKeyBool*>(k)->m_bValue ? "yes" : "no");
        break;
    case DAFF_INT:
        ss << static_cast<const DAFFMetadataKeyInt*>(k)->m_iValue;
        break;
    case DAFF_FLOAT:
        ss << static_cast<const DAFFMetadataKeyFloat*>(k)->m_dValue;
        break;
    case DAFF_STRING:
        ss << static_cast<const DAFFMetadataKeyString*>(k)->m_sValue;
        break;
    default:
        break;
    }
    return ss.str();
}

bool DAFFMetadataImpl::getKeyBool(const std::string& sKey) const
{
    const DAFFMetadataKey* k = findKey(sKey);
    if (!k || k->m_iType != DAFF_BOOL) return false;
    return static_cast<const DAFFMetadataKeyBool*>(k)->m_bValue;
}

int DAFFMetadataImpl::getKeyInt(const std::string& sKey) const
{
    const DAFFMetadataKey* k = findKey(sKey);
    if (!k || k->m_iType != DAFF_INT) return 0;
    return static_cast<const DAFFMetadataKeyInt*>(k)->m_iValue;
}

double DAFFMetadataImpl::getKeyFloat(const std::string& sKey) const
{
    const DAFFMetadataKey* k = findKey(sKey);
    if (!k) return 0.0;
    if (k->m_iType == DAFF_FLOAT) return static_cast<const DAFFMetadataKeyFloat*>(k)->m_dValue;
    if (k->m_iType == DAFF_INT) return double(static_cast<const DAFFMetadataKeyInt*>(k)->m_iValue);
    return 0.0;
}

std::string DAFFMetadataImpl::toString() const
{
    std::string s;
    for (const auto& kv : m_mKeys) s += kv.first + " = " + getKeyString(kv.first) + "\n";
    return s;
}

void DAFFMetadataImpl::insertKey(const std::string& sName, std::unique_ptr<DAFFMetadataKey> pKey)
{
    m_mKeys[upperCase(sName)] = std::move(pKey);
}

int DAFFMetadataImpl::load(const std::uint8_t* pData, std::size_t iAvailable, std::size_t& iBytesRead)
{
    using DAFF::readFloat64LE;
    using DAFF::readInt32LE;
    std::size_t pos = 0;
    auto have = [&](std::size_t bytes) { return iAvailable - pos >= bytes; };

    if (!have(4)) return DAFF_FILE_CORRUPTED;
    const std::int32_t iNumKeys = readInt32LE(pData + pos);
    pos += 4;
    if (iNumKeys < 0) return DAFF_FILE_CORRUPTED;

    for (std::int32_t k = 0; k < iNumKeys; ++k) {
        if (!have(4)) return DAFF_FILE_CORRUPTED;
        const std::int32_t iType = readInt32LE(pData + pos);
        pos += 4;
        if (iType < DAFF_BOOL || iType > DAFF_STRING) return DAFF_FILE_UNKOWN_METADATA_TYPE;
        std::string sName;
        if (!readCString(pData, iAvailable, pos, sName)) return DAFF_FILE_CORRUPTED;

        std::unique_ptr<DAFFMetadataKey> pKey;
        switch (iType) {
        case DAFF_BOOL:
            if (!have(4)) return DAFF_FILE_CORRUPTED;
            pKey = std::make_unique<DAFFMetadataKeyBool>(readInt32LE(pData + pos) != 0);
            pos += 4;
            break;
        case DAFF_INT:
            if (!have(4)) return DAFF_FILE_CORRUPTED;
            pKey = std::make_unique<DAFFMetadataKeyInt>(readInt32LE(pData + pos));
            pos += 4;
            break;
        case DAFF_FLOAT:
            if (!have(8)) return DAFF_FILE_CORRUPTED;
            pKey = std::make_unique<DAFFMetadataKeyFloat>(readFloat64LE(pData + pos));
            pos += 8;
            break;
        default: {
            std::string sValue;
            if (!readCString(pData, iAvailable, pos, sValue)) return DAFF_FILE_CORRUPTED;
            pKey = std::make_unique<DAFFMetadataKeyString>(sValue);
            break;
        }
        }
        insertKey(sName, std::move(pKey));
    }
    iBytesRead = pos;
    return DAFF_NO_ERROR;
}
