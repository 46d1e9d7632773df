#pragma once
// Codes, enumerations and small records shared by the DAFF reader's interfaces.

#include <string>

// Result of every loading operation and of the record getters.
enum DAFF_ERROR {
    DAFF_NO_ERROR = 0,
    DAFF_MODAL_ERROR = 10001,
    DAFF_FILE_INVALID,
    DAFF_FILE_INVALID_MAIN_PARAMETER,
    DAFF_FILE_CONTENT_TYPE_UNKOWN,
    DAFF_FILE_ALPHA_ANGLES_INVALID,
    DAFF_FILE_BETA_ANGLES_INVALID,
    DAFF_FILE_QUANTIZATION_UNKOWN,
    DAFF_FILE_FORMAT_VERSION_UNSUPPORTED,
    DAFF_FILE_CONTENT_INVALID_PARAMETER,
    DAFF_FILE_NOT_FOUND,
    DAFF_FILE_UNKOWN_METADATA_TYPE,
    DAFF_FILE_CORRUPTED,
    DAFF_INVALID_INDEX,
};

enum DAFF_CONTENT_TYPES {
    DAFF_IMPULSE_RESPONSE = 0,
    DAFF_MAGNITUDE_SPECTRUM = 1,
    DAFF_PHASE_SPECTRUM = 2,
    DAFF_MAGNITUDE_PHASE_SPECTRUM = 3,
    DAFF_DFT_SPECTRUM = 4,
};

enum DAFF_QUANTIZATIONS {
    DAFF_INT16 = 0,
    DAFF_INT24 = 1,
    DAFF_FLOAT32 = 2,
};

// Data view: alpha/beta of the file's grid. Object view: azimuth/elevation of the object.
enum DAFF_VIEWS {
    DAFF_DATA_VIEW = 0,
    DAFF_OBJECT_VIEW = 1,
};

// Identifiers of the block-table entries.
enum DAFF_FILEBLOCK_IDS {
    FILEBLOCK_DAFF1_MAIN_HEADER_ID = 1,
    FILEBLOCK_DAFF1_CONTENT_HEADER_ID = 2,
    FILEBLOCK_DAFF1_RECORD_DESC_ID = 3,
    FILEBLOCK_DAFF1_DATA_ID = 4,
    FILEBLOCK_DAFF1_METADATA_ID = 5,
};

// Orientation of the data relative to the object, degrees.
struct DAFFOrientationYPR {
    float fYawAngleDeg = 0.0f;
    float fPitchAngleDeg = 0.0f;
    float fRollAngleDeg = 0.0f;

    DAFFOrientationYPR() = default;
    DAFFOrientationYPR(float yaw, float pitch, float roll)
        : fYawAngleDeg(yaw), fPitchAngleDeg(pitch), fRollAngleDeg(roll)
    {}

    // "( Y<yaw>°, P<pitch>°, R<roll>° )" with the console code page's degree byte 0xF8.
    std::string toString() const;
};

// Record indices of the four corners of a grid cell.
struct DAFFQuad {
    int iIndex1 = 0;
    int iIndex2 = 0;
    int iIndex3 = 0;
    int iIndex4 = 0;
};

struct DAFFVersion {
    int iVersionMajor = 0;
    int iVersionMinor = 0;
    std::string sVersion;
};
