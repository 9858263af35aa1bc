// The command line cinevue-play is started with, the input split into
// arguments at NUL bytes. A request is either understood or refused with a
// reason.

#include "fuzzsupport.h"

#include "play/playrequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceQt();
    const QStringList arguments = fuzz::arguments(data, size);
    const tPlayRequestResult r = ParsePlayRequest(arguments);
    FUZZ_CHECK(r.Request.has_value() == r.Error.isEmpty());
    if (!r.Request)
        return 0;
    const tPlayRequest &request = *r.Request;
    // Every option was one of the arguments.
    for (const QString &option : request.Options)
        FUZZ_CHECK(arguments.contains(option));
    if (request.RequestForm == tPlayRequest::Form::Path)
        FUZZ_CHECK(arguments.contains(request.Loc));
    return 0;
}
