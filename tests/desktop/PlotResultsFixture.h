#pragma once
// A room with results but no geometry, for the plots: sources and receivers whose patterns have
// a chosen number of channels, each channel's response an exponentially decaying tone whose
// first sample names its curve (100 (S+1) + 10 (R+1) + k + 1), and per-band parameters
// T30 = S + R + b / 10, EDT = T30 / 2, C80 = b - R, CT = 10 (S + 1) (b + 1).

#include <cmath>
#include <memory>
#include <vector>

#include "directivity/TDirectivity.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"

class PlotResultsFixture {
public:
    PlotResultsFixture(unsigned int sources, std::vector<int> receiverChannels, unsigned int samples = 2205,
                       float fs = 44100.0f)
    {
        room = std::make_unique<TRoom>();
        room->FSample = fs;
        room->MaxLength = samples;
        for (unsigned int S = 0; S < sources; ++S) room->source.push_back(std::make_unique<TSource>());
        room->NumSources = sources;
        for (int channels : receiverChannels) AddReceiver(channels);
        FillResults();
    }

    // A receiver with a pattern of `channels` channels, without results for it.
    void AddReceiver(int channels)
    {
        patterns.push_back(std::make_unique<TDirectivity>());
        patterns.back()->NumChannels = channels;
        auto rec = std::make_unique<TReceiver>();
        rec->directivity = patterns.back().get();
        room->receiver.push_back(std::move(rec));
        room->NumReceivers = static_cast<unsigned int>(room->receiver.size());
    }

    void FillResults()
    {
        TRoom& r = *room;
        r.spcresult.clear();
        r.spcresult.resize(r.NumReceivers);
        for (unsigned int R = 0; R < r.NumReceivers; ++R)
            for (unsigned int S = 0; S < r.NumSources; ++S) {
                auto res = std::make_unique<TResult>();
                const int channels = r.receiver[R]->GetNumChannels();
                for (int k = 0; k < channels; ++k) res->globalIR.push_back(Response(S, R, k));
                res->Param.resize(r.NumBands + 1);
                for (unsigned int b = 0; b < r.NumBands; ++b) {
                    TMonoParams& p = res->Param[b];
                    p.T30 = S + R + b / 10.0f;
                    p.EDT = p.T30 / 2;
                    p.C80 = static_cast<float>(b) - R;
                    p.CT = 10.0f * (S + 1) * (b + 1);
                }
                r.spcresult[R].push_back(std::move(res));
            }
        r.ResultsCreated = true;
    }

    static float Identity(unsigned int S, unsigned int R, unsigned int k)
    {
        return 100.0f * (S + 1) + 10.0f * (R + 1) + k + 1;
    }

    std::vector<float> Response(unsigned int S, unsigned int R, unsigned int k) const
    {
        std::vector<float> p(room->MaxLength);
        const double tau = room->FSample * 0.05 * (1 + k);  // samples
        for (unsigned int n = 0; n < p.size(); ++n)
            p[n] = static_cast<float>(Identity(S, R, k) * std::exp(-static_cast<double>(n) / tau) * std::cos(0.3 * n));
        return p;
    }

    // Declared first, destroyed last: the receivers point at them.
    std::vector<std::unique_ptr<TDirectivity>> patterns;
    std::unique_ptr<TRoom> room;
};
