// Velmora: fuzz target for the requests a second start sends to the window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "commandline.h"
#include "request.h"

#include <cstdint>
#include <cstdlib>

using namespace tarn::cli;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    isRequestComplete(bytes);
    QString problem;
    const std::optional<Request> request = decodeRequest(bytes, &problem);
    if (!request) {
        // Every refusal says why.
        if (problem.isEmpty())
            std::abort();
        return 0;
    }
    // What gets through names documentation only, and reads back the same.
    if (isLink(request->name) || isLink(request->search))
        std::abort();
    const std::optional<Request> again = decodeRequest(encodeRequest(*request), nullptr);
    if (!again || again->name != request->name.simplified()
        || again->search != request->search.simplified() || again->newTab != request->newTab
        || again->openSearch != request->openSearch)
        std::abort();
    return 0;
}
