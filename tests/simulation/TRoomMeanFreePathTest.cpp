#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "simulation/TracerRooms.h"

using namespace tracertest;

namespace {

// A 4 x 3 x 2.5 m box with a source and a receiver; its volume and area as the report takes
// them.
struct MfpRoom : TracerRoom {
    MfpRoom() : TracerRoom(ShoeboxQuads(4, 3, 2.5))
    {
        AddSource({1, 1, 1}, 1002);
        AddReceiver({3, 2, 1.2}, 0.4);
        room->Volume = 30;
        room->Area = 59;
    }
    // The information report with the room's own mean free path, as both programs show it.
    std::string Show()
    {
        testing::internal::CaptureStdout();
        room->ShowInfo(room->EnsureMeanFreePath());
        return testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST(MeanFreePath, EstimatedOnceForTheReportThenReusedAndNeverPrintedAsNan)
{
    MfpRoom r;
    r.room->MeanFreePath = 0;
    const std::string out = r.Show();
    const float mfp = r.room->MeanFreePath;
    EXPECT_NEAR(mfp, 4 * 30.0 / 59.0, 0.1);  // estimated once, for the report
    char last[96];
    std::snprintf(last, sizeof last, "Volume estimated from Mean Free Path = %1.2f m3\n", mfp * 59.0f / 4);
    EXPECT_EQ(out.substr(out.size() - std::string(last).size()), last);

    // A later report reuses the value: a changed mean free path is printed as it stands.
    r.room->MeanFreePath = 2.0f;
    EXPECT_NE(r.Show().find("Volume estimated from Mean Free Path = 29.50 m3\n"), std::string::npos);

    // A value that is not a number is estimated again rather than printed as "nan".
    r.room->MeanFreePath = std::numeric_limits<float>::quiet_NaN();
    const std::string again = r.Show();
    EXPECT_EQ(again.find("nan"), std::string::npos) << again;
    EXPECT_NEAR(r.room->MeanFreePath, mfp, 1e-6);
}
