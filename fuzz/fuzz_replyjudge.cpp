// libFuzzer target: the score board's reply, whatever its bytes and its declared type,
// is judged without a crash or a hang.
#include "rules/web/ReplyJudge.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The types a server or a proxy in between might declare. The last slot takes
// the type from the input itself, so the charset parser sees arbitrary labels.
constexpr std::array<const char *, 8> kContentTypes{
    "",
    "text/html",
    "text/html; charset=windows-1250",
    "text/html; charset=UTF-8",
    "text/html;charset=\"utf-16le\"",
    "text/plain; charset=iso-8859-2",
    "text/html; charset=no-such-code",
    nullptr,
};

} // namespace

// The first byte picks the declared type; the rest is the reply body. With the
// last type, the body's first line is the type and the rest the body.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) {
        if (ReplyJudge::judge({}, {}) != ReplyJudge::Verdict::Sending)
            std::abort();
        return 0;
    }
    const char *chars = reinterpret_cast<const char *>(data);
    QByteArray body(chars + 1, static_cast<qsizetype>(size - 1));
    QByteArray contentType;
    if (const char *fixed = kContentTypes[data[0] % kContentTypes.size()]) {
        contentType = fixed;
    } else {
        const qsizetype newline = body.indexOf('\n');
        contentType = newline < 0 ? body : body.first(newline);
        body = newline < 0 ? QByteArray() : body.sliced(newline + 1);
    }

    // No text oracle beyond this: "OK" may arrive as character references or
    // with NULs in between, which the parser drops as a browser does.
    (void)ReplyJudge::decodeReply(body, contentType);
    switch (ReplyJudge::judge(body, contentType)) {
    case ReplyJudge::Verdict::Sending:
    case ReplyJudge::Verdict::Failed:
        break;
    case ReplyJudge::Verdict::Succeeded:
        if (body.isEmpty()) {
            std::fprintf(stderr, "Succeeded on an empty reply.\n");
            std::abort();
        }
        break;
    default:
        std::fprintf(stderr, "judge() gave no verdict of the enumeration.\n");
        std::abort();
    }
    return 0;
}
