#include "settings/HideUnhideString.h"

#include <QByteArray>
#include <QDebug>
#include <QStringDecoder>

namespace {

// Marks the scrambled form, so that a value that was never scrambled is refused
// instead of being turned into garbage.
constexpr char MARKER = 'k';
constexpr char KEY[] = "Orvanta#LUT-loader/scramble:2026";

// Each byte is mixed with the key and with the byte before it, so equal
// characters do not give equal output bytes.
QByteArray scramble(const QByteArray& plain)
{
    QByteArray out(plain.size(), '\0');
    quint8 previous = 0x5a;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const quint8 mixed =
            static_cast<quint8>(plain[i]) ^ static_cast<quint8>(KEY[i % (sizeof(KEY) - 1)]) ^ previous;
        out[i] = static_cast<char>(mixed);
        previous = mixed;
    }
    return out;
}

QByteArray unscramble(const QByteArray& mixed)
{
    QByteArray out(mixed.size(), '\0');
    quint8 previous = 0x5a;
    for (qsizetype i = 0; i < mixed.size(); ++i) {
        const quint8 byte = static_cast<quint8>(mixed[i]);
        out[i] = static_cast<char>(byte ^ static_cast<quint8>(KEY[i % (sizeof(KEY) - 1)]) ^ previous);
        previous = byte;
    }
    return out;
}

} // namespace

QString HideUnhideString::hide(const QString& text)
{
    // No password stays no password, so an unset preference keeps reading as unset.
    if (text.isEmpty())
        return {};
    const QByteArray encoded =
        scramble(text.toUtf8()).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    return QLatin1Char(MARKER) + QString::fromLatin1(encoded);
}

QString HideUnhideString::unhide(const QString& scrambled)
{
    if (scrambled.isEmpty())
        return {};
    if (!scrambled.startsWith(QLatin1Char(MARKER))) {
        qWarning() << "HideUnhideString::unhide: the value is not in the scrambled form";
        return {};
    }
    const auto decoded = QByteArray::fromBase64Encoding(
        scrambled.mid(1).toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        qWarning() << "HideUnhideString::unhide: the scrambled value is damaged";
        return {};
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(unscramble(*decoded));
    if (utf8.hasError()) {
        qWarning() << "HideUnhideString::unhide: the scrambled value does not give readable text";
        return {};
    }
    return text;
}
