// Reading records: impulse responses in every quantization, the spectrum types, and the
// error codes of the getters.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "directivity/daff/DAFF.h"
#include "directivity/daff/DAFFContentDFT.h"
#include "directivity/daff/DAFFContentIR.h"
#include "directivity/daff/DAFFContentMPS.h"
#include "directivity/daff/DAFFContentMS.h"
#include "directivity/daff/DAFFContentPS.h"
#include "directivity/daff/DAFFProperties.h"
#include "directivity/daff/DAFFReader.h"
#include "support/DaffTestWriter.h"

using namespace dafftest;

namespace {

std::unique_ptr<DAFFReader> load(const DaffTestWriter& w)
{
    std::unique_ptr<DAFFReader> r(DAFFReader::create());
    const auto b = w.bytes();
    EXPECT_EQ(r->deserialize(reinterpret_cast<const char*>(b.data()), b.size()), DAFF_NO_ERROR);
    return r;
}

// One quantization step of the format.
double step(int quantization)
{
    return quantization == DAFF_INT16 ? 1.0 / 32767 : quantization == DAFF_INT24 ? 1.0 / 8388607 : 1e-7;
}

class DaffImpulseResponses : public testing::TestWithParam<int> {};

}  // namespace

TEST_P(DaffImpulseResponses, WholeAndEffectiveResponses)
{
    const int q = GetParam();
    auto r = load(impulseResponses(q));
    auto* ir = static_cast<DAFFContentIR*>(r->getContent());
    ASSERT_EQ(dynamic_cast<DAFFContentIR*>(r->getContent()), ir);
    EXPECT_EQ(r->getProperties()->getQuantization(), q);
    EXPECT_DOUBLE_EQ(ir->getSamplerate(), 48000.0);
    EXPECT_EQ(ir->getFilterLength(), 16);
    EXPECT_EQ(ir->getMaxEffectiveFilterLength(), 5);
    EXPECT_EQ(ir->getMinEffectiveFilterOffset(), 0);

    for (int rec = 0; rec < 9; ++rec) {
        for (int ch = 0; ch < 2; ++ch) {
            const int lz = (rec + ch) % 4;
            int offset = -1, length = -1;
            ASSERT_EQ(ir->getEffectiveFilterBounds(rec, ch, offset, length), DAFF_NO_ERROR);
            EXPECT_EQ(offset, lz);
            EXPECT_EQ(length, 5);

            std::vector<float> whole(16, 99.0f);
            ASSERT_EQ(ir->getFilterCoeffs(rec, ch, whole.data(), 1.0f), DAFF_NO_ERROR);
            for (int i = 0; i < 16; ++i) {
                const double expected = (i >= lz && i < lz + 5) ? irSample(rec, ch, i - lz) : 0.0;
                EXPECT_NEAR(whole[std::size_t(i)], expected, step(q)) << rec << "/" << ch << "/" << i;
            }

            // Effective samples with a gain, from the first element on.
            std::vector<float> eff(5);
            ASSERT_EQ(ir->getEffectiveFilterCoeffs(rec, ch, eff.data(), 2.0f), DAFF_NO_ERROR);
            for (int i = 0; i < 5; ++i) EXPECT_NEAR(eff[std::size_t(i)], 2.0 * irSample(rec, ch, i), 2 * step(q));

            // The add variants touch only the stored samples.
            std::vector<float> acc(16, 1.0f);
            ASSERT_EQ(ir->addFilterCoeffs(rec, ch, acc.data(), 1.0f), DAFF_NO_ERROR);
            for (int i = 0; i < 16; ++i) {
                const double expected = 1.0 + ((i >= lz && i < lz + 5) ? irSample(rec, ch, i - lz) : 0.0);
                EXPECT_NEAR(acc[std::size_t(i)], expected, step(q));
            }
            std::vector<float> acc2(5, 0.5f);
            ASSERT_EQ(ir->addEffectiveFilterCoeffs(rec, ch, acc2.data(), -1.0f), DAFF_NO_ERROR);
            EXPECT_NEAR(acc2[0], 0.5 - irSample(rec, ch, 0), step(q));
        }
    }
    // Largest absolute sample: 1.0 at record 0.
    EXPECT_NEAR(ir->getOverallPeak(), 1.0, step(q));
    EXPECT_NEAR(ir->getOverallPeak(), 1.0, step(q));
}

INSTANTIATE_TEST_SUITE_P(Quantizations, DaffImpulseResponses, testing::Values(DAFF_INT16, DAFF_INT24, DAFF_FLOAT32),
                         [](const testing::TestParamInfo<int>& i) {
                             return std::string(i.param == DAFF_INT16   ? "Int16"
                                                : i.param == DAFF_INT24 ? "Int24"
                                                                        : "Float32");
                         });

