#pragma once
// Which response curve belongs to which source, receiver and channel: one curve per source,
// receiver and receiver channel, sources outermost, then receivers, then channels. Curve
// (S, R, k) has the index S * K + (channels of receivers 0 .. R-1) + k, K the channels of all
// receivers together.

#include <vector>

class TRoom;

class ResponseCurveLayout {
public:
    struct Curve {
        unsigned int source = 0;
        unsigned int receiver = 0;
        unsigned int channel = 0;
    };

    ResponseCurveLayout() = default;
    ResponseCurveLayout(unsigned int numSources, std::vector<unsigned int> receiverChannels);
    // The room's sources and receivers, each receiver with its pattern's channels.
    static ResponseCurveLayout OfRoom(const TRoom& room);

    unsigned int NumSources() const { return numSources; }
    unsigned int NumReceivers() const { return static_cast<unsigned int>(channels.size()); }
    unsigned int NumPairs() const { return numSources * NumReceivers(); }
    unsigned int NumCurves() const { return numSources * channelsPerSource; }
    unsigned int Channels(unsigned int R) const { return R < channels.size() ? channels[R] : 0; }
    bool HasPair(unsigned int S, unsigned int R) const { return S < numSources && R < channels.size(); }
    // Index of the pair's first curve; the pair's curves follow it (Channels(R) of them).
    unsigned int FirstCurve(unsigned int S, unsigned int R) const;
    unsigned int CurveIndex(unsigned int S, unsigned int R, unsigned int k) const { return FirstCurve(S, R) + k; }
    // Every curve, in curve order.
    std::vector<Curve> Curves() const;

    bool operator==(const ResponseCurveLayout&) const = default;

private:
    unsigned int numSources = 0;
    std::vector<unsigned int> channels;       // [receiver]
    std::vector<unsigned int> channelOffset;  // [receiver] channels of the receivers before
    unsigned int channelsPerSource = 0;       // K
};
