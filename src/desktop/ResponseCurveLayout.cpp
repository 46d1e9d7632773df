#include "desktop/ResponseCurveLayout.h"

#include <algorithm>
#include <utility>

#include "directivity/TDirectivity.h"
#include "room/TReceiver.h"
#include "simulation/TRoom.h"

ResponseCurveLayout::ResponseCurveLayout(unsigned int numSources_, std::vector<unsigned int> receiverChannels)
    : numSources(numSources_), channels(std::move(receiverChannels))
{
    for (unsigned int c : channels) {
        channelOffset.push_back(channelsPerSource);
        channelsPerSource += c;
    }
}

ResponseCurveLayout ResponseCurveLayout::OfRoom(const TRoom& room)
{
    const unsigned int sources = std::min<size_t>(room.NumSources, room.source.size());
    const unsigned int receivers = std::min<size_t>(room.NumReceivers, room.receiver.size());
    std::vector<unsigned int> perReceiver;
    for (unsigned int R = 0; R < receivers; ++R) {
        const TReceiver* rec = room.receiver[R].get();
        const int n = rec != nullptr && rec->directivity != nullptr ? rec->GetNumChannels() : 0;
        perReceiver.push_back(n > 0 ? static_cast<unsigned int>(n) : 0u);
    }
    return ResponseCurveLayout(sources, std::move(perReceiver));
}

unsigned int ResponseCurveLayout::FirstCurve(unsigned int S, unsigned int R) const
{
    return S * channelsPerSource + (R < channelOffset.size() ? channelOffset[R] : channelsPerSource);
}

std::vector<ResponseCurveLayout::Curve> ResponseCurveLayout::Curves() const
{
    std::vector<Curve> all;
    all.reserve(NumCurves());
    for (unsigned int S = 0; S < numSources; ++S)
        for (unsigned int R = 0; R < channels.size(); ++R)
            for (unsigned int k = 0; k < channels[R]; ++k) all.push_back({S, R, k});
    return all;
}