TEST(DaffContent, LeadingZerosAndTrailingZerosOfALongerFilter)
{
    // 3 leading zeros and 5 stored samples in a filter of 16: 3 zeros, 5 samples, 8 zeros.
    DaffTestWriter w = impulseResponses(DAFF_FLOAT32);
    w.records[4][1].leadingZeros = 3;
    w.records[4][1].values = {0.5, 0.25, 0.125, 0.0625, 0.03125};
    auto r = load(w);
    auto* ir = static_cast<DAFFContentIR*>(r->getContent());
    std::vector<float> out(16, -7.0f);
    ASSERT_EQ(ir->getFilterCoeffs(4, 1, out.data(), 1.0f), DAFF_NO_ERROR);
    const std::vector<float> expected = {0, 0, 0, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(out, expected);
}

TEST(DaffContent, QuantizedSampleValues)
{
    // int16 32767 is 1.0; the int24 bytes FF FF FF are -1 / 8388607; 80 00 00 (top bit) is the minimum.
    DaffTestWriter w16 = impulseResponses(DAFF_INT16);
    w16.records[0][0].raw = std::vector<std::uint8_t>{0xFF, 0x7F, 0x00, 0x80, 0x01, 0x00, 0, 0, 0, 0};
    auto r16 = load(w16);
    std::vector<float> v(5);
    static_cast<DAFFContentIR*>(r16->getContent())->getEffectiveFilterCoeffs(0, 0, v.data(), 1.0f);
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_FLOAT_EQ(v[1], -32768.0f / 32767.0f);
    EXPECT_FLOAT_EQ(v[2], 1.0f / 32767.0f);

    DaffTestWriter w24 = impulseResponses(DAFF_INT24);
    w24.records[0][0].raw =
        std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 0, 0};
    auto r24 = load(w24);
    static_cast<DAFFContentIR*>(r24->getContent())->getEffectiveFilterCoeffs(0, 0, v.data(), 1.0f);
    EXPECT_FLOAT_EQ(v[0], -1.0f / 8388607.0f);
    EXPECT_FLOAT_EQ(v[1], -8388608.0f / 8388607.0f);
    EXPECT_FLOAT_EQ(v[2], 1.0f);
    EXPECT_FLOAT_EQ(v[3], 1.0f / 8388607.0f);

    // The free converters: strides and the add form.
    const short s16[4] = {32767, 0, -32767, 0};
    float out[4] = {1, 1, 1, 1};
    DAFF::stc_sint16_to_float(out, s16, 2, 2, 2, 0.5f);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[1], 1.0f);
    EXPECT_FLOAT_EQ(out[2], -0.5f);
    DAFF::stc_sint16_to_float_add(out, s16, 1, 1, 1, 1.0f);
    EXPECT_FLOAT_EQ(out[0], 1.5f);
    const std::uint8_t s24[6] = {0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x00};
    DAFF::stc_sint24_to_float(out, s24, 2, 1, 1, 1.0f);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    DAFF::stc_sint24_to_float_add(out, s24, 1, 1, 1, 1.0f);
    EXPECT_FLOAT_EQ(out[0], 2.0f);
}

