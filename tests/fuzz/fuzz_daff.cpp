// Feeds arbitrary bytes to the DAFF reader: a file is either refused with a code or loaded
// so that every lookup answers a record inside the file and every getter stays inside its
// buffers.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "directivity/daff/DAFFContentDFT.h"
#include "directivity/daff/DAFFContentIR.h"
#include "directivity/daff/DAFFContentMPS.h"
#include "directivity/daff/DAFFContentMS.h"
#include "directivity/daff/DAFFContentPS.h"
#include "directivity/daff/DAFFMetadata.h"
#include "directivity/daff/DAFFProperties.h"
#include "directivity/daff/DAFFReader.h"

namespace {

void check(bool ok)
{
    if (!ok) __builtin_trap();
}

void readRecord(DAFFReader& r, int record, int channel)
{
    DAFFContent* c = r.getContent();
    const int code = DAFF_NO_ERROR;
    switch (r.getContentType()) {
    case DAFF_IMPULSE_RESPONSE: {
        auto* ir = static_cast<DAFFContentIR*>(c);
        if (ir->getFilterLength() > (1 << 20)) return;
        std::vector<float> buf(static_cast<std::size_t>(ir->getFilterLength()));
        check(ir->getFilterCoeffs(record, channel, buf.data(), 0.5f) == code);
        check(ir->addFilterCoeffs(record, channel, buf.data(), 1.0f) == code);
        check(ir->getEffectiveFilterCoeffs(record, channel, buf.data(), 1.0f) == code);
        int offset = -1, length = -1;
        check(ir->getEffectiveFilterBounds(record, channel, offset, length) == code);
        check(offset >= 0 && length >= 0 && offset + length <= ir->getFilterLength());
        break;
    }
    case DAFF_MAGNITUDE_SPECTRUM: {
        auto* ms = static_cast<DAFFContentMS*>(c);
        std::vector<float> buf(static_cast<std::size_t>(ms->getNumFrequencies()));
        check(ms->getMagnitudes(record, channel, buf.data()) == code);
        float m = 0;
        check(ms->getMagnitude(record, channel, ms->getNumFrequencies() - 1, m) == code);
        break;
    }
    case DAFF_PHASE_SPECTRUM: {
        auto* ps = static_cast<DAFFContentPS*>(c);
        std::vector<float> buf(static_cast<std::size_t>(ps->getNumFrequencies()));
        check(ps->getPhases(record, channel, buf.data()) == code);
        break;
    }
    case DAFF_MAGNITUDE_PHASE_SPECTRUM: {
        auto* mps = static_cast<DAFFContentMPS*>(c);
        std::vector<float> buf(2 * static_cast<std::size_t>(mps->getNumFrequencies()));
        check(mps->getMagnitudes(record, channel, buf.data()) == code);
        check(mps->getPhases(record, channel, buf.data()) == code);
        check(mps->getCoefficientsMP(record, channel, buf.data()) == code);
        check(mps->getCoefficientsRI(record, channel, buf.data()) == code);
        break;
    }
    default: {
        auto* dft = static_cast<DAFFContentDFT*>(c);
        std::vector<float> buf(2 * static_cast<std::size_t>(dft->getNumDFTCoeffs()));
        check(dft->getDFTCoeffs(record, channel, buf.data()) == code);
        float re = 0, im = 0;
        check(dft->getDFTCoeff(record, channel, dft->getNumDFTCoeffs() - 1, re, im) == code);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<DAFFReader> r(DAFFReader::create());
    const int code = r->deserialize(reinterpret_cast<const char*>(data), size);
    if (code != DAFF_NO_ERROR) {
        check(code >= 10001 && code <= 10013 && !r->isValid());
        return 0;
    }
    check(r->isValid());
    DAFFProperties* p = r->getProperties();
    DAFFContent* c = r->getContent();
    const int records = p->getNumberOfRecords();
    const int channels = p->getNumberOfChannels();

    (void)r->toString();
    (void)r->getMetadata()->toString();
    for (int ch = 0; ch < std::min(channels, 4); ++ch) (void)p->getChannelLabel(ch);

    // Lookups over the sphere in both views, and at a few odd angles.
    const float odd[] = {-1e30f, -720.5f, -0.0001f, 0.000005f, 179.99999f, 359.9999f, 1e30f, NAN, INFINITY};
    for (int view = 0; view < 2; ++view) {
        for (float a = -200; a <= 400; a += 37.3f) {
            for (float b = -100; b <= 200; b += 23.1f) {
                int rec = -1;
                bool oob = false;
                c->getNearestNeighbour(view, a, b, rec, oob);
                check(rec >= 0 && rec < records);
                DAFFQuad q;
                c->getCell(view, a, b, q);
                for (int i : {q.iIndex1, q.iIndex2, q.iIndex3, q.iIndex4}) check(i >= 0 && i < records);
            }
        }
        for (float a : odd)
            for (float b : odd) {
                int rec = -1;
                c->getNearestNeighbour(view, a, b, rec);
                check(rec >= 0 && rec < records);
                DAFFQuad q;
                c->getCell(view, a, b, q);
                for (int i : {q.iIndex1, q.iIndex2, q.iIndex3, q.iIndex4}) check(i >= 0 && i < records);
            }
    }

    // Records: the first few, the last, and the one in front, on every channel.
    std::vector<int> sample;
    for (int i = 0; i < std::min(records, 16); ++i) sample.push_back(i);
    sample.push_back(records - 1);
    int front = -1;
    c->getNearestNeighbour(DAFF_OBJECT_VIEW, 0, 0, front);
    sample.push_back(front);
    for (int rec : sample) {
        float a1 = 0, a2 = 0;
        check(c->getRecordCoords(rec, DAFF_OBJECT_VIEW, a1, a2) == 0);
        (void)c->getRecordMetadata(rec)->toString();
        for (int ch = 0; ch < std::min(channels, 4); ++ch) readRecord(*r, rec, ch);
    }
    if (r->getContentType() == DAFF_IMPULSE_RESPONSE && records <= 4096)
        (void)static_cast<DAFFContentIR*>(c)->getOverallPeak();

    // Another orientation, from the input's first bytes.
    if (size >= 12) {
        float ypr[3];
        std::memcpy(ypr, data, sizeof ypr);
        p->setOrientation(DAFFOrientationYPR(ypr[0], ypr[1], ypr[2]));
        int rec = -1;
        c->getNearestNeighbour(DAFF_OBJECT_VIEW, 10, 20, rec);
        check(rec >= 0 && rec < records);
    }

    check(r->deserialize(reinterpret_cast<const char*>(data), size) == DAFF_MODAL_ERROR);
    r->closeFile();
    check(!r->isValid());
    return 0;
}
