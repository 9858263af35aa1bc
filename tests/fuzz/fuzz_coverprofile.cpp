// A My Movies cover profile file as the artwork reads it. A profile that
// parses has a usable cover size, and every disc type finds a layout in it.

#include "fuzzsupport.h"

#include "art/coverprofiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceQt();
    QString error;
    const std::optional<tCoverProfile> profile = CoverProfiles::ParseProfile(fuzz::bytes(data, size), &error);
    if (!profile) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(profile->Width > 0 && profile->Height > 0);
    for (const tDiscTypes type : {dtDVD, dtHDDVD, dtBluray, dt4KUltraHD}) {
        const int layout = CoverProfiles::LayoutType(*profile, type);
        FUZZ_CHECK(layout >= 0 && layout < int(profile->Covers.size()));
    }
    return 0;
}