TEST(DaffContent, SpectrumTypes)
{
    auto ps = load(smallSpectrum(DAFF_PHASE_SPECTRUM));
    auto* p = static_cast<DAFFContentPS*>(ps->getContent());
    std::vector<float> v(6, -1.0f);
    ASSERT_EQ(p->getNumFrequencies(), 3);
    ASSERT_EQ(p->getPhases(1, 1, v.data()), DAFF_NO_ERROR);
    EXPECT_EQ(std::vector<float>(v.begin(), v.begin() + 3), (std::vector<float>{110, 111, 112}));
    float one = 0;
    ASSERT_EQ(p->getPhase(1, 0, 2, one), DAFF_NO_ERROR);
    EXPECT_FLOAT_EQ(one, 102.0f);

    // Magnitude-phase: magnitudes are the first float of each pair, phases the second.
    auto mps = load(smallSpectrum(DAFF_MAGNITUDE_PHASE_SPECTRUM));
    auto* m = static_cast<DAFFContentMPS*>(mps->getContent());
    EXPECT_FLOAT_EQ(m->getOverallMagnitudeMaximum(), 250.0f);
    ASSERT_EQ(m->getMagnitudes(1, 0, v.data()), DAFF_NO_ERROR);
    EXPECT_EQ(std::vector<float>(v.begin(), v.begin() + 3), (std::vector<float>{100, 102, 104}));
    ASSERT_EQ(m->getPhases(1, 0, v.data()), DAFF_NO_ERROR);
    EXPECT_EQ(std::vector<float>(v.begin(), v.begin() + 3), (std::vector<float>{101, 103, 105}));
    ASSERT_EQ(m->getMagnitude(0, 1, 2, one), DAFF_NO_ERROR);
    EXPECT_FLOAT_EQ(one, 14.0f);
    ASSERT_EQ(m->getPhase(0, 1, 2, one), DAFF_NO_ERROR);
    EXPECT_FLOAT_EQ(one, 15.0f);
    ASSERT_EQ(m->getCoefficientsRI(0, 1, v.data()), DAFF_NO_ERROR);
    EXPECT_EQ(v, (std::vector<float>{10, 11, 12, 13, 14, 15}));
    ASSERT_EQ(m->getCoefficientsMP(0, 1, v.data()), DAFF_NO_ERROR);
    EXPECT_FLOAT_EQ(v[0], std::sqrt(10.0f * 10 + 11 * 11));
    EXPECT_FLOAT_EQ(v[1], std::atan(11.0f / 10.0f));

    auto dft = load(smallSpectrum(DAFF_DFT_SPECTRUM));
    auto* d = static_cast<DAFFContentDFT*>(dft->getContent());
    EXPECT_EQ(d->getTransformSize(), 4);
    EXPECT_EQ(d->getNumDFTCoeffs(), 3);
    EXPECT_TRUE(d->isSymmetric());
    EXPECT_DOUBLE_EQ(d->getSamplerate(), 44100.0);
    EXPECT_DOUBLE_EQ(d->getFrequencyBandwidth(), 44100.0 / 4);
    float re = 0, im = 0;
    ASSERT_EQ(d->getDFTCoeff(1, 1, 2, re, im), DAFF_NO_ERROR);
    EXPECT_FLOAT_EQ(re, 114.0f);
    EXPECT_FLOAT_EQ(im, 115.0f);
    ASSERT_EQ(d->getDFTCoeffs(0, 0, v.data()), DAFF_NO_ERROR);
    EXPECT_EQ(v, (std::vector<float>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(d->getDFTCoeff(1, 1, 3, re, im), DAFF_INVALID_INDEX);
    EXPECT_EQ(d->getDFTCoeff(1, 1, -1, re, im), DAFF_INVALID_INDEX);
}

TEST(DaffContent, GetterErrorCodes)
{
    auto ms = load(magnitudeGrid());
    auto* m = static_cast<DAFFContentMS*>(ms->getContent());
    std::vector<float> buf(32);
    float f = 0;
    EXPECT_EQ(m->getMagnitudes(0, 2, buf.data()), DAFF_INVALID_INDEX);  // channel == channel count
    EXPECT_EQ(m->getMagnitudes(0, -1, buf.data()), DAFF_INVALID_INDEX);
    EXPECT_EQ(m->getMagnitudes(14, 0, buf.data()), DAFF_INVALID_INDEX);
    EXPECT_EQ(m->getMagnitudes(-1, 0, buf.data()), DAFF_INVALID_INDEX);
    EXPECT_EQ(m->getMagnitudes(0, 0, nullptr), DAFF_NO_ERROR);
    EXPECT_EQ(m->getMagnitude(0, 0, 9, f), DAFF_INVALID_INDEX);
    EXPECT_EQ(m->getMagnitude(0, 0, -1, f), DAFF_INVALID_INDEX);
    EXPECT_EQ(dynamic_cast<DAFFContentPS*>(m)->getPhases(0, 0, buf.data()), DAFF_MODAL_ERROR);

    auto ps = load(smallSpectrum(DAFF_PHASE_SPECTRUM));
    auto* p = ps->getContent();
    EXPECT_EQ(dynamic_cast<DAFFContentMS*>(p)->getMagnitudes(0, 0, buf.data()), DAFF_MODAL_ERROR);
    EXPECT_EQ(dynamic_cast<DAFFContentMS*>(p)->getMagnitude(0, 0, 0, f), DAFF_MODAL_ERROR);
    EXPECT_EQ(dynamic_cast<DAFFContentPS*>(p)->getPhase(0, 0, 3, f), DAFF_INVALID_INDEX);

    auto irr = load(impulseResponses(DAFF_FLOAT32));
    auto* ir = static_cast<DAFFContentIR*>(irr->getContent());
    EXPECT_EQ(dynamic_cast<DAFFContentMS*>(ir)->getMagnitudes(0, 0, buf.data()), DAFF_MODAL_ERROR);
    EXPECT_EQ(dynamic_cast<DAFFContentMS*>(ir)->getNumFrequencies(), 0);
    EXPECT_EQ(ir->getFilterCoeffs(9, 0, buf.data(), 1.0f), DAFF_INVALID_INDEX);
    EXPECT_EQ(ir->getEffectiveFilterCoeffs(0, 2, buf.data(), 1.0f), DAFF_INVALID_INDEX);
    EXPECT_EQ(ir->getEffectiveFilterCoeffs(0, 0, nullptr, 1.0f), DAFF_NO_ERROR);
    int a = 0, b = 0;
    EXPECT_EQ(ir->getEffectiveFilterBounds(-1, 0, a, b), DAFF_INVALID_INDEX);
    // Impulse-response getters asked of a spectrum file answer the modal error.
    EXPECT_EQ(dynamic_cast<DAFFContentIR*>(m)->getFilterCoeffs(0, 0, buf.data(), 1.0f), DAFF_MODAL_ERROR);
    EXPECT_FLOAT_EQ(dynamic_cast<DAFFContentIR*>(m)->getOverallPeak(), 0.0f);
    EXPECT_DOUBLE_EQ(dynamic_cast<DAFFContentIR*>(m)->getSamplerate(), 0.0);
}
