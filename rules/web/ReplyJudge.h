// What the score board's reply to a sent form means.
#pragma once

#include <QByteArray>
#include <QString>

// The score board answers a good post with a page whose body holds exactly
// "OK " (O, K and one space). The reply is read as a browser reads it: parsed
// as HTML and judged by the body's content. An error status (4xx, 5xx) fails
// whatever the body says: a browser shows its own error page in place of a
// short error body, and an empty one would otherwise leave the player waiting.
namespace ReplyJudge {

enum class Verdict {
    Sending,   // a success status and an empty body: nothing to judge yet
    Succeeded, // the body is exactly "OK "
    Failed,    // anything else: an error page, other text, markup
};

// httpStatus 0 stands for a reply that carries no status of its own.
Verdict judge(const QByteArray &body, const QByteArray &contentType = {}, int httpStatus = 0);

// The reply's text: by a byte order mark, else by the charset of the
// Content-Type header when Qt knows it, else by a <meta> charset near the top, else
// as UTF-8 with bad bytes replaced.
QString decodeReply(const QByteArray &body, const QByteArray &contentType = {});

} // namespace ReplyJudge
