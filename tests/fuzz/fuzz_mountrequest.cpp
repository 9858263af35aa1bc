// The command line cinevue-mount is started with, the input split into
// arguments at NUL bytes. A request names a drive A-Z; anything else is
// refused with the usage text.

#include "fuzzsupport.h"

#include "platform/virtualdrive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceQt();
    const QStringList arguments = fuzz::arguments(data, size);
    const tMountRequestResult r = ParseMountRequest(arguments);
    if (!r.Request) {
        FUZZ_CHECK(r.Error == QString::fromLatin1(kMountUsage));
        return 0;
    }
    FUZZ_CHECK(r.Error.isEmpty());
    const tMountRequest &request = *r.Request;
    FUZZ_CHECK(request.Drive >= u'A' && request.Drive <= u'Z');
    FUZZ_CHECK(NormalizedDriveLetter(request.Drive) == request.Drive);
    if (request.RequestAction == tMountRequest::Action::Detach)
        FUZZ_CHECK(request.Image.isEmpty());
    return 0;
}
