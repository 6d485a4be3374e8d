// Judging the score board's reply with a real HTML5 parser.
#include "rules/web/ReplyJudge.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <cstring>
#include <gumbo.h>
#include <memory>
#include <optional>

namespace ReplyJudge {

namespace {

// A decoder for a charset label, or nothing when Qt does not know the label.
std::optional<QStringDecoder> decoderFor(QByteArray label) {
    label = label.trimmed();
    if (label.size() >= 2 && (label.front() == '"' || label.front() == '\'') &&
        label.back() == label.front())
        label = label.sliced(1, label.size() - 2).trimmed();
    if (label.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(label.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return decoder;
}

QByteArray charsetParameter(const QByteArray &contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts[i].trimmed();
        const qsizetype equals = part.indexOf('=');
        if (equals > 0 && part.first(equals).trimmed().toLower() == "charset")
            return part.sliced(equals + 1);
    }
    return {};
}

std::optional<QStringDecoder> decoderFromBom(const QByteArray &body) {
    if (body.startsWith("\xEF\xBB\xBF"))
        return QStringDecoder(QStringConverter::Utf8);
    if (body.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16BE);
    if (body.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringConverter::Utf16LE);
    return std::nullopt;
}

// Only the first kilobyte is looked at, as a browser's prescan does.
QByteArray metaCharset(const QByteArray &body) {
    static const QRegularExpression meta(
        QStringLiteral(R"(<meta\b[^>]*?charset\s*=\s*["']?\s*([A-Za-z0-9._:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match =
        meta.match(QString::fromLatin1(body.first(qMin<qsizetype>(body.size(), 1024))));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

const GumboNode *bodyElement(const GumboOutput *output) {
    const GumboNode *html = output->root;
    if (!html || html->type != GUMBO_NODE_ELEMENT)
        return nullptr;
    const GumboVector &children = html->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const auto *node = static_cast<const GumboNode *>(children.data[i]);
        if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_BODY)
            return node;
    }
    return nullptr; // a frameset page has none
}

} // namespace

QString decodeReply(const QByteArray &body, const QByteArray &contentType) {
    // A byte order mark outranks the header, as it does in a browser.
    std::optional<QStringDecoder> decoder = decoderFromBom(body);
    if (!decoder)
        decoder = decoderFor(charsetParameter(contentType));
    if (!decoder)
        decoder = decoderFor(metaCharset(body));
    if (!decoder)
        decoder.emplace(QStringConverter::Utf8);
    return decoder->decode(body);
}

Verdict judge(const QByteArray &body, const QByteArray &contentType, int httpStatus) {
    if (httpStatus >= 400)
        return Verdict::Failed;
    const QByteArray utf8 = decodeReply(body, contentType).toUtf8();
    const std::unique_ptr<GumboOutput, void (*)(GumboOutput *)> output(
        gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size())),
        [](GumboOutput *o) { gumbo_destroy_output(&kGumboDefaultOptions, o); });
    const GumboNode *bodyNode = output ? bodyElement(output.get()) : nullptr;
    if (!bodyNode)
        return Verdict::Failed;

    // The parser has merged adjacent text, so "the body's content is exactly
    // OK-space" means one text child with that text. Text after </html> lands
    // in the body too, as in a browser: a trailing newline makes it fail.
    const GumboVector &children = bodyNode->v.element.children;
    if (children.length == 0)
        return Verdict::Sending;
    if (children.length == 1) {
        const auto *only = static_cast<const GumboNode *>(children.data[0]);
        if (only->type == GUMBO_NODE_TEXT && std::strcmp(only->v.text.text, "OK ") == 0)
            return Verdict::Succeeded;
    }
    return Verdict::Failed;
}

} // namespace ReplyJudge
