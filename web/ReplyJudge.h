// What the score board's reply to a sent form means.
#pragma once

#include <QByteArray>
#include <QString>

// The score board answers a good post with a page whose body holds exactly
// "OK " (O, K and one space). The reply is read as a browser reads it: parsed
// as HTML and judged by the body's content.
namespace ReplyJudge {

enum class Verdict {
    Sending,   // the body is empty: nothing to judge yet
    Succeeded, // the body is exactly "OK "
    Failed,    // anything else: an error page, other text, markup
};

Verdict judge(const QByteArray &body, const QByteArray &contentType = {});

// The reply's text: by a byte order mark, else by the charset of the
// Content-Type header when Qt knows it, else by a <meta> charset near the top, else
// as UTF-8 with bad bytes replaced.
QString decodeReply(const QByteArray &body, const QByteArray &contentType = {});

} // namespace ReplyJudge
