#pragma once
// A DAFF directivity file (format version 170), loaded whole into memory and checked.
//
//   DAFFReader* r = DAFFReader::create();
//   if (int e = r->openFile(path)) { ... DAFFUtils::StrError(e) ... }
//   auto* ms = static_cast<DAFFContentMS*>(r->getContent());   // when getContentType() == 1
//   ms->getNearestNeighbour(DAFF_OBJECT_VIEW, azimuthDeg, elevationDeg, record);
//   ms->getMagnitudes(record, channel, buffer);
//   r->closeFile(); delete r;

#include <cstddef>
#include <string>

#include "directivity/daff/DAFFDefs.h"

class DAFFContent;
class DAFFMetadata;
class DAFFProperties;

class DAFFReader {
public:
    virtual ~DAFFReader() = default;

    // An empty reader, owned by the caller (delete through DAFFReader).
    static DAFFReader* create();

    // Loaded by openFile and valid.
    virtual bool isFileOpened() const = 0;
    // Loads and checks a file; DAFF_NO_ERROR or a DAFF_ERROR code. A reader that holds a
    // file refuses with DAFF_MODAL_ERROR; a failed load leaves the reader empty.
    virtual int openFile(const std::string& sFilePath) = 0;
    // Releases a loaded file; nothing otherwise.
    virtual void closeFile() = 0;
    virtual std::string getFilename() const = 0;
    // The same as openFile from a complete file image of iBufferSize bytes.
    virtual int deserialize(const char* pDAFFDataBuffer, std::size_t iBufferSize) = 0;
    virtual bool isValid() const = 0;
    virtual int getFileFormatVersion() const = 0;
    virtual int getContentType() const = 0;
    // The reader as the interface of its content type (cast to DAFFContentIR, ...MS, ...).
    virtual DAFFContent* getContent() const = 0;
    // The file's first metadata set.
    virtual const DAFFMetadata* getMetadata() const = 0;
    virtual DAFFProperties* getProperties() const = 0;
    // A multi-line report of the file.
    virtual std::string toString() const = 0;
};
